// The CPU Metal stand-in: device, resources, states, library, command queue,
// command buffers and their encoders, and the worker thread that executes
// committed command buffers.
#include "Metal.h"
#include "MTLRaster.h"

#include <Block.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// GNUstep: a thread not started by NSThread registers before using objects.
extern "C" BOOL GSRegisterCurrentThread(void);

namespace
{
NSError* MakeError(NSString* text)
{
  NSDictionary* info = [NSDictionary dictionaryWithObject:text forKey:NSLocalizedDescriptionKey];
  return [NSError errorWithDomain:@"MTLLibraryErrorDomain" code:1 userInfo:info];
}

struct Registry
{
  std::mutex mutex;
  std::map<std::string, PWMTLVertexFunction> vertex;
  std::map<std::string, PWMTLFragmentFunction> fragment;
  std::map<std::string, PWMTLFragmentFunction8> fragment8;
};

Registry& Functions()
{
  static Registry* registry = new Registry; // lives as long as the process
  return *registry;
}

// Files function under name in one of the registry's tables; a later
// registration under the same name replaces the earlier one.
template <typename F>
bool Register(std::map<std::string, F> Registry::*table, const char* name, F function)
{
  if (!name || !*name || !function)
    return false;
  std::lock_guard<std::mutex> lock(Functions().mutex);
  (Functions().*table)[name] = function;
  return true;
}
} // namespace

bool PWMTLRegisterVertexFunction(const char* name, PWMTLVertexFunction function)
{
  return Register(&Registry::vertex, name, function);
}

bool PWMTLRegisterFragmentFunction(const char* name, PWMTLFragmentFunction function)
{
  return Register(&Registry::fragment, name, function);
}

bool PWMTLRegisterFragmentFunction8(const char* name, PWMTLFragmentFunction8 function)
{
  return Register(&Registry::fragment8, name, function);
}

@interface PWMTLDevice : NSObject <MTLDevice>
@end

static PWMTLDevice* DefaultDevice()
{
  static PWMTLDevice* device = [[PWMTLDevice alloc] init]; // lives as long as the process
  return device;
}

id<MTLDevice> MTLCreateSystemDefaultDevice(void)
{
  return [DefaultDevice() retain];
}

// ---------------------------------------------------------------- resources

@interface PWMTLBuffer : NSObject <MTLBuffer>
{
  void* _bytes; // owned (calloc)
  NSUInteger _length;
  MTLResourceOptions _options;
}
- (id)initWithLength:(NSUInteger)length options:(MTLResourceOptions)options;
@end

@implementation PWMTLBuffer
- (id)initWithLength:(NSUInteger)length options:(MTLResourceOptions)options
{
  if ((self = [super init]))
  {
    _bytes = calloc(length ? length : 1, 1);
    _length = length;
    _options = options;
    if (!_bytes)
    {
      [self release];
      return nil;
    }
  }
  return self;
}
- (void)dealloc
{
  free(_bytes);
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (MTLStorageMode)storageMode
{
  return (MTLStorageMode)((_options >> 4) & 0xf);
}
- (MTLCPUCacheMode)cpuCacheMode
{
  return (MTLCPUCacheMode)(_options & 0xf);
}
- (NSUInteger)length
{
  return _length;
}
- (void*)contents
{
  return _bytes;
}
@end

@interface PWMTLTexture : NSObject <MTLTexture>
{
@public
  pwmtl::Texture* _store; // owned
  MTLTextureUsage _usage;
  MTLStorageMode _storageMode;
  NSUInteger _mipmapLevelCount;
}
- (id)initWithDescriptor:(MTLTextureDescriptor*)d;
@end

@implementation PWMTLTexture
- (id)initWithDescriptor:(MTLTextureDescriptor*)d
{
  const int bpp = pwmtl::BytesPerPixel((int)d.pixelFormat);
  if (!(self = [super init]))
    return nil;
  if (!bpp || d.width == 0 || d.height == 0 || d.width > 16384 || d.height > 16384)
  {
    [self release];
    return nil;
  }
  _store = new pwmtl::Texture;
  _store->width = (int)d.width;
  _store->height = (int)d.height;
  _store->format = (int)d.pixelFormat;
  _store->bytesPerPixel = bpp;
  _store->rowBytes = (int)d.width * bpp;
  _store->pixels.assign((size_t)_store->rowBytes * _store->height, 0);
  _usage = d.usage;
  _storageMode = d.storageMode;
  _mipmapLevelCount = d.mipmapLevelCount;
  return self;
}
- (void)dealloc
{
  delete _store;
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (MTLStorageMode)storageMode
{
  return _storageMode;
}
- (MTLCPUCacheMode)cpuCacheMode
{
  return MTLCPUCacheModeDefaultCache;
}
- (MTLTextureType)textureType
{
  return MTLTextureType2D;
}
- (MTLPixelFormat)pixelFormat
{
  return (MTLPixelFormat)_store->format;
}
- (NSUInteger)width
{
  return _store->width;
}
- (NSUInteger)height
{
  return _store->height;
}
- (NSUInteger)mipmapLevelCount
{
  return _mipmapLevelCount;
}
- (MTLTextureUsage)usage
{
  return _usage;
}
// Whether the region lies inside level 0.
- (BOOL)holdsRegion:(MTLRegion)r level:(NSUInteger)level
{
  return level == 0 && r.origin.x <= (NSUInteger)_store->width && r.origin.y <= (NSUInteger)_store->height &&
         r.size.width <= _store->width - r.origin.x && r.size.height <= _store->height - r.origin.y;
}
- (void)replaceRegion:(MTLRegion)r mipmapLevel:(NSUInteger)level withBytes:(const void*)bytes bytesPerRow:(NSUInteger)stride
{
  if (!bytes || ![self holdsRegion:r level:level])
    return;
  const size_t n = r.size.width * _store->bytesPerPixel;
  for (NSUInteger y = 0; y < r.size.height; y++)
    memcpy(_store->pixels.data() + (r.origin.y + y) * _store->rowBytes + r.origin.x * _store->bytesPerPixel,
           (const uint8_t*)bytes + y * stride, n);
}
- (void)getBytes:(void*)bytes bytesPerRow:(NSUInteger)stride fromRegion:(MTLRegion)r mipmapLevel:(NSUInteger)level
{
  if (!bytes || ![self holdsRegion:r level:level])
    return;
  const size_t n = r.size.width * _store->bytesPerPixel;
  for (NSUInteger y = 0; y < r.size.height; y++)
    memcpy((uint8_t*)bytes + y * stride,
           _store->pixels.data() + (r.origin.y + y) * _store->rowBytes + r.origin.x * _store->bytesPerPixel, n);
}
@end

// ------------------------------------------------------------------- states

@interface PWMTLSamplerState : NSObject <MTLSamplerState>
{
@public
  PWMTLSamplerView _view;
}
@end
@implementation PWMTLSamplerState
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
@end

@interface PWMTLDepthStencilState : NSObject <MTLDepthStencilState>
{
@public
  pwmtl::DepthStencil _state;
}
@end
@implementation PWMTLDepthStencilState
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
@end

@interface PWMTLFunction : NSObject <MTLFunction>
{
@public
  NSString* _name; // owned
  MTLFunctionType _type;
  PWMTLVertexFunction _vertex;
  PWMTLFragmentFunction _fragment;
  PWMTLFragmentFunction8 _fragment8; // with _fragment only
}
@end
@implementation PWMTLFunction
- (void)dealloc
{
  [_name release];
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (NSString*)name
{
  return _name;
}
- (MTLFunctionType)functionType
{
  return _type;
}
@end

@interface PWMTLLibrary : NSObject <MTLLibrary>
{
  NSMutableArray* _names; // owned
}
- (id)initWithNames:(NSMutableArray*)names;
@end
@implementation PWMTLLibrary
- (id)initWithNames:(NSMutableArray*)names
{
  if ((self = [super init]))
    _names = [names retain];
  return self;
}
- (void)dealloc
{
  [_names release];
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (NSArray*)functionNames
{
  return _names;
}
- (id<MTLFunction>)newFunctionWithName:(NSString*)name
{
  if (!name || ![_names containsObject:name])
    return nil;
  PWMTLVertexFunction v = nullptr;
  PWMTLFragmentFunction f = nullptr;
  PWMTLFragmentFunction8 f8 = nullptr;
  {
    Registry& r = Functions();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto vi = r.vertex.find([name UTF8String]);
    auto fi = r.fragment.find([name UTF8String]);
    v = vi != r.vertex.end() ? vi->second : nullptr;
    f = fi != r.fragment.end() ? fi->second : nullptr;
    auto f8i = r.fragment8.find([name UTF8String]);
    f8 = f && f8i != r.fragment8.end() ? f8i->second : nullptr;
  }
  if (!v && !f)
    return nil;
  PWMTLFunction* fn = [[PWMTLFunction alloc] init];
  fn->_name = [name copy];
  fn->_type = v ? MTLFunctionTypeVertex : MTLFunctionTypeFragment;
  fn->_vertex = v;
  fn->_fragment = f;
  fn->_fragment8 = f8;
  return fn;
}
@end

@interface PWMTLRenderPipelineState : NSObject <MTLRenderPipelineState>
{
@public
  pwmtl::Pipeline _pipeline;
}
@end
@implementation PWMTLRenderPipelineState
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
@end

// ------------------------------------------------------------ the worker

@class PWMTLCommandBuffer;

namespace
{
// One recorded command. Objects in it are retained by the command buffer.
struct Command
{
  enum Kind
  {
    kBeginPass, kEndPass, kPipeline, kDepthStencil, kStencilRef, kCull, kWinding, kViewport,
    kVertexBuffer, kVertexOffset, kFragmentBuffer, kFragmentOffset, kFragmentTexture, kFragmentSampler,
    kDraw, kDrawIndexed, kCopyBufferToTexture
  } kind;
  id object = nil, object2 = nil;
  NSUInteger a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
  double v[6] = {};
};

struct Worker
{
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<PWMTLCommandBuffer*> queue; // retained until executed
  bool held = false;
};

Worker& TheWorker();
} // namespace

void PWMTLHoldExecution(bool hold)
{
  Worker& w = TheWorker();
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.held = hold;
  }
  w.cv.notify_all();
}

// ------------------------------------------------------ command buffers

@interface PWMTLCommandBuffer : NSObject <MTLCommandBuffer>
{
@public
  id<MTLCommandQueue> _queue; // owned
  std::vector<Command>* _commands; // owned
  std::vector<id>* _retained;      // owned references, released in dealloc
  std::vector<MTLCommandBufferHandler>* _scheduled; // owned block copies
  std::vector<MTLCommandBufferHandler>* _completed; // owned block copies
  std::vector<id>* _presents;      // drawables, owned
  std::mutex* _mutex;              // guards _status
  std::condition_variable* _cv;
  MTLCommandBufferStatus _status;
  BOOL _encoding;
}
- (id)initWithQueue:(id<MTLCommandQueue>)queue;
- (void)record:(const Command&)command;
- (void)execute;
@end

// What every encoder shares: the command buffer it records into.
@interface PWMTLEncoder : NSObject
{
  PWMTLCommandBuffer* _buffer; // owned
}
@property (nonatomic, readonly) id<MTLDevice> device;
- (id)initWithBuffer:(PWMTLCommandBuffer*)buffer;
@end

@interface PWMTLRenderEncoder : PWMTLEncoder <MTLRenderCommandEncoder>
@end

@interface PWMTLBlitEncoder : PWMTLEncoder <MTLBlitCommandEncoder>
@end

namespace
{
void WorkerLoop()
{
  GSRegisterCurrentThread();
  Worker& w = TheWorker();
  for (;;)
  {
    PWMTLCommandBuffer* next = nil;
    {
      std::unique_lock<std::mutex> lock(w.mutex);
      w.cv.wait(lock, [&w] { return !w.held && !w.queue.empty(); });
      next = w.queue.front();
      w.queue.pop_front();
    }
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    [next execute];
    [next release];
    [pool release];
  }
}

Worker& TheWorker()
{
  // Both live as long as the process: the thread waits for work until exit.
  static Worker* worker = [] {
    auto* w = new Worker;
    std::thread(WorkerLoop).detach();
    return w;
  }();
  return *worker;
}

// Executes one command buffer's commands on the CPU.
class Executor
{
public:
  void Run(const std::vector<Command>& commands)
  {
    for (const Command& c : commands)
      Step(c);
  }

private:
  static const uint8_t* Bytes(id buffer, NSUInteger offset)
  {
    return buffer ? (const uint8_t*)[(id<MTLBuffer>)buffer contents] + offset : nullptr;
  }

  void Step(const Command& c)
  {
    switch (c.kind)
    {
      case Command::kBeginPass:
      {
        state_ = pwmtl::DrawState();
        vertexBuffers_.assign(kPWMTLMaxBuffers, nil);
        fragmentBuffers_.assign(kPWMTLMaxBuffers, nil);
        for (int i = 0; i < kPWMTLMaxBuffers; i++)
          vertexOffsets_[i] = fragmentOffsets_[i] = 0;
        pwmtl::Texture* color = c.object ? ((PWMTLTexture*)c.object)->_store : nullptr;
        pwmtl::Texture* stencil = c.object2 ? ((PWMTLTexture*)c.object2)->_store : nullptr;
        raster_.Begin(color, stencil);
        if (c.a == MTLLoadActionClear)
          raster_.ClearColor(c.v);
        if (c.b == MTLLoadActionClear)
          raster_.ClearStencil((uint8_t)c.c);
        const pwmtl::Texture* t = color ? color : stencil;
        state_.viewport[2] = t ? t->width : 0;
        state_.viewport[3] = t ? t->height : 0;
        break;
      }
      case Command::kEndPass: raster_.Begin(nullptr, nullptr); break;
      case Command::kPipeline:
        state_.pipeline = c.object ? &((PWMTLRenderPipelineState*)c.object)->_pipeline : nullptr;
        break;
      case Command::kDepthStencil:
        state_.depthStencil = c.object ? &((PWMTLDepthStencilState*)c.object)->_state : nullptr;
        break;
      case Command::kStencilRef: state_.stencilReference = (uint32_t)c.a; break;
      case Command::kCull: state_.cullMode = (int)c.a; break;
      case Command::kWinding: state_.frontWinding = (int)c.a; break;
      case Command::kViewport:
        for (int i = 0; i < 4; i++)
          state_.viewport[i] = c.v[i];
        break;
      case Command::kVertexBuffer:
        vertexBuffers_[c.b] = c.object;
        vertexOffsets_[c.b] = c.a;
        break;
      case Command::kVertexOffset: vertexOffsets_[c.b] = c.a; break;
      case Command::kFragmentBuffer:
        fragmentBuffers_[c.b] = c.object;
        fragmentOffsets_[c.b] = c.a;
        break;
      case Command::kFragmentOffset: fragmentOffsets_[c.b] = c.a; break;
      case Command::kFragmentTexture:
        if (c.object)
        {
          views_[c.b] = ((PWMTLTexture*)c.object)->_store->View();
          state_.textures[c.b] = &views_[c.b];
        }
        else
          state_.textures[c.b] = nullptr;
        break;
      case Command::kFragmentSampler:
        if (c.object)
        {
          samplers_[c.b] = ((PWMTLSamplerState*)c.object)->_view;
          state_.samplers[c.b] = &samplers_[c.b];
        }
        else
          state_.samplers[c.b] = nullptr;
        break;
      case Command::kDraw:
      case Command::kDrawIndexed:
      {
        for (int i = 0; i < kPWMTLMaxBuffers; i++)
        {
          state_.vertexBuffers[i] = Bytes(vertexBuffers_[i], vertexOffsets_[i]);
          state_.fragmentBuffers[i] = Bytes(fragmentBuffers_[i], fragmentOffsets_[i]);
        }
        if (c.kind == Command::kDraw)
          raster_.Draw(state_, (int)c.a, (uint32_t)c.b, (uint32_t)c.c, nullptr, 0);
        else
          raster_.Draw(state_, (int)c.a, 0, (uint32_t)c.b, Bytes(c.object, c.d), (int)c.c);
        break;
      }
      case Command::kCopyBufferToTexture:
      {
        // a: source offset, b: source bytes per row, c, d: width, height, e, f: destination x, y
        PWMTLTexture* t = (PWMTLTexture*)c.object2;
        [t replaceRegion:MTLRegionMake2D(c.e, c.f, c.c, c.d) mipmapLevel:0 withBytes:Bytes(c.object, c.a)
              bytesPerRow:c.b];
        break;
      }
    }
  }

  pwmtl::Rasterizer raster_;
  pwmtl::DrawState state_;
  std::vector<id> vertexBuffers_, fragmentBuffers_;
  NSUInteger vertexOffsets_[kPWMTLMaxBuffers] = {}, fragmentOffsets_[kPWMTLMaxBuffers] = {};
  PWMTLTextureView views_[kPWMTLMaxTextures] = {};
  PWMTLSamplerView samplers_[kPWMTLMaxTextures] = {};
};

Executor& TheExecutor() // worker thread only
{
  static Executor* executor = new Executor; // lives as long as the process
  return *executor;
}
} // namespace

@implementation PWMTLCommandBuffer
- (id)initWithQueue:(id<MTLCommandQueue>)queue
{
  if ((self = [super init]))
  {
    _queue = [queue retain];
    _commands = new std::vector<Command>;
    _retained = new std::vector<id>;
    _scheduled = new std::vector<MTLCommandBufferHandler>;
    _completed = new std::vector<MTLCommandBufferHandler>;
    _presents = new std::vector<id>;
    _mutex = new std::mutex;
    _cv = new std::condition_variable;
  }
  return self;
}
- (void)dealloc
{
  for (id o : *_retained)
    [o release];
  for (id o : *_presents)
    [o release];
  for (MTLCommandBufferHandler h : *_scheduled)
    Block_release(h);
  for (MTLCommandBufferHandler h : *_completed)
    Block_release(h);
  delete _commands;
  delete _retained;
  delete _scheduled;
  delete _completed;
  delete _presents;
  delete _mutex;
  delete _cv;
  [_queue release];
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (id<MTLCommandQueue>)commandQueue
{
  return _queue;
}
- (MTLCommandBufferStatus)status
{
  std::lock_guard<std::mutex> lock(*_mutex);
  return _status;
}
- (NSError*)error
{
  return nil;
}
- (void)setStatus:(MTLCommandBufferStatus)status
{
  {
    std::lock_guard<std::mutex> lock(*_mutex);
    _status = status;
  }
  _cv->notify_all();
}
- (void)record:(const Command&)command
{
  if (self.status >= MTLCommandBufferStatusCommitted)
    return;
  _commands->push_back(command);
  if (command.object)
    _retained->push_back([command.object retain]);
  if (command.object2)
    _retained->push_back([command.object2 retain]);
}
- (id<MTLRenderCommandEncoder>)renderCommandEncoderWithDescriptor:(MTLRenderPassDescriptor*)descriptor
{
  MTLRenderPassColorAttachmentDescriptor* color = [descriptor.colorAttachments objectAtIndexedSubscript:0];
  MTLRenderPassStencilAttachmentDescriptor* stencil = descriptor.stencilAttachment;
  if (_encoding || self.status >= MTLCommandBufferStatusCommitted || (!color.texture && !stencil.texture))
    return nil;
  if ((color.texture && pwmtl::BytesPerPixel((int)color.texture.pixelFormat) != 4 &&
       color.texture.pixelFormat != MTLPixelFormatR8Unorm) ||
      (stencil.texture && stencil.texture.pixelFormat != MTLPixelFormatStencil8))
    return nil;
  Command c;
  c.kind = Command::kBeginPass;
  c.object = color.texture;
  c.object2 = stencil.texture;
  c.a = color.texture ? color.loadAction : MTLLoadActionDontCare;
  c.b = stencil.texture ? stencil.loadAction : MTLLoadActionDontCare;
  c.c = stencil.clearStencil;
  const MTLClearColor cc = color.clearColor;
  c.v[0] = cc.red, c.v[1] = cc.green, c.v[2] = cc.blue, c.v[3] = cc.alpha;
  [self record:c];
  _encoding = YES;
  return [[[PWMTLRenderEncoder alloc] initWithBuffer:self] autorelease];
}
- (id<MTLBlitCommandEncoder>)blitCommandEncoder
{
  if (_encoding || self.status >= MTLCommandBufferStatusCommitted)
    return nil;
  _encoding = YES;
  return [[[PWMTLBlitEncoder alloc] initWithBuffer:self] autorelease];
}
- (void)enqueue
{
  std::lock_guard<std::mutex> lock(*_mutex);
  if (_status == MTLCommandBufferStatusNotEnqueued)
    _status = MTLCommandBufferStatusEnqueued;
}
- (void)commit
{
  {
    std::lock_guard<std::mutex> lock(*_mutex);
    if (_status >= MTLCommandBufferStatusCommitted)
      return;
    _status = MTLCommandBufferStatusCommitted;
  }
  _encoding = NO;
  Worker& w = TheWorker();
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.queue.push_back([self retain]);
  }
  w.cv.notify_all();
}
- (void)addScheduledHandler:(MTLCommandBufferHandler)block
{
  if (block && self.status < MTLCommandBufferStatusCommitted)
    _scheduled->push_back(Block_copy(block));
}
- (void)addCompletedHandler:(MTLCommandBufferHandler)block
{
  if (block && self.status < MTLCommandBufferStatusCommitted)
    _completed->push_back(Block_copy(block));
}
- (void)presentDrawable:(id<MTLDrawable>)drawable
{
  if (drawable && self.status < MTLCommandBufferStatusCommitted)
    _presents->push_back([drawable retain]);
}
- (void)waitFor:(MTLCommandBufferStatus)status
{
  std::unique_lock<std::mutex> lock(*_mutex);
  if (_status < MTLCommandBufferStatusCommitted)
    return;
  _cv->wait(lock, [self, status] { return _status >= status; });
}
- (void)waitUntilScheduled
{
  [self waitFor:MTLCommandBufferStatusScheduled];
}
- (void)waitUntilCompleted
{
  [self waitFor:MTLCommandBufferStatusCompleted];
}
- (void)execute
{
  [self setStatus:MTLCommandBufferStatusScheduled];
  for (MTLCommandBufferHandler h : *_scheduled)
    h(self);
  TheExecutor().Run(*_commands);
  for (id d : *_presents)
    [(id<MTLDrawable>)d present];
  // Handlers first, so that a waiter sees their effects.
  for (MTLCommandBufferHandler h : *_completed)
    h(self);
  [self setStatus:MTLCommandBufferStatusCompleted];
}
@end

@implementation PWMTLEncoder
- (id)initWithBuffer:(PWMTLCommandBuffer*)buffer
{
  if ((self = [super init]))
    _buffer = [buffer retain];
  return self;
}
- (void)dealloc
{
  [_buffer release];
  [super dealloc];
}
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
@end

@implementation PWMTLRenderEncoder
- (void)put:(Command::Kind)kind object:(id)object a:(NSUInteger)a b:(NSUInteger)b
{
  Command c;
  c.kind = kind;
  c.object = object;
  c.a = a;
  c.b = b;
  [_buffer record:c];
}
- (void)endEncoding
{
  [self put:Command::kEndPass object:nil a:0 b:0];
  _buffer->_encoding = NO;
}
- (void)setRenderPipelineState:(id<MTLRenderPipelineState>)state
{
  [self put:Command::kPipeline object:state a:0 b:0];
}
- (void)setDepthStencilState:(id<MTLDepthStencilState>)state
{
  [self put:Command::kDepthStencil object:state a:0 b:0];
}
- (void)setStencilReferenceValue:(uint32_t)value
{
  [self put:Command::kStencilRef object:nil a:value b:0];
}
- (void)setCullMode:(MTLCullMode)mode
{
  [self put:Command::kCull object:nil a:mode b:0];
}
- (void)setFrontFacingWinding:(MTLWinding)winding
{
  [self put:Command::kWinding object:nil a:winding b:0];
}
- (void)setViewport:(MTLViewport)vp
{
  Command c;
  c.kind = Command::kViewport;
  c.v[0] = vp.originX, c.v[1] = vp.originY, c.v[2] = vp.width, c.v[3] = vp.height;
  [_buffer record:c];
}
- (void)setVertexBuffer:(id<MTLBuffer>)buffer offset:(NSUInteger)offset atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxBuffers)
    [self put:Command::kVertexBuffer object:buffer a:offset b:index];
}
- (void)setVertexBufferOffset:(NSUInteger)offset atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxBuffers)
    [self put:Command::kVertexOffset object:nil a:offset b:index];
}
- (void)setFragmentBuffer:(id<MTLBuffer>)buffer offset:(NSUInteger)offset atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxBuffers)
    [self put:Command::kFragmentBuffer object:buffer a:offset b:index];
}
- (void)setFragmentBufferOffset:(NSUInteger)offset atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxBuffers)
    [self put:Command::kFragmentOffset object:nil a:offset b:index];
}
- (void)setFragmentTexture:(id<MTLTexture>)texture atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxTextures)
    [self put:Command::kFragmentTexture object:texture a:0 b:index];
}
- (void)setFragmentSamplerState:(id<MTLSamplerState>)sampler atIndex:(NSUInteger)index
{
  if (index < kPWMTLMaxTextures)
    [self put:Command::kFragmentSampler object:sampler a:0 b:index];
}
- (void)drawPrimitives:(MTLPrimitiveType)type vertexStart:(NSUInteger)start vertexCount:(NSUInteger)count
{
  Command c;
  c.kind = Command::kDraw;
  c.a = type;
  c.b = start;
  c.c = count;
  [_buffer record:c];
}
- (void)drawIndexedPrimitives:(MTLPrimitiveType)type
                   indexCount:(NSUInteger)indexCount
                    indexType:(MTLIndexType)indexType
                  indexBuffer:(id<MTLBuffer>)indexBuffer
            indexBufferOffset:(NSUInteger)offset
{
  const NSUInteger size = indexType == MTLIndexTypeUInt16 ? 2 : 4;
  if (!indexBuffer || offset + indexCount * size > indexBuffer.length)
    return; // out of the buffer: nothing is drawn
  Command c;
  c.kind = Command::kDrawIndexed;
  c.object = indexBuffer;
  c.a = type;
  c.b = indexCount;
  c.c = indexType;
  c.d = offset;
  [_buffer record:c];
}
@end

@implementation PWMTLBlitEncoder
- (void)endEncoding
{
  _buffer->_encoding = NO;
}
- (void)copyFromBuffer:(id<MTLBuffer>)source
           sourceOffset:(NSUInteger)sourceOffset
      sourceBytesPerRow:(NSUInteger)bytesPerRow
    sourceBytesPerImage:(NSUInteger)bytesPerImage
             sourceSize:(MTLSize)size
              toTexture:(id<MTLTexture>)texture
       destinationSlice:(NSUInteger)slice
       destinationLevel:(NSUInteger)level
      destinationOrigin:(MTLOrigin)origin
{
  (void)bytesPerImage; // one image: 2D textures only
  const NSUInteger bpp = pwmtl::BytesPerPixel((int)texture.pixelFormat);
  if (slice != 0 || !source || !texture || level != 0 || size.height == 0 ||
      sourceOffset + bytesPerRow * (size.height - 1) + size.width * bpp > source.length)
    return;
  Command c;
  c.kind = Command::kCopyBufferToTexture;
  c.object = source;
  c.object2 = texture;
  c.a = sourceOffset;
  c.b = bytesPerRow;
  c.c = size.width;
  c.d = size.height;
  c.e = origin.x;
  c.f = origin.y;
  [_buffer record:c];
}
- (void)generateMipmapsForTexture:(id<MTLTexture>)texture
{
  (void)texture; // only mip level 0 is kept and sampled
}
- (void)synchronizeResource:(id<MTLResource>)resource
{
  (void)resource; // CPU memory is always in step
}
@end

@interface PWMTLCommandQueue : NSObject <MTLCommandQueue>
@end
@implementation PWMTLCommandQueue
- (id<MTLDevice>)device
{
  return DefaultDevice();
}
- (id<MTLCommandBuffer>)commandBuffer
{
  return [[[PWMTLCommandBuffer alloc] initWithQueue:self] autorelease];
}
@end

// ------------------------------------------------------------------ device

@implementation PWMTLDevice
- (NSString*)name
{
  return @"Pressweave CPU rasteriser";
}
- (id<MTLCommandQueue>)newCommandQueue
{
  return [[PWMTLCommandQueue alloc] init];
}
- (id<MTLBuffer>)newBufferWithLength:(NSUInteger)length options:(MTLResourceOptions)options
{
  return [[PWMTLBuffer alloc] initWithLength:length options:options];
}
- (id<MTLBuffer>)newBufferWithBytes:(const void*)bytes length:(NSUInteger)length options:(MTLResourceOptions)options
{
  PWMTLBuffer* b = [[PWMTLBuffer alloc] initWithLength:length options:options];
  if (b && bytes)
    memcpy(b.contents, bytes, length);
  return b;
}
- (id<MTLTexture>)newTextureWithDescriptor:(MTLTextureDescriptor*)descriptor
{
  return descriptor ? [[PWMTLTexture alloc] initWithDescriptor:descriptor] : nil;
}
- (id<MTLSamplerState>)newSamplerStateWithDescriptor:(MTLSamplerDescriptor*)d
{
  PWMTLSamplerState* s = [[PWMTLSamplerState alloc] init];
  s->_view.minFilter = (int)d.minFilter;
  s->_view.magFilter = (int)d.magFilter;
  s->_view.sAddress = (int)d.sAddressMode;
  s->_view.tAddress = (int)d.tAddressMode;
  return s;
}
static pwmtl::StencilFace Face(MTLStencilDescriptor* d)
{
  pwmtl::StencilFace f;
  if (d)
  {
    f.compare = (int)d.stencilCompareFunction;
    f.failOp = (int)d.stencilFailureOperation;
    f.depthFailOp = (int)d.depthFailureOperation;
    f.passOp = (int)d.depthStencilPassOperation;
    f.readMask = (uint8_t)d.readMask;
    f.writeMask = (uint8_t)d.writeMask;
  }
  return f;
}
- (id<MTLDepthStencilState>)newDepthStencilStateWithDescriptor:(MTLDepthStencilDescriptor*)d
{
  PWMTLDepthStencilState* s = [[PWMTLDepthStencilState alloc] init];
  s->_state.front = Face(d.frontFaceStencil);
  s->_state.back = Face(d.backFaceStencil);
  return s;
}
- (id<MTLRenderPipelineState>)newRenderPipelineStateWithDescriptor:(MTLRenderPipelineDescriptor*)d
                                                              error:(NSError**)error
{
  PWMTLFunction* v = (PWMTLFunction*)d.vertexFunction;
  PWMTLFunction* f = (PWMTLFunction*)d.fragmentFunction;
  MTLRenderPipelineColorAttachmentDescriptor* color = [d.colorAttachments objectAtIndexedSubscript:0];
  NSString* problem = nil;
  if (!v || !v->_vertex)
    problem = @"the vertex function is missing or not a vertex function";
  else if (f && !f->_fragment)
    problem = @"the fragment function is not a fragment function";
  else if (color.pixelFormat != MTLPixelFormatInvalid && !pwmtl::BytesPerPixel((int)color.pixelFormat))
    problem = @"unsupported colour pixel format";
  if (problem)
  {
    if (error)
      *error = MakeError(problem);
    return nil;
  }
  PWMTLRenderPipelineState* s = [[PWMTLRenderPipelineState alloc] init];
  pwmtl::Pipeline& p = s->_pipeline;
  p.vertexFunction = v->_vertex;
  p.fragmentFunction = f ? f->_fragment : nullptr;
  p.fragmentFunction8 = f ? f->_fragment8 : nullptr;
  if (MTLVertexDescriptor* vd = d.vertexDescriptor)
    for (int i = 0; i < kPWMTLMaxAttributes; i++)
    {
      MTLVertexAttributeDescriptor* a = [vd.attributes objectAtIndexedSubscript:i];
      if (a.bufferIndex >= kPWMTLMaxBuffers)
        continue;
      p.attributes[i].format = (int)a.format;
      p.attributes[i].offset = (int)a.offset;
      p.attributes[i].bufferIndex = (int)a.bufferIndex;
      p.strides[i] = (int)[vd.layouts objectAtIndexedSubscript:i].stride;
    }
  p.colorFormat = (int)color.pixelFormat;
  p.blending = color.blendingEnabled;
  p.srcRGB = (int)color.sourceRGBBlendFactor;
  p.dstRGB = (int)color.destinationRGBBlendFactor;
  p.srcAlpha = (int)color.sourceAlphaBlendFactor;
  p.dstAlpha = (int)color.destinationAlphaBlendFactor;
  p.writeMask = (int)color.writeMask;
  return s;
}
- (id<MTLLibrary>)newLibraryWithData:(dispatch_data_t)data error:(NSError**)error
{
  const void* bytes = nullptr;
  size_t size = 0;
  dispatch_data_t map = dispatch_data_create_map(data, &bytes, &size);
  const size_t magic = sizeof(kPWMTLLibraryMagic) - 1;
  PWMTLLibrary* library = nil;
  if (map && size >= magic && memcmp(bytes, kPWMTLLibraryMagic, magic) == 0)
  {
    NSMutableArray* names = [NSMutableArray array];
    const char* p = (const char*)bytes + magic;
    const char* end = (const char*)bytes + size;
    while (p < end)
    {
      const char* nul = (const char*)memchr(p, 0, end - p);
      if (!nul)
        break;
      if (nul > p)
        [names addObject:[NSString stringWithUTF8String:p]];
      p = nul + 1;
    }
    library = [[PWMTLLibrary alloc] initWithNames:names];
  }
  else if (error)
    *error = MakeError(@"the data is not a library");
  dispatch_release(map);
  return library;
}
@end
