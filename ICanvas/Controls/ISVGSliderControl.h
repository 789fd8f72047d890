#pragma once
// ISVGSliderControl: a linear slider that moves a handle SVG along a track
// SVG, both keeping their proportions. At value 1 the handle touches the
// track image's top (vertical) or right end (horizontal), at 0 its bottom
// or left end. With an invalid or empty image nothing is laid out or drawn
// and the pointer maps over the whole control.

#include "ISVG.h"
#include "ISliderControlBase.h"

namespace weft::canvas {

class ISVGSliderControl : public ISliderControlBase
{
public:
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleImage, const ISVG& trackImage,
                    int paramIdx = kNoParameter, EDirection dir = EDirection::Vertical, double gearing = 4.0);

  void Draw(ICanvas& g) override;
  void OnResize() override;
  // The handle rectangle for value (negative: the current value 0).
  IRECT GetHandleBounds(double value = -1.0) const;
  const IRECT& GetTrackSVGBounds() const { return mTrackSVGBounds; }

private:
  bool Drawable() const;

  IRECT mTrackSVGBounds;
  IRECT mHandleBoundsAtMax;
  ISVG mHandleSVG;
  ISVG mTrackSVG;
};

} // namespace weft::canvas
