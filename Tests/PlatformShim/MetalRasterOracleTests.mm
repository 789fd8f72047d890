// The stand-in's rasteriser against a slow per-pixel one written from the
// rules: vertices snapped to 1/256 pixel, pixel centres inside by edge
// functions with top-left ties, culling, stencil test and operations per face,
// discards, blend factors and colour write masks. After every draw colours may
// differ by one 8-bit step per write (interpolation order), coverage and
// stencil not at all.
#include <Metal/Metal.h>
#include <Metal/PWShimMetal.h>

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
  for (int i = 0; i < s->count; i++)
    for (int c = 0; c < 4; c++)
      px[4 * i + (s->bgra && c < 3 ? 2 - c : c)] = (uint8_t)std::nearbyint(std::clamp(rgba[4 * i + c], 0.f, 1.f) * 255);
}

struct Vertex
{
  float x, y, rgba[4];
};

struct Draw
{
  std::vector<Vertex> vertices;
  bool strip = false, shaded = false, blending = false, stencil = false;
  MTLBlendFactor src = MTLBlendFactorOne, dst = MTLBlendFactorZero;
  MTLColorWriteMask writeMask = MTLColorWriteMaskAll;
  MTLCompareFunction compare[2] = {}; // front, back
  MTLStencilOperation fail[2] = {}, pass[2] = {};
  uint32_t readMask[2] = {}, stencilWriteMask[2] = {}, reference = 0;
  MTLCullMode cull = MTLCullModeNone;
  MTLWinding winding = MTLWindingClockwise;
};

double Factor(MTLBlendFactor f, const double* s, const double* d, int c)
{
  switch (f)
  {
    case MTLBlendFactorZero: return 0;
    case MTLBlendFactorOne: return 1;
    case MTLBlendFactorSourceColor: return s[c];
    case MTLBlendFactorOneMinusSourceColor: return 1 - s[c];
    case MTLBlendFactorSourceAlpha: return s[3];
    case MTLBlendFactorOneMinusSourceAlpha: return 1 - s[3];
    case MTLBlendFactorDestinationColor: return d[c];
    case MTLBlendFactorOneMinusDestinationColor: return 1 - d[c];
    case MTLBlendFactorDestinationAlpha: return d[3];
    case MTLBlendFactorOneMinusDestinationAlpha: return 1 - d[3];
    default: return c == 3 ? 1 : std::min(s[3], 1 - d[3]); // source alpha saturated
  }
}

uint8_t StencilOp(MTLStencilOperation op, uint8_t v, uint8_t ref)
{
  const uint8_t ops[8] = {v, 0, ref, (uint8_t)std::min(v + 1, 255), (uint8_t)std::max(v - 1, 0), (uint8_t)~v,
                          (uint8_t)(v + 1), (uint8_t)(v - 1)};
  return ops[op];
}

bool Compare(MTLCompareFunction f, int ref, int v)
{
  const bool results[8] = {false, ref < v, ref == v, ref <= v, ref > v, ref != v, ref >= v, true};
  return results[f];
}

// The slow rasteriser: every pixel of the target against every triangle.
struct Reference
{
  bool bgra;
  std::vector<uint8_t> colour, stencil; // the target's bytes
  std::vector<int> writes;               // colour writes per pixel in this draw

  void Triangle(const Draw& d, const Vertex& a, const Vertex& b, const Vertex& c)
  {
    const int64_t ax = std::llround(a.x * 256), ay = std::llround(a.y * 256);
    const int64_t bx = std::llround(b.x * 256) - ax, by = std::llround(b.y * 256) - ay;
    const int64_t cx = std::llround(c.x * 256) - ax, cy = std::llround(c.y * 256) - ay;
    const int64_t area = bx * cy - cx * by; // positive: clockwise on screen
    const bool front = (area > 0) == (d.winding == MTLWindingClockwise);
    if (area == 0 || (d.cull == MTLCullModeBack && !front) || (d.cull == MTLCullModeFront && front))
      return;
    const int f = front ? 0 : 1;
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++)
      {
        const int64_t px = x * 256 + 128 - ax, py = y * 256 + 128 - ay;
        // Barycentric weights of b and c times the area.
        const int64_t wb = px * cy - cx * py, wc = bx * py - px * by, wa = area - wb - wc;
        auto inside = [&](int64_t w, int64_t ex, int64_t ey) {
          // Edge vector ex, ey in clockwise order; ties belong to top and left edges.
          if (area < 0)
            w = -w, ex = -ex, ey = -ey;
          return w > 0 || (w == 0 && ((ey == 0 && ex > 0) || ey < 0));
        };
        if (!inside(wa, cx - bx, cy - by) || !inside(wb, -cx, -cy) || !inside(wc, bx, by))
          continue;
        Shade(d, f, x, y, (double)wb / area, (double)wc / area, a, b, c);
      }
  }

  void Shade(const Draw& d, int f, int x, int y, double lb, double lc, const Vertex& a, const Vertex& b,
             const Vertex& c)
  {
    uint8_t& st = stencil[y * kW + x];
    const uint8_t ref = (uint8_t)d.reference;
    const bool passes = !d.stencil || Compare(d.compare[f], ref & d.readMask[f], st & d.readMask[f]);
    const bool kept = !d.shaded || !Discarded(x, y); // without a fragment function nothing is discarded
    if (d.stencil && (!passes || kept))
    {
      const uint8_t next = StencilOp(passes ? d.pass[f] : d.fail[f], st, ref);
      st = (uint8_t)((st & ~d.stencilWriteMask[f]) | (next & d.stencilWriteMask[f]));
    }
    if (!passes || !kept || !d.shaded || !d.writeMask)
      return;
    writes[y * kW + x]++;
    uint8_t* px = &colour[(y * kW + x) * 4];
    const int pos[4] = {bgra ? 2 : 0, 1, bgra ? 0 : 2, 3};
    double s[4], dst[4];
    for (int k = 0; k < 4; k++)
    {
      s[k] = a.rgba[k] + (b.rgba[k] - a.rgba[k]) * lb + (c.rgba[k] - a.rgba[k]) * lc;
      dst[k] = px[pos[k]] / 255.0;
    }
    for (int k = 0; k < 4; k++)
    {
      const double o = d.blending ? s[k] * Factor(d.src, s, dst, k) + dst[k] * Factor(d.dst, s, dst, k) : s[k];
      if (d.writeMask & (8 >> k))
        px[pos[k]] = (uint8_t)std::lround(std::clamp(o, 0.0, 1.0) * 255);
    }
  }
};

class MetalRasterOracle : public ::testing::Test
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
    return [[device newTextureWithDescriptor:[MTLTextureDescriptor texture2DDescriptorWithPixelFormat:format
                                                                                                width:kW
                                                                                               height:kH
                                                                                            mipmapped:NO]]
      autorelease];
  }

  // Encodes d on the target; clears first when clear is set.
  void Encode(const Draw& d, id<MTLTexture> target, id<MTLTexture> stencil, const double* clear, int clearStencil)
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
    ca.loadAction = clear ? MTLLoadActionClear : MTLLoadActionLoad;
    if (clear)
      ca.clearColor = MTLClearColorMake(clear[0], clear[1], clear[2], clear[3]);
    pass.stencilAttachment.texture = stencil;
    pass.stencilAttachment.loadAction = clear ? MTLLoadActionClear : MTLLoadActionLoad;
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

  NSAutoreleasePool* pool = nil;
  id<MTLDevice> device = nil;
  id<MTLCommandQueue> queue = nil;
  id<MTLLibrary> library = nil;
};

TEST_F(MetalRasterOracle, RandomTrianglesBlendStatesAndStencilOpsMatchThePerPixelReference)
{
  const MTLBlendFactor overs[2][2] = {{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha},
                                      {MTLBlendFactorOne, MTLBlendFactorZero}};
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
    const int clearStencil = pick(256);
    for (int n = 0; n < 30; n++)
    {
      Draw d;
      d.strip = pick(2);
      // On the 1/256 grid or, for edges through pixel centres, the half-pixel
      // one; partly outside the target.
      const int grid = pick(2) ? 256 : 2;
      for (int v = 0, count = d.strip ? 3 + pick(4) : 3 * (1 + pick(2)); v < count; v++)
      {
        const float a = unit();
        d.vertices.push_back({(float)(pick((kW + 10) * grid) - 5 * grid) / grid,
                              (float)(pick((kH + 10) * grid) - 5 * grid) / grid, {unit() * a, unit() * a, unit() * a, a}});
      }
      d.shaded = pick(6) != 0;
      // Mostly the fast 8-bit cases (source-over, replace), else any factors.
      const int blend = pick(4);
      d.blending = blend != 1;
      d.src = blend < 2 ? overs[blend][0] : (MTLBlendFactor)pick(11);
      d.dst = blend < 2 ? overs[blend][1] : (MTLBlendFactor)pick(10);
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
      if (n == 0)
      {
        // The reference starts from what the clear stored.
        Encode(Draw(), target, stencil, clear, clearStencil);
        ref.colour.resize(kW * kH * 4);
        ref.stencil.resize(kW * kH);
        [target getBytes:ref.colour.data() bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
        [stencil getBytes:ref.stencil.data() bytesPerRow:kW fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
      }
      Encode(d, target, stencil, nullptr, 0);
      ref.writes.assign(kW * kH, 0);
      const std::vector<Vertex>& v = d.vertices;
      for (size_t t = 0; t + 2 < v.size(); t += d.strip ? 1 : 3)
      {
        const bool odd = d.strip && (t & 1); // odd strip triangles keep the strip's winding
        ref.Triangle(d, v[odd ? t + 1 : t], v[odd ? t : t + 1], v[t + 2]);
      }
      std::vector<uint8_t> colour(kW * kH * 4), st(kW * kH);
      [target getBytes:colour.data() bytesPerRow:kW * 4 fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
      [stencil getBytes:st.data() bytesPerRow:kW fromRegion:MTLRegionMake2D(0, 0, kW, kH) mipmapLevel:0];
      for (int i = 0; i < kW * kH; i++)
      {
        const uint8_t* got = &colour[4 * i];
        const uint8_t* want = &ref.colour[4 * i];
        bool near = st[i] == ref.stencil[i];
        for (int c = 0; c < 4; c++)
          near = near && std::abs(got[c] - want[c]) <= std::max(1, ref.writes[i]); // a step per blend
        ASSERT_TRUE(near) << "seed " << seed << " draw " << n << " pixel " << i % kW << "," << i / kW << ": got "
                          << +got[0] << " " << +got[1] << " " << +got[2] << " " << +got[3] << " stencil " << +st[i]
                          << ", reference " << +want[0] << " " << +want[1] << " " << +want[2] << " " << +want[3]
                          << " stencil " << +ref.stencil[i];
      }
      // Go on from the stand-in's pixels so one-step differences do not add up.
      ref.colour = colour;
    }
  }
}
} // namespace
