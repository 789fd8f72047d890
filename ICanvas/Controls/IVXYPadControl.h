#pragma once
// IVXYPadControl: a pad whose round handle sets two values at once: value 0
// along the width, value 1 up the height. The pointer is mapped over the
// whole control rectangle; the handle moves within the widget area, shrunk
// by the handle radius unless the track clips the handle.

#include "IControl.h"
#include "IVectorBase.h"

#include <vector>

namespace weft::canvas {

class IVXYPadControl : public IControl, public IVectorBase
{
public:
  // params: x then y.
  IVXYPadControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                 const IVStyle& style = DEFAULT_STYLE, float handleRadius = 10.0f, bool trackClipsHandle = true,
                 bool drawCross = true);

  void DrawWidget(ICanvas& g) override;
  virtual void DrawHandle(ICanvas& g, const IRECT& trackBounds, const IRECT& handleBounds);
  virtual void DrawTrack(ICanvas& g);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnResize() override;
  void Draw(ICanvas& g) override;

protected:
  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle;
  bool mDrawCross;
};

} // namespace weft::canvas
