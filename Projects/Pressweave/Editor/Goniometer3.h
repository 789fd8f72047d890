#pragma once
// The stereo vector scope: each frame of the queued output blocks becomes a
// point of a left/right plot turned by 45 degrees, kept in a short ring and a
// longer fading trail; the share of frames whose channels have opposite signs
// drives a correlation bar and a fading "antiphase" warning.
//
// Threads: main thread only. Messages arrive from the idle timer, drawing from
// the frame timer; the audio thread only fills the sender's queue.

#include <algorithm>
#include <cmath>
#include <memory>

#include "ICanvas.h"
#include "IControl.h"
#include "IByteChunk.h"

namespace pressweave {

template <int MAXNC = 2, int QUEUE_SIZE = 64, int MAXBUF = 128>
class Goniometer3 : public weft::canvas::IControl
{
public:
  using ICanvas = weft::canvas::ICanvas;
  using IColor = weft::canvas::IColor;
  using IRECT = weft::canvas::IRECT;

  struct PointData
  {
    float x = 0.0f;
    float y = 0.0f;
    float opacity = 1.0f;
  };

  // One message of the sender: control tag, channel count, channel offset,
  // then MAXBUF samples per channel.
  struct Record
  {
    int ctrlTag = 0;
    int nChans = MAXNC;
    int chanOffset = 0;
    float vals[MAXNC][MAXBUF] = {};
  };
  static_assert(sizeof(Record) == 3 * sizeof(int) + MAXNC * MAXBUF * sizeof(float), "the sender's byte layout");

  static constexpr int kTrailSize = 500;

  // drawMode 0 points, 1 connected trail, 2 rays; ringSize comes from the
  // block size and counts as 1 below 1; a sample rate that is not positive
  // and finite counts as 44100 Hz.
  Goniometer3(const IRECT& bounds, const IColor& color, int drawMode, int ringSize, float sampleRate)
  : IControl(bounds, weft::canvas::kNoParameter, nullptr)
  , mDrawMode(drawMode)
  , mSampleRate(std::isfinite(sampleRate) && sampleRate > 0.0f ? sampleRate : 44100.0f)
  , mRingSize(std::max(ringSize, 1))
  , mWindow(mSampleRate * 0.0625f)
  , mPlotRect(bounds)
  , mColor(color)
  {
    mTrail.reset(new PointData[mTrailSize]);
    mRing.reset(new PointData[mRingSize]);
  }
  ~Goniometer3() override = default;

  // Takes one block of frames (message tag 0) unless the control is disabled.
  // A record too short to read counts as MAXBUF silent frames.
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override
  {
    if (IsDisabled() || msgTag != 0)
      return;
    Record rec;
    weft::IByteStream(pData, dataSize).Get(&rec, 0);
    for (int s = 0; s < MAXBUF; ++s)
    {
      const float l = rec.vals[0][s];
      const float r = rec.vals[MAXNC > 1 ? 1 : 0][s];
      const float angle = std::atan2(l, r) - mRotation;
      const float radius = std::sqrt(l * l + r * r);
      mRing[mRingPos].x = radius * std::cos(angle);
      mRing[mRingPos].y = radius * std::sin(angle);
      mRingPos = (mRingPos + 1) % mRingSize;
      mTrail[mTrailPos] = mRing[mRingPos];
      mTrailPos = (mTrailPos + 1) % mTrailSize;

      // Signs by their sign bit: -0 is negative.
      mSignSum += std::copysign(1.0f, l) == std::copysign(1.0f, r) ? 1 : -1;
      mSignCount += 1;
      if (static_cast<float>(mSignCount) > mWindow)
      {
        mCorrelationMeasured =
          static_cast<float>((1.0 - static_cast<double>(mSignSum) / static_cast<double>(mSignCount)) * 0.5);
        mSignSum = 0;
        mSignCount = 0;
      }
    }
    SetDirty(false);
  }

  void Draw(ICanvas& g) override
  {
    UpdatePhase();
    DrawText(g);
    DrawCorrelator(g);

    float cx = 0.0f, cy = 0.0f, s = 0.0f;
    Geometry(cx, cy, s);
    const float scale = s / 2.0f * 0.7071068f;
    for (int i = 0; i < mTrailSize; ++i)
    {
      PointData& p = mTrail[i];
      p.opacity *= mTrailDecay;
      if (p.opacity < 0.01f)
        continue;
      const float x = cx + p.x * scale;
      const float y = cy - p.y * scale;
      const IColor color = mColor.WithOpacity(p.opacity);
      if (mDrawMode == 0)
        g.DrawPoint(color, x, y);
      else if (mDrawMode == 1)
      {
        if (i != 0 && mTrail[i - 1].opacity >= 0.01f)
          g.DrawLine(color, cx + mTrail[i - 1].x * scale, cy - mTrail[i - 1].y * scale, x, y, nullptr, 1.0f);
      }
      else if (mDrawMode == 2)
        g.DrawLine(color, cx, cy, x, y, nullptr, 1.0f);
    }
  }

  // One drawing's step of the displayed correlation and the warning.
  void UpdatePhase()
  {
    mCorrelation = 0.95f * mCorrelation + 0.05f * mCorrelationMeasured;
    if (mCorrelation > 0.53f)
    {
      mAntiphase = true;
      mAntiphaseFade = 1.0;
    }
    else if (mAntiphase)
    {
      mAntiphaseFade = std::max(0.0, mAntiphaseFade - 0.05);
      if (mAntiphaseFade <= 0.0)
        mAntiphase = false;
    }
  }

  // The cross and the four diagonal strokes.
  void DrawText(ICanvas& g)
  {
    using weft::canvas::COLOR_GRAY;
    float cx = 0.0f, cy = 0.0f, s = 0.0f;
    Geometry(cx, cy, s);
    g.DrawLine(COLOR_GRAY, cx, cy - s / 2.0f, cx, cy + s / 2.0f, nullptr, 1.0f);
    g.DrawLine(COLOR_GRAY, cx - s / 2.0f, cy, cx + s / 2.0f, cy, nullptr, 1.0f);
    for (const float dx : {-s / 4.0f, s / 4.0f})
      for (const float dy : {-s / 4.0f, s / 4.0f})
        g.DrawLine(COLOR_GRAY, cx, cy, cx + dx, cy + dy, nullptr, 1.0f);
  }

  // The correlation bar and the fading warning.
  void DrawCorrelator(ICanvas& g)
  {
    using namespace weft::canvas;
    float cx = 0.0f, cy = 0.0f, s = 0.0f;
    Geometry(cx, cy, s);
    const float y = cy + s / 2.0f - 10.0f;
    const float x0 = cx - s / 2.0f;
    const float c = std::clamp(mCorrelation, 0.0f, 1.0f);
    g.DrawLine(mColor, x0, y, x0 + s * c, y, nullptr, 1.0f);
    if (c > 0.5f)
      g.DrawLine(mColor.WithContrast(1.0f), cx, y, x0 + s * c, y, nullptr, 1.0f);
    if (mAntiphase || mAntiphaseFade > 0.01)
    {
      const IText text(14.0f, mColor.WithContrast(1.0f).WithOpacity(static_cast<float>(mAntiphaseFade)), nullptr,
                       EAlign::Center, EVAlign::Middle);
      g.DrawText(text, "antiphase", mPlotRect.GetPadded(-10.0f).GetFromBottom(10.0f).GetFromRight(80.0f));
    }
  }

  float GetCorrelation() const { return mCorrelation; }
  float GetCorrelationMeasured() const { return mCorrelationMeasured; }
  bool IsAntiphase() const { return mAntiphase; }
  double GetAntiphaseFade() const { return mAntiphaseFade; }
  int GetRingSize() const { return mRingSize; }
  const PointData& GetRingPoint(int i) const { return mRing[i]; }
  const PointData& GetTrailPoint(int i) const { return mTrail[i]; }

private:
  void Geometry(float& cx, float& cy, float& s) const
  {
    const float w = mPlotRect.W();
    const float h = mPlotRect.H();
    s = std::min(w, h);
    cx = mPlotRect.L + w / 2.0f;
    cy = mPlotRect.T + h / 2.0f;
  }

  std::unique_ptr<PointData[]> mTrail;
  std::unique_ptr<PointData[]> mRing;
  float mCorrelation = 0.0f;
  int mSignSum = 0;
  int mSignCount = 0;
  float mRotation = -0.7853982f;
  int mDrawMode;
  float mCorrelationMeasured = 0.0f;
  float mSampleRate;
  int mTrailPos = 0;
  int mRingPos = 0;
  int mTrailSize = kTrailSize;
  int mRingSize;
  float mWindow;
  float mTrailDecay = 0.955f;
  IRECT mPlotRect;
  IColor mColor;
  bool mAntiphase = false;
  double mAntiphaseFade = 0.0;
};

} // namespace pressweave
