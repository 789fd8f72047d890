// The Metal backend of the vector renderer: context, frames in flight,
// buffers and textures, recording of draw calls and their encoding at flush.
#import <Metal/Metal.h>
#import <QuartzCore/QuartzCore.h>

#include "VGMetal.h"
#include "VGMetalShaders.h"
#include "VGRenderer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

// Four Metal blend factors: source RGB, destination RGB, source alpha,
// destination alpha.
struct MVGblend
{
  MTLBlendFactor srcRGB;
  MTLBlendFactor dstRGB;
  MTLBlendFactor srcAlpha;
  MTLBlendFactor dstAlpha;
};

enum MVGcallType
{
  MVG_NONE = 0,
  MVG_FILL = 1,
  MVG_CONVEXFILL = 2,
  MVG_STROKE = 3,
  MVG_TRIANGLES = 4,
};

struct MVGcall
{
  int type;
  int image;
  int triangleOffset, triangleCount; // cover quad (fill) or triangles
  int indexOffset, indexCount;       // fill fans
  int strokeOffset, strokeCount;     // fringe or stroke strip
  int uniformOffset;                 // bytes into the uniform buffer
  MVGblend blend;
};

// The process-wide bound offscreen target; null: the screen. Main thread.
static MVGframebuffer* s_framebuffer = nullptr;

// One image.
@interface MVGtexture_vPressweave_au : NSObject
{
  int _id;
  int _type;
  int _flags;
  id<MTLTexture> _tex;
  id<MTLSamplerState> _sampler;
}
@property (nonatomic, assign) int id;    // 0: a free record
@property (nonatomic, assign) int type;  // VG_TEXTURE_ALPHA or VG_TEXTURE_RGBA
@property (nonatomic, assign) int flags; // image flags
// Owned unless flags holds VG_IMAGE_NODELETE (a texture its maker keeps);
// freeRecord: releases it.
@property (nonatomic, assign) id<MTLTexture> tex;
// Owned (the backend always makes it); freeRecord: releases it.
@property (nonatomic, retain) id<MTLSamplerState> sampler;
@end
@implementation MVGtexture_vPressweave_au
@synthesize id = _id, type = _type, flags = _flags, tex = _tex, sampler = _sampler;
- (void)dealloc
{
  [_sampler release]; // nil once freeRecord: has run
  [super dealloc];
}
@end

// One frame's buffer set. isBusy, image, commandBuffer and the counts are
// written by the main thread while recording and by the completion handler
// (driver thread) once the frame is done; `lock` orders the two.
@interface MVGbuffers_vPressweave_au : NSObject
{
@public
  id<MTLCommandBuffer> commandBuffer; // owned while in flight
  BOOL isBusy;
  int image; // offscreen image drawn into; 0 for the screen
  id<MTLBuffer> viewSizeBuffer;  // owned
  id<MTLTexture> stencilTexture; // owned
  MVGcall* calls;                // malloc'd
  int ccalls, ncalls;
  id<MTLBuffer> indexBuffer; // owned
  uint32_t* indexes;
  int cindexes, nindexes;
  id<MTLBuffer> vertBuffer; // owned
  VGvertex* verts;
  int cverts, nverts;
  id<MTLBuffer> uniformBuffer; // owned
  unsigned char* uniforms;
  int cuniforms, nuniforms;
  std::mutex* lock; // owned
}
@end
@implementation MVGbuffers_vPressweave_au
- (id)init
{
  if ((self = [super init]))
    lock = new std::mutex;
  return self;
}
- (void)dealloc
{
  [commandBuffer release];
  [viewSizeBuffer release];
  [stencilTexture release];
  [indexBuffer release];
  [vertBuffer release];
  [uniformBuffer release];
  free(calls);
  delete lock;
  [super dealloc];
}
@end

// Two unsigned 32-bit ints, as the platform's vector_uint2.
typedef uint32_t MVGuint2 __attribute__((ext_vector_type(2)));

// The backend context. The objects of its retain properties are its own:
// renderCreate makes them (vgCreateMTL gives the layer) and renderDelete,
// which the renderer calls once before releasing the context, releases
// them. The assign properties hold values, or objects that others own.
@interface MVGcontext_vPressweave_au : NSObject
{
  id<MTLCommandQueue> _commandQueue;
  CAMetalLayer* _metalLayer;
  id<MTLRenderCommandEncoder> _renderEncoder;
  int _fragSize;
  int _indexSize;
  int _flags;
  MVGuint2 _viewPortSize;
  MTLClearColor _clearColor;
  BOOL _clearBufferOnFlush;
  NSMutableArray* _textures;
  int _textureId;
  MVGbuffers_vPressweave_au* _buffers;
  NSMutableArray* _cbuffers;
  int _maxBuffers;
  dispatch_semaphore_t _semaphore;
  MVGblend* _blendFunc;
  id<MTLDepthStencilState> _defaultStencilState, _fillShapeStencilState, _fillAntiAliasStencilState,
    _fillStencilState, _strokeShapeStencilState, _strokeAntiAliasStencilState, _strokeClearStencilState;
  id<MTLFunction> _fragmentFunction, _vertexFunction;
  MTLPixelFormat _piplelinePixelFormat;
  id<MTLRenderPipelineState> _pipelineState, _stencilOnlyPipelineState;
  id<MTLSamplerState> _pseudoSampler;
  id<MTLTexture> _pseudoTexture;
  MTLVertexDescriptor* _vertexDescriptor;
}
@property (nonatomic, retain) id<MTLCommandQueue> commandQueue;
@property (nonatomic, retain) CAMetalLayer* metalLayer; // its device is the GPU device
// During a flush only; the command buffer holds it.
@property (nonatomic, assign) id<MTLRenderCommandEncoder> renderEncoder;
@property (nonatomic, assign) int fragSize;  // bytes of one uniform block
@property (nonatomic, assign) int indexSize; // bytes of one index
@property (nonatomic, assign) int flags;     // VG_ANTIALIAS, VG_STENCIL_STROKES, ...
@property (nonatomic, assign) MVGuint2 viewPortSize; // pixels of the current frame
@property (nonatomic, assign) MTLClearColor clearColor; // premultiplied
@property (nonatomic, assign) BOOL clearBufferOnFlush;
@property (nonatomic, retain) NSMutableArray* textures; // of MVGtexture_vPressweave_au, reused when freed
@property (nonatomic, assign) int textureId; // the last image id handed out
// The set being recorded, nil between frames; cbuffers owns it.
@property (nonatomic, assign) MVGbuffers_vPressweave_au* buffers;
@property (nonatomic, retain) NSMutableArray* cbuffers; // of MVGbuffers_vPressweave_au
@property (nonatomic, assign) int maxBuffers;
// Counts free buffer sets; owned, renderDelete releases it.
@property (nonatomic, assign) dispatch_semaphore_t semaphore;
// The blend the pipelines were built for; malloc'd, renderDelete frees it.
@property (nonatomic, assign) MVGblend* blendFunc;
@property (nonatomic, retain) id<MTLDepthStencilState> defaultStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> fillShapeStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> fillAntiAliasStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> fillStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> strokeShapeStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> strokeAntiAliasStencilState;
@property (nonatomic, retain) id<MTLDepthStencilState> strokeClearStencilState;
@property (nonatomic, retain) id<MTLFunction> fragmentFunction;
@property (nonatomic, retain) id<MTLFunction> vertexFunction;
@property (nonatomic, assign) MTLPixelFormat piplelinePixelFormat; // the pipelines' colour format
@property (nonatomic, retain) id<MTLRenderPipelineState> pipelineState;
@property (nonatomic, retain) id<MTLRenderPipelineState> stencilOnlyPipelineState;
@property (nonatomic, retain) id<MTLSamplerState> pseudoSampler; // bound when a draw has no image
@property (nonatomic, retain) id<MTLTexture> pseudoTexture;      // bound when a draw has no image: nil
@property (nonatomic, retain) MTLVertexDescriptor* vertexDescriptor;
@end

namespace
{
MVGcontext_vPressweave_au* Backend(VGcontext* ctx)
{
  return ctx ? (MVGcontext_vPressweave_au*)vgInternalParams(ctx)->userPtr : nil;
}

void XformToMat3x4(float* m, const float* t)
{
  m[0] = t[0], m[1] = t[1], m[2] = 0.f, m[3] = 0.f;
  m[4] = t[2], m[5] = t[3], m[6] = 0.f, m[7] = 0.f;
  m[8] = t[4], m[9] = t[5], m[10] = 1.f, m[11] = 0.f;
}

void PremulColor(float* out, const VGcolor& c)
{
  out[0] = c.r * c.a, out[1] = c.g * c.a, out[2] = c.b * c.a, out[3] = c.a;
}

// Vertex, index and strip counts of a path list.
int MaxVertCount(const VGpath* paths, int npaths, int* indexCount, int* stripCount)
{
  int count = 0;
  *indexCount = 0;
  *stripCount = 0;
  for (int i = 0; i < npaths; i++)
  {
    if (paths[i].nfill > 2)
    {
      count += paths[i].nfill;
      *indexCount += (paths[i].nfill - 2) * 3;
    }
    if (paths[i].nstroke > 0)
    {
      count += paths[i].nstroke + 2;
      *stripCount += paths[i].nstroke + 2;
    }
  }
  return count;
}

// Appends one path's strip with its ends repeated; returns the next vertex.
VGvertex* AppendStrip(VGvertex* dst, const VGpath& path)
{
  if (path.nstroke <= 0)
    return dst;
  *dst++ = path.stroke[0];
  std::memcpy(dst, path.stroke, sizeof(VGvertex) * path.nstroke);
  dst += path.nstroke;
  *dst++ = path.stroke[path.nstroke - 1];
  return dst;
}

MTLBlendFactor BlendFactor(int factor, bool* ok)
{
  switch (factor)
  {
    case VG_ZERO: return MTLBlendFactorZero;
    case VG_ONE: return MTLBlendFactorOne;
    case VG_SRC_COLOR: return MTLBlendFactorSourceColor;
    case VG_ONE_MINUS_SRC_COLOR: return MTLBlendFactorOneMinusSourceColor;
    case VG_DST_COLOR: return MTLBlendFactorDestinationColor;
    case VG_ONE_MINUS_DST_COLOR: return MTLBlendFactorOneMinusDestinationColor;
    case VG_SRC_ALPHA: return MTLBlendFactorSourceAlpha;
    case VG_ONE_MINUS_SRC_ALPHA: return MTLBlendFactorOneMinusSourceAlpha;
    case VG_DST_ALPHA: return MTLBlendFactorDestinationAlpha;
    case VG_ONE_MINUS_DST_ALPHA: return MTLBlendFactorOneMinusDestinationAlpha;
    case VG_SRC_ALPHA_SATURATE: return MTLBlendFactorSourceAlphaSaturated;
    default: *ok = false; return MTLBlendFactorZero;
  }
}

id<MTLDepthStencilState> NewStencilState(id<MTLDevice> device, MTLCompareFunction compare, MTLStencilOperation fail,
                                         MTLStencilOperation depthFail, MTLStencilOperation pass, bool back,
                                         MTLStencilOperation backPass)
{
  MTLDepthStencilDescriptor* d = [[[MTLDepthStencilDescriptor alloc] init] autorelease];
  d.depthCompareFunction = MTLCompareFunctionAlways;
  MTLStencilDescriptor* s = [[[MTLStencilDescriptor alloc] init] autorelease];
  s.stencilCompareFunction = compare;
  s.stencilFailureOperation = fail;
  s.depthFailureOperation = depthFail;
  s.depthStencilPassOperation = pass;
  d.frontFaceStencil = s;
  if (back)
  {
    s.depthStencilPassOperation = backPass;
    d.backFaceStencil = s;
  }
  return [device newDepthStencilStateWithDescriptor:d];
}
} // namespace

@implementation MVGcontext_vPressweave_au

@synthesize commandQueue = _commandQueue, metalLayer = _metalLayer, renderEncoder = _renderEncoder;
@synthesize fragSize = _fragSize, indexSize = _indexSize, flags = _flags, viewPortSize = _viewPortSize;
@synthesize clearColor = _clearColor, clearBufferOnFlush = _clearBufferOnFlush;
@synthesize textures = _textures, textureId = _textureId, buffers = _buffers, cbuffers = _cbuffers;
@synthesize maxBuffers = _maxBuffers, semaphore = _semaphore, blendFunc = _blendFunc;
@synthesize defaultStencilState = _defaultStencilState, fillShapeStencilState = _fillShapeStencilState;
@synthesize fillAntiAliasStencilState = _fillAntiAliasStencilState, fillStencilState = _fillStencilState;
@synthesize strokeShapeStencilState = _strokeShapeStencilState;
@synthesize strokeAntiAliasStencilState = _strokeAntiAliasStencilState;
@synthesize strokeClearStencilState = _strokeClearStencilState;
@synthesize fragmentFunction = _fragmentFunction, vertexFunction = _vertexFunction;
@synthesize piplelinePixelFormat = _piplelinePixelFormat, pipelineState = _pipelineState;
@synthesize stencilOnlyPipelineState = _stencilOnlyPipelineState;
@synthesize pseudoSampler = _pseudoSampler, pseudoTexture = _pseudoTexture, vertexDescriptor = _vertexDescriptor;

- (void)checkError:(NSError*)error withMessage:(const char*)message
{
  if ((_flags & VG_DEBUG) && error)
    printf("Error occurs after %s: %s\n", message, [[error localizedDescription] UTF8String]);
}

// ------------------------------------------------------------ creation

- (int)renderCreate
{
  id<MTLDevice> device = _metalLayer.device;
  if (!device)
  {
    device = [MTLCreateSystemDefaultDevice() autorelease];
    _metalLayer.device = device;
  }
  _metalLayer.opaque = NO;

#if !defined(__APPLE__)
  mvgRegisterShaderFunctions();
#endif
  dispatch_data_t data = dispatch_data_create(mvg_bitcode_macos, mvg_bitcode_macos_len, nullptr,
                                              DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  NSError* error = nil;
  id<MTLLibrary> library = [device newLibraryWithData:data error:&error];
  dispatch_release(data);
  [self checkError:error withMessage:"init library"];
  if (!library)
    return 0;
  _vertexFunction = [library newFunctionWithName:@"vertexShader"];
  _fragmentFunction = [library newFunctionWithName:(_flags & VG_ANTIALIAS) ? @"fragmentShaderAA" : @"fragmentShader"];
  [library release];

  _commandQueue = [device newCommandQueue];

  _maxBuffers = (_flags & VG_TRIPLE_BUFFER) ? 3 : ((_flags & VG_DOUBLE_BUFFER) ? 2 : 1);
  _cbuffers = [[NSMutableArray alloc] initWithCapacity:_maxBuffers];
  for (int i = 0; i < _maxBuffers; i++)
  {
    MVGbuffers_vPressweave_au* set = [[MVGbuffers_vPressweave_au alloc] init];
    [_cbuffers addObject:set];
    [set release];
  }
  _clearBufferOnFlush = NO;
  _semaphore = dispatch_semaphore_create(_maxBuffers);

  _vertexDescriptor = [[MTLVertexDescriptor alloc] init];
  MTLVertexAttributeDescriptor* position = [_vertexDescriptor.attributes objectAtIndexedSubscript:0];
  position.format = MTLVertexFormatFloat2;
  position.bufferIndex = 0;
  position.offset = 0;
  MTLVertexAttributeDescriptor* tcoord = [_vertexDescriptor.attributes objectAtIndexedSubscript:1];
  tcoord.format = MTLVertexFormatFloat2;
  tcoord.bufferIndex = 0;
  tcoord.offset = 8;
  MTLVertexBufferLayoutDescriptor* layout = [_vertexDescriptor.layouts objectAtIndexedSubscript:0];
  layout.stride = sizeof(VGvertex);
  layout.stepFunction = MTLVertexStepFunctionPerVertex;

  _textureId = 0;
  _textures = [[NSMutableArray alloc] init];
  MTLSamplerDescriptor* samplerDescriptor = [[MTLSamplerDescriptor alloc] init];
  _pseudoSampler = [device newSamplerStateWithDescriptor:samplerDescriptor];
  [samplerDescriptor release];

  _blendFunc = (MVGblend*)malloc(sizeof(MVGblend));
  if (!_blendFunc)
    return 0;
  *_blendFunc = {MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
                 MTLBlendFactorOneMinusSourceAlpha};

  MTLDepthStencilDescriptor* defaults = [[MTLDepthStencilDescriptor alloc] init];
  _defaultStencilState = [device newDepthStencilStateWithDescriptor:defaults];
  [defaults release];
  const auto keep = MTLStencilOperationKeep, zero = MTLStencilOperationZero;
  _fillShapeStencilState = NewStencilState(device, MTLCompareFunctionAlways, keep, keep,
                                           MTLStencilOperationIncrementWrap, true, MTLStencilOperationDecrementWrap);
  _fillAntiAliasStencilState = NewStencilState(device, MTLCompareFunctionEqual, keep, keep, zero, false, keep);
  _fillStencilState = NewStencilState(device, MTLCompareFunctionNotEqual, zero, zero, zero, false, keep);
  _strokeShapeStencilState = NewStencilState(device, MTLCompareFunctionEqual, keep, keep,
                                             MTLStencilOperationIncrementClamp, false, keep);
  _strokeAntiAliasStencilState = NewStencilState(device, MTLCompareFunctionEqual, keep, keep, keep, false, keep);
  _strokeClearStencilState = NewStencilState(device, MTLCompareFunctionAlways, zero, zero, zero, false, keep);
  return _vertexFunction && _fragmentFunction && _commandQueue && _semaphore ? 1 : 0;
}

// Returns a set to the free pool: nothing of it is in flight any more.
- (void)returnBufferSet:(MVGbuffers_vPressweave_au*)set
{
  {
    std::lock_guard<std::mutex> guard(*set->lock);
    [set->commandBuffer release];
    set->commandBuffer = nil;
    set->isBusy = NO;
    set->image = 0;
    set->nindexes = set->nverts = set->ncalls = set->nuniforms = 0;
  }
  dispatch_semaphore_signal(_semaphore);
}

- (void)renderDelete
{
  // Take every buffer set first: frames still in flight complete before
  // anything they use is released. A frame being recorded is already ours.
  if (_semaphore)
  {
    const int taken = _buffers ? 1 : 0;
    for (int i = taken; i < _maxBuffers; i++)
      dispatch_semaphore_wait(_semaphore, DISPATCH_TIME_FOREVER);
    // A semaphore is released at its initial count.
    for (int i = 0; i < _maxBuffers; i++)
      dispatch_semaphore_signal(_semaphore);
    dispatch_release(_semaphore);
    _semaphore = nullptr;
  }
  _buffers = nil;
  [_cbuffers release]; // each set releases its buffers, textures and calls
  _cbuffers = nil;
  for (MVGtexture_vPressweave_au* t in _textures)
    if (t.id)
      [self freeRecord:t];
  [_textures release];
  _textures = nil;
  free(_blendFunc);
  _blendFunc = nullptr;
  [_commandQueue release];
  [_defaultStencilState release];
  [_fillShapeStencilState release];
  [_fillAntiAliasStencilState release];
  [_fillStencilState release];
  [_strokeShapeStencilState release];
  [_strokeAntiAliasStencilState release];
  [_strokeClearStencilState release];
  [_fragmentFunction release];
  [_vertexFunction release];
  [_pipelineState release];
  [_stencilOnlyPipelineState release];
  [_pseudoSampler release];
  [_pseudoTexture release];
  [_vertexDescriptor release];
  _commandQueue = nil;
  _pipelineState = _stencilOnlyPipelineState = nil;
  _metalLayer.device = nil;
  [_metalLayer release];
  _metalLayer = nil;
  if (s_framebuffer && Backend(s_framebuffer->ctx) == self)
    s_framebuffer = nullptr;
}

// ------------------------------------------------------------ frames

- (void)renderViewportWithWidth:(float)width height:(float)height devicePixelRatio:(float)ratio
{
  _viewPortSize.x = (uint32_t)(width * ratio);
  _viewPortSize.y = (uint32_t)(height * ratio);
  if (_buffers) // a frame begun again without flush or cancel keeps its set
  {
    _buffers->ncalls = _buffers->nverts = _buffers->nindexes = _buffers->nuniforms = 0;
  }
  else
  {
    dispatch_semaphore_wait(_semaphore, DISPATCH_TIME_FOREVER);
    for (MVGbuffers_vPressweave_au* set in _cbuffers)
    {
      std::lock_guard<std::mutex> guard(*set->lock);
      if (!set->isBusy)
      {
        set->isBusy = YES;
        _buffers = set;
        break;
      }
    }
  }
  if (!_buffers->viewSizeBuffer)
    _buffers->viewSizeBuffer = [_metalLayer.device newBufferWithLength:2 * sizeof(float)
                                                                options:MTLResourceCPUCacheModeWriteCombined];
  if (_buffers->viewSizeBuffer)
  {
    float* size = (float*)_buffers->viewSizeBuffer.contents;
    size[0] = width;
    size[1] = height;
  }
}

- (void)renderCancel
{
  MVGbuffers_vPressweave_au* set = _buffers;
  _buffers = nil;
  if (set)
    [self returnBufferSet:set];
}

// ------------------------------------------------------------ growth

- (MVGcall*)allocCall
{
  MVGbuffers_vPressweave_au* b = _buffers;
  if (b->ncalls + 1 > b->ccalls)
  {
    const int capacity = std::max(b->ncalls + 1, 128) + b->ccalls / 2;
    MVGcall* calls = (MVGcall*)realloc(b->calls, sizeof(MVGcall) * capacity);
    if (!calls)
      return nullptr;
    b->calls = calls;
    b->ccalls = capacity;
  }
  MVGcall* call = &b->calls[b->ncalls++];
  std::memset(call, 0, sizeof(MVGcall));
  return call;
}

// Grows *buffer to hold count + n elements of size bytes (keeping count of
// them) and returns the first new element's index, or -1.
- (int)grow:(id<MTLBuffer>*)buffer contents:(void**)contents capacity:(int*)capacity count:(int*)count
          need:(int)n minimum:(int)minimum size:(int)size
{
  if (n < 0)
    return -1;
  if (*count + n > *capacity)
  {
    const int newCapacity = std::max(*count + n, minimum) + *capacity / 2;
    id<MTLBuffer> grown = [_metalLayer.device newBufferWithLength:(NSUInteger)newCapacity * size
                                                          options:MTLResourceCPUCacheModeWriteCombined];
    if (!grown)
      return -1;
    if (*buffer)
      std::memcpy(grown.contents, (*buffer).contents, (size_t)*count * size);
    [*buffer release];
    *buffer = grown;
    *contents = grown.contents;
    *capacity = newCapacity;
  }
  const int first = *count;
  *count += n;
  return first;
}

- (int)allocVerts:(int)n
{
  MVGbuffers_vPressweave_au* b = _buffers;
  return [self grow:&b->vertBuffer contents:(void**)&b->verts capacity:&b->cverts count:&b->nverts need:n
            minimum:4096 size:sizeof(VGvertex)];
}

- (int)allocIndexes:(int)n
{
  MVGbuffers_vPressweave_au* b = _buffers;
  return [self grow:&b->indexBuffer contents:(void**)&b->indexes capacity:&b->cindexes count:&b->nindexes need:n
            minimum:4096 size:_indexSize];
}

- (int)allocFragUniforms:(int)n
{
  MVGbuffers_vPressweave_au* b = _buffers;
  const int first = [self grow:&b->uniformBuffer contents:(void**)&b->uniforms capacity:&b->cuniforms
                         count:&b->nuniforms need:n minimum:128 size:_fragSize];
  return first < 0 ? -1 : first * _fragSize;
}

- (MVGfragUniforms*)fragUniformAtIndex:(int)offset
{
  return (MVGfragUniforms*)(_buffers->uniforms + offset);
}

// ------------------------------------------------------------ images

- (MVGtexture_vPressweave_au*)allocTexture
{
  MVGtexture_vPressweave_au* found = nil;
  for (MVGtexture_vPressweave_au* t in _textures)
    if (t.id == 0)
    {
      found = t;
      break;
    }
  if (!found)
  {
    found = [[[MVGtexture_vPressweave_au alloc] init] autorelease];
    if (!found)
      return nil;
    [_textures addObject:found];
  }
  found.id = ++_textureId;
  found.tex = nil;
  found.sampler = nil;
  return found;
}

- (MVGtexture_vPressweave_au*)findTexture:(int)image
{
  if (image <= 0)
    return nil;
  for (MVGtexture_vPressweave_au* t in _textures)
    if (t.id == image)
      return t;
  return nil;
}

- (void)freeRecord:(MVGtexture_vPressweave_au*)t
{
  if (!(t.flags & VG_IMAGE_NODELETE))
    [t.tex release];
  t.tex = nil;
  t.sampler = nil;
  t.id = 0;
  t.flags = 0;
}

- (id<MTLSamplerState>)newSamplerForFlags:(int)flags
{
  MTLSamplerDescriptor* d = [[[MTLSamplerDescriptor alloc] init] autorelease];
  if (flags & VG_IMAGE_NEAREST)
  {
    d.minFilter = d.magFilter = MTLSamplerMinMagFilterNearest;
    if (flags & VG_IMAGE_GENERATE_MIPMAPS)
      d.mipFilter = MTLSamplerMipFilterNearest;
  }
  else
  {
    d.minFilter = d.magFilter = MTLSamplerMinMagFilterLinear;
    if (flags & VG_IMAGE_GENERATE_MIPMAPS)
      d.mipFilter = MTLSamplerMipFilterLinear;
  }
  d.sAddressMode = (flags & VG_IMAGE_REPEATX) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  d.tAddressMode = (flags & VG_IMAGE_REPEATY) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  return [_metalLayer.device newSamplerStateWithDescriptor:d];
}

- (int)renderCreateTextureWithType:(int)type
                             width:(int)width
                            height:(int)height
                        imageFlags:(int)imageFlags
                              data:(const unsigned char*)data
{
  MVGtexture_vPressweave_au* tex = [self allocTexture];
  if (!tex)
    return 0;
  const MTLPixelFormat format = type == VG_TEXTURE_ALPHA ? MTLPixelFormatR8Unorm : MTLPixelFormatRGBA8Unorm;
  tex.type = type;
  tex.flags = imageFlags & ~VG_IMAGE_NODELETE; // the backend made this texture: it owns it
  id<MTLDevice> device = _metalLayer.device;
  MTLTextureDescriptor* d = nil;
  if (width > 0 && height > 0)
    d = [MTLTextureDescriptor texture2DDescriptorWithPixelFormat:format
                                                           width:width
                                                          height:height
                                                       mipmapped:(imageFlags & VG_IMAGE_GENERATE_MIPMAPS) != 0];
  d.usage = MTLTextureUsageShaderRead | MTLTextureUsageShaderWrite | MTLTextureUsageRenderTarget;
  tex.tex = d ? [device newTextureWithDescriptor:d] : nil;
  if (!tex.tex)
  {
    [self freeRecord:tex]; // no image rather than an id without a texture
    return 0;
  }
  if (data)
  {
    const NSUInteger rowLength = (NSUInteger)width * (type == VG_TEXTURE_ALPHA ? 1 : 4);
    if (tex.tex.storageMode == MTLStorageModePrivate)
    {
      id<MTLBuffer> staging = [device newBufferWithBytes:data length:rowLength * height
                                                 options:MTLResourceStorageModeShared];
      id<MTLCommandBuffer> cb = [_commandQueue commandBuffer];
      id<MTLBlitCommandEncoder> blit = [cb blitCommandEncoder];
      [blit copyFromBuffer:staging
                 sourceOffset:0
            sourceBytesPerRow:rowLength
          sourceBytesPerImage:rowLength * height
                   sourceSize:MTLSizeMake(width, height, 1)
                    toTexture:tex.tex
             destinationSlice:0
             destinationLevel:0
            destinationOrigin:MTLOriginMake(0, 0, 0)];
      [blit endEncoding];
      [cb commit];
      [cb waitUntilCompleted];
      [staging release];
    }
    else
      [tex.tex replaceRegion:MTLRegionMake2D(0, 0, width, height) mipmapLevel:0 withBytes:data
                   bytesPerRow:rowLength];
    if (imageFlags & VG_IMAGE_GENERATE_MIPMAPS)
    {
      id<MTLCommandBuffer> cb = [_commandQueue commandBuffer];
      id<MTLBlitCommandEncoder> blit = [cb blitCommandEncoder];
      [blit generateMipmapsForTexture:tex.tex];
      [blit endEncoding];
      [cb commit];
      [cb waitUntilCompleted];
    }
  }
  id<MTLSamplerState> sampler = [self newSamplerForFlags:imageFlags];
  tex.sampler = sampler;
  [sampler release];
  return tex.id;
}

- (int)renderUpdateTextureWithImage:(int)image
                                  x:(int)x
                                  y:(int)y
                              width:(int)width
                             height:(int)height
                               data:(const unsigned char*)data
{
  MVGtexture_vPressweave_au* tex = [self findTexture:image];
  if (!tex || !data)
    return 0;
  const int tw = (int)tex.tex.width, th = (int)tex.tex.height;
  if (x < 0 || y < 0 || width < 0 || height < 0 || width > tw - x || height > th - y)
    return 0; // outside the image: nothing is read or written
  const int bpp = tex.type == VG_TEXTURE_ALPHA ? 1 : 4;
  const NSUInteger rowLength = (NSUInteger)tw * bpp;
  [tex.tex replaceRegion:MTLRegionMake2D(x, y, width, height)
               mipmapLevel:0
                 withBytes:data + (size_t)y * rowLength + (size_t)x * bpp
               bytesPerRow:rowLength];
  return 1;
}

- (int)renderGetTextureSizeForImage:(int)image width:(int*)width height:(int*)height
{
  MVGtexture_vPressweave_au* tex = [self findTexture:image];
  if (!tex)
    return 0;
  *width = (int)tex.tex.width;
  *height = (int)tex.tex.height;
  return 1;
}

- (int)renderDeleteTexture:(int)image
{
  MVGtexture_vPressweave_au* tex = [self findTexture:image];
  if (!tex)
    return 0;
  [self freeRecord:tex];
  return 1;
}

// Waits until no frame in flight draws into image.
- (void)waitForFramesDrawingInto:(int)image
{
  for (MVGbuffers_vPressweave_au* set in _cbuffers)
  {
    id<MTLCommandBuffer> inFlight = nil;
    {
      std::lock_guard<std::mutex> guard(*set->lock);
      if (set->isBusy && set->image == image && set->commandBuffer)
        inFlight = [set->commandBuffer retain];
    }
    [inFlight waitUntilCompleted];
    [inFlight release];
  }
}

// ------------------------------------------------------------ recording

- (MVGblend)blendCompositeOperation:(VGcompositeOperationState)op
{
  bool ok = true;
  MVGblend blend = {BlendFactor(op.srcRGB, &ok), BlendFactor(op.dstRGB, &ok), BlendFactor(op.srcAlpha, &ok),
                    BlendFactor(op.dstAlpha, &ok)};
  if (!ok)
    blend = {MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
             MTLBlendFactorOneMinusSourceAlpha};
  return blend;
}

// Starts a call of the given type drawn with paint under op, or returns
// nullptr when there is nothing to record into or no room for the call.
- (MVGcall*)beginCall:(int)type paint:(VGpaint*)paint compositeOperation:(VGcompositeOperationState)op
{
  if (!_buffers)
    return nullptr;
  MVGcall* call = [self allocCall];
  if (!call)
    return nullptr;
  call->type = type;
  call->image = paint->image;
  call->blend = [self blendCompositeOperation:op];
  return call;
}

- (int)convertPaintForFrag:(MVGfragUniforms*)frag
                     paint:(VGpaint*)paint
                   scissor:(VGscissor*)scissor
                     width:(float)width
                    fringe:(float)fringe
                 strokeThr:(float)strokeThr
{
  std::memset(frag, 0, sizeof(MVGfragUniforms));
  PremulColor(frag->innerCol, paint->innerColor);
  PremulColor(frag->outerCol, paint->outerColor);
  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f)
  {
    frag->scissorExt[0] = frag->scissorExt[1] = 1.f;
    frag->scissorScale[0] = frag->scissorScale[1] = 1.f;
  }
  else
  {
    float inverse[6];
    vgTransformInverse(inverse, scissor->xform);
    XformToMat3x4(frag->scissorMat, inverse);
    const float* x = scissor->xform;
    frag->scissorExt[0] = scissor->extent[0];
    frag->scissorExt[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(x[0] * x[0] + x[2] * x[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(x[1] * x[1] + x[3] * x[3]) / fringe;
  }
  frag->extent[0] = paint->extent[0];
  frag->extent[1] = paint->extent[1];
  frag->strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;

  float xform[6];
  if (paint->image != 0)
  {
    MVGtexture_vPressweave_au* tex = [self findTexture:paint->image];
    if (!tex)
      return 0;
    if (tex.flags & VG_IMAGE_FLIPY)
    {
      float m1[6], m2[6];
      vgTransformTranslate(m1, 0.f, frag->extent[1] * 0.5f);
      vgTransformMultiply(m1, paint->xform);
      vgTransformScale(m2, 1.f, -1.f);
      vgTransformMultiply(m2, m1);
      vgTransformTranslate(m1, 0.f, -frag->extent[1] * 0.5f);
      vgTransformMultiply(m1, m2);
      std::memcpy(xform, m1, sizeof(xform));
    }
    else
      std::memcpy(xform, paint->xform, sizeof(xform));
    frag->type = MVG_SHADER_FILLIMG;
    if (tex.type == VG_TEXTURE_RGBA)
      frag->texType = (tex.flags & VG_IMAGE_PREMULTIPLIED) ? 0 : 1;
    else
      frag->texType = 2;
  }
  else
  {
    frag->type = MVG_SHADER_FILLGRAD;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
    std::memcpy(xform, paint->xform, sizeof(xform));
  }
  float inverse[6];
  vgTransformInverse(inverse, xform);
  XformToMat3x4(frag->paintMat, inverse);
  return 1;
}

// Gives back the call just taken (space taken for it stays used).
- (void)dropLastCall
{
  _buffers->ncalls--;
}

- (void)renderFillWithPaint:(VGpaint*)paint
         compositeOperation:(VGcompositeOperationState)op
                    scissor:(VGscissor*)scissor
                     fringe:(float)fringe
                     bounds:(const float*)bounds
                      paths:(const VGpath*)paths
                     npaths:(int)npaths
{
  MVGcall* call = [self beginCall:MVG_FILL paint:paint compositeOperation:op];
  if (!call)
    return;
  call->triangleCount = 4;
  if (npaths == 1 && paths[0].convex)
  {
    call->type = MVG_CONVEXFILL;
    call->triangleCount = 0;
  }
  int indexCount = 0, stripCount = 0;
  const int total = MaxVertCount(paths, npaths, &indexCount, &stripCount) + call->triangleCount;
  const int first = [self allocVerts:total];
  const int indexOffset = first < 0 ? -1 : [self allocIndexes:indexCount];
  if (indexOffset < 0)
  {
    [self dropLastCall];
    return;
  }
  call = &_buffers->calls[_buffers->ncalls - 1]; // the call array may not move, but stay exact
  call->indexOffset = indexOffset;
  call->indexCount = indexCount;
  const int stripFirst = first + total - stripCount;
  call->strokeOffset = stripFirst + 1;
  call->strokeCount = stripCount - 2;

  VGvertex* fan = &_buffers->verts[first];
  VGvertex* strip = &_buffers->verts[stripFirst];
  uint32_t* index = &_buffers->indexes[indexOffset];
  int vertex = first;
  for (int i = 0; i < npaths; i++)
  {
    const VGpath& path = paths[i];
    if (path.nfill > 2)
    {
      std::memcpy(fan, path.fill, sizeof(VGvertex) * path.nfill);
      fan += path.nfill;
      const uint32_t hub = (uint32_t)vertex;
      for (uint32_t k = hub + 1; k < hub + (uint32_t)path.nfill - 1; k++)
      {
        *index++ = hub;
        *index++ = k;
        *index++ = k + 1;
      }
      vertex += path.nfill;
    }
    strip = AppendStrip(strip, path);
  }
  if (call->type == MVG_FILL)
  {
    call->triangleOffset = vertex;
    const VGvertex quad[4] = {{bounds[2], bounds[3], 0.5f, 1.f},
                              {bounds[2], bounds[1], 0.5f, 1.f},
                              {bounds[0], bounds[3], 0.5f, 1.f},
                              {bounds[0], bounds[1], 0.5f, 1.f}};
    std::memcpy(fan, quad, sizeof(quad));
  }
  const int uniformOffset = [self allocFragUniforms:1];
  if (uniformOffset < 0 || ![self convertPaintForFrag:[self fragUniformAtIndex:uniformOffset]
                                                paint:paint
                                              scissor:scissor
                                                width:fringe
                                               fringe:fringe
                                            strokeThr:-1.f])
  {
    [self dropLastCall]; // no uniforms, or a paint image that no longer exists
    return;
  }
  call->uniformOffset = uniformOffset;
}

- (void)renderStrokeWithPaint:(VGpaint*)paint
           compositeOperation:(VGcompositeOperationState)op
                      scissor:(VGscissor*)scissor
                       fringe:(float)fringe
                  strokeWidth:(float)strokeWidth
                        paths:(const VGpath*)paths
                       npaths:(int)npaths
{
  MVGcall* call = [self beginCall:MVG_STROKE paint:paint compositeOperation:op];
  if (!call)
    return;
  int indexCount = 0, stripCount = 0;
  MaxVertCount(paths, npaths, &indexCount, &stripCount);
  const int first = [self allocVerts:stripCount];
  if (first < 0)
  {
    [self dropLastCall];
    return;
  }
  call->strokeOffset = first + 1;
  call->strokeCount = stripCount - 2;
  VGvertex* strip = &_buffers->verts[first];
  for (int i = 0; i < npaths; i++)
    strip = AppendStrip(strip, paths[i]);

  const bool stencilStrokes = (_flags & VG_STENCIL_STROKES) != 0;
  const int uniformOffset = [self allocFragUniforms:stencilStrokes ? 2 : 1];
  bool ok = uniformOffset >= 0 && [self convertPaintForFrag:[self fragUniformAtIndex:uniformOffset]
                                                      paint:paint
                                                    scissor:scissor
                                                      width:strokeWidth
                                                     fringe:fringe
                                                  strokeThr:-1.f];
  if (ok && stencilStrokes)
    ok = [self convertPaintForFrag:[self fragUniformAtIndex:uniformOffset + _fragSize]
                             paint:paint
                           scissor:scissor
                             width:strokeWidth
                            fringe:fringe
                         strokeThr:1.f - 0.5f / 255.f];
  if (!ok)
  {
    [self dropLastCall];
    return;
  }
  call->uniformOffset = uniformOffset;
}

- (void)renderTrianglesWithPaint:(VGpaint*)paint
              compositeOperation:(VGcompositeOperationState)op
                         scissor:(VGscissor*)scissor
                           verts:(const VGvertex*)verts
                          nverts:(int)nverts
                          fringe:(float)fringe
{
  MVGcall* call = [self beginCall:MVG_TRIANGLES paint:paint compositeOperation:op];
  if (!call)
    return;
  const int first = [self allocVerts:nverts];
  if (first < 0)
  {
    [self dropLastCall];
    return;
  }
  call->triangleOffset = first;
  call->triangleCount = nverts;
  std::memcpy(&_buffers->verts[first], verts, sizeof(VGvertex) * nverts);
  const int uniformOffset = [self allocFragUniforms:1];
  MVGfragUniforms* frag = uniformOffset < 0 ? nullptr : [self fragUniformAtIndex:uniformOffset];
  if (!frag || ![self convertPaintForFrag:frag paint:paint scissor:scissor width:1.f fringe:fringe strokeThr:-1.f])
  {
    [self dropLastCall];
    return;
  }
  frag->type = MVG_SHADER_IMG;
  call->uniformOffset = uniformOffset;
}

// ------------------------------------------------------------ encoding

- (void)updateStencilTextureToSize:(const uint32_t*)size
{
  MVGbuffers_vPressweave_au* b = _buffers;
  if (b->stencilTexture && (b->stencilTexture.width < size[0] || b->stencilTexture.height < size[1]))
  {
    [b->stencilTexture release];
    b->stencilTexture = nil;
  }
  if (!b->stencilTexture && size[0] > 0 && size[1] > 0)
  {
    MTLTextureDescriptor* d = [MTLTextureDescriptor texture2DDescriptorWithPixelFormat:MTLPixelFormatStencil8
                                                                                 width:size[0]
                                                                                height:size[1]
                                                                             mipmapped:NO];
    d.usage = MTLTextureUsageRenderTarget;
    d.storageMode = MTLStorageModePrivate;
    b->stencilTexture = [_metalLayer.device newTextureWithDescriptor:d];
  }
}

- (id<MTLRenderCommandEncoder>)renderCommandEncoderWithColorTexture:(id<MTLTexture>)colorTexture
{
  MTLRenderPassDescriptor* pass = [MTLRenderPassDescriptor renderPassDescriptor];
  MTLRenderPassColorAttachmentDescriptor* color = [pass.colorAttachments objectAtIndexedSubscript:0];
  color.texture = colorTexture;
  color.clearColor = _clearColor;
  color.loadAction = _clearBufferOnFlush ? MTLLoadActionClear : MTLLoadActionLoad;
  color.storeAction = MTLStoreActionStore;
  pass.stencilAttachment.texture = _buffers->stencilTexture;
  pass.stencilAttachment.clearStencil = 0;
  pass.stencilAttachment.loadAction = MTLLoadActionClear;
  pass.stencilAttachment.storeAction = MTLStoreActionDontCare;
  id<MTLRenderCommandEncoder> encoder = [_buffers->commandBuffer renderCommandEncoderWithDescriptor:pass];
  if (!encoder)
    return nil;
  _clearBufferOnFlush = NO;
  [encoder setCullMode:MTLCullModeBack];
  [encoder setFrontFacingWinding:MTLWindingCounterClockwise];
  [encoder setStencilReferenceValue:0];
  MTLViewport viewport = {0.0, 0.0, (double)_viewPortSize.x, (double)_viewPortSize.y, 0.0, 1.0};
  [encoder setViewport:viewport];
  [encoder setVertexBuffer:_buffers->vertBuffer offset:0 atIndex:0];
  [encoder setVertexBuffer:_buffers->viewSizeBuffer offset:0 atIndex:1];
  [encoder setFragmentBuffer:_buffers->uniformBuffer offset:0 atIndex:0];
  return encoder;
}

- (void)updateRenderPipelineStatesForBlend:(const MVGblend*)blend pixelFormat:(MTLPixelFormat)pixelFormat
{
  if (_pipelineState && _stencilOnlyPipelineState && _piplelinePixelFormat == pixelFormat &&
      _blendFunc->srcRGB == blend->srcRGB && _blendFunc->dstRGB == blend->dstRGB &&
      _blendFunc->srcAlpha == blend->srcAlpha && _blendFunc->dstAlpha == blend->dstAlpha)
    return;
  [_pipelineState release];
  [_stencilOnlyPipelineState release];
  _pipelineState = _stencilOnlyPipelineState = nil;

  MTLRenderPipelineDescriptor* d = [[[MTLRenderPipelineDescriptor alloc] init] autorelease];
  MTLRenderPipelineColorAttachmentDescriptor* color = [d.colorAttachments objectAtIndexedSubscript:0];
  color.pixelFormat = pixelFormat;
  color.blendingEnabled = YES;
  color.sourceRGBBlendFactor = blend->srcRGB;
  color.sourceAlphaBlendFactor = blend->srcAlpha;
  color.destinationRGBBlendFactor = blend->dstRGB;
  color.destinationAlphaBlendFactor = blend->dstAlpha;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  d.fragmentFunction = _fragmentFunction;
  d.vertexFunction = _vertexFunction;
  d.vertexDescriptor = _vertexDescriptor;
  NSError* error = nil;
  _pipelineState = [_metalLayer.device newRenderPipelineStateWithDescriptor:d error:&error];
  [self checkError:error withMessage:"init pipeline state"];
  d.fragmentFunction = nil;
  color.writeMask = MTLColorWriteMaskNone;
  error = nil;
  _stencilOnlyPipelineState = [_metalLayer.device newRenderPipelineStateWithDescriptor:d error:&error];
  [self checkError:error withMessage:"init pipeline stencil only state"];
  *_blendFunc = *blend;
  _piplelinePixelFormat = pixelFormat;
}

- (void)setUniforms:(int)uniformOffset image:(int)image
{
  [_renderEncoder setFragmentBufferOffset:uniformOffset atIndex:0];
  MVGtexture_vPressweave_au* tex = image != 0 ? [self findTexture:image] : nil;
  if (tex)
  {
    [_renderEncoder setFragmentTexture:tex.tex atIndex:0];
    [_renderEncoder setFragmentSamplerState:tex.sampler atIndex:0];
  }
  else
  {
    [_renderEncoder setFragmentTexture:_pseudoTexture atIndex:0];
    [_renderEncoder setFragmentSamplerState:_pseudoSampler atIndex:0];
  }
}

- (void)drawFans:(MVGcall*)call
{
  if (call->indexCount > 0)
    [_renderEncoder drawIndexedPrimitives:MTLPrimitiveTypeTriangle
                               indexCount:call->indexCount
                                indexType:MTLIndexTypeUInt32
                              indexBuffer:_buffers->indexBuffer
                        indexBufferOffset:(NSUInteger)call->indexOffset * _indexSize];
}

- (void)drawStrip:(MVGcall*)call
{
  [_renderEncoder drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:call->strokeOffset
                     vertexCount:call->strokeCount];
}

- (void)fill:(MVGcall*)call
{
  [_renderEncoder setCullMode:MTLCullModeNone];
  [_renderEncoder setDepthStencilState:_fillShapeStencilState];
  [_renderEncoder setRenderPipelineState:_stencilOnlyPipelineState];
  [self drawFans:call];
  [_renderEncoder setCullMode:MTLCullModeBack];
  [_renderEncoder setRenderPipelineState:_pipelineState];
  [self setUniforms:call->uniformOffset image:call->image];
  if ((_flags & VG_ANTIALIAS) && call->strokeCount > 0)
  {
    [_renderEncoder setDepthStencilState:_fillAntiAliasStencilState];
    [self drawStrip:call];
  }
  [_renderEncoder setDepthStencilState:_fillStencilState];
  [_renderEncoder drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:call->triangleOffset
                     vertexCount:call->triangleCount];
  [_renderEncoder setDepthStencilState:_defaultStencilState];
}

- (void)convexFill:(MVGcall*)call
{
  [self setUniforms:call->uniformOffset image:call->image];
  [_renderEncoder setRenderPipelineState:_pipelineState];
  [self drawFans:call];
  if (call->strokeCount > 0)
    [self drawStrip:call];
}

- (void)stroke:(MVGcall*)call
{
  if (call->strokeCount <= 0)
    return;
  if (_flags & VG_STENCIL_STROKES)
  {
    [self setUniforms:call->uniformOffset + _fragSize image:call->image];
    [_renderEncoder setDepthStencilState:_strokeShapeStencilState];
    [_renderEncoder setRenderPipelineState:_pipelineState];
    [self drawStrip:call];
    [self setUniforms:call->uniformOffset image:call->image];
    [_renderEncoder setDepthStencilState:_strokeAntiAliasStencilState];
    [self drawStrip:call];
    [_renderEncoder setDepthStencilState:_strokeClearStencilState];
    [_renderEncoder setRenderPipelineState:_stencilOnlyPipelineState];
    [self drawStrip:call];
    [_renderEncoder setDepthStencilState:_defaultStencilState];
  }
  else
  {
    [self setUniforms:call->uniformOffset image:call->image];
    [_renderEncoder setRenderPipelineState:_pipelineState];
    [self drawStrip:call];
  }
}

- (void)triangles:(MVGcall*)call
{
  [self setUniforms:call->uniformOffset image:call->image];
  [_renderEncoder setRenderPipelineState:_pipelineState];
  [_renderEncoder drawPrimitives:MTLPrimitiveTypeTriangle vertexStart:call->triangleOffset
                     vertexCount:call->triangleCount];
}

- (void)renderFlush
{
  MVGbuffers_vPressweave_au* buffers = _buffers;
  if (!buffers)
    return;
  // Nothing to show: an empty viewport, or no call and no clear pending.
  if (_viewPortSize.x == 0 || _viewPortSize.y == 0 || (buffers->ncalls == 0 && !_clearBufferOnFlush))
  {
    [self renderCancel];
    return;
  }
  _buffers = nil; // the set now belongs to the frame in flight

  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  id<MTLCommandBuffer> commandBuffer = [_commandQueue commandBuffer];
  {
    std::lock_guard<std::mutex> guard(*buffers->lock);
    buffers->commandBuffer = [commandBuffer retain];
  }
  [commandBuffer enqueue];
  MVGcontext_vPressweave_au* context = self; // outlives its frames: deletion waits for them
  [commandBuffer addCompletedHandler:^(id<MTLCommandBuffer>) {
    NSAutoreleasePool* handlerPool = [[NSAutoreleasePool alloc] init]; // an entry from the driver's thread
    [context returnBufferSet:buffers];
    [handlerPool release];
  }];

  _buffers = buffers; // recording helpers below read the current set
  id<MTLTexture> colorTexture = nil;
  uint32_t targetSize[2] = {_viewPortSize.x, _viewPortSize.y};
  const bool offscreen = s_framebuffer && Backend(s_framebuffer->ctx) == self;
  if (offscreen)
  {
    MVGtexture_vPressweave_au* tex = [self findTexture:s_framebuffer->image];
    {
      std::lock_guard<std::mutex> guard(*buffers->lock);
      buffers->image = s_framebuffer->image;
    }
    colorTexture = tex ? tex.tex : nil;
    if (colorTexture)
      targetSize[0] = (uint32_t)colorTexture.width, targetSize[1] = (uint32_t)colorTexture.height;
  }
  [self updateStencilTextureToSize:targetSize];
  id<CAMetalDrawable> drawable = nil;
  if (!offscreen)
  {
    drawable = [_metalLayer nextDrawable];
    colorTexture = drawable.texture;
  }
  _renderEncoder = colorTexture ? [self renderCommandEncoderWithColorTexture:colorTexture] : nil;
  if (_renderEncoder)
  {
    for (int i = 0; i < buffers->ncalls; i++)
    {
      MVGcall* call = &buffers->calls[i];
      [self updateRenderPipelineStatesForBlend:&call->blend pixelFormat:colorTexture.pixelFormat];
      if (call->type == MVG_FILL)
        [self fill:call];
      else if (call->type == MVG_CONVEXFILL)
        [self convexFill:call];
      else if (call->type == MVG_STROKE)
        [self stroke:call];
      else if (call->type == MVG_TRIANGLES)
        [self triangles:call];
    }
    [_renderEncoder endEncoding];
    _renderEncoder = nil;
    if (drawable && !_metalLayer.presentsWithTransaction)
      [commandBuffer presentDrawable:drawable];
  }
  else
    drawable = nil; // nothing was drawn into it
  if (offscreen && colorTexture)
  {
    id<MTLBlitCommandEncoder> blit = [commandBuffer blitCommandEncoder];
    [blit synchronizeResource:colorTexture];
    [blit endEncoding];
  }
  _buffers = nil;
  // Without an encoder the empty buffer is still committed: its completion
  // hands the set back.
  [commandBuffer commit];
  if (drawable && _metalLayer.presentsWithTransaction)
  {
    [commandBuffer waitUntilScheduled];
    [drawable present];
  }
  [pool release];
}
@end

// ------------------------------------------------------------ callbacks

static int mtlvg__renderCreate(void* uptr)
{
  return [(MVGcontext_vPressweave_au*)uptr renderCreate];
}
static int mtlvg__renderCreateTexture(void* uptr, int type, int width, int height, int imageFlags,
                                      const unsigned char* data)
{
  return [(MVGcontext_vPressweave_au*)uptr renderCreateTextureWithType:type
                                                                 width:width
                                                                height:height
                                                            imageFlags:imageFlags
                                                                  data:data];
}
static int mtlvg__renderDeleteTexture(void* uptr, int image)
{
  return [(MVGcontext_vPressweave_au*)uptr renderDeleteTexture:image];
}
static int mtlvg__renderUpdateTexture(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data)
{
  return [(MVGcontext_vPressweave_au*)uptr renderUpdateTextureWithImage:image x:x y:y width:w height:h data:data];
}
static int mtlvg__renderGetTextureSize(void* uptr, int image, int* w, int* h)
{
  return [(MVGcontext_vPressweave_au*)uptr renderGetTextureSizeForImage:image width:w height:h];
}
static void mtlvg__renderViewport(void* uptr, float width, float height, float devicePixelRatio)
{
  [(MVGcontext_vPressweave_au*)uptr renderViewportWithWidth:width height:height devicePixelRatio:devicePixelRatio];
}
static void mtlvg__renderCancel(void* uptr)
{
  [(MVGcontext_vPressweave_au*)uptr renderCancel];
}
static void mtlvg__renderFlush(void* uptr)
{
  [(MVGcontext_vPressweave_au*)uptr renderFlush];
}
static void mtlvg__renderFill(void* uptr, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                              float fringe, const float* bounds, const VGpath* paths, int npaths)
{
  [(MVGcontext_vPressweave_au*)uptr renderFillWithPaint:paint
                                     compositeOperation:op
                                                scissor:scissor
                                                 fringe:fringe
                                                 bounds:bounds
                                                  paths:paths
                                                 npaths:npaths];
}
static void mtlvg__renderStroke(void* uptr, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                                float fringe, float strokeWidth, const VGpath* paths, int npaths)
{
  [(MVGcontext_vPressweave_au*)uptr renderStrokeWithPaint:paint
                                       compositeOperation:op
                                                  scissor:scissor
                                                   fringe:fringe
                                              strokeWidth:strokeWidth
                                                    paths:paths
                                                   npaths:npaths];
}
static void mtlvg__renderTriangles(void* uptr, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                                   const VGvertex* verts, int nverts, float fringe)
{
  [(MVGcontext_vPressweave_au*)uptr renderTrianglesWithPaint:paint
                                          compositeOperation:op
                                                     scissor:scissor
                                                       verts:verts
                                                      nverts:nverts
                                                      fringe:fringe];
}
static void mtlvg__renderDelete(void* uptr)
{
  MVGcontext_vPressweave_au* mtl = (MVGcontext_vPressweave_au*)uptr;
  [mtl renderDelete];
  [mtl release];
}

// ------------------------------------------------------------ entry points

VGcontext* vgCreateMTL(void* layer, int flags)
{
  MVGcontext_vPressweave_au* mtl = [[MVGcontext_vPressweave_au alloc] init];
  if (!mtl)
    return nullptr;
  mtl.flags = flags;
  mtl.fragSize = 256;
  mtl.indexSize = 4;
  mtl.metalLayer = (CAMetalLayer*)layer;

  VGbackendParams params;
  std::memset(&params, 0, sizeof(params));
  params.renderCreate = mtlvg__renderCreate;
  params.renderCreateTexture = mtlvg__renderCreateTexture;
  params.renderDeleteTexture = mtlvg__renderDeleteTexture;
  params.renderUpdateTexture = mtlvg__renderUpdateTexture;
  params.renderGetTextureSize = mtlvg__renderGetTextureSize;
  params.renderViewport = mtlvg__renderViewport;
  params.renderCancel = mtlvg__renderCancel;
  params.renderFlush = mtlvg__renderFlush;
  params.renderFill = mtlvg__renderFill;
  params.renderStroke = mtlvg__renderStroke;
  params.renderTriangles = mtlvg__renderTriangles;
  params.renderDelete = mtlvg__renderDelete;
  params.userPtr = mtl;
  params.edgeAntiAlias = flags & VG_ANTIALIAS ? 1 : 0;
  // On failure the renderer has called renderDelete, which released mtl.
  return vgCreateInternal(&params);
}

void vgDeleteMTL(VGcontext* ctx)
{
  vgDeleteInternal(ctx);
}

void mvgBindFramebuffer(MVGframebuffer* fb)
{
  s_framebuffer = fb;
}

void mvgClearWithColor(VGcontext* ctx, VGcolor c)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  if (!mtl)
    return;
  mtl.clearColor = MTLClearColorMake(c.r * c.a, c.g * c.a, c.b * c.a, c.a);
  mtl.clearBufferOnFlush = YES;
}

void mvgReadPixels(VGcontext* ctx, int image, int x, int y, int width, int height, void* data)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  MVGtexture_vPressweave_au* tex = [mtl findTexture:image];
  if (!tex || !data || x < 0 || y < 0 || width <= 0 || height <= 0 || width > (int)tex.tex.width - x ||
      height > (int)tex.tex.height - y)
    return;
  [mtl waitForFramesDrawingInto:image];
  const NSUInteger rowLength = (NSUInteger)width * (tex.type == VG_TEXTURE_ALPHA ? 1 : 4);
  [tex.tex getBytes:data bytesPerRow:rowLength fromRegion:MTLRegionMake2D(x, y, width, height) mipmapLevel:0];
}

void* mvgImageHandle(VGcontext* ctx, int image)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  MVGtexture_vPressweave_au* tex = [mtl findTexture:image];
  if (!tex)
    return nullptr;
  [mtl waitForFramesDrawingInto:image];
  return tex.tex;
}

int mvgCreateImageFromHandle(VGcontext* ctx, void* textureId, int imageFlags)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  if (!mtl || !textureId)
    return 0;
  MVGtexture_vPressweave_au* tex = [mtl allocTexture];
  if (!tex)
    return 0;
  tex.type = VG_TEXTURE_RGBA;
  tex.flags = imageFlags;
  tex.tex = (id<MTLTexture>)textureId;
  if (!(imageFlags & VG_IMAGE_NODELETE))
    [tex.tex retain]; // released with the image
  id<MTLSamplerState> sampler = [mtl newSamplerForFlags:imageFlags];
  tex.sampler = sampler;
  [sampler release];
  return tex.id;
}

void* mvgDevice(VGcontext* ctx)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  return mtl ? mtl.metalLayer.device : nullptr;
}

void* mvgCommandQueue(VGcontext* ctx)
{
  MVGcontext_vPressweave_au* mtl = Backend(ctx);
  return mtl ? mtl.commandQueue : nullptr;
}

int mvgTarget()
{
  return 1;
}
