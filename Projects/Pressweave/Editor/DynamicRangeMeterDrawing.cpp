// The drawing members of DynamicRangeMeter and DynamicRangeMeter2. They live
// in the editor library so that the engine library does not link the
// graphics core.
//
// Threads: main thread, like the meter's analysis.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "DynamicRangeMeter.h"
#include "DynamicRangeMeter2.h"
#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

namespace {

// A meter's vertical scale, dB.
struct Scale
{
  double top, bottom;

  // The fraction of the scale at d dB: 0 at the bottom, 1 at the top.
  double Frac(double d) const { return (d - bottom) / (top - bottom); }
  // Height of d dB in r; values off the scale land outside r.
  float Y(const IRECT& r, double d) const { return static_cast<float>(r.B - Frac(d) * r.H()); }
  // Height of d dB in r with the scale fraction clamped to 0..1.
  float YClamped(const IRECT& r, double d) const
  {
    const double frac = Frac(d);
    return static_cast<float>(r.B - (std::isnan(frac) ? 0.0 : std::clamp(frac, 0.0, 1.0)) * r.H());
  }
};

constexpr Scale kMeterScale{DynamicRangeMeter::kDisplayTop, DynamicRangeMeter::kDisplayBottom};

IColor LoudnessZoneColor(const Scale& scale, double s)
{
  if (s >= scale.bottom && s < -14.0)
    return IColor::FromColorCode(0x06B2C4);
  if (s >= -14.0 && s < -6.0)
    return COLOR_ORANGE;
  if (s >= -6.0 && s <= scale.top)
    return COLOR_RED;
  return IColor(64, 255, 0, 0);
}

const IColor kYellow(255, 255, 255, 0);

// Each channel's peak as a vertical line of width 2 from its height to the
// bottom, a quarter of the width in from its side; red above 0 dB, else the
// channel's bar colour, faded by the peak's place on the scale.
void DrawPeakLines(ICanvas& g, const IRECT& r, const Scale& scale, const double peakDB[2], const IColor& barLeft,
                   const IColor& barRight)
{
  const float w = r.R - r.L;
  const float xs[2] = {r.L + w / 4.0f, r.R - w / 4.0f};
  const IColor* bars[2] = {&barLeft, &barRight};
  for (int ch = 0; ch < 2; ++ch)
  {
    const double peak = peakDB[ch];
    const float n = static_cast<float>(scale.Frac(peak));
    const IColor color = (peak > 0.0 ? COLOR_RED : *bars[ch]).WithOpacity(std::isnan(n) ? 0.0f : n);
    g.DrawLine(color, xs[ch], scale.Y(r, peak), xs[ch], r.B, nullptr, 2.0f);
  }
}

// Each channel's hold as a horizontal line of width 2 across its half,
// yellow above 0 dB (a hold off the top counts as the top).
void DrawHoldMarks(ICanvas& g, const IRECT& r, const Scale& scale, const double holdDB[2], const IColor& holdLeft,
                   const IColor& holdRight)
{
  const IColor colorL = std::min(holdDB[0], scale.top) > 0.0 ? kYellow : holdLeft;
  const IColor colorR = std::min(holdDB[1], scale.top) > 0.0 ? kYellow : holdRight;
  const float yL = scale.Y(r, holdDB[0]);
  const float yR = scale.Y(r, holdDB[1]);
  g.DrawLine(colorL, r.L + 1.0f, yL, r.MW() - 1.0f, yL, nullptr, 2.0f);
  g.DrawLine(colorR, r.R - 1.0f, yR, r.MW() + 1.0f, yR, nullptr, 2.0f);
}

// Each channel's half for its RMS bar: left from L + 1 to MW - 1, right
// from MW + 1 to R - 1.
struct Halves
{
  float lefts[2], rights[2];
  explicit Halves(const IRECT& r) : lefts{r.L + 1.0f, r.MW() + 1.0f}, rights{r.MW() - 1.0f, r.R - 1.0f} {}
};

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
  const double peaks[2] = {mChannels[0].peakDB, mChannels[1].peakDB};
  DrawPeakLines(g, r, kMeterScale, peaks, barLeft, barRight);
}

void DynamicRangeMeter::DrawPeaksHold(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                                      const IColor&, const IColor&)
{
  const double holds[2] = {mChannels[0].peakHoldDB, mChannels[1].peakHoldDB};
  DrawHoldMarks(g, r, kMeterScale, holds, holdLeft, holdRight);
}

void DynamicRangeMeter::DrawRMS(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor& barLeft,
                                const IColor& barRight)
{
  const Halves halves(r);
  const IColor* bars[2] = {&barLeft, &barRight};
  const float y0 = kMeterScale.YClamped(r, 0.0);
  const float yMinus3 = kMeterScale.YClamped(r, -3.0);
  for (int ch = 0; ch < 2; ++ch)
  {
    const float left = halves.lefts[ch], right = halves.rights[ch];
    const double shown = mChannels[ch].rmsDB + 3.0;
    const float y = kMeterScale.YClamped(r, shown);
    g.FillRect(*bars[ch], IRECT(left, y, right, r.B));
    if (shown > -3.0)
      g.FillRect(bars[ch]->WithContrast(0.25f), IRECT(left, y0, right, yMinus3));
    if (shown > 0.0)
      g.FillRect(COLOR_RED.WithOpacity(0.2f), IRECT(left, y, right, y0));
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

  const IColor color = LoudnessZoneColor(kMeterScale, s);
  const float x = (r.L + r.R) / 2.0f;
  const float y = kMeterScale.Y(r, s);
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

  const IColor color = LoudnessZoneColor(kMeterScale, s);
  const float y = kMeterScale.Y(r, s);
  g.DrawLine(color, r.L, y, r.R, y, nullptr, 1.5f);
  g.FillCircle(color, r.MW(), y, 2.0f);
  g.FillRect(COLOR_BLACK.WithOpacity(0.5f), IRECT(r.MW() - 30.0f, y - 26.0f, r.MW() + 30.0f, y + 26.0f));

  char str[16];
  std::snprintf(str, sizeof(str), "%.1f LUFS", s);
  g.DrawText(IText(12.0f, kYellow, nullptr, EAlign::Center, EVAlign::Middle), str, r.MW(), y - 16.0f);
  g.DrawText(IText(10.0f, IColor(200, 200, 200, 0), nullptr, EAlign::Center, EVAlign::Middle), "EBU R128", r.MW(),
             y + 16.0f);
  DrawLUFSZones(g, r, [&r](double d) { return kMeterScale.Y(r, d); });
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

// --- DynamicRangeMeter2

void DynamicRangeMeter2::DrawPeaks(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor& barLeft,
                                   const IColor& barRight)
{
  const double peaks[2] = {mChannels[0].peakDB, mChannels[1].peakDB};
  DrawPeakLines(g, r, Scale{mScaleTop, mScaleBottom}, peaks, barLeft, barRight);
}

void DynamicRangeMeter2::DrawPeaksHold(ICanvas& g, const IRECT& r, const IColor& holdLeft, const IColor& holdRight,
                                       const IColor&, const IColor&)
{
  const double holds[2] = {mChannels[0].peakHoldDB, mChannels[1].peakHoldDB};
  DrawHoldMarks(g, r, Scale{mScaleTop, mScaleBottom}, holds, holdLeft, holdRight);
}

void DynamicRangeMeter2::DrawRMS(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor& barLeft,
                                 const IColor& barRight)
{
  const Scale scale{mScaleTop, mScaleBottom};
  const Halves halves(r);
  const IColor* bars[2] = {&barLeft, &barRight};
  const float y0 = scale.Y(r, 0.0);
  const float yMinus3 = scale.Y(r, -3.0);
  for (int ch = 0; ch < 2; ++ch)
  {
    const float left = halves.lefts[ch], right = halves.rights[ch];
    const double rms = mChannels[ch].rmsDB;
    const float y = scale.Y(r, rms);
    g.FillRect(*bars[ch], IRECT(left, y, right, r.B));
    if (rms >= -3.0)
      g.FillRect(bars[ch]->WithContrast(0.25f), IRECT(left, y, right, yMinus3));
    if (rms >= 0.0)
      g.FillRect(COLOR_RED.WithOpacity(0.2f), IRECT(left, y, right, y0));
  }
}

void DynamicRangeMeter2::DrawLUFS(ICanvas& g, const IRECT& r, const IColor&, const IColor&, const IColor&,
                                  const IColor&)
{
  static const char* const kLabels[kNumLoudness] = {"M", "S", "I"};
  const Scale scale{mScaleTop, mScaleBottom};
  const IText text(10.0f, kYellow, nullptr, EAlign::Center, EVAlign::Middle);
  for (int i = 0; i < kNumLoudness; ++i)
  {
    // A value that is not a number is skipped so it cannot stick in the
    // display.
    double& s = mPrevLoudness[i];
    if (!std::isnan(mLoudness[i]))
      s = 0.1 * mLoudness[i] + 0.9 * s;

    const float x = r.L + static_cast<float>(i + 1) * r.W() / 4.0f;
    const float y = scale.Y(r, s);
    g.FillCircle(LoudnessZoneColor(scale, s), x, y, 3.0f);
    char str[32];
    std::snprintf(str, sizeof(str), "%s: %.1f", kLabels[i], s);
    g.DrawText(text, str, x, y + 15.0f);
  }
}

} // namespace pressweave
