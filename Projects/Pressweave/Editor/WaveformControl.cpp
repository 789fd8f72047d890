#include "WaveformControl.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "EditorMath.h"
#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

namespace {

constexpr const char* kFont = "Roboto-Regular";
// Bar numbers beyond this are clamped; times the bar count they stay far from overflow.
constexpr long long kBarLimit = 1LL << 40;

IText ReadoutText(const IColor& color) { return IText(12.0f, color, kFont, EAlign::Near, EVAlign::Middle); }

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

} // namespace

WaveformControl::WaveformControl(const IRECT& bounds, const IColor& colorInput, const IColor& colorOutput,
                                 const IColor& colorFill, WaveformProcessor* pProcessor)
: IControl(bounds, kNoParameter, nullptr)
, mProcessor(pProcessor)
, mColorOutput(colorOutput)
, mColorFill(colorFill)
, mColorInput(colorInput)
, mTraceScale(0.99f)
, mColorTheme(0)
{
  UpdateColorsFromTheme();
}

void WaveformControl::SetColorTheme(int theme)
{
  mColorTheme = theme;
  UpdateColorsFromTheme();
  SetDirty(true);
}

void WaveformControl::SetColorInput(const IColor& color)
{
  mColorInput = color;
  SetDirty(true);
}

void WaveformControl::UpdateColorsFromTheme()
{
  switch (mColorTheme)
  {
    case 0:
      mColorInput = IColor::FromColorCode(0xFF2CA9);
      mColorOutput = IColor::FromColorCode(0xA4E3F7);
      mColorFill = mColorOutput.WithOpacity(0.1f);
      break;
    case 1:
      mColorInput = IColor::FromColorCode(0xA4E3F7);
      mColorOutput = IColor::FromColorCode(0x845EEE);
      mColorFill = mColorInput.WithOpacity(0.1f);
      break;
    case 2:
      mColorInput = COLOR_ORANGE;
      mColorOutput = IColor::FromColorCode(0x06B2C4);
      mColorFill = mColorOutput.WithOpacity(0.1f);
      break;
    default:
      mColorInput = COLOR_GRAY;
      mColorOutput = COLOR_LIGHT_GRAY;
      mColorFill = mColorOutput.WithOpacity(0.1f);
      break;
  }
}

void WaveformControl::Draw(ICanvas& g)
{
  if (!mProcessor)
    return;

  double input[kNumPoints];
  double output[kNumPoints];
  for (int i = 0; i < kNumPoints; ++i)
  {
    input[i] = mProcessor->GetInputLevel(i);
    output[i] = mProcessor->GetOutputLevel(i);
  }

  DrawWaveUniPolarSmoothing5(g, input, mColorInput);
  DrawGrid(g);
  DrawWaveUniPolarSmoothing5(g, output, mColorOutput);
  DrawIndicatorBackGround(g);
  DrawTempoIndicator(g);
  DrawTimeDisplay(g);
  DrawBeatNumbers(g);
  SetDirty(false);
}

void WaveformControl::AdaptiveSmoothingWithManualCompensation(const double* in, double* out, int count,
                                                              double smoothing, double compensation)
{
  if (count < 1)
    return;
  out[0] = in[0];
  double prev = in[0];
  for (int i = 1; i < count; ++i)
  {
    const double a = smoothing / (1.0 + std::fabs(in[i] - prev));
    out[i] = a * prev + (1.0 - a) * in[i];
    prev = out[i];
  }
  if (compensation > 0.0)
  {
    for (int i = 0; i < count; ++i)
      out[i] *= compensation;
  }
}

void WaveformControl::DrawWaveUniPolarSmoothing5(ICanvas& g, const double* levels, const IColor& color)
{
  double smoothed[kNumPoints];
  AdaptiveSmoothingWithManualCompensation(levels, smoothed, kNumPoints, 0.5, 1.3);
  DrawFill(g, smoothed, color);
  DrawOutline(g, smoothed, color);
}

double WaveformControl::CalculateAdaptiveOffset() const
{
  if (!mProcessor)
    return 0.0;
  const double sampleRate = mProcessor->GetSampleRate();
  const double tempo = mProcessor->GetTempo();
  const double window = mProcessor->GetWindowLength();
  if (!Positive(sampleRate) || !Positive(tempo) || !Positive(window))
    return 0.0;
  const double blockSeconds = mProcessor->GetBlockSize() / sampleRate;
  const double windowSeconds = window * (60.0 / tempo) / mProcessor->GetQuarterNotesPerBeat();
  if (!Positive(windowSeconds))
    return 0.0;
  const double offset = -(blockSeconds / windowSeconds);
  return std::isfinite(offset) ? offset : 0.0;
}

double WaveformControl::LevelAt(const double* data, double offset, int i)
{
  double p = offset * kNumPoints + i;
  p -= std::floor(p / kNumPoints) * kNumPoints;
  if (!(p >= 0.0 && p < kNumPoints)) // rounding at the wrap, or an offset too large to resolve
    p = 0.0;
  const int j = static_cast<int>(p);
  const int k = (j + 1) % kNumPoints;
  const double f = p - j;
  return std::min(data[j] * (1.0 - f) + data[k] * f, 1.0);
}

void WaveformControl::PathTrace(ICanvas& g, const double* smoothed, double heightScale, double drop)
{
  const IRECT& r = mRECT;
  const double offset = CalculateAdaptiveOffset();
  g.PathClear();
  g.PathMoveTo(r.L, r.B);
  for (int i = 0; i < kNumPoints; ++i)
  {
    const float x = r.L + r.W() * static_cast<float>(i) / (kNumPoints - 1);
    const double v = LevelAt(smoothed, offset, i);
    g.PathLineTo(x, static_cast<float>(r.B - v * heightScale * r.H() + drop));
  }
  g.PathLineTo(r.R, r.B);
  g.PathClose();
}

void WaveformControl::DrawFill(ICanvas& g, const double* smoothed, const IColor& color)
{
  PathTrace(g, smoothed, mTraceScale, 0.0);
  g.PathFill(IPattern(color.WithOpacity(0.25f)), IFillOptions());
}

void WaveformControl::DrawOutline(ICanvas& g, const double* smoothed, const IColor& color)
{
  PathTrace(g, smoothed, 1.0, 1.0);
  IStrokeOptions options;
  options.mCapOption = EStrokeCap::Round;
  options.mJoinOption = EStrokeJoin::Round;
  g.PathStroke(IPattern(AdjustLuminance(color, 1.0f)), 2.2f, options);
}

IColor WaveformControl::AdjustLuminance(const IColor& color, float factor)
{
  float h = 0.0f, s = 0.0f, l = 0.0f, a = 0.0f;
  color.GetHSLA(h, s, l, a);
  l = std::clamp(l * factor, 0.0f, 1.0f);
  return IColor::FromHSLA(h, s, l, a);
}

void WaveformControl::GetSignature(int& num, int& den) const
{
  num = mProcessor->GetNumerator();
  den = mProcessor->GetDenominator();
  if (num <= 0 || den <= 0)
  {
    num = 4;
    den = 4;
  }
}

void WaveformControl::DrawGrid(ICanvas& g)
{
  if (!mProcessor)
    return;
  const IRECT& r = mRECT;
  int num = 4, den = 4;
  GetSignature(num, den);
  const double win = mProcessor->GetWindowLength();

  const bool triplet = win == 1.0 / 6.0 || win == 1.0 / 3.0 || win == 2.0 / 3.0 || win == 4.0 / 3.0 || win == 8.0 / 3.0;
  const bool dotted = win == 0.375 || win == 0.75 || win == 1.5 || win == 3.0 || win == 6.0;
  double beatLength = 4.0 / den;
  if (triplet)
    beatLength *= 2.0 / 3.0;
  else if (dotted)
    beatLength *= 1.5;
  const double barLength = num * beatLength;

  // Bars and cells are capped at the width in points, so no host value can
  // make the loops long.
  const long long maxCount = std::max(1LL, static_cast<long long>(r.W()));
  const double beatPos = mProcessor->GetBeatPos();
  const double barIndex = beatPos / barLength;
  const double beatInBar = std::fmod(beatPos, barLength) / beatLength;
  const long long currentBar = TruncClamped(barIndex, -kBarLimit, kBarLimit);
  const long long currentBeat = TruncClamped(beatInBar, -1, maxCount);

  const double barsInWindow = win / barLength;
  const long long bars = TruncClamped(std::round(barsInWindow), 1, maxCount); // a NaN gives 1
  const float barWidth = r.W() / static_cast<float>(bars);
  // The page of bars that holds the current bar.
  const long long firstBar = TruncClamped(barIndex / bars, -kBarLimit, kBarLimit) * bars;

  const IColor barLine = COLOR_BLACK.WithOpacity(0.6f);
  const IColor beatLine = COLOR_LIGHT_GRAY.WithOpacity(0.3f);
  const IColor cellFill = mColorFill;
  const IColor beatLineHL = mColorFill.WithOpacity(0.7f);
  const IText barText(12.0f, COLOR_WHITE.WithOpacity(0.8f), kFont, EAlign::Center, EVAlign::Middle);

  auto drawCell = [&](float left, float right, bool highlighted) {
    if (highlighted)
    {
      g.FillRect(cellFill, IRECT(left, r.T, right, r.B));
      g.DrawLine(beatLineHL, left, r.T, left, r.B, nullptr, 2.0f);
    }
    else
      g.DrawLine(beatLine, left, r.T, left, r.B, nullptr, 1.0f);
  };

  for (long long b = 0; b < bars; ++b)
  {
    const float x = static_cast<float>(b) * barWidth;
    const long long barNumber = firstBar + b;
    g.DrawLine(barLine, r.L + x, r.T, r.L + x, r.B, nullptr, 1.0f);
    char label[24];
    std::snprintf(label, sizeof(label), "%lld", barNumber + 1);
    g.DrawText(barText, label, r.L + x + 5.0f, r.T + 5.0f);

    const bool playing = barNumber == currentBar;
    if (barsInWindow < 1.0)
    {
      // A window shorter than a bar shows its beats as cells of the window;
      // the playing beat's cell is its place among them.
      const double shown = num * barsInWindow;
      if (!(shown > 0.0))
        continue;
      const float cellWidth = static_cast<float>(barWidth / shown);
      const long long lit = TruncClamped(std::floor(std::fmod(beatInBar, shown)), -1, maxCount);
      for (long long j = 0; j < shown && j < maxCount; ++j)
        drawCell(r.L + x + j * cellWidth, r.L + x + (j + 1) * cellWidth, playing && j == lit);
    }
    else
    {
      const long long count = triplet ? static_cast<long long>(num * 1.5) : num;
      const float cellWidth = static_cast<float>(barWidth * beatLength / barLength);
      for (long long k = 0; k < count && k < maxCount; ++k)
        drawCell(r.L + x + k * cellWidth, r.L + x + (k + 1) * cellWidth, playing && k == currentBeat);
    }
  }
  const float closing = r.L + static_cast<float>(bars) * barWidth;
  g.DrawLine(barLine, closing, r.T, closing, r.B, nullptr, 1.0f);
}

IRECT WaveformControl::ReadoutCell(int row) const
{
  return mRECT.GetGridCell(row, 14, 13, 15).GetVShifted(0.5f * mRECT.MH());
}

void WaveformControl::DrawIndicatorBackGround(ICanvas& g)
{
  const IRECT cell = mRECT.GetGridCell(14, 3, 15, EDirection::Horizontal, 1)
                       .GetVShifted(0.5f * mRECT.MH())
                       .GetTranslated(-10.0f, 5.0f);
  g.FillRoundRect(COLOR_BLACK.WithOpacity(0.4f), cell, 2.0f);
}

void WaveformControl::DrawTempoIndicator(ICanvas& g)
{
  const IRECT cell = ReadoutCell(0);
  char str[32];
  std::snprintf(str, sizeof(str), "%.1f BPM", mProcessor->GetTempo());
  g.DrawText(ReadoutText(COLOR_WHITE), str, cell.L, cell.B);

  const double phase = std::fmod(mProcessor->GetBeatPos(), 1.0);
  const float radius = std::isfinite(phase) && phase > 0.0 ? static_cast<float>(4.0 * phase) : 0.0f;
  g.DrawCircle(COLOR_WHITE.WithOpacity(0.7f), cell.L - 6.0f, cell.B, radius, nullptr, 1.0f);
}

void WaveformControl::DrawTimeDisplay(ICanvas& g)
{
  const double tempo = mProcessor->GetTempo();
  long long minutes = 0, seconds = 0, millis = 0;
  if (Positive(tempo))
  {
    const double t = mProcessor->GetPPQPos() / (tempo / 60.0);
    const long long whole = TruncClamped(t, LLONG_MIN / 2, LLONG_MAX / 2);
    minutes = whole / 60;
    seconds = whole % 60;
    if (std::isfinite(t))
      millis = TruncClamped((t - std::floor(t)) * 1000.0, 0, 999);
  }
  char str[48];
  std::snprintf(str, sizeof(str), "%02lld:%02lld:%03lld", minutes, seconds, millis);
  const IRECT cell = ReadoutCell(3);
  g.DrawText(ReadoutText(COLOR_WHITE.WithOpacity(0.8f)), str, cell.L, cell.B);
}

void WaveformControl::DrawBeatNumbers(ICanvas& g)
{
  if (!mProcessor)
    return;
  int num = 4, den = 4;
  GetSignature(num, den);
  const double beat = mProcessor->GetBeatPosition();
  const long long bar = TruncClamped(std::floor(beat / num), LLONG_MIN / 2, LLONG_MAX / 2) + 1;

  char str[48];
  std::snprintf(str, sizeof(str), "Bar: %lld", bar);
  IRECT cell = ReadoutCell(1);
  g.DrawText(ReadoutText(COLOR_WHITE), str, cell.L, cell.B);

  std::snprintf(str, sizeof(str), "Beat: %.1f", std::fmod(beat, static_cast<double>(num)) + 1.0);
  cell = ReadoutCell(2);
  g.DrawText(ReadoutText(COLOR_WHITE), str, cell.L, cell.B);
}

} // namespace pressweave
