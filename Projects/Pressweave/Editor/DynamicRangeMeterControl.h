#pragma once
// One stereo level and loudness meter of the meter column: draws an engine
// meter's last analysis, with an optional label strip at the bottom.
// Threads: main thread.

#include "DynamicRangeMeter.h"
#include "IControl.h"

namespace pressweave {

class DynamicRangeMeterControl : public weft::canvas::IControl
{
public:
  using IColor = weft::canvas::IColor;

  // label is not copied and may be null (no strip); meter is not owned.
  // showLUFS false also stops the meter measuring loudness from the first draw.
  DynamicRangeMeterControl(const weft::canvas::IRECT& bounds, const char* label, bool showLUFS,
                           DynamicRangeMeter& meter, const IColor& holdLeft, const IColor& holdRight,
                           const IColor& barLeft, const IColor& barRight);
  ~DynamicRangeMeterControl() override = default;

  void Draw(weft::canvas::ICanvas& g) override;

private:
  DynamicRangeMeter& mMeter;
  IColor mColorHoldL;
  IColor mColorHoldR;
  IColor mColorBarL;
  IColor mColorBarR;
  const char* mLabel;
  bool mShowLUFS;
};

} // namespace pressweave
