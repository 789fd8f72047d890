// Cost of one editor-like frame through the Metal backend and the CPU Metal
// stand-in: 1000 x 400 points at draw scales 1 and 2, drawn into an offscreen
// target and waited for; by default with the 8-bit forms of the fragment
// functions, and once with the Metal functions themselves.
#include "VGMetal.h"
#include "VGRenderer.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <benchmark/benchmark.h>

#include <cmath>

#include <sys/resource.h>

namespace
{
constexpr float kWidth = 1000.f, kHeight = 400.f, kPi = 3.1415927f;

// Panels, a drop shadow, 10 knobs with value arcs and a 1000-point waveform.
void DrawScene(VGcontext* vg)
{
  // Background and three panels with a shadow each.
  vgBeginPath(vg);
  vgRect(vg, 0, 0, kWidth, kHeight);
  vgFillPaint(vg, vgLinearGradient(vg, 0, 0, 0, kHeight, vgRGB(40, 42, 48), vgRGB(24, 25, 28)));
  vgFill(vg);
  for (int p = 0; p < 3; p++)
  {
    const float x = 20.f + p * 325.f, y = 20.f, w = 305.f, h = 170.f;
    vgBeginPath(vg);
    vgRect(vg, x - 10, y - 10, w + 20, h + 30);
    vgRoundedRect(vg, x, y, w, h, 6);
    vgPathWinding(vg, VG_HOLE);
    vgFillPaint(vg, vgBoxGradient(vg, x, y + 4, w, h, 8, 10, vgRGBA(0, 0, 0, 128), vgRGBA(0, 0, 0, 0)));
    vgFill(vg);
    vgBeginPath(vg);
    vgRoundedRect(vg, x, y, w, h, 6);
    vgFillColor(vg, vgRGB(58, 61, 70));
    vgFill(vg);
    vgStrokeColor(vg, vgRGBA(255, 255, 255, 40));
    vgStroke(vg);
  }
  // Ten knobs: body, track arc and value arc.
  for (int k = 0; k < 10; k++)
  {
    const float cx = 60.f + k * 92.f, cy = 110.f, r = 28.f;
    vgBeginPath(vg);
    vgCircle(vg, cx, cy, r * 0.7f);
    vgFillPaint(vg, vgRadialGradient(vg, cx - 5, cy - 5, 2, r, vgRGB(90, 94, 104), vgRGB(50, 52, 58)));
    vgFill(vg);
    vgStrokeWidth(vg, 4);
    vgLineCap(vg, VG_ROUND);
    vgBeginPath(vg);
    vgArc(vg, cx, cy, r, 0.75f * kPi, 2.25f * kPi, VG_CW);
    vgStrokeColor(vg, vgRGB(30, 30, 34));
    vgStroke(vg);
    vgBeginPath(vg);
    vgArc(vg, cx, cy, r, 0.75f * kPi, (0.75f + 0.15f * k) * kPi, VG_CW);
    vgStrokeColor(vg, vgRGB(240, 160, 40));
    vgStroke(vg);
    vgBeginPath(vg);
    vgMoveTo(vg, cx, cy);
    vgLineTo(vg, cx + std::cos((0.75f + 0.15f * k) * kPi) * r * 0.6f, cy + std::sin((0.75f + 0.15f * k) * kPi) * r * 0.6f);
    vgStrokeColor(vg, vgRGB(230, 230, 230));
    vgStrokeWidth(vg, 2);
    vgStroke(vg);
  }
  // The waveform: 1000 points across the lower half.
  vgBeginPath(vg);
  for (int i = 0; i < 1000; i++)
  {
    const float x = 20.f + i * 0.96f;
    const float y = 300.f + 60.f * std::sin(i * 0.05f) * std::cos(i * 0.013f);
    i == 0 ? vgMoveTo(vg, x, y) : vgLineTo(vg, x, y);
  }
  vgStrokeWidth(vg, 1.5f);
  vgLineCap(vg, VG_BUTT);
  vgStrokeColor(vg, vgRGB(80, 200, 255));
  vgStroke(vg);
}

double ProcessCpuSeconds()
{
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_VGMetalFrame(benchmark::State& state)
{
  const float scale = (float)state.range(0);
  PWMTLUseFragmentFunctions8(state.range(1) != 0);
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CAMetalLayer* layer = [[CAMetalLayer alloc] init];
  VGcontext* ctx = vgCreateMTL(layer, VG_ANTIALIAS | VG_TRIPLE_BUFFER);
  MVGframebuffer* fb = mvgCreateFramebuffer(ctx, (int)(kWidth * scale), (int)(kHeight * scale), 0);
  mvgBindFramebuffer(fb);
  unsigned char pixel[4];
  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state)
  {
    mvgClearWithColor(ctx, vgRGBf(0, 0, 0));
    vgBeginFrame(ctx, kWidth, kHeight, scale);
    DrawScene(ctx);
    vgEndFrame(ctx);
    mvgReadPixels(ctx, fb->image, 0, 0, 1, 1, pixel); // waits for the frame
    benchmark::DoNotOptimize(pixel);
  }
  // Both threads' time: the recording main thread and the executing worker.
  state.counters["cpu_ms"] =
    benchmark::Counter((ProcessCpuSeconds() - cpuStart) * 1e3 / state.iterations());
  mvgBindFramebuffer(nullptr);
  mvgDeleteFramebuffer(fb);
  vgDeleteMTL(ctx);
  [layer release];
  [pool release];
  PWMTLUseFragmentFunctions8(true);
}
} // namespace

// Arguments: draw scale, 8-bit forms on.
BENCHMARK(BM_VGMetalFrame)
  ->Args({1, 1})
  ->Args({2, 1})
  ->Args({1, 0})
  ->Unit(benchmark::kMillisecond)
  ->UseRealTime();
