#pragma once
// IVRangeSliderControl: one shared track with a triangular handle per value;
// each handle is confined between its neighbours, so two values form a
// range and more split it into segments. The handle under the mouse is
// chosen on hover: a press or drag acts on the last hovered handle.

#include "IVTrackControlBase.h"

namespace weft::canvas {

class IVRangeSliderControl : public IVTrackControlBase
{
public:
  IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, EDirection dir = EDirection::Vertical,
                       float handleSize = 8.0f, float trackSize = 2.0f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Clears the pressed state only; no redraw.
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(ICanvas& g) override;
  void DrawWidget(ICanvas& g) override;
  void DrawTrack(ICanvas& g, const IRECT& r, int chIdx) override;
  void MakeTrackRects(const IRECT& bounds) override;

  IRECT GetHandleBounds(int chIdx) const;
  int GetMouseOverHandle() const { return mMouseOverHandle; }

private:
  int mMouseOverHandle = -1;
  float mHandleSize;
  bool mMouseIsDown = false;
};

} // namespace weft::canvas
