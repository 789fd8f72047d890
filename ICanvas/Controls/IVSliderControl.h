#pragma once
// IVSliderControl: the vector linear fader. A track (kSH) filled up to the
// value (kX1), framed in kFR, with a pressable handle at the end of the
// filled part. Dragging and the wheel are the slider base's; a click on the
// value text opens the value prompt instead of moving the value.

#include "ISliderControlBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVSliderControl : public ISliderControlBase, public IVectorBase
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx = kNoParameter, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false,
                  EDirection dir = EDirection::Vertical, double gearing = 4.0, float handleSize = 8.0f,
                  float trackSize = 2.0f, bool handleInsideTrack = false, float handleXOffset = 0.0f,
                  float handleYOffset = 0.0f);
  IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false,
                  EDirection dir = EDirection::Vertical, double gearing = 4.0, float handleSize = 8.0f,
                  float trackSize = 2.0f, bool handleInsideTrack = false, float handleXOffset = 0.0f,
                  float handleYOffset = 0.0f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // The track is the widget less the handle size on every side, narrowed
  // across the direction to twice the track size.
  void OnResize() override;
  void OnInit() override;
  void Draw(ICanvas& g) override;
  bool IsHit(float x, float y) const override;
  // Also refreshes the value text from the parameter.
  void SetDirty(bool push = true, int valIdx = kNoValIdx) override;

  void DrawWidget(ICanvas& g) override;
  virtual void DrawTrack(ICanvas& g, const IRECT& filledArea);
  virtual void DrawHandle(ICanvas& g, const IRECT& bounds);

protected:
  bool mHandleInsideTrack;
  bool mValueMouseOver = false;
  float mHandleXOffset;
  float mHandleYOffset;

private:
  void Init(const IVStyle& style, bool valueIsEditable, float trackSize);
};

} // namespace weft::canvas
