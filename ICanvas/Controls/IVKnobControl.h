#pragma once
// IVKnobControl: the vector rotary knob. An arc in kX1 grows from the anchor
// angle to the value's angle around an elliptical handle with a pointer in
// kFR; the label sits above, the value text beside or inside the widget.
// Dragging and the wheel are the knob base's; a click on the value text
// opens the value prompt when prompting is enabled.

#include "IKnobControlBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVKnobControl : public IKnobControlBase, public IVectorBase
{
public:
  IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.0f, float a2 = 135.0f,
                float aAnchor = -135.0f, EDirection direction = EDirection::Vertical, double gearing = 4.0,
                float trackSize = 2.0f);
  IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false, bool valueInWidget = false,
                float a1 = -135.0f, float a2 = 135.0f, float aAnchor = -135.0f,
                EDirection direction = EDirection::Vertical, double gearing = 4.0, float trackSize = 2.0f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(ICanvas& g) override;
  bool IsHit(float x, float y) const override;
  // Also refreshes the value text from the parameter.
  void SetDirty(bool push = true, int valIdx = kNoValIdx) override;

  // Drags are measured against a half-size rectangle centred in the widget.
  IRECT GetKnobDragBounds() override;
  void DrawWidget(ICanvas& g) override;
  virtual void DrawHandle(ICanvas& g, const IRECT& bounds);
  virtual void DrawIndicatorTrack(ICanvas& g, float angle, float cx, float cy, float radius);
  virtual void DrawPointer(ICanvas& g, float angle, float cx, float cy, float radius);

  // Take effect at the next redraw.
  void SetInnerPointerFrac(float frac) { mInnerPointerFrac = frac; }
  void SetOuterPointerFrac(float frac) { mOuterPointerFrac = frac; }
  void SetPointerThickness(float thickness) { mPointerThickness = thickness; }

  float GetRadius() const;
  IRECT GetTrackBounds() const;

protected:
  float mTrackToHandleDistance = 4.0f;
  float mInnerPointerFrac = 0.1f;
  float mOuterPointerFrac = 1.0f;
  float mPointerThickness = 2.5f;
  float mAngle1;
  float mAngle2;
  float mAnchorAngle;
  bool mValueMouseOver = false;

private:
  void Init(const IVStyle& style, bool valueIsEditable, float trackSize);
};

} // namespace weft::canvas
