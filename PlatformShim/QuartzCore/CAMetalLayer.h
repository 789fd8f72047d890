#pragma once
// CAMetalLayer hands out drawables: textures of drawableSize in its pixel
// format. Presenting a drawable makes its texture the layer's contents. Up to
// three drawable textures are kept and reused once nobody holds them.

#import <Foundation/Foundation.h>

#include <CoreGraphics/CGGeometry.h>
#include <Metal/Metal.h>

@class CAMetalLayer;

@protocol CAMetalDrawable <MTLDrawable>
@property (readonly) id<MTLTexture> texture;
@property (readonly) CAMetalLayer* layer;
@end

MTL_EXPORT @interface CALayer : NSObject
{
  BOOL _opaque;
  CGFloat _contentsScale;
}
+ (id)layer;
@property (nonatomic, getter=isOpaque) BOOL opaque;
@property (nonatomic) CGFloat contentsScale;
@end

MTL_EXPORT @interface CAMetalLayer : CALayer
{
  id<MTLDevice> _device; // owned
  MTLPixelFormat _pixelFormat;
  CGSize _drawableSize;
  BOOL _presentsWithTransaction, _framebufferOnly;
  NSMutableArray* _textures;     // owned: the drawable textures kept for reuse
  id<MTLTexture> _presented;     // owned: the contents, set by the worker thread
  NSUInteger _presentCount;
  NSLock* _lock;                 // owned: guards _presented and _presentCount
}
@property (nonatomic, retain) id<MTLDevice> device;
@property (nonatomic) MTLPixelFormat pixelFormat; // BGRA8Unorm by default
@property (nonatomic) CGSize drawableSize;
@property (nonatomic) BOOL presentsWithTransaction;
@property (nonatomic) BOOL framebufferOnly;
// Nil without a device or with an empty drawable size.
- (id<CAMetalDrawable>)nextDrawable;
@end

// The stand-in's view of what is on screen: the last presented texture (nil
// before the first present) and the number of presents so far.
@interface CAMetalLayer (PWShim)
- (id<MTLTexture>)pwPresentedTexture; // autoreleased
- (NSUInteger)pwPresentCount;
@end
