#pragma once
// ISVGControl: an SVG image scaled into the control, drawn directly or
// rendered once into a cached layer that is reused until it becomes invalid
// (moved or rescaled). Without an image it draws nothing.

#include "IControl.h"
#include "ILayer.h"
#include "ISVG.h"

#include <memory>

namespace weft::canvas {

class ISVGControl : public IControl
{
public:
  // No parameter, no action.
  ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer = false);

  void Draw(ICanvas& g) override;

  const ISVG& GetSVG() const { return mSVG; }

private:
  bool mUseLayer;
  std::unique_ptr<ILayer> mLayer;
  ISVG mSVG;
};

} // namespace weft::canvas
