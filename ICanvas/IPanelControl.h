#pragma once
// IPanelControl: a container that fills its rectangle with a pattern (the
// editor's background when attached with ICanvas::AttachPanelBackground),
// optionally framed; it ignores the mouse and does not draw its children.

#include "IContainerBase.h"
#include "IPattern.h"

namespace weft::canvas {

class IPanelControl : public IContainerBase
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false, AttachFunc attachFunc = nullptr,
                ResizeFunc resizeFunc = nullptr);

  void Draw(ICanvas& g) override;

  const IPattern& GetPattern() const { return mPattern; }
  void SetPattern(const IPattern& pattern);

private:
  IPattern mPattern;
  bool mDrawFrame;
};

} // namespace weft::canvas
