#pragma once
// IKnobControlBase: a rotary control. A drag moves value 0 by the pointer's
// travel over the drag rectangle divided by the gearing (ten times finer
// with Control or Shift); the wheel moves it by 0.01 per notch, or one step
// of a stepped parameter. Subclasses draw it.

#include "IControl.h"

namespace weft::canvas {

class IKnobControlBase : public IControl
{
public:
  IKnobControlBase(const IRECT& bounds, int paramIdx = kNoParameter, EDirection direction = EDirection::Vertical,
                   double gearing = 4.0);

  // Control or Shift; the wheel flag does not change the answer.
  virtual bool IsFineControl(const IMouseMod& mod, bool wheel) const;

  // Starts a drag from value 0 and hides the cursor, then the base's
  // right-click prompt.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  // The rectangle whose height (or width) is the travel for the full range
  // at gearing 1; the target rectangle unless overridden.
  virtual IRECT GetKnobDragBounds() { return mTargetRECT; }

  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0; // accumulated drag, 0..1; carries across events
};

} // namespace weft::canvas
