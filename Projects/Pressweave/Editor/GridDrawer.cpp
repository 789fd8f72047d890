#include "GridDrawer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ICanvas.h"

namespace pressweave {

using namespace weft::canvas;

namespace {

enum EGridColor
{
  kGridBackground = 0,
  kGridFreqLine,
  kGridDBLine,
  kGridText
};

void SortUnique(std::vector<float>& v)
{
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

} // namespace

GridDrawer::GridDrawer(const IRECT& bounds, const IColor* colors, float minFreq, float maxFreq, float minDB,
                       float maxDB, bool useLayer, bool meterDBMode)
: IControl(bounds, kNoParameter, nullptr)
, mGridRect(bounds)
, mMinFreq(minFreq)
, mMaxFreq(maxFreq)
, mMinDB(minDB)
, mMaxDB(maxDB)
, mUseLayer(useLayer)
, mMeterDBMode(meterDBMode)
{
  for (int i = 0; i < 4; ++i)
    mColors[i] = colors ? colors[i] : COLOR_TRANSPARENT;
}

void GridDrawer::Draw(ICanvas& g)
{
  if (!mUseLayer)
  {
    DrawContent(g);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mGridRect, false);
    DrawContent(g);
    mLayer = g.EndLayer();
  }
  if (mLayer)
    g.DrawLayer(mLayer, nullptr);
  else
    DrawContent(g);
}

void GridDrawer::DrawContent(ICanvas& g)
{
  DrawBackGround(g, mGridRect);
  if (mMeterDBMode)
    DrawMeterDBGrid(g, mGridRect);
  else
  {
    DrawFreqGrid(g, mGridRect);
    DrawGridFreqs(g, mGridRect);
    DrawGridDecibels(g, mGridRect);
  }
}

void GridDrawer::DrawBackGround(ICanvas&, const IRECT&) {}

void GridDrawer::DrawMeterDBGrid(ICanvas& g, const IRECT& r)
{
  const float range = mMaxDB - mMinDB;
  if (!(std::isfinite(range) && range != 0.0f))
    return;
  static constexpr float kLevels[] = {9, 6, 3, 0, -3, -6, -9, -12, -18, -24, -30, -36, -42, -48, -54, -60, -66};
  const IText text(12.0f, mColors[kGridText], nullptr, EAlign::Center, EVAlign::Middle);
  for (const float d : kLevels)
  {
    const float y = r.B - (d - mMinDB) / range * r.H();
    g.DrawLine(mColors[kGridDBLine], r.L, y, r.R, y, nullptr, 1.0f);
    if (d == -66.0f || d == 6.0f || d == 9.0f)
      continue;
    char str[16];
    std::snprintf(str, sizeof(str), "%.0f", d);
    g.DrawText(text, str, r.MW(), y - 5.0f);
  }
}

void GridDrawer::DrawFreqGrid(ICanvas& g, const IRECT& r)
{
  const std::vector<float> freqs = GenerateDynamicFrequencies(mMinFreq, mMaxFreq, static_cast<int>(r.W()), 30);
  if (freqs.empty())
    return;
  const float lo = std::log10(mMinFreq);
  const float span = std::log10(mMaxFreq) - lo;
  for (const float f : freqs)
  {
    const float x = r.L + (std::log10(f) - lo) / span * r.W();
    g.DrawLine(mColors[kGridFreqLine], x, r.T, x, r.B, nullptr, 1.0f);
  }
}

void GridDrawer::DrawGridFreqs(ICanvas& g, const IRECT& r)
{
  const std::vector<float> freqs = GenerateDynamicFrequencies(mMinFreq, mMaxFreq, static_cast<int>(r.W()), 60);
  if (freqs.empty())
    return;
  const IText text(12.0f, mColors[kGridText], nullptr, EAlign::Center, EVAlign::Middle);
  const float lo = std::log10(mMinFreq);
  const float span = std::log10(mMaxFreq) - lo;
  for (const float f : freqs)
  {
    const float x = r.L + (std::log10(f) - lo) / span * r.W();
    char str[32];
    if (f >= 1000.0f)
      std::snprintf(str, sizeof(str), "%dk", static_cast<int>(f / 1000.0f));
    else
      std::snprintf(str, sizeof(str), "%d", static_cast<int>(f));
    IRECT measured;
    const float w = g.MeasureText(text, str, measured);
    if (x - w / 2.0f >= r.L && x + w / 2.0f <= r.R)
      g.DrawText(text, str, IRECT(x - w / 2.0f, r.B - 8.0f, x + w / 2.0f, r.B - 6.0f));
  }
}

void GridDrawer::DrawGridDecibels(ICanvas& g, const IRECT& r)
{
  const float range = mMaxDB - mMinDB;
  if (!(std::isfinite(range) && range != 0.0f))
    return;
  const IText text(12.0f, mColors[kGridText], nullptr, EAlign::Center, EVAlign::Middle);
  // range is finite, so the count is bounded by it; a reversed range gives at most one label.
  const int count = static_cast<int>(std::min(range / 6.0f, 100000.0f)) + 1;
  for (int i = 0; i < count; ++i)
  {
    const float d = mMinDB + 6.0f * i;
    const float y = std::clamp(r.B - (d - mMinDB) / range * r.H(), r.T, r.B);
    if (i != 0 && i != count - 1)
      g.DrawLine(mColors[kGridDBLine], r.L, y, r.R, y, nullptr, 1.0f);
    char str[32];
    std::snprintf(str, sizeof(str), "%d dB", static_cast<int>(d));
    float t = y - 8.0f;
    if (t < r.T)
      t = r.T + 8.0f;
    else if (t > r.B)
      t = r.B - 8.0f;
    g.DrawText(text, str, IRECT(r.L + 5.0f, t - 10.0f, r.L + 50.0f, t + 10.0f));
  }
}

std::vector<float> GridDrawer::GenerateDynamicFrequencies(float minFreq, float maxFreq, int width, int minSpacing)
{
  std::vector<float> freqs;
  if (width < 1 || minSpacing < 1 || !std::isfinite(minFreq) || !std::isfinite(maxFreq) || !(minFreq > 0.0f) ||
      !(minFreq < maxFreq))
    return freqs;

  const int maxLines = std::max(3, width / minSpacing);
  static constexpr float kMultipliers[] = {1, 2, 3, 4, 5, 7};
  const int lastExponent = static_cast<int>(std::floor(std::log10(maxFreq)));
  for (int e = static_cast<int>(std::floor(std::log10(minFreq))); e <= lastExponent; ++e)
  {
    const float decade = std::pow(10.0f, static_cast<float>(e));
    for (const float m : kMultipliers)
    {
      const float f = decade * m;
      if (f > maxFreq)
        break;
      if (f >= minFreq)
        freqs.push_back(f);
    }
  }
  for (const float extra : {13000.0f, 16000.0f})
  {
    if (extra >= minFreq && extra <= maxFreq)
      freqs.push_back(extra);
  }
  SortUnique(freqs);

  if (static_cast<int>(freqs.size()) > maxLines)
  {
    const size_t step = std::max<size_t>(1, freqs.size() / static_cast<size_t>(maxLines));
    std::vector<float> kept;
    for (size_t i = 0; i < freqs.size(); i += step)
      kept.push_back(freqs[i]);
    freqs.swap(kept);
  }
  if (!freqs.empty())
  {
    if (freqs.front() > minFreq)
      freqs.insert(freqs.begin(), minFreq);
    if (freqs.back() < maxFreq)
      freqs.push_back(maxFreq);
  }
  SortUnique(freqs);
  return freqs;
}

} // namespace pressweave
