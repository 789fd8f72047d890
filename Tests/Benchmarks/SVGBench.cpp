// Cost of reading and drawing large SVG documents through the graphics
// core's SVG replay, with a drawing context whose path operations only count
// (so the time is the reader's and the replay's, not a renderer's):
//   BM_SubPaths: one path of 16,000 sub-paths, 8,000 squares each with a
//                square hole on a grid, so every sub-path's hole test meets
//                thousands of other outlines and its ray runs through the
//                corners of a hundred others;
//   BM_Scattered: one path of 16,000 sub-paths, 8,000 triangles each with a
//                triangle inside, at random places and sizes;
//   BM_SharedGradient: 3,000 rectangles filled and stroked with one linear
//                gradient of 3,000 stops.
// Each iteration parses the text and draws the image once. The holes and
// stops counters check that the drawing is the expected one.
//
//   build/<dir>/Tests/Benchmarks/svg-bench

#include "SVGImage.h"
#include "SVGParser.h"
#include "TestCanvas.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

using namespace pwtest;

class CountingCanvas : public RecordingCanvas
{
public:
  using RecordingCanvas::RecordingCanvas;

  void PathClear() override {}
  void PathClose() override {}
  void PathMoveTo(float, float) override { ops++; }
  void PathCubicBezierTo(float, float, float, float, float, float) override { ops++; }
  void PathSetWinding(bool hole) override { holes += hole ? 1 : 0; }
  void PathFill(const IPattern& pattern, const IFillOptions&, const IBlend*) override { stops += pattern.NStops(); }
  void PathStroke(const IPattern& pattern, float, const IStrokeOptions&, const IBlend*) override
  {
    stops += pattern.NStops();
  }
  void PathTransformSetMatrix(const IMatrix&) override {}

  long ops = 0, holes = 0, stops = 0;
};

std::string SubPathsDocument()
{
  std::string d;
  char buf[96];
  for (int row = 0; row < 100; row++)
  {
    for (int col = 0; col < 80; col++)
    {
      const int x = col * 10, y = row * 10;
      std::snprintf(buf, sizeof(buf), "M%d %dh8v8h-8zM%d %dh4v4h-4z", x, y, x + 2, y + 2);
      d += buf;
    }
  }
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"1000\"><path fill=\"#000\" d=\"" + d +
         "\"/></svg>";
}

std::string ScatteredDocument()
{
  std::string d;
  char buf[128];
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 8000; i++)
  {
    const float x = unit(rng) * 790, y = unit(rng) * 990, s = 2 + unit(rng) * 8;
    std::snprintf(buf, sizeof(buf), "M%.2f %.2fl%.2f %.2fl%.2f %.2fzM%.2f %.2fl%.2f %.2fl%.2f %.2fz", x, y, s,
                  s * 0.3f, -s * 0.4f, s, x + s * 0.2f, y + s * 0.3f, s * 0.3f, s * 0.1f, -s * 0.1f, s * 0.3f);
    d += buf;
  }
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"1000\"><path fill=\"#000\" d=\"" + d +
         "\"/></svg>";
}

std::string SharedGradientDocument()
{
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"500\"><defs>"
                     "<linearGradient id=\"g\">";
  char buf[128];
  for (int i = 0; i < 3000; i++)
  {
    std::snprintf(buf, sizeof(buf), "<stop offset=\"%.5f\" stop-color=\"#%06x\"/>", i / 2999.0, (i * 2654435761u) & 0xFFFFFF);
    text += buf;
  }
  text += "</linearGradient></defs>";
  for (int i = 0; i < 3000; i++)
  {
    std::snprintf(buf, sizeof(buf), "<rect x=\"%d\" y=\"%d\" width=\"8\" height=\"8\" fill=\"url(#g)\" stroke=\"url(#g)\"/>",
                  (i % 60) * 10, (i / 60) * 10);
    text += buf;
  }
  return text + "</svg>";
}

void ParseAndDraw(benchmark::State& state, const std::string& text)
{
  TestGDelegate dlg;
  CountingCanvas g(dlg);
  for (auto _ : state)
  {
    g.ops = g.holes = g.stops = 0;
    const auto image = weft::svg::ParseSVG(text.c_str());
    if (!image)
    {
      state.SkipWithError("the document did not parse");
      return;
    }
    g.DrawSVG(ISVG(image.get()), IRECT(0, 0, 800, 1000));
    benchmark::DoNotOptimize(g.ops);
  }
  state.counters["bytes"] = double(text.size());
  state.counters["holes"] = double(g.holes);
  state.counters["stops"] = double(g.stops);
}

void BM_SubPaths(benchmark::State& state) { ParseAndDraw(state, SubPathsDocument()); }
void BM_Scattered(benchmark::State& state) { ParseAndDraw(state, ScatteredDocument()); }
void BM_SharedGradient(benchmark::State& state) { ParseAndDraw(state, SharedGradientDocument()); }

} // namespace

BENCHMARK(BM_SubPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scattered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedGradient)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
