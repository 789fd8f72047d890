#pragma once
// The Metal interface the platform layer draws through: device, command
// queue and buffers, render and blit encoders, buffers, textures, samplers,
// depth-stencil states and render pipelines. Here every command buffer is
// executed on the CPU by one process-wide worker thread, in commit order;
// its completed handlers run on that thread once it has executed.
//
// Objects follow manual retain and release: "new..." methods and
// MTLCreateSystemDefaultDevice return owned references; other methods
// return autoreleased ones. Supported: pixel formats R8Unorm, RGBA8Unorm,
// BGRA8Unorm (colour targets and textures) and Stencil8 (stencil target);
// float vertex attributes; triangle, strip and indexed drawing. Textures
// keep mip level 0 only (mipmap generation is accepted and does nothing).

#import <Foundation/Foundation.h>

#include <dispatch/dispatch.h>

#define MTL_EXPORT __attribute__((visibility("default")))

typedef NS_ENUM(NSUInteger, MTLPixelFormat){
  MTLPixelFormatInvalid = 0,
  MTLPixelFormatR8Unorm = 10,
  MTLPixelFormatRGBA8Unorm = 70,
  MTLPixelFormatBGRA8Unorm = 80,
  MTLPixelFormatStencil8 = 253,
};

typedef NS_ENUM(NSUInteger, MTLBlendFactor){
  MTLBlendFactorZero = 0,
  MTLBlendFactorOne = 1,
  MTLBlendFactorSourceColor = 2,
  MTLBlendFactorOneMinusSourceColor = 3,
  MTLBlendFactorSourceAlpha = 4,
  MTLBlendFactorOneMinusSourceAlpha = 5,
  MTLBlendFactorDestinationColor = 6,
  MTLBlendFactorOneMinusDestinationColor = 7,
  MTLBlendFactorDestinationAlpha = 8,
  MTLBlendFactorOneMinusDestinationAlpha = 9,
  MTLBlendFactorSourceAlphaSaturated = 10,
};

typedef NS_ENUM(NSUInteger, MTLBlendOperation){
  MTLBlendOperationAdd = 0,
};

typedef NS_OPTIONS(NSUInteger, MTLColorWriteMask){
  MTLColorWriteMaskNone = 0,
  MTLColorWriteMaskAlpha = 1,
  MTLColorWriteMaskBlue = 2,
  MTLColorWriteMaskGreen = 4,
  MTLColorWriteMaskRed = 8,
  MTLColorWriteMaskAll = 15,
};

typedef NS_ENUM(NSUInteger, MTLCompareFunction){
  MTLCompareFunctionNever = 0,     MTLCompareFunctionLess = 1,     MTLCompareFunctionEqual = 2,
  MTLCompareFunctionLessEqual = 3, MTLCompareFunctionGreater = 4,  MTLCompareFunctionNotEqual = 5,
  MTLCompareFunctionGreaterEqual = 6, MTLCompareFunctionAlways = 7,
};

typedef NS_ENUM(NSUInteger, MTLStencilOperation){
  MTLStencilOperationKeep = 0,           MTLStencilOperationZero = 1,
  MTLStencilOperationReplace = 2,        MTLStencilOperationIncrementClamp = 3,
  MTLStencilOperationDecrementClamp = 4, MTLStencilOperationInvert = 5,
  MTLStencilOperationIncrementWrap = 6,  MTLStencilOperationDecrementWrap = 7,
};

typedef NS_ENUM(NSUInteger, MTLCullMode){
  MTLCullModeNone = 0,
  MTLCullModeFront = 1,
  MTLCullModeBack = 2,
};

typedef NS_ENUM(NSUInteger, MTLWinding){
  MTLWindingClockwise = 0,
  MTLWindingCounterClockwise = 1,
};

typedef NS_ENUM(NSUInteger, MTLPrimitiveType){
  MTLPrimitiveTypePoint = 0,    MTLPrimitiveTypeLine = 1,          MTLPrimitiveTypeLineStrip = 2,
  MTLPrimitiveTypeTriangle = 3, MTLPrimitiveTypeTriangleStrip = 4,
};

typedef NS_ENUM(NSUInteger, MTLIndexType){
  MTLIndexTypeUInt16 = 0,
  MTLIndexTypeUInt32 = 1,
};

typedef NS_ENUM(NSUInteger, MTLLoadAction){
  MTLLoadActionDontCare = 0,
  MTLLoadActionLoad = 1,
  MTLLoadActionClear = 2,
};

typedef NS_ENUM(NSUInteger, MTLStoreAction){
  MTLStoreActionDontCare = 0,
  MTLStoreActionStore = 1,
};

typedef NS_ENUM(NSUInteger, MTLSamplerMinMagFilter){
  MTLSamplerMinMagFilterNearest = 0,
  MTLSamplerMinMagFilterLinear = 1,
};

typedef NS_ENUM(NSUInteger, MTLSamplerMipFilter){
  MTLSamplerMipFilterNotMipmapped = 0,
  MTLSamplerMipFilterNearest = 1,
  MTLSamplerMipFilterLinear = 2,
};

typedef NS_ENUM(NSUInteger, MTLSamplerAddressMode){
  MTLSamplerAddressModeClampToEdge = 0,
  MTLSamplerAddressModeMirrorClampToEdge = 1,
  MTLSamplerAddressModeRepeat = 2,
  MTLSamplerAddressModeMirrorRepeat = 3,
  MTLSamplerAddressModeClampToZero = 4,
};

typedef NS_ENUM(NSUInteger, MTLTextureType){
  MTLTextureType2D = 2,
};

typedef NS_OPTIONS(NSUInteger, MTLTextureUsage){
  MTLTextureUsageUnknown = 0,
  MTLTextureUsageShaderRead = 1,
  MTLTextureUsageShaderWrite = 2,
  MTLTextureUsageRenderTarget = 4,
};

typedef NS_ENUM(NSUInteger, MTLStorageMode){
  MTLStorageModeShared = 0,
  MTLStorageModeManaged = 1,
  MTLStorageModePrivate = 2,
  MTLStorageModeMemoryless = 3,
};

typedef NS_ENUM(NSUInteger, MTLCPUCacheMode){
  MTLCPUCacheModeDefaultCache = 0,
  MTLCPUCacheModeWriteCombined = 1,
};

typedef NS_OPTIONS(NSUInteger, MTLResourceOptions){
  MTLResourceCPUCacheModeDefaultCache = 0,
  MTLResourceCPUCacheModeWriteCombined = 1,
  MTLResourceStorageModeShared = 0 << 4,
  MTLResourceStorageModeManaged = 1 << 4,
  MTLResourceStorageModePrivate = 2 << 4,
};

typedef NS_ENUM(NSUInteger, MTLVertexFormat){
  MTLVertexFormatInvalid = 0,
  MTLVertexFormatFloat = 28,
  MTLVertexFormatFloat2 = 29,
  MTLVertexFormatFloat3 = 30,
  MTLVertexFormatFloat4 = 31,
};

typedef NS_ENUM(NSUInteger, MTLVertexStepFunction){
  MTLVertexStepFunctionConstant = 0,
  MTLVertexStepFunctionPerVertex = 1,
};

typedef NS_ENUM(NSUInteger, MTLCommandBufferStatus){
  MTLCommandBufferStatusNotEnqueued = 0, MTLCommandBufferStatusEnqueued = 1,
  MTLCommandBufferStatusCommitted = 2,   MTLCommandBufferStatusScheduled = 3,
  MTLCommandBufferStatusCompleted = 4,   MTLCommandBufferStatusError = 5,
};

typedef NS_ENUM(NSUInteger, MTLFunctionType){
  MTLFunctionTypeVertex = 1,
  MTLFunctionTypeFragment = 2,
};

typedef struct
{
  NSUInteger x, y, z;
} MTLOrigin;
typedef struct
{
  NSUInteger width, height, depth;
} MTLSize;
typedef struct
{
  MTLOrigin origin;
  MTLSize size;
} MTLRegion;
typedef struct
{
  double red, green, blue, alpha;
} MTLClearColor;
typedef struct
{
  double originX, originY, width, height, znear, zfar;
} MTLViewport;

static inline MTLOrigin MTLOriginMake(NSUInteger x, NSUInteger y, NSUInteger z)
{
  MTLOrigin o = {x, y, z};
  return o;
}
static inline MTLSize MTLSizeMake(NSUInteger w, NSUInteger h, NSUInteger d)
{
  MTLSize s = {w, h, d};
  return s;
}
static inline MTLRegion MTLRegionMake2D(NSUInteger x, NSUInteger y, NSUInteger w, NSUInteger h)
{
  MTLRegion r = {{x, y, 0}, {w, h, 1}};
  return r;
}
static inline MTLClearColor MTLClearColorMake(double r, double g, double b, double a)
{
  MTLClearColor c = {r, g, b, a};
  return c;
}

@protocol MTLDevice;
@protocol MTLCommandQueue;
@protocol MTLCommandBuffer;
@protocol MTLDrawable;

@protocol MTLResource <NSObject>
@property (readonly) id<MTLDevice> device;
@property (readonly) MTLStorageMode storageMode;
@property (readonly) MTLCPUCacheMode cpuCacheMode;
@end

@protocol MTLBuffer <MTLResource>
@property (readonly) NSUInteger length;
- (void*)contents;
@end

@protocol MTLTexture <MTLResource>
@property (readonly) MTLTextureType textureType;
@property (readonly) MTLPixelFormat pixelFormat;
@property (readonly) NSUInteger width;
@property (readonly) NSUInteger height;
@property (readonly) NSUInteger mipmapLevelCount;
@property (readonly) MTLTextureUsage usage;
- (void)replaceRegion:(MTLRegion)region mipmapLevel:(NSUInteger)level withBytes:(const void*)bytes bytesPerRow:(NSUInteger)bytesPerRow;
- (void)getBytes:(void*)bytes bytesPerRow:(NSUInteger)bytesPerRow fromRegion:(MTLRegion)region mipmapLevel:(NSUInteger)level;
@end

@protocol MTLSamplerState <NSObject>
@property (readonly) id<MTLDevice> device;
@end

@protocol MTLDepthStencilState <NSObject>
@property (readonly) id<MTLDevice> device;
@end

@protocol MTLRenderPipelineState <NSObject>
@property (readonly) id<MTLDevice> device;
@end

@protocol MTLFunction <NSObject>
@property (readonly) id<MTLDevice> device;
@property (readonly) NSString* name;
@property (readonly) MTLFunctionType functionType;
@end

@protocol MTLLibrary <NSObject>
@property (readonly) id<MTLDevice> device;
@property (readonly) NSArray* functionNames;
// Nil when the library has no function of that name.
- (id<MTLFunction>)newFunctionWithName:(NSString*)name;
@end

// Descriptors: plain records, copied by the "new..." methods that take them.
// This runtime has no object subscripting: reach array elements with
// objectAtIndexedSubscript: (which the platform accepts too).
MTL_EXPORT @interface MTLTextureDescriptor : NSObject <NSCopying>
{
  MTLTextureType _textureType;
  MTLPixelFormat _pixelFormat;
  NSUInteger _width, _height, _mipmapLevelCount;
  MTLTextureUsage _usage;
  MTLStorageMode _storageMode;
}
+ (MTLTextureDescriptor*)texture2DDescriptorWithPixelFormat:(MTLPixelFormat)format
                                                      width:(NSUInteger)width
                                                     height:(NSUInteger)height
                                                  mipmapped:(BOOL)mipmapped;
@property (nonatomic) MTLTextureType textureType;
@property (nonatomic) MTLPixelFormat pixelFormat;
@property (nonatomic) NSUInteger width;
@property (nonatomic) NSUInteger height;
@property (nonatomic) NSUInteger mipmapLevelCount;
@property (nonatomic) MTLTextureUsage usage;
@property (nonatomic) MTLStorageMode storageMode;
@end

MTL_EXPORT @interface MTLSamplerDescriptor : NSObject <NSCopying>
{
  MTLSamplerMinMagFilter _minFilter, _magFilter;
  MTLSamplerMipFilter _mipFilter;
  MTLSamplerAddressMode _sAddressMode, _tAddressMode, _rAddressMode;
}
@property (nonatomic) MTLSamplerMinMagFilter minFilter;
@property (nonatomic) MTLSamplerMinMagFilter magFilter;
@property (nonatomic) MTLSamplerMipFilter mipFilter;
@property (nonatomic) MTLSamplerAddressMode sAddressMode;
@property (nonatomic) MTLSamplerAddressMode tAddressMode;
@property (nonatomic) MTLSamplerAddressMode rAddressMode;
@end

MTL_EXPORT @interface MTLStencilDescriptor : NSObject <NSCopying>
{
  MTLCompareFunction _stencilCompareFunction;
  MTLStencilOperation _stencilFailureOperation, _depthFailureOperation, _depthStencilPassOperation;
  uint32_t _readMask, _writeMask;
}
@property (nonatomic) MTLCompareFunction stencilCompareFunction;
@property (nonatomic) MTLStencilOperation stencilFailureOperation;
@property (nonatomic) MTLStencilOperation depthFailureOperation;
@property (nonatomic) MTLStencilOperation depthStencilPassOperation;
@property (nonatomic) uint32_t readMask;
@property (nonatomic) uint32_t writeMask;
@end

MTL_EXPORT @interface MTLDepthStencilDescriptor : NSObject <NSCopying>
{
  MTLCompareFunction _depthCompareFunction;
  BOOL _depthWriteEnabled;
  MTLStencilDescriptor* _frontFaceStencil; // owned, may be nil
  MTLStencilDescriptor* _backFaceStencil;  // owned, may be nil
}
@property (nonatomic) MTLCompareFunction depthCompareFunction;
@property (nonatomic, getter=isDepthWriteEnabled) BOOL depthWriteEnabled;
@property (nonatomic, copy) MTLStencilDescriptor* frontFaceStencil;
@property (nonatomic, copy) MTLStencilDescriptor* backFaceStencil;
@end

MTL_EXPORT @interface MTLVertexAttributeDescriptor : NSObject
{
  MTLVertexFormat _format;
  NSUInteger _offset, _bufferIndex;
}
@property (nonatomic) MTLVertexFormat format;
@property (nonatomic) NSUInteger offset;
@property (nonatomic) NSUInteger bufferIndex;
@end

MTL_EXPORT @interface MTLVertexAttributeDescriptorArray : NSObject
{
  NSMutableArray* _items; // owned
}
- (MTLVertexAttributeDescriptor*)objectAtIndexedSubscript:(NSUInteger)index;
@end

MTL_EXPORT @interface MTLVertexBufferLayoutDescriptor : NSObject
{
  NSUInteger _stride, _stepRate;
  MTLVertexStepFunction _stepFunction;
}
@property (nonatomic) NSUInteger stride;
@property (nonatomic) MTLVertexStepFunction stepFunction;
@property (nonatomic) NSUInteger stepRate;
@end

MTL_EXPORT @interface MTLVertexBufferLayoutDescriptorArray : NSObject
{
  NSMutableArray* _items; // owned
}
- (MTLVertexBufferLayoutDescriptor*)objectAtIndexedSubscript:(NSUInteger)index;
@end

MTL_EXPORT @interface MTLVertexDescriptor : NSObject <NSCopying>
{
  MTLVertexAttributeDescriptorArray* _attributes; // owned
  MTLVertexBufferLayoutDescriptorArray* _layouts; // owned
}
+ (MTLVertexDescriptor*)vertexDescriptor;
@property (readonly) MTLVertexAttributeDescriptorArray* attributes;
@property (readonly) MTLVertexBufferLayoutDescriptorArray* layouts;
@end

MTL_EXPORT @interface MTLRenderPipelineColorAttachmentDescriptor : NSObject
{
  MTLPixelFormat _pixelFormat;
  BOOL _blendingEnabled;
  MTLBlendFactor _sourceRGBBlendFactor, _destinationRGBBlendFactor;
  MTLBlendFactor _sourceAlphaBlendFactor, _destinationAlphaBlendFactor;
  MTLBlendOperation _rgbBlendOperation, _alphaBlendOperation;
  MTLColorWriteMask _writeMask;
}
@property (nonatomic) MTLPixelFormat pixelFormat;
@property (nonatomic, getter=isBlendingEnabled) BOOL blendingEnabled;
@property (nonatomic) MTLBlendFactor sourceRGBBlendFactor;
@property (nonatomic) MTLBlendFactor destinationRGBBlendFactor;
@property (nonatomic) MTLBlendFactor sourceAlphaBlendFactor;
@property (nonatomic) MTLBlendFactor destinationAlphaBlendFactor;
@property (nonatomic) MTLBlendOperation rgbBlendOperation;
@property (nonatomic) MTLBlendOperation alphaBlendOperation;
@property (nonatomic) MTLColorWriteMask writeMask;
@end

MTL_EXPORT @interface MTLRenderPipelineColorAttachmentDescriptorArray : NSObject
{
  NSMutableArray* _items; // owned
}
- (MTLRenderPipelineColorAttachmentDescriptor*)objectAtIndexedSubscript:(NSUInteger)index;
@end

MTL_EXPORT @interface MTLRenderPipelineDescriptor : NSObject
{
  id<MTLFunction> _vertexFunction;   // owned
  id<MTLFunction> _fragmentFunction; // owned
  MTLVertexDescriptor* _vertexDescriptor; // owned copy
  MTLRenderPipelineColorAttachmentDescriptorArray* _colorAttachments; // owned
  MTLPixelFormat _stencilAttachmentPixelFormat, _depthAttachmentPixelFormat;
  NSString* _label; // owned copy
}
@property (nonatomic, retain) id<MTLFunction> vertexFunction;
@property (nonatomic, retain) id<MTLFunction> fragmentFunction;
@property (nonatomic, copy) MTLVertexDescriptor* vertexDescriptor;
@property (readonly) MTLRenderPipelineColorAttachmentDescriptorArray* colorAttachments;
@property (nonatomic) MTLPixelFormat stencilAttachmentPixelFormat;
@property (nonatomic) MTLPixelFormat depthAttachmentPixelFormat;
@property (nonatomic, copy) NSString* label;
@end

MTL_EXPORT @interface MTLRenderPassAttachmentDescriptor : NSObject
{
  id<MTLTexture> _texture; // owned
  NSUInteger _level;
  MTLLoadAction _loadAction;
  MTLStoreAction _storeAction;
}
@property (nonatomic, retain) id<MTLTexture> texture;
@property (nonatomic) NSUInteger level;
@property (nonatomic) MTLLoadAction loadAction;
@property (nonatomic) MTLStoreAction storeAction;
@end

MTL_EXPORT @interface MTLRenderPassColorAttachmentDescriptor : MTLRenderPassAttachmentDescriptor
{
  MTLClearColor _clearColor;
}
@property (nonatomic) MTLClearColor clearColor;
@end

MTL_EXPORT @interface MTLRenderPassStencilAttachmentDescriptor : MTLRenderPassAttachmentDescriptor
{
  uint32_t _clearStencil;
}
@property (nonatomic) uint32_t clearStencil;
@end

MTL_EXPORT @interface MTLRenderPassColorAttachmentDescriptorArray : NSObject
{
  NSMutableArray* _items; // owned
}
- (MTLRenderPassColorAttachmentDescriptor*)objectAtIndexedSubscript:(NSUInteger)index;
@end

MTL_EXPORT @interface MTLRenderPassDescriptor : NSObject
{
  MTLRenderPassColorAttachmentDescriptorArray* _colorAttachments; // owned
  MTLRenderPassStencilAttachmentDescriptor* _stencilAttachment;   // owned
}
+ (MTLRenderPassDescriptor*)renderPassDescriptor;
@property (readonly) MTLRenderPassColorAttachmentDescriptorArray* colorAttachments;
@property (readonly) MTLRenderPassStencilAttachmentDescriptor* stencilAttachment;
@end

@protocol MTLCommandEncoder <NSObject>
@property (readonly) id<MTLDevice> device;
- (void)endEncoding;
@end

@protocol MTLRenderCommandEncoder <MTLCommandEncoder>
- (void)setRenderPipelineState:(id<MTLRenderPipelineState>)state;
- (void)setDepthStencilState:(id<MTLDepthStencilState>)state;
- (void)setStencilReferenceValue:(uint32_t)value;
- (void)setCullMode:(MTLCullMode)mode;
- (void)setFrontFacingWinding:(MTLWinding)winding;
- (void)setViewport:(MTLViewport)viewport;
- (void)setVertexBuffer:(id<MTLBuffer>)buffer offset:(NSUInteger)offset atIndex:(NSUInteger)index;
- (void)setVertexBufferOffset:(NSUInteger)offset atIndex:(NSUInteger)index;
- (void)setFragmentBuffer:(id<MTLBuffer>)buffer offset:(NSUInteger)offset atIndex:(NSUInteger)index;
- (void)setFragmentBufferOffset:(NSUInteger)offset atIndex:(NSUInteger)index;
- (void)setFragmentTexture:(id<MTLTexture>)texture atIndex:(NSUInteger)index;
- (void)setFragmentSamplerState:(id<MTLSamplerState>)sampler atIndex:(NSUInteger)index;
- (void)drawPrimitives:(MTLPrimitiveType)type vertexStart:(NSUInteger)start vertexCount:(NSUInteger)count;
- (void)drawIndexedPrimitives:(MTLPrimitiveType)type
                   indexCount:(NSUInteger)indexCount
                    indexType:(MTLIndexType)indexType
                  indexBuffer:(id<MTLBuffer>)indexBuffer
            indexBufferOffset:(NSUInteger)indexBufferOffset;
@end

@protocol MTLBlitCommandEncoder <MTLCommandEncoder>
- (void)copyFromBuffer:(id<MTLBuffer>)sourceBuffer
           sourceOffset:(NSUInteger)sourceOffset
      sourceBytesPerRow:(NSUInteger)sourceBytesPerRow
    sourceBytesPerImage:(NSUInteger)sourceBytesPerImage
             sourceSize:(MTLSize)sourceSize
              toTexture:(id<MTLTexture>)destinationTexture
       destinationSlice:(NSUInteger)destinationSlice
       destinationLevel:(NSUInteger)destinationLevel
      destinationOrigin:(MTLOrigin)destinationOrigin;
- (void)generateMipmapsForTexture:(id<MTLTexture>)texture;
- (void)synchronizeResource:(id<MTLResource>)resource;
@end

typedef void (^MTLCommandBufferHandler)(id<MTLCommandBuffer> buffer);

@protocol MTLDrawable <NSObject>
- (void)present;
@end

@protocol MTLCommandBuffer <NSObject>
@property (readonly) id<MTLDevice> device;
@property (readonly) id<MTLCommandQueue> commandQueue;
@property (readonly) MTLCommandBufferStatus status;
@property (readonly) NSError* error;
// Nil when the descriptor has no colour or stencil texture, or another
// encoder of this buffer is still open.
- (id<MTLRenderCommandEncoder>)renderCommandEncoderWithDescriptor:(MTLRenderPassDescriptor*)descriptor;
- (id<MTLBlitCommandEncoder>)blitCommandEncoder;
- (void)enqueue;
- (void)commit;
// Handlers are copied; they run on the worker thread, scheduled handlers
// before execution, completed handlers after it.
- (void)addScheduledHandler:(MTLCommandBufferHandler)block;
- (void)addCompletedHandler:(MTLCommandBufferHandler)block;
- (void)presentDrawable:(id<MTLDrawable>)drawable;
// Return at once for a buffer that was never committed.
- (void)waitUntilScheduled;
- (void)waitUntilCompleted;
@end

@protocol MTLCommandQueue <NSObject>
@property (readonly) id<MTLDevice> device;
- (id<MTLCommandBuffer>)commandBuffer;
@end

@protocol MTLDevice <NSObject>
@property (readonly) NSString* name;
- (id<MTLCommandQueue>)newCommandQueue;
- (id<MTLBuffer>)newBufferWithLength:(NSUInteger)length options:(MTLResourceOptions)options;
- (id<MTLBuffer>)newBufferWithBytes:(const void*)bytes length:(NSUInteger)length options:(MTLResourceOptions)options;
// Nil for a zero or unsupported size or format.
- (id<MTLTexture>)newTextureWithDescriptor:(MTLTextureDescriptor*)descriptor;
- (id<MTLSamplerState>)newSamplerStateWithDescriptor:(MTLSamplerDescriptor*)descriptor;
- (id<MTLDepthStencilState>)newDepthStencilStateWithDescriptor:(MTLDepthStencilDescriptor*)descriptor;
// Nil with an error when the vertex function is missing or of the wrong kind.
- (id<MTLRenderPipelineState>)newRenderPipelineStateWithDescriptor:(MTLRenderPipelineDescriptor*)descriptor
                                                              error:(NSError**)error;
// The library's data names functions registered with the stand-in (see
// PWShimMetal.h); nil with an error for data of another form.
- (id<MTLLibrary>)newLibraryWithData:(dispatch_data_t)data error:(NSError**)error;
@end

// The one device; each call returns a new reference.
extern "C" MTL_EXPORT id<MTLDevice> MTLCreateSystemDefaultDevice(void);
