#pragma once
// IVPanelControl: a container drawn as a rounded, framed rectangle under its
// label. Its attach function (run once, when attached) creates the children
// inside the widget rectangle; its resize function lays them out there. It
// ignores the mouse.

#include "IContainerBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVPanelControl : public IContainerBase, public IVectorBase
{
public:
  IVPanelControl(const IRECT& bounds, const char* label = "", const IVStyle& style = DEFAULT_STYLE);

  void OnResize() override;
  // Calls the attach function with the widget rectangle; no resize after.
  void OnAttached() override;
  void Draw(ICanvas& g) override;
  void DrawWidget(ICanvas& g) override;
};

} // namespace weft::canvas
