// The drawing members of DynamicRangeMeter. They live in the editor library
// so that the engine library does not link the graphics core.
//
// Threads: main thread, like the meter's analysis.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "DynamicRangeMeter.h"
#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

namespace {

constexpr double kTop = DynamicRangeMeter::kDisplayTop;
constexpr double kBottom = DynamicRangeMeter::kDisplayBottom;

// Height of d dB in r; values off the scale land outside r.
float YOf(const IRECT& r, double d) { return static_cast<float>(r.B - (d - kBottom) / (kTop - kBottom) * r.H()); }

// Height of d dB in r with the scale fraction clamped to 0..1.
float YOfClamped(const IRECT& r, double d)
{
  double frac = (d - kBottom) / (kTop - kBottom);
  frac = std::isnan(frac) ? 0.0 : std::clamp(frac, 0.0, 1.0);
  return static_cast<float>(r.B - frac * r.H());
}

IColor LoudnessZoneColor(double s)
{
  if (s >= kBottom && s < -14.0)
    return IColor::FromColorCode(0x06B2C4);
  if (s >= -14.0 && s < -6.0)
    return COLOR_ORANGE;
  if (s >= -6.0 && s <= kTop)
    return COLOR_RED;
  return IColor(64, 255, 0, 0);
}

const IColor kYellow(255, 255, 255, 0);

} // namespace

void DynamicRangeMeter::Draw(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                             const IColor& barLeft, const IColor& barRight, bool showLUFS)
{
  DrawPeaks(g, r, holdLeft, holdRight, barLeft, barRight);
  DrawPeaksHold(g, r, holdLeft, holdRight, barLeft, barRight);
  DrawRMS(g, r, holdLeft, holdRight, barLeft, barRight);
  mLoudnessEnabled = showLUFS;
  if (showLUFS)
    DrawLUFS(g, r, holdLeft, holdRight, barLeft, barRight);
}

void DynamicRangeMeter::DrawPeaks(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor& barLeft,
                                  const IColor& barRight)
{
  const float w = r.R - r.L;
  const float xs[2] = {r.L + w / 4.0f, r.R - w / 4.0f};
  const IColor* bars[2] = {&barLeft, &barRight};
  for (int ch = 0; ch < 2; ++ch)
  {
    const double peak = mChannels[ch].peakDB;
    const float n = static_cast<float>((peak - kBottom) / (kTop - kBottom));
    const IColor color = (peak > 0.0 ? COLOR_RED : *bars[ch]).WithOpacity(std::isnan(n) ? 0.0f : n);
    g.DrawLine(color, xs[ch], YOf(r, peak), xs[ch], r.B, nullptr, 2.0f);
  }
}

void DynamicRangeMeter::DrawPeaksHold(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                                      const IColor&, const IColor&)
{
  const double holdL = mChannels[0].peakHoldDB;
  const double holdR = mChannels[1].peakHoldDB;
  const IColor colorL = std::min(holdL, kTop) > 0.0 ? kYellow : holdLeft;
  const IColor colorR = std::min(holdR, kTop) > 0.0 ? kYellow : holdRight;
  const float yL = YOf(r, holdL);
  const float yR = YOf(r, holdR);
  g.DrawLine(colorL, r.L + 1.0f, yL, r.MW() - 1.0f, yL, nullptr, 2.0f);
  g.DrawLine(colorR, r.R - 1.0f, yR, r.MW() + 1.0f, yR, nullptr, 2.0f);
}

void DynamicRangeMeter::DrawRMS(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor& barLeft,
                                const IColor& barRight)
{
  // Each channel's half: left from L + 1 to MW - 1, right from MW + 1 to R - 1.
  const float lefts[2] = {r.L + 1.0f, r.MW() + 1.0f};
  const float rights[2] = {r.MW() - 1.0f, r.R - 1.0f};
  const IColor* bars[2] = {&barLeft, &barRight};
  const float y0 = YOfClamped(r, 0.0);
  const float yMinus3 = YOfClamped(r, -3.0);
  for (int ch = 0; ch < 2; ++ch)
  {
    const double shown = mChannels[ch].rmsDB + 3.0;
    const float y = YOfClamped(r, shown);
    g.FillRect(*bars[ch], IRECT(lefts[ch], y, rights[ch], r.B));
    if (shown > -3.0)
      g.FillRect(bars[ch]->WithContrast(0.25f), IRECT(lefts[ch], y0, rights[ch], yMinus3));
    if (shown > 0.0)
      g.FillRect(COLOR_RED.WithOpacity(0.2f), IRECT(lefts[ch], y, rights[ch], y0));
  }
}

void DynamicRangeMeter::DrawLUFS(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor&,
                                 const IColor&)
{
  // Slow fall, faster rise. Written as a step towards v so that a steady
  // value stays exactly steady; a value that is not a number is skipped so
  // it cannot stick in the display.
  const double v = mLoudness;
  double& s = mDisplayLoudness;
  if (!std::isnan(v))
    s += (v > s ? 0.04 : 0.01) * (v - s);

  const IColor color = LoudnessZoneColor(s);
  const float x = (r.L + r.R) / 2.0f;
  const float y = YOf(r, s);
  g.FillCircle(color, x, y, 1.5f);
  g.DrawLine(color, r.L, y, r.R, y, nullptr, 1.0f);

  const IText text(12.0f, COLOR_WHITE, nullptr, EAlign::Center, EVAlign::Middle);
  char str[16];
  std::snprintf(str, sizeof(str), "%.1f dB", s);
  g.DrawText(text, str, x, y + 14.0f);
  g.DrawText(text, "LUFS-M", x, y + 28.0f);
}

void DynamicRangeMeter::DrawLUFS2(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor&,
                                  const IColor&)
{
  const double v = mGatedLoudness;
  double& s = mDisplayLoudness;
  if (!std::isnan(v))
    s = 0.5 * v + 0.5 * s;

  const IColor color = LoudnessZoneColor(s);
  const float y = YOf(r, s);
  g.DrawLine(color, r.L, y, r.R, y, nullptr, 1.5f);
  g.FillCircle(color, r.MW(), y, 2.0f);
  g.FillRect(COLOR_BLACK.WithOpacity(0.5f), IRECT(r.MW() - 30.0f, y - 26.0f, r.MW() + 30.0f, y + 26.0f));

  char str[16];
  std::snprintf(str, sizeof(str), "%.1f LUFS", s);
  g.DrawText(IText(12.0f, kYellow, nullptr, EAlign::Center, EVAlign::Middle), str, r.MW(), y - 16.0f);
  g.DrawText(IText(10.0f, IColor(200, 200, 200, 0), nullptr, EAlign::Center, EVAlign::Middle), "EBU R128", r.MW(),
             y + 16.0f);
  DrawLUFSZones(g, r, [&r](double d) { return YOf(r, d); });
}

void DynamicRangeMeter::DrawLUFSZones(ICanvas& g, const IRECT& r, const std::function<float(double)>& dBToHeight)
{
  if (!dBToHeight)
    return;
  const float left = r.L;
  const float right = r.L + r.W() / 10.0f;
  const float y14 = dBToHeight(-14.0);
  const float y6 = dBToHeight(-6.0);
  const struct
  {
    const char* name;
    IRECT zone;
    IColor color;
  } zones[3] = {{"Safe", IRECT(left, y14, right, r.B), IColor(100, 0, 180, 180)},
                {"Warning", IRECT(left, y6, right, y14), IColor(100, 255, 165, 0)},
                {"Danger", IRECT(left, r.T, right, y6), IColor(100, 255, 0, 0)}};
  const IText text(8.0f, kYellow, nullptr, EAlign::Center, EVAlign::Middle);
  for (const auto& z : zones)
  {
    g.FillRect(z.color, z.zone);
    g.DrawText(text, z.name, z.zone);
  }
}

} // namespace pressweave
