#pragma once
// IVGroupControl: a frame with a gap in its top edge for the label, drawn
// round a given rectangle or round the controls of a named group (the union
// of their rectangles grown by four paddings, taken when initialised, so the
// group's controls must be attached first). It ignores the mouse.

#include "IContainerBase.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVGroupControl : public IContainerBase, public IVectorBase
{
public:
  IVGroupControl(const IRECT& bounds, const char* label = "", float labelOffset = 10.0f,
                 const IVStyle& style = DEFAULT_STYLE, AttachFunc attachFunc = nullptr,
                 ResizeFunc resizeFunc = nullptr);
  IVGroupControl(const char* label, const char* groupName, float padL = 0.0f, float padT = 0.0f,
                 float padR = 0.0f, float padB = 0.0f, const IVStyle& style = DEFAULT_STYLE);

  void OnResize() override;
  void OnInit() override;
  void Draw(ICanvas& g) override;
  void DrawWidget(ICanvas& g) override;

  // A name matching no control leaves the union empty: the rectangle is
  // then the paddings alone.
  void SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB);

private:
  LOOM_String mGroupName;
  float mPadL = 0.0f;
  float mPadT = 0.0f;
  float mPadR = 0.0f;
  float mPadB = 0.0f;
  float mLabelOffset = 10.0f;
  float mLabelPadding = 10.0f;
};

} // namespace weft::canvas
