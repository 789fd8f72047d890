// The descriptor records of the Metal stand-in.
#include "Metal.h"

namespace
{
// The setter of a copied property: the slot takes a copy of value and lets go
// of what it held (after copying, so that value may be the old object).
template <typename T>
void SetCopy(T*& slot, T* value)
{
  T* old = slot;
  slot = [value copy];
  [old release];
}
} // namespace

@implementation MTLTextureDescriptor
@synthesize textureType = _textureType, pixelFormat = _pixelFormat, width = _width, height = _height;
@synthesize mipmapLevelCount = _mipmapLevelCount, usage = _usage, storageMode = _storageMode;
- (id)init
{
  if ((self = [super init]))
  {
    _textureType = MTLTextureType2D;
    _pixelFormat = MTLPixelFormatRGBA8Unorm;
    _width = _height = _mipmapLevelCount = 1;
    _usage = MTLTextureUsageShaderRead;
    _storageMode = MTLStorageModeManaged; // the platform's default for textures
  }
  return self;
}
+ (MTLTextureDescriptor*)texture2DDescriptorWithPixelFormat:(MTLPixelFormat)format
                                                      width:(NSUInteger)width
                                                     height:(NSUInteger)height
                                                  mipmapped:(BOOL)mipmapped
{
  MTLTextureDescriptor* d = [[[MTLTextureDescriptor alloc] init] autorelease];
  d.pixelFormat = format;
  d.width = width;
  d.height = height;
  if (mipmapped)
  {
    NSUInteger levels = 1;
    for (NSUInteger s = width > height ? width : height; s > 1; s >>= 1)
      levels++;
    d.mipmapLevelCount = levels;
  }
  return d;
}
- (id)copyWithZone:(NSZone*)zone
{
  MTLTextureDescriptor* d = [[MTLTextureDescriptor allocWithZone:zone] init];
  d->_textureType = _textureType;
  d->_pixelFormat = _pixelFormat;
  d->_width = _width;
  d->_height = _height;
  d->_mipmapLevelCount = _mipmapLevelCount;
  d->_usage = _usage;
  d->_storageMode = _storageMode;
  return d;
}
@end

@implementation MTLSamplerDescriptor
@synthesize minFilter = _minFilter, magFilter = _magFilter, mipFilter = _mipFilter;
@synthesize sAddressMode = _sAddressMode, tAddressMode = _tAddressMode, rAddressMode = _rAddressMode;
- (id)copyWithZone:(NSZone*)zone
{
  MTLSamplerDescriptor* d = [[MTLSamplerDescriptor allocWithZone:zone] init];
  d->_minFilter = _minFilter;
  d->_magFilter = _magFilter;
  d->_mipFilter = _mipFilter;
  d->_sAddressMode = _sAddressMode;
  d->_tAddressMode = _tAddressMode;
  d->_rAddressMode = _rAddressMode;
  return d;
}
@end

@implementation MTLStencilDescriptor
@synthesize stencilCompareFunction = _stencilCompareFunction, stencilFailureOperation = _stencilFailureOperation;
@synthesize depthFailureOperation = _depthFailureOperation, depthStencilPassOperation = _depthStencilPassOperation;
@synthesize readMask = _readMask, writeMask = _writeMask;
- (id)init
{
  if ((self = [super init]))
  {
    _stencilCompareFunction = MTLCompareFunctionAlways;
    _readMask = _writeMask = 0xffffffff;
  }
  return self;
}
- (id)copyWithZone:(NSZone*)zone
{
  MTLStencilDescriptor* d = [[MTLStencilDescriptor allocWithZone:zone] init];
  d->_stencilCompareFunction = _stencilCompareFunction;
  d->_stencilFailureOperation = _stencilFailureOperation;
  d->_depthFailureOperation = _depthFailureOperation;
  d->_depthStencilPassOperation = _depthStencilPassOperation;
  d->_readMask = _readMask;
  d->_writeMask = _writeMask;
  return d;
}
@end

@implementation MTLDepthStencilDescriptor
@synthesize depthCompareFunction = _depthCompareFunction, depthWriteEnabled = _depthWriteEnabled;
- (id)init
{
  if ((self = [super init]))
    _depthCompareFunction = MTLCompareFunctionAlways;
  return self;
}
- (void)dealloc
{
  [_frontFaceStencil release];
  [_backFaceStencil release];
  [super dealloc];
}
- (MTLStencilDescriptor*)frontFaceStencil
{
  return _frontFaceStencil;
}
- (void)setFrontFaceStencil:(MTLStencilDescriptor*)s
{
  SetCopy(_frontFaceStencil, s);
}
- (MTLStencilDescriptor*)backFaceStencil
{
  return _backFaceStencil;
}
- (void)setBackFaceStencil:(MTLStencilDescriptor*)s
{
  SetCopy(_backFaceStencil, s);
}
- (id)copyWithZone:(NSZone*)zone
{
  MTLDepthStencilDescriptor* d = [[MTLDepthStencilDescriptor allocWithZone:zone] init];
  d->_depthCompareFunction = _depthCompareFunction;
  d->_depthWriteEnabled = _depthWriteEnabled;
  d.frontFaceStencil = _frontFaceStencil;
  d.backFaceStencil = _backFaceStencil;
  return d;
}
@end

// An array that makes its element on first access.
#define PWMTL_LAZY_ARRAY(ArrayClass, ElementClass)                                                                    \
  @implementation ArrayClass                                                                                        \
  -(id)init                                                                                                         \
  {                                                                                                                 \
    if ((self = [super init]))                                                                                      \
      _items = [[NSMutableArray alloc] init];                                                                       \
    return self;                                                                                                    \
  }                                                                                                                 \
  -(void)dealloc                                                                                                    \
  {                                                                                                                 \
    [_items release];                                                                                               \
    [super dealloc];                                                                                                \
  }                                                                                                                 \
  -(ElementClass*)objectAtIndexedSubscript : (NSUInteger)index                                                      \
  {                                                                                                                 \
    while ([_items count] <= index)                                                                                 \
    {                                                                                                               \
      ElementClass* e = [[ElementClass alloc] init];                                                                \
      [_items addObject:e];                                                                                         \
      [e release];                                                                                                  \
    }                                                                                                               \
    return [_items objectAtIndex:index];                                                                            \
  }                                                                                                                 \
  @end

@implementation MTLVertexAttributeDescriptor
@synthesize format = _format, offset = _offset, bufferIndex = _bufferIndex;
@end
PWMTL_LAZY_ARRAY(MTLVertexAttributeDescriptorArray, MTLVertexAttributeDescriptor)

@implementation MTLVertexBufferLayoutDescriptor
@synthesize stride = _stride, stepFunction = _stepFunction, stepRate = _stepRate;
- (id)init
{
  if ((self = [super init]))
  {
    _stepFunction = MTLVertexStepFunctionPerVertex;
    _stepRate = 1;
  }
  return self;
}
@end
PWMTL_LAZY_ARRAY(MTLVertexBufferLayoutDescriptorArray, MTLVertexBufferLayoutDescriptor)

@implementation MTLVertexDescriptor
@synthesize attributes = _attributes, layouts = _layouts;
+ (MTLVertexDescriptor*)vertexDescriptor
{
  return [[[MTLVertexDescriptor alloc] init] autorelease];
}
- (id)init
{
  if ((self = [super init]))
  {
    _attributes = [[MTLVertexAttributeDescriptorArray alloc] init];
    _layouts = [[MTLVertexBufferLayoutDescriptorArray alloc] init];
  }
  return self;
}
- (void)dealloc
{
  [_attributes release];
  [_layouts release];
  [super dealloc];
}
- (id)copyWithZone:(NSZone*)zone
{
  MTLVertexDescriptor* d = [[MTLVertexDescriptor allocWithZone:zone] init];
  for (NSUInteger i = 0; i < 8; i++)
  {
    MTLVertexAttributeDescriptor* a = [_attributes objectAtIndexedSubscript:i];
    MTLVertexAttributeDescriptor* da = [d->_attributes objectAtIndexedSubscript:i];
    da.format = a.format;
    da.offset = a.offset;
    da.bufferIndex = a.bufferIndex;
    MTLVertexBufferLayoutDescriptor* l = [_layouts objectAtIndexedSubscript:i];
    MTLVertexBufferLayoutDescriptor* dl = [d->_layouts objectAtIndexedSubscript:i];
    dl.stride = l.stride;
    dl.stepFunction = l.stepFunction;
    dl.stepRate = l.stepRate;
  }
  return d;
}
@end

@implementation MTLRenderPipelineColorAttachmentDescriptor
@synthesize pixelFormat = _pixelFormat, blendingEnabled = _blendingEnabled;
@synthesize sourceRGBBlendFactor = _sourceRGBBlendFactor, destinationRGBBlendFactor = _destinationRGBBlendFactor;
@synthesize sourceAlphaBlendFactor = _sourceAlphaBlendFactor,
            destinationAlphaBlendFactor = _destinationAlphaBlendFactor;
@synthesize rgbBlendOperation = _rgbBlendOperation, alphaBlendOperation = _alphaBlendOperation;
@synthesize writeMask = _writeMask;
- (id)init
{
  if ((self = [super init]))
  {
    _sourceRGBBlendFactor = _sourceAlphaBlendFactor = MTLBlendFactorOne;
    _destinationRGBBlendFactor = _destinationAlphaBlendFactor = MTLBlendFactorZero;
    _writeMask = MTLColorWriteMaskAll;
  }
  return self;
}
@end
PWMTL_LAZY_ARRAY(MTLRenderPipelineColorAttachmentDescriptorArray, MTLRenderPipelineColorAttachmentDescriptor)

@implementation MTLRenderPipelineDescriptor
@synthesize vertexFunction = _vertexFunction, fragmentFunction = _fragmentFunction;
@synthesize colorAttachments = _colorAttachments;
@synthesize stencilAttachmentPixelFormat = _stencilAttachmentPixelFormat;
@synthesize depthAttachmentPixelFormat = _depthAttachmentPixelFormat;
- (id)init
{
  if ((self = [super init]))
    _colorAttachments = [[MTLRenderPipelineColorAttachmentDescriptorArray alloc] init];
  return self;
}
- (void)dealloc
{
  [_vertexFunction release];
  [_fragmentFunction release];
  [_vertexDescriptor release];
  [_colorAttachments release];
  [_label release];
  [super dealloc];
}
- (MTLVertexDescriptor*)vertexDescriptor
{
  return _vertexDescriptor;
}
- (void)setVertexDescriptor:(MTLVertexDescriptor*)d
{
  SetCopy(_vertexDescriptor, d);
}
- (NSString*)label
{
  return _label;
}
- (void)setLabel:(NSString*)label
{
  SetCopy(_label, label);
}
@end

@implementation MTLRenderPassAttachmentDescriptor
@synthesize texture = _texture, level = _level, loadAction = _loadAction, storeAction = _storeAction;
- (void)dealloc
{
  [_texture release];
  [super dealloc];
}
@end

@implementation MTLRenderPassColorAttachmentDescriptor
@synthesize clearColor = _clearColor;
- (id)init
{
  if ((self = [super init]))
    _clearColor = MTLClearColorMake(0, 0, 0, 1);
  return self;
}
@end

@implementation MTLRenderPassStencilAttachmentDescriptor
@synthesize clearStencil = _clearStencil;
@end
PWMTL_LAZY_ARRAY(MTLRenderPassColorAttachmentDescriptorArray, MTLRenderPassColorAttachmentDescriptor)

@implementation MTLRenderPassDescriptor
@synthesize colorAttachments = _colorAttachments, stencilAttachment = _stencilAttachment;
+ (MTLRenderPassDescriptor*)renderPassDescriptor
{
  return [[[MTLRenderPassDescriptor alloc] init] autorelease];
}
- (id)init
{
  if ((self = [super init]))
  {
    _colorAttachments = [[MTLRenderPassColorAttachmentDescriptorArray alloc] init];
    _stencilAttachment = [[MTLRenderPassStencilAttachmentDescriptor alloc] init];
  }
  return self;
}
- (void)dealloc
{
  [_colorAttachments release];
  [_stencilAttachment release];
  [super dealloc];
}
@end
