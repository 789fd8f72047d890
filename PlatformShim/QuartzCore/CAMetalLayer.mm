#include "CAMetalLayer.h"

@interface PWCAMetalDrawable : NSObject <CAMetalDrawable>
{
  id<MTLTexture> _texture; // owned
  CAMetalLayer* _layer;    // owned
}
- (id)initWithTexture:(id<MTLTexture>)texture layer:(CAMetalLayer*)layer;
@end

@interface CAMetalLayer ()
- (void)pwPresent:(id<MTLTexture>)texture;
@end

@implementation PWCAMetalDrawable
- (id)initWithTexture:(id<MTLTexture>)texture layer:(CAMetalLayer*)layer
{
  if ((self = [super init]))
  {
    _texture = [texture retain];
    _layer = [layer retain];
  }
  return self;
}
- (void)dealloc
{
  [_texture release];
  [_layer release];
  [super dealloc];
}
- (id<MTLTexture>)texture
{
  return _texture;
}
- (CAMetalLayer*)layer
{
  return _layer;
}
- (void)present
{
  [_layer pwPresent:_texture];
}
@end

@implementation CALayer
@synthesize opaque = _opaque, contentsScale = _contentsScale;
+ (id)layer
{
  return [[[self alloc] init] autorelease];
}
- (id)init
{
  if ((self = [super init]))
  {
    _opaque = NO;
    _contentsScale = 1.0;
  }
  return self;
}
@end

@implementation CAMetalLayer
@synthesize device = _device, pixelFormat = _pixelFormat, drawableSize = _drawableSize;
@synthesize presentsWithTransaction = _presentsWithTransaction, framebufferOnly = _framebufferOnly;
- (id)init
{
  if ((self = [super init]))
  {
    _pixelFormat = MTLPixelFormatBGRA8Unorm;
    _framebufferOnly = YES;
    _textures = [[NSMutableArray alloc] init];
    _lock = [[NSLock alloc] init];
  }
  return self;
}
- (void)dealloc
{
  [_device release];
  [_textures release];
  [_presented release];
  [_lock release];
  [super dealloc];
}
- (id<CAMetalDrawable>)nextDrawable
{
  const NSUInteger w = (NSUInteger)_drawableSize.width, h = (NSUInteger)_drawableSize.height;
  if (!_device || w == 0 || h == 0)
    return nil;
  id<MTLTexture> texture = nil;
  for (NSUInteger i = 0; i < [_textures count]; i++)
  {
    id<MTLTexture> t = [_textures objectAtIndex:i];
    if (t.width != w || t.height != h || t.pixelFormat != _pixelFormat)
    {
      [_textures removeObjectAtIndex:i--];
      continue;
    }
    if (!texture && [t retainCount] == 1) // held by nothing but this pool
      texture = t;
  }
  if (!texture)
  {
    MTLTextureDescriptor* d = [MTLTextureDescriptor texture2DDescriptorWithPixelFormat:_pixelFormat
                                                                                 width:w
                                                                                height:h
                                                                             mipmapped:NO];
    d.usage = MTLTextureUsageRenderTarget;
    texture = [[_device newTextureWithDescriptor:d] autorelease];
    if (!texture)
      return nil;
    if ([_textures count] < 3)
      [_textures addObject:texture];
  }
  return [[[PWCAMetalDrawable alloc] initWithTexture:texture layer:self] autorelease];
}
- (void)pwPresent:(id<MTLTexture>)texture
{
  [_lock lock];
  [texture retain];
  [_presented release];
  _presented = texture;
  _presentCount++;
  [_lock unlock];
}
- (id<MTLTexture>)pwPresentedTexture
{
  [_lock lock];
  id<MTLTexture> t = [[_presented retain] autorelease];
  [_lock unlock];
  return t;
}
- (NSUInteger)pwPresentCount
{
  [_lock lock];
  const NSUInteger n = _presentCount;
  [_lock unlock];
  return n;
}
@end
