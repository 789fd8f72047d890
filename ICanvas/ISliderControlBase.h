#pragma once
// ISliderControlBase: a linear control along a track. A click jumps value 0
// to the pointer (unless its parameter is stepped); a drag follows the
// pointer absolutely for touches or when the cursor stays visible, and
// otherwise moves relative to the start like a knob, with the track's length
// as the travel. Subclasses draw it and may narrow the track in OnResize.

#include "IControl.h"

namespace weft::canvas {

class ISliderControlBase : public IControl
{
public:
  ISliderControlBase(const IRECT& bounds, int paramIdx = kNoParameter, EDirection dir = EDirection::Vertical,
                     double gearing = 4.0, float handleSize = 0.0f);
  ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection dir = EDirection::Vertical,
                     double gearing = 4.0, float handleSize = 0.0f);

  // Control or Shift; the wheel flag does not change the answer.
  virtual bool IsFineControl(const IMouseMod& mod, bool wheel) const;

  // Target and track become the drawing rectangle.
  void OnResize() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  const IRECT& GetTrackBounds() const { return mTrack; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  IRECT mTrack; // empty until the first resize
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0; // accumulated relative drag, 0..1
};

} // namespace weft::canvas
