#include <Metal/Metal.h>
#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace
{
constexpr int kW = 37, kH = 23; // odd sizes leave tails after 4-pixel groups

struct Vertex
{
  float x, y, rgba[4];
};

void OracleVertex(const PWMTLVertexIn* in, PWMTLVertexOut* out)
{
  out->position[0] = in->attributes[0][0] / kW * 2.f - 1.f;
  out->position[1] = 1.f - in->attributes[0][1] / kH * 2.f;
  out->position[3] = 1.f;
  std::memcpy(out->varyings, in->attributes[1], 16);
}

bool Discarded(int x, int y)
{
  return (x + 2 * y) % 7 == 0;
}

// The interpolated colour; discards where Discarded.
void OracleFragment(const PWMTLFragmentSpan* s, float* rgba, uint8_t* keep)
{
  for (int i = 0; i < s->count; i++)
  {
    for (int c = 0; c < 4; c++)
      rgba[4 * i + c] = s->varyings[c] + i * s->dvaryings[c];
    keep[i] = !Discarded(s->x + i, s->y);
  }
}

void OracleFragment8(const PWMTLFragmentSpan* s, uint8_t* px, uint8_t* keep)
{
  std::vector<float> rgba(4 * s->count);
  OracleFragment(s, rgba.data(), keep);
  for (int i = 0; i < 4 * s->count; i++)
    px[i - i % 4 + (s->bgra && i % 4 < 3 ? 2 - i % 4 : i % 4)] = (uint8_t)std::nearbyint(std::clamp(rgba[i], 0.f, 1.f) * 255);
}

// One draw call's state, front face first where there are two.
struct Draw
{
  std::vector<Vertex> vertices;
  bool strip = false, shaded = false, blending = false, stencil = false;
  MTLBlendFactor src = MTLBlendFactorOne, dst = MTLBlendFactorZero;
  MTLColorWriteMask writeMask = MTLColorWriteMaskAll;
  MTLCompareFunction compare[2] = {};
  MTLStencilOperation fail[2] = {}, pass[2] = {};
  uint32_t readMask[2] = {}, stencilWriteMask[2] = {}, reference = 0;
  MTLCullMode cull = MTLCullModeNone;
  MTLWinding winding = MTLWindingClockwise;
};

// The slow rasteriser written from the rules: vertices snapped to 1/256
// pixel, every pixel centre tested against each triangle's edges with
// top-left ties, culling, the stencil test and operations per face, discards,
// blend factors and colour write masks.
struct Reference
{
  bool bgra = false;
  std::vector<uint8_t> colour, stencil; // the target's bytes
  std::vector<int> writes;              // colour writes per pixel in this draw

  void Triangle(const Draw& d, const Vertex& a, const Vertex& b, const Vertex& c)
  {
    const int64_t ax = std::llround(a.x * 256), ay = std::llround(a.y * 256);
    const int64_t bx = std::llround(b.x * 256) - ax, by = std::llround(b.y * 256) - ay;
    const int64_t cx = std::llround(c.x * 256) - ax, cy = std::llround(c.y * 256) - ay;
    const int64_t area = bx * cy - cx * by; // positive: clockwise on screen
    const bool front = (area > 0) == (d.winding == MTLWindingClockwise);
    if (area == 0 || (d.cull == MTLCullModeBack && !front) || (d.cull == MTLCullModeFront && front))
      return;
    // An edge (ex, ey) in clockwise order owns its ties when it is a top or left edge.
    auto inside = [&](int64_t w, int64_t ex, int64_t ey) {
      if (area < 0)
        w = -w, ex = -ex, ey = -ey;
      return w > 0 || (w == 0 && ((ey == 0 && ex > 0) || ey < 0));
    };
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++)
      {
        const int64_t px = x * 256 + 128 - ax, py = y * 256 + 128 - ay;
        const int64_t wb = px * cy - cx * py, wc = bx * py - px * by; // weights of b and c times the area
        if (inside(area - wb - wc, cx - bx, cy - by) && inside(wb, -cx, -cy) && inside(wc, bx, by))
          Shade(d, front ? 0 : 1, x, y, (double)wb / area, (double)wc / area, a, b, c);
      }
  }

  void Shade(const Draw& d, int f, int x, int y, double lb, double lc, const Vertex& a, const Vertex& b,
             const Vertex& c)
  {
    uint8_t& st = stencil[y * kW + x];
    const uint8_t ref = (uint8_t)d.reference, rm = (uint8_t)d.readMask[f];
    const bool passes = !d.stencil || Compare(d.compare[f], ref & rm, st & rm);
    const bool kept = !d.shaded || !Discarded(x, y); // without a fragment function nothing is discarded
    if (d.stencil && (!passes || kept))
    {
      const uint8_t v = st, next[8] = {v, 0, ref, (uint8_t)std::min(v + 1, 255), (uint8_t)std::max(v - 1, 0),
                                       (uint8_t)~v, (uint8_t)(v + 1), (uint8_t)(v - 1)};
      st = (uint8_t)((v & ~d.stencilWriteMask[f]) | (next[passes ? d.pass[f] : d.fail[f]] & d.stencilWriteMask[f]));
    }
    if (!passes || !kept || !d.shaded || !d.writeMask)
      return;
    writes[y * kW + x]++;
    uint8_t* px = &colour[(y * kW + x) * 4];
    const int pos[4] = {bgra ? 2 : 0, 1, bgra ? 0 : 2, 3};
    double s[4], t[4];
    for (int k = 0; k < 4; k++)
      s[k] = a.rgba[k] + (b.rgba[k] - a.rgba[k]) * lb + (c.rgba[k] - a.rgba[k]) * lc, t[k] = px[pos[k]] / 255.0;
    for (int k = 0; k < 4; k++)
    {
      const double o = d.blending ? s[k] * Factor(d.src, s, t, k) + t[k] * Factor(d.dst, s, t, k) : s[k];
      if (d.writeMask & (8 >> k))
        px[pos[k]] = (uint8_t)std::lround(std::clamp(o, 0.0, 1.0) * 255);
    }
  }

  static bool Compare(MTLCompareFunction f, int ref, int v)
  {
    const bool results[8] = {false, ref < v, ref == v, ref <= v, ref > v, ref != v, ref >= v, true};
    return results[f];
  }

  static double Factor(MTLBlendFactor f, const double* s, const double* d, int c)
  {
    const double factors[11] = {0, 1, s[c], 1 - s[c], s[3], 1 - s[3], d[c], 1 - d[c], d[3], 1 - d[3],
                                c == 3 ? 1 : std::min(s[3], 1 - d[3])};
    return factors[f];
  }
};

class MetalStandIn : public ::testing::Test
{
protected:
  void SetUp() override
  {
    pool = [[NSAutoreleasePool alloc] init];
    PWMTLRegisterVertexFunction("oracleVertex", OracleVertex);
    PWMTLRegisterFragmentFunction("oracleFragment", OracleFragment);
    PWMTLRegisterFragmentFunction8("oracleFragment", OracleFragment8);
    device = MTLCreateSystemDefaultDevice();
    queue = [device newCommandQueue];
    static const char lib[] = kPWMTLLibraryMagic "oracleVertex\0oracleFragment";
    dispatch_data_t data = dispatch_data_create(lib, sizeof(lib), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
    library = [device newLibraryWithData:data error:nullptr];
    dispatch_release(data);
  }
  void TearDown() override
  {
    [library release];
    [queue release];
    [device release];
    [pool release];
  }

  id<MTLTexture> Texture(MTLPixelFormat format)
  {
    MTLTextureDescriptor* d = [MTLTextureDescriptor texture2DDescriptorWithPixelFormat:format
                                                                                 width:kW
                                                                                height:kH
                                                                             mipmapped:NO];
    return [[device newTextureWithDescriptor:d] autorelease];
  }

  // Runs d on the targets, clearing them first when clear is given.
  void Encode(const Draw& d, id<MTLTexture> target, id<MTLTexture> stencil, const double* clear = nullptr,
              int clearStencil = 0)
  {
    MTLRenderPipelineDescriptor* pd = [[[MTLRenderPipelineDescriptor alloc] init] autorelease];
    pd.vertexFunction = [[library newFunctionWithName:@"oracleVertex"] autorelease];
    if (d.shaded)
      pd.fragmentFunction = [[library newFunctionWithName:@"oracleFragment"] autorelease];
    MTLVertexDescriptor* vd = [MTLVertexDescriptor vertexDescriptor];
    [vd.attributes objectAtIndexedSubscript:0].format = MTLVertexFormatFloat2;
    [vd.attributes objectAtIndexedSubscript:1].format = MTLVertexFormatFloat4;
    [vd.attributes objectAtIndexedSubscript:1].offset = 8;
    [vd.layouts objectAtIndexedSubscript:0].stride = sizeof(Vertex);
    pd.vertexDescriptor = vd;
    MTLRenderPipelineColorAttachmentDescriptor* c = [pd.colorAttachments objectAtIndexedSubscript:0];
    c.pixelFormat = target.pixelFormat;
    c.blendingEnabled = d.blending;
    c.sourceRGBBlendFactor = c.sourceAlphaBlendFactor = d.src;
    c.destinationRGBBlendFactor = c.destinationAlphaBlendFactor = d.dst;
    c.writeMask = d.writeMask;
    pd.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
    MTLDepthStencilDescriptor* dd = [[[MTLDepthStencilDescriptor alloc] init] autorelease];
    for (int f = 0; f < 2; f++)
    {
      MTLStencilDescriptor* s = [[[MTLStencilDescriptor alloc] init] autorelease];
      s.stencilCompareFunction = d.compare[f];
      s.stencilFailureOperation = d.fail[f];
      s.depthStencilPassOperation = d.pass[f];
      s.readMask = d.readMask[f];
      s.writeMask = d.stencilWriteMask[f];
      f == 0 ? dd.frontFaceStencil = s : dd.backFaceStencil = s;
    }
    MTLRenderPassDescriptor* pass = [MTLRenderPassDescriptor renderPassDescriptor];
    MTLRenderPassColorAttachmentDescriptor* ca = [pass.colorAttachments objectAtIndexedSubscript:0];
    ca.texture = target;
    pass.stencilAttachment.texture = stencil;
    ca.loadAction = pass.stencilAttachment.loadAction = clear ? MTLLoadActionClear : MTLLoadActionLoad;
    if (clear)
      ca.clearColor = MTLClearColorMake(clear[0], clear[1], clear[2], clear[3]);
    pass.stencilAttachment.clearStencil = clearStencil;
    id<MTLRenderPipelineState> pipeline = [device newRenderPipelineStateWithDescriptor:pd error:nullptr];
    id<MTLDepthStencilState> depthStencil = [device newDepthStencilStateWithDescriptor:dd];
    id<MTLBuffer> vb = [device newBufferWithBytes:d.vertices.data() length:d.vertices.size() * sizeof(Vertex) options:0];
    id<MTLCommandBuffer> cb = [queue commandBuffer];
    id<MTLRenderCommandEncoder> e = [cb renderCommandEncoderWithDescriptor:pass];
    [e setRenderPipelineState:pipeline];
    if (d.stencil)
      [e setDepthStencilState:depthStencil];
    [e setStencilReferenceValue:d.reference];
    [e setCullMode:d.cull];
    [e setFrontFacingWinding:d.winding];
    [e setVertexBuffer:vb offset:0 atIndex:0];
    [e drawPrimitives:d.strip ? MTLPrimitiveTypeTriangleStrip : MTLPrimitiveTypeTriangle
          vertexStart:0
          vertexCount:d.vertices.size()];
    [e endEncoding];
    [cb commit];
    [cb waitUntilCompleted];
    [vb release];
    [depthStencil release];
    [pipeline release];
  }

  // Reads both targets into colour and stencil.
  static void Read(id<MTLTexture> target, id<MTLTexture> stencil, std::vector<uint8_t>& colour, std::vector<uint8_t>& st)
  {
    colour.resize(kW * kH * 4), st.resize(kW * kH);
    [target getBytes:colour.data() bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
    [stencil getBytes:st.data() bytesPerRow:kW fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
  }

  NSAutoreleasePool* pool = nil;
  id<MTLDevice> device = nil;
  id<MTLCommandQueue> queue = nil;
  id<MTLLibrary> library = nil;
};

// Random triangles, strips, blend states and stencil operations against the
// reference, compared after every draw: coverage and stencil exactly, colours
// within one 8-bit step per write (interpolation order). The reference goes
// on from the stand-in's colours so that such steps do not add up.
TEST_F(MetalStandIn, RasterisesRandomDrawsAsThePerPixelReference)
{
  for (unsigned seed = 1; seed <= 24; seed++)
  {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    auto unit = [&] { return pick(1001) / 1000.f; };
    Reference ref;
    ref.bgra = pick(2);
    id<MTLTexture> target = Texture(ref.bgra ? MTLPixelFormatBGRA8Unorm : MTLPixelFormatRGBA8Unorm);
    id<MTLTexture> stencil = Texture(MTLPixelFormatStencil8);
    const double clear[4] = {unit(), unit(), unit(), unit()};
    Encode(Draw(), target, stencil, clear, pick(256));
    Read(target, stencil, ref.colour, ref.stencil);
    for (int n = 0; n < 30; n++)
    {
      Draw d;
      d.strip = pick(2);
      // On the 1/256 grid or, for edges through pixel centres, the half-pixel one.
      const int grid = pick(2) ? 256 : 2;
      for (int v = 0, count = d.strip ? 3 + pick(4) : 3 * (1 + pick(2)); v < count; v++)
      {
        const float a = unit();
        d.vertices.push_back({(float)(pick((kW + 10) * grid) - 5 * grid) / grid,
                              (float)(pick((kH + 10) * grid) - 5 * grid) / grid, {unit() * a, unit() * a, unit() * a, a}});
      }
      d.shaded = pick(6) != 0;
      // Mostly the 8-bit cases (source-over, no blending), else any factors.
      const int blend = pick(4);
      d.blending = blend != 1;
      d.src = blend < 2 ? MTLBlendFactorOne : (MTLBlendFactor)pick(11);
      d.dst = blend == 0 ? MTLBlendFactorOneMinusSourceAlpha : (blend == 1 ? MTLBlendFactorZero : (MTLBlendFactor)pick(10));
      d.writeMask = pick(3) ? MTLColorWriteMaskAll : (MTLColorWriteMask)pick(16);
      d.stencil = pick(2);
      for (int f = 0; f < 2; f++)
      {
        d.compare[f] = (MTLCompareFunction)pick(8);
        d.fail[f] = (MTLStencilOperation)pick(8);
        d.pass[f] = (MTLStencilOperation)pick(8);
        d.readMask[f] = pick(2) ? 0xff : pick(256);
        d.stencilWriteMask[f] = pick(2) ? 0xff : pick(256);
      }
      d.reference = pick(256);
      d.cull = (MTLCullMode)pick(3);
      d.winding = (MTLWinding)pick(2);
      Encode(d, target, stencil);
      ref.writes.assign(kW * kH, 0);
      for (size_t t = 0; t + 2 < d.vertices.size(); t += d.strip ? 1 : 3)
      {
        const bool odd = d.strip && (t & 1); // odd strip triangles keep the strip's winding
        ref.Triangle(d, d.vertices[odd ? t + 1 : t], d.vertices[odd ? t : t + 1], d.vertices[t + 2]);
      }
      std::vector<uint8_t> colour, st;
      Read(target, stencil, colour, st);
      for (int i = 0; i < kW * kH; i++)
      {
        const uint8_t *got = &colour[4 * i], *want = &ref.colour[4 * i];
        bool near = st[i] == ref.stencil[i];
        for (int c = 0; c < 4; c++)
          near = near && std::abs(got[c] - want[c]) <= std::max(1, ref.writes[i]);
        ASSERT_TRUE(near) << "seed " << seed << " draw " << n << " pixel " << i % kW << "," << i / kW << ": got "
                          << +got[0] << " " << +got[1] << " " << +got[2] << " " << +got[3] << " stencil " << +st[i]
                          << ", reference " << +want[0] << " " << +want[1] << " " << +want[2] << " " << +want[3]
                          << " stencil " << +ref.stencil[i];
      }
      ref.colour = colour;
    }
  }
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
