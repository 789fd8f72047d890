#pragma once
// ISVGKnobControl: a knob that rotates one SVG image about the control's
// centre, from -135 degrees at value 0 through 0 at 0.5 to 135 at 1. An
// invalid or empty image is not drawn.

#include "IKnobControlBase.h"
#include "ISVG.h"

namespace weft::canvas {

class ISVGKnobControl : public IKnobControlBase
{
public:
  ISVGKnobControl(const IRECT& bounds, const ISVG& image, int paramIdx = kNoParameter);

  void Draw(ICanvas& g) override;
  // Replaces the image and redraws without action.
  void SetSVG(const ISVG& image);

private:
  ISVG mSVG;
  float mStartAngle = -135.0f;
  float mEndAngle = 135.0f;
};

} // namespace weft::canvas
