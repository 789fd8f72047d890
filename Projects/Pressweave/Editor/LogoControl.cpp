#include "LogoControl.h"

#include <algorithm>

#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

namespace {

// Corners of each bar in drawing order, design units, y downward.
constexpr float kBars[4][4][2] = {
  {{488, 0}, {1252, 0}, {1112, 213}, {348, 213}},
  {{314, 262}, {1621, 262}, {1481, 475}, {174, 475}},
  {{140, 525}, {1447, 525}, {1307, 738}, {0, 738}},
  {{508, 787}, {1272, 787}, {1132, 1000}, {368, 1000}},
};

} // namespace

LogoControl::LogoControl(const IRECT& bounds) : IControl(bounds, kNoParameter, nullptr) {}

void LogoControl::Draw(ICanvas& g)
{
  const float scale = std::min(mRECT.W() / kDesignWidth, mRECT.H() / kDesignHeight);
  DrawFill(g, mRECT.L, mRECT.T, scale, COLOR_WHITE.WithOpacity(0.8f));
}

void LogoControl::DrawFill(ICanvas& g, float x, float y, float scale, const IColor& color)
{
  for (const auto& bar : kBars)
  {
    g.PathTransformSave();
    g.PathTransformTranslate(x, y);
    g.PathTransformScale(scale, scale);
    g.PathClear();
    g.PathMoveTo(bar[0][0], bar[0][1]);
    for (int c = 1; c < 4; ++c)
      g.PathLineTo(bar[c][0], bar[c][1]);
    g.PathClose();
    g.PathFill(IPattern(color), IFillOptions());
    g.PathTransformRestore();
  }
}

} // namespace pressweave
