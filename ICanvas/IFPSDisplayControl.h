#pragma once
// IFPSDisplayControl: the performance overlay. It keeps the last 100 frame
// intervals (seconds, fed by the drawing context at every BeginFrame) and
// plots them as frames per second, milliseconds or a percentage; a click
// cycles the display style. Redrawn on every frame while it exists.
//
// Its display style is mDisplayStyle; the vector style it inherits stays
// IVectorBase::mStyle.

#include "IControl.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IFPSDisplayControl : public IControl, public IVectorBase
{
public:
  enum EStyle
  {
    kFPS = 0,
    kMilliseconds,
    kPercentage
  };
  static constexpr int kNumSamples = 100;

  IFPSDisplayControl(const IRECT& bounds, EStyle style = kFPS, const char* label = "Frame Time");

  // Stores one sample as the newest of the ring.
  void Update(float sample);
  float GetSample(int idx) const { return mSamples[idx]; }
  int GetWritePos() const { return mWritePos; }
  EStyle GetDisplayStyle() const { return mDisplayStyle; }

  // kFPS -> kMilliseconds -> kPercentage -> kFPS.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  bool IsDirty() override { return true; }
  // White panel, the graph of the samples (newest first, then oldest to
  // second newest), the back end's name, the label and the readings of the
  // average over all 100 slots.
  void Draw(ICanvas& g) override;

private:
  EStyle mDisplayStyle;
  LOOM_String mName;
  float mSamples[kNumSamples] = {};
  int mWritePos = 0;
  IText mAPIText;
  IText mReadingText;
  IText mSecondReadingText;
};

} // namespace weft::canvas
