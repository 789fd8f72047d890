#include <Metal/Metal.h>
#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
// Positions in pixels of a target whose size is in vertex buffer 1.
void PixelVertex(const PWMTLVertexIn* in, PWMTLVertexOut* out)
{
  const float* size = (const float*)in->buffers[1];
  out->position[0] = in->attributes[0][0] / size[0] * 2.f - 1.f;
  out->position[1] = 1.f - in->attributes[0][1] / size[1] * 2.f;
  out->position[3] = 1.f;
  out->varyings[0] = in->attributes[0][0];
}

// The colour in fragment buffer 0; discards where x < buffer[4].
void FlatFragment(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep)
{
  const float* c = (const float*)span->buffers[0];
  for (int i = 0; i < span->count; i++)
  {
    std::memcpy(rgba + 4 * i, c, 16);
    keep[i] = span->varyings[0] + i * span->dvaryings[0] >= c[4];
  }
}

class MetalStandIn : public ::testing::Test
{
protected:
  void SetUp() override
  {
    pool = [[NSAutoreleasePool alloc] init];
    PWMTLRegisterVertexFunction("testVertex", PixelVertex);
    PWMTLRegisterFragmentFunction("testFragment", FlatFragment);
    device = MTLCreateSystemDefaultDevice();
    queue = [device newCommandQueue];
    static const char lib[] = kPWMTLLibraryMagic "testVertex\0testFragment";
    dispatch_data_t data = dispatch_data_create(lib, sizeof(lib), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
    library = [device newLibraryWithData:data error:nullptr];
    dispatch_release(data);
    target = [device newTextureWithDescriptor:[MTLTextureDescriptor
                                                texture2DDescriptorWithPixelFormat:MTLPixelFormatBGRA8Unorm
                                                                             width:8
                                                                            height:8
                                                                         mipmapped:NO]];
    stencil = [device newTextureWithDescriptor:[MTLTextureDescriptor
                                                 texture2DDescriptorWithPixelFormat:MTLPixelFormatStencil8
                                                                              width:8
                                                                             height:8
                                                                          mipmapped:NO]];
    const float size[2] = {8, 8};
    sizeBuffer = [device newBufferWithBytes:size length:8 options:MTLResourceStorageModeShared];
  }
  void TearDown() override
  {
    for (id o : owned)
      [o release];
    [sizeBuffer release];
    [stencil release];
    [target release];
    [library release];
    [queue release];
    [device release];
    [pool release];
  }

  id<MTLRenderPipelineState> Pipeline(bool colour, MTLBlendFactor src, MTLBlendFactor dst)
  {
    MTLRenderPipelineDescriptor* d = [[[MTLRenderPipelineDescriptor alloc] init] autorelease];
    d.vertexFunction = [[library newFunctionWithName:@"testVertex"] autorelease];
    if (colour)
      d.fragmentFunction = [[library newFunctionWithName:@"testFragment"] autorelease];
    MTLVertexDescriptor* vd = [MTLVertexDescriptor vertexDescriptor];
    [vd.attributes objectAtIndexedSubscript:0].format = MTLVertexFormatFloat2;
    [vd.layouts objectAtIndexedSubscript:0].stride = 8;
    d.vertexDescriptor = vd;
    MTLRenderPipelineColorAttachmentDescriptor* c = [d.colorAttachments objectAtIndexedSubscript:0];
    c.pixelFormat = MTLPixelFormatBGRA8Unorm;
    c.blendingEnabled = YES;
    c.sourceRGBBlendFactor = c.sourceAlphaBlendFactor = src;
    c.destinationRGBBlendFactor = c.destinationAlphaBlendFactor = dst;
    if (!colour)
      c.writeMask = MTLColorWriteMaskNone;
    d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
    return Own([device newRenderPipelineStateWithDescriptor:d error:nullptr]);
  }

  id<MTLDepthStencilState> Stencil(MTLCompareFunction compare, MTLStencilOperation pass)
  {
    MTLStencilDescriptor* s = [[[MTLStencilDescriptor alloc] init] autorelease];
    s.stencilCompareFunction = compare;
    s.depthStencilPassOperation = pass;
    MTLDepthStencilDescriptor* d = [[[MTLDepthStencilDescriptor alloc] init] autorelease];
    d.frontFaceStencil = s;
    d.backFaceStencil = s;
    return Own([device newDepthStencilStateWithDescriptor:d]);
  }

  id<MTLBuffer> Buffer(const std::vector<float>& values)
  {
    return Own([device newBufferWithBytes:values.data() length:values.size() * 4 options:0]);
  }

  // A render pass on target that clears to clear (BGRA order stored).
  id<MTLRenderCommandEncoder> Begin(id<MTLCommandBuffer> cb, MTLClearColor clear)
  {
    MTLRenderPassDescriptor* pass = [MTLRenderPassDescriptor renderPassDescriptor];
    MTLRenderPassColorAttachmentDescriptor* c = [pass.colorAttachments objectAtIndexedSubscript:0];
    c.texture = target;
    c.loadAction = MTLLoadActionClear;
    c.clearColor = clear;
    pass.stencilAttachment.texture = stencil;
    pass.stencilAttachment.loadAction = MTLLoadActionClear;
    id<MTLRenderCommandEncoder> e = [cb renderCommandEncoderWithDescriptor:pass];
    [e setVertexBuffer:sizeBuffer offset:0 atIndex:1];
    return e;
  }

  std::vector<uint8_t> Pixels()
  {
    std::vector<uint8_t> px(8 * 8 * 4);
    [target getBytes:px.data() bytesPerRow:32 fromRegion:MTLRegionMake2D(0, 0, 8, 8) mipmapLevel:0];
    return px;
  }

  template <typename T> T Own(T o)
  {
    owned.push_back(o);
    return o;
  }

  NSAutoreleasePool* pool = nil;
  id<MTLDevice> device = nil;
  id<MTLCommandQueue> queue = nil;
  id<MTLLibrary> library = nil;
  id<MTLTexture> target = nil, stencil = nil;
  id<MTLBuffer> sizeBuffer = nil;
  std::vector<id> owned;
};

TEST_F(MetalStandIn, QuadOfTwoTrianglesCoversEachPixelOnceAndCullsBackFaces)
{
  // Additive half-grey: a pixel covered twice would read 128 + 128.
  id<MTLBuffer> colour = Buffer({0.5f, 0.5f, 0.5f, 0.5f, 0.f});
  // Counter-clockwise on screen: (0,0) -> (0,8) -> (8,8) is front facing.
  id<MTLBuffer> quad = Buffer({0, 0, 0, 8, 8, 8, 0, 0, 8, 8, 8, 0, /* clockwise: */ 0, 0, 8, 0, 8, 8});
  id<MTLCommandBuffer> cb = [queue commandBuffer];
  id<MTLRenderCommandEncoder> e = Begin(cb, MTLClearColorMake(0, 0, 0, 0));
  [e setRenderPipelineState:Pipeline(true, MTLBlendFactorOne, MTLBlendFactorOne)];
  [e setCullMode:MTLCullModeBack];
  [e setFrontFacingWinding:MTLWindingCounterClockwise];
  [e setVertexBuffer:quad offset:0 atIndex:0];
  [e setFragmentBuffer:colour offset:0 atIndex:0];
  [e drawPrimitives:MTLPrimitiveTypeTriangle vertexStart:0 vertexCount:9];
  [e endEncoding];
  [cb commit];
  [cb waitUntilCompleted];
  const std::vector<uint8_t> px = Pixels();
  for (size_t i = 0; i < px.size(); i++)
    ASSERT_EQ(px[i], 128) << "byte " << i;
}

TEST_F(MetalStandIn, StencilPassCountsWindingAndCoverDrawsWhereNotZero)
{
  // Left half: one triangle pair incremented twice (overlap), right half none;
  // the cover pass draws red where the stencil is not 0, blending source-over.
  id<MTLBuffer> red = Buffer({1.f, 0.f, 0.f, 1.f, 0.f});
  id<MTLBuffer> shapes = Buffer({0, 0, 0, 8, 4, 8, 0, 0, 4, 8, 4, 0});
  id<MTLBuffer> cover = Buffer({0, 0, 0, 8, 8, 0, 8, 8});
  id<MTLCommandBuffer> cb = [queue commandBuffer];
  id<MTLRenderCommandEncoder> e = Begin(cb, MTLClearColorMake(0, 0, 1, 1));
  [e setVertexBuffer:shapes offset:0 atIndex:0];
  [e setFragmentBuffer:red offset:0 atIndex:0];
  [e setRenderPipelineState:Pipeline(false, MTLBlendFactorOne, MTLBlendFactorZero)];
  [e setDepthStencilState:Stencil(MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap)];
  [e drawPrimitives:MTLPrimitiveTypeTriangle vertexStart:0 vertexCount:6];
  [e setRenderPipelineState:Pipeline(true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha)];
  [e setDepthStencilState:Stencil(MTLCompareFunctionNotEqual, MTLStencilOperationZero)];
  [e setVertexBuffer:cover offset:0 atIndex:0];
  [e drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:0 vertexCount:4];
  [e endEncoding];
  [cb commit];
  [cb waitUntilCompleted];
  const std::vector<uint8_t> px = Pixels();
  for (int x : {1, 3, 5, 7})
  {
    const uint8_t* p = &px[(4 * 8 + x) * 4]; // BGRA
    EXPECT_EQ(p[2], x < 4 ? 255 : 0) << x;
    EXPECT_EQ(p[0], x < 4 ? 0 : 255) << x;
  }
  std::vector<uint8_t> s(64);
  [stencil getBytes:s.data() bytesPerRow:8 fromRegion:MTLRegionMake2D(0, 0, 8, 8) mipmapLevel:0];
  EXPECT_EQ(std::count(s.begin(), s.end(), 0), 64); // the cover pass reset it
}

TEST_F(MetalStandIn, BlendFactorsCombineSourceAndDestination)
{
  // Destination (0.5, 0.25, 1, 0.5) in RGBA; source (0.2, 0.4, 0.6, 0.8).
  struct Case
  {
    MTLBlendFactor src, dst;
    float expectRed;
  } cases[] = {
    {MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, 0.2f + 0.5f * 0.2f},
    {MTLBlendFactorDestinationAlpha, MTLBlendFactorZero, 0.2f * 0.5f},
    {MTLBlendFactorOneMinusDestinationAlpha, MTLBlendFactorOne, 0.2f * 0.5f + 0.5f},
    {MTLBlendFactorZero, MTLBlendFactorSourceAlpha, 0.5f * 0.8f},
    {MTLBlendFactorSourceColor, MTLBlendFactorOneMinusSourceColor, 0.2f * 0.2f + 0.5f * 0.8f},
    {MTLBlendFactorDestinationColor, MTLBlendFactorOneMinusDestinationColor, 0.2f * 0.5f + 0.5f * 0.5f},
    {MTLBlendFactorSourceAlphaSaturated, MTLBlendFactorZero, 0.2f * 0.5f},
  };
  id<MTLBuffer> src = Buffer({0.2f, 0.4f, 0.6f, 0.8f, 0.f});
  id<MTLBuffer> quad = Buffer({0, 0, 0, 8, 8, 0, 8, 8});
  for (const Case& c : cases)
  {
    id<MTLCommandBuffer> cb = [queue commandBuffer];
    id<MTLRenderCommandEncoder> e = Begin(cb, MTLClearColorMake(0.5, 0.25, 1, 0.5));
    [e setRenderPipelineState:Pipeline(true, c.src, c.dst)];
    [e setVertexBuffer:quad offset:0 atIndex:0];
    [e setFragmentBuffer:src offset:0 atIndex:0];
    [e drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:0 vertexCount:4];
    [e endEncoding];
    [cb commit];
    [cb waitUntilCompleted];
    // The clear colour is itself quantised to 8 bits: allow one step more.
    EXPECT_NEAR(Pixels()[2], c.expectRed * 255.f, 1.5f) << c.src << " " << c.dst;
  }
}

TEST_F(MetalStandIn, FastSourceOverMatchesTheFloatFormulaOnRandomColours)
{
  const unsigned seed = 1234;
  srand(seed);
  auto unit = [] { return (float)(rand() % 1001) / 1000.f; };
  id<MTLBuffer> quad = Buffer({0, 0, 0, 8, 8, 0, 8, 8});
  for (int n = 0; n < 24; n++)
  {
    const float a = n % 4 == 0 ? 1.f : unit(), da = unit();
    const float src[5] = {unit() * a, unit() * a, unit() * a, a, 0.f};
    const MTLClearColor dst = MTLClearColorMake(unit() * da, unit() * da, unit() * da, da);
    id<MTLBuffer> colour = Buffer(std::vector<float>(src, src + 5));
    id<MTLCommandBuffer> cb = [queue commandBuffer];
    id<MTLRenderCommandEncoder> e = Begin(cb, dst);
    [e setRenderPipelineState:Pipeline(true, MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha)];
    [e setVertexBuffer:quad offset:0 atIndex:0];
    [e setFragmentBuffer:colour offset:0 atIndex:0];
    [e drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:0 vertexCount:4];
    [e endEncoding];
    [cb commit];
    [cb waitUntilCompleted];
    const std::vector<uint8_t> px = Pixels();
    const double d[4] = {dst.blue, dst.green, dst.red, dst.alpha}; // stored B, G, R, A
    const float s[4] = {src[2], src[1], src[0], src[3]};
    for (int c = 0; c < 4; c++)
    {
      // The clear colour is quantised first, as the target holds it.
      const float dq = std::round(d[c] * 255.f) / 255.f;
      EXPECT_NEAR(px[(8 * 3 + 5) * 4 + c], (s[c] + dq * (1.f - a)) * 255.f, 1.f)
        << "seed " << seed << " case " << n << " channel " << c;
    }
  }
}

TEST_F(MetalStandIn, DiscardedFragmentsNeitherBlendNorPassTheStencil)
{
  id<MTLBuffer> white = Buffer({1.f, 1.f, 1.f, 1.f, 4.f}); // discard x < 4
  id<MTLBuffer> quad = Buffer({0, 0, 0, 8, 8, 0, 8, 8});
  id<MTLCommandBuffer> cb = [queue commandBuffer];
  id<MTLRenderCommandEncoder> e = Begin(cb, MTLClearColorMake(0, 0, 0, 0));
  [e setRenderPipelineState:Pipeline(true, MTLBlendFactorOne, MTLBlendFactorZero)];
  [e setDepthStencilState:Stencil(MTLCompareFunctionAlways, MTLStencilOperationIncrementClamp)];
  [e setVertexBuffer:quad offset:0 atIndex:0];
  [e setFragmentBuffer:white offset:0 atIndex:0];
  [e drawPrimitives:MTLPrimitiveTypeTriangleStrip vertexStart:0 vertexCount:4];
  [e endEncoding];
  [cb commit];
  [cb waitUntilCompleted];
  std::vector<uint8_t> s(64);
  [stencil getBytes:s.data() bytesPerRow:8 fromRegion:MTLRegionMake2D(0, 0, 8, 8) mipmapLevel:0];
  EXPECT_EQ(Pixels()[(8 * 2 + 1) * 4], 0);
  EXPECT_EQ(Pixels()[(8 * 2 + 6) * 4], 255);
  EXPECT_EQ(s[8 * 2 + 1], 0);
  EXPECT_EQ(s[8 * 2 + 6], 1);
}

TEST_F(MetalStandIn, CompletionHandlersRunAfterExecutionOnlyOnceReleased)
{
  __block int completed = 0;
  PWMTLHoldExecution(true);
  id<MTLCommandBuffer> cb = [queue commandBuffer];
  [cb addCompletedHandler:^(id<MTLCommandBuffer> b) {
    completed += b.status == MTLCommandBufferStatusScheduled;
  }];
  [cb commit];
  usleep(20000);
  EXPECT_EQ(completed, 0);
  EXPECT_EQ(cb.status, MTLCommandBufferStatusCommitted);
  PWMTLHoldExecution(false);
  [cb waitUntilCompleted];
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(cb.status, MTLCommandBufferStatusCompleted);
}

TEST_F(MetalStandIn, RefusesWhatItCannotRun)
{
  static const char junk[] = "not a library";
  dispatch_data_t data = dispatch_data_create(junk, sizeof(junk), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  NSError* error = nil;
  EXPECT_EQ([device newLibraryWithData:data error:&error], nil);
  EXPECT_NE(error, nil);
  dispatch_release(data);
  EXPECT_EQ([library newFunctionWithName:@"notListed"], nil);
  MTLRenderPipelineDescriptor* d = [[[MTLRenderPipelineDescriptor alloc] init] autorelease];
  error = nil;
  EXPECT_EQ([device newRenderPipelineStateWithDescriptor:d error:&error], nil);
  EXPECT_NE(error, nil);
  EXPECT_EQ([device newTextureWithDescriptor:[MTLTextureDescriptor
                                               texture2DDescriptorWithPixelFormat:MTLPixelFormatBGRA8Unorm
                                                                            width:0
                                                                           height:4
                                                                        mipmapped:NO]],
            nil);
}

TEST(MetalSampler, AddressModesAndFilters)
{
  // 2x1 RGBA: black, white.
  const uint8_t px[8] = {0, 0, 0, 255, 255, 255, 255, 255};
  PWMTLTextureView t = {px, 2, 1, 8, MTLPixelFormatRGBA8Unorm};
  float c[4];
  PWMTLSamplerView nearestRepeat = {0, 0, MTLSamplerAddressModeRepeat, MTLSamplerAddressModeRepeat};
  PWMTLSample(&t, &nearestRepeat, 1.25f, 0.5f, c); // wraps to 0.25: black
  EXPECT_EQ(c[0], 0.f);
  PWMTLSample(&t, &nearestRepeat, 0.75f, 0.5f, c);
  EXPECT_EQ(c[0], 1.f);
  PWMTLSamplerView linearClamp = {1, 1, MTLSamplerAddressModeClampToEdge, MTLSamplerAddressModeClampToEdge};
  PWMTLSample(&t, &linearClamp, 0.5f, 0.5f, c); // halfway between the texel centres
  EXPECT_FLOAT_EQ(c[0], 0.5f);
  PWMTLSample(&t, &linearClamp, 2.f, 0.5f, c); // clamped to the edge texel
  EXPECT_FLOAT_EQ(c[0], 1.f);
  const uint8_t bgra[4] = {10, 20, 30, 40};
  PWMTLTextureView b = {bgra, 1, 1, 4, MTLPixelFormatBGRA8Unorm};
  PWMTLSample(&b, &nearestRepeat, 0.5f, 0.5f, c);
  EXPECT_FLOAT_EQ(c[0] * 255.f, 30.f);
  EXPECT_FLOAT_EQ(c[2] * 255.f, 10.f);
}

TEST_F(MetalStandIn, LayerPresentsDrawablesAndWritesThemAsPNG)
{
  CAMetalLayer* layer = [CAMetalLayer layer];
  EXPECT_EQ([layer nextDrawable], nil); // no device yet
  layer.device = device;
  layer.drawableSize = CGSizeMake(8, 8);
  id<CAMetalDrawable> drawable = [layer nextDrawable];
  ASSERT_NE(drawable, nil);
  EXPECT_EQ(drawable.texture.pixelFormat, MTLPixelFormatBGRA8Unorm);
  id<MTLCommandBuffer> cb = [queue commandBuffer];
  MTLRenderPassDescriptor* pass = [MTLRenderPassDescriptor renderPassDescriptor];
  [pass.colorAttachments objectAtIndexedSubscript:0].texture = drawable.texture;
  [pass.colorAttachments objectAtIndexedSubscript:0].loadAction = MTLLoadActionClear;
  [pass.colorAttachments objectAtIndexedSubscript:0].clearColor = MTLClearColorMake(0, 1, 0, 1);
  [[cb renderCommandEncoderWithDescriptor:pass] endEncoding];
  [cb presentDrawable:drawable];
  [cb commit];
  [cb waitUntilCompleted];
  EXPECT_EQ(layer.pwPresentCount, 1u);
  ASSERT_EQ(layer.pwPresentedTexture, drawable.texture);
  const std::string path = ::testing::TempDir() + "pw_metal_layer.png";
  EXPECT_TRUE(PWMTLWriteTexturePNG(layer.pwPresentedTexture, path.c_str()));
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char sig[8] = {};
  EXPECT_EQ(fread(sig, 1, 8, f), 8u);
  fclose(f);
  EXPECT_EQ(sig[1], 'P');
  EXPECT_FALSE(PWMTLWriteTexturePNG(nullptr, path.c_str()));
}
} // namespace
