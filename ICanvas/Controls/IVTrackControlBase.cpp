#include "IVTrackControlBase.h"

#include "ICanvas.h"
#include "LOOM_Assert.h"

#include <algorithm>

namespace weft::canvas {

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       const std::vector<int>& params, int nSteps, EDirection dir,
                                       const std::vector<const char*>& trackNames)
: IControl(bounds)
, IVectorBase(style, false, false)
, mDirection(dir)
, mNSteps(std::max(nSteps, 0))
{
  LOOM_ASSERT_MSG(trackNames.empty() || trackNames.size() == params.size(), "trackNames.size() == params.size()");
  LOOM_ASSERT_MSG(!params.empty(), "nVals > 0");
  // Without parameters the control keeps its one unbound value.
  if (!params.empty())
    SetNVals(static_cast<int>(params.size()));
  mTrackBounds.Resize(NVals());
  for (int i = 0; i < static_cast<int>(params.size()); ++i)
    SetParamIdx(params[static_cast<size_t>(i)], i);
  // A names list of the wrong length is not used (names then read "").
  if (trackNames.size() == params.size())
    for (const char* name : trackNames)
      mTrackNames.Add(new LOOM_String(name ? name : ""));
  AttachIControl(this, label);
}

IVTrackControlBase::~IVTrackControlBase() { mTrackNames.Empty(true); }

const char* IVTrackControlBase::GetTrackName(int chIdx) const
{
  const LOOM_String* pStr = mTrackNames.Get(chIdx);
  return pStr ? pStr->Get() : "";
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const
{
  for (int i = 0; i < NTracks(); ++i)
    if (mTrackBounds.Get()[i].Contains(x, y))
      return i;
  return -1;
}

int IVTrackControlBase::GetStepIdxForPos(float x, float y) const
{
  const int n = static_cast<int>(mStepBounds.GetSize());
  for (int i = 0; i < n; ++i)
    if (mStepBounds.Get()[i].ContainsEdge(x, y))
      return i;
  return -1;
}

void IVTrackControlBase::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  MakeTrackRects(mWidgetBounds);
  MakeStepRects(mWidgetBounds, mNSteps);
  SetDirty(false);
}

void IVTrackControlBase::MakeTrackRects(const IRECT& bounds)
{
  const int n = NVals();
  mTrackBounds.Resize(n);
  const EDirection across = mDirection == EDirection::Vertical ? EDirection::Horizontal : EDirection::Vertical;
  for (int i = 0; i < n; ++i)
  {
    IRECT r = bounds.SubRect(across, n, i);
    if (mDirection == EDirection::Vertical)
      r.R -= mTrackPadding, r.B -= mTrackPadding;
    else
      r.T += mTrackPadding, r.B -= mTrackPadding;
    mTrackBounds.Get()[i] = r;
  }
}

void IVTrackControlBase::MakeStepRects(const IRECT& bounds, int nSteps)
{
  if (nSteps <= 0)
  {
    mStepBounds.Resize(0);
    return;
  }
  const int m = mZeroValueStepHasBounds ? nSteps + 1 : nSteps;
  mStepBounds.Resize(m);
  for (int i = 0; i < m; ++i)
    mStepBounds.Get()[i] = bounds.SubRect(mDirection, m, m - 1 - i);
}

void IVTrackControlBase::DrawBackground(ICanvas& g, const IRECT& r)
{
  g.FillRect(GetColor(kBG), r, &mBlend);
  if (mBaseValue <= 0.0)
    return;
  const float b = static_cast<float>(mBaseValue);
  if (mDirection == EDirection::Vertical)
    g.DrawHorizontalLine(GetColor(kSH), r, b, nullptr, 1.0f);
  else
    g.DrawVerticalLine(GetColor(kSH), r, b, nullptr, 1.0f);
}

void IVTrackControlBase::DrawWidget(ICanvas& g)
{
  for (int i = 0; i < NVals(); ++i)
    DrawTrack(g, mTrackBounds.Get()[i], i);
}

void IVTrackControlBase::DrawTrack(ICanvas& g, const IRECT& r, int chIdx)
{
  DrawTrackBackground(g, r, chIdx);
  if (HasTrackNames())
    DrawTrackName(g, r, chIdx);

  const float v = static_cast<float>(GetValue(chIdx));
  const float b = static_cast<float>(mBaseValue);
  const bool vertical = mDirection == EDirection::Vertical;
  IRECT bar = r.FracRect(mDirection, v);
  if (b > 0.0f)
  {
    if (vertical)
      bar = IRECT(r.L, r.B - r.H() * std::max(b, v), r.R, r.B - r.H() * std::min(b, v));
    else
      bar = IRECT(r.L + r.W() * std::min(b, v), r.T, r.L + r.W() * std::max(b, v), r.B);
  }

  if (!GetStepped())
  {
    DrawTrackHandle(g, bar, chIdx, v > b);
    const bool atHigh = v >= b;
    IRECT peak;
    if (vertical)
      peak = atHigh ? IRECT(bar.L, bar.T, bar.R, bar.T + mPeakSize) : IRECT(bar.L, bar.B - mPeakSize, bar.R, bar.B);
    else
      peak = atHigh ? IRECT(bar.R - mPeakSize, bar.T, bar.R, bar.B) : IRECT(bar.L, bar.T, bar.L + mPeakSize, bar.B);
    DrawPeak(g, peak, chIdx, v > b);
  }
  else
  {
    if (b <= 0.0f && mZeroValueStepHasBounds && v == 0.0f && vertical)
      bar.T = mStepBounds.Get()[0].T;
    const int k = GetStepIdxForPos(bar.R, bar.T);
    if (k > -1)
    {
      const IRECT& step = mStepBounds.Get()[k];
      if (vertical)
        bar.T = step.T, bar.B = step.B;
      else
        bar.L = step.L, bar.R = step.R;
    }
    if (mZeroValueStepHasBounds || v > 0.0f)
      DrawTrackHandle(g, bar, chIdx, v > b);
  }

  if (mStyle.drawFrame && mDrawTrackFrame)
    g.DrawRect(GetColor(kFR), r, &mBlend, mStyle.frameThickness);
}

void IVTrackControlBase::DrawTrackBackground(ICanvas& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mHighlightedTrack ? GetColor(kHL) : COLOR_TRANSPARENT, r);
}

void IVTrackControlBase::DrawTrackName(ICanvas& g, const IRECT& r, int chIdx)
{
  g.DrawText(mText, GetTrackName(chIdx), r);
}

void IVTrackControlBase::DrawTrackHandle(ICanvas& g, const IRECT& r, int chIdx, bool)
{
  g.FillRect(chIdx == mHighlightedTrack ? GetColor(kX1) : GetColor(kFG), r, &mBlend);
  if (chIdx == mMouseOverTrack)
    g.FillRect(GetColor(kHL), r, &mBlend);
}

void IVTrackControlBase::DrawPeak(ICanvas& g, const IRECT& r, int, bool)
{
  g.FillRect(GetColor(kFR), r, &mBlend);
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod&)
{
  mMouseOverTrack = GetValIdxForPos(x, y);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOut()
{
  mMouseOverTrack = -1;
  SetDirty(false);
}

} // namespace weft::canvas
