#pragma once
// IVSlideSwitchControl: a vector switch whose handle slides over 100 ms from
// the selected state's cell of the track to the next one (wrapping from the
// last to the first). The value text is hidden while the handle slides.

#include "IVSwitchControl.h"

namespace weft::canvas {

class IVSlideSwitchControl : public IVSwitchControl
{
public:
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = kNoParameter, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = EDirection::Horizontal);
  // actionFunc runs when a slide has finished. initialState is a state
  // index, clipped into the states.
  IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = EDirection::Horizontal, int numStates = 2, int initialState = 0);

  void Draw(ICanvas& g) override;
  void OnResize() override;
  // Recomputes the cells unless a slide runs.
  void SetDirty(bool push = true, int valIdx = kNoValIdx) override;
  void OnEndAnimation() override;

  void DrawWidget(ICanvas& g) override;
  virtual void DrawHandle(ICanvas& g, const IRECT& bounds);
  virtual void DrawTrack(ICanvas& g, const IRECT& bounds);

  // Start and handle: the selected state's cell; end: the next state's.
  void UpdateRects();
  const IRECT& GetHandleBounds() const { return mHandleBounds; }

protected:
  IRECT mStartRect;
  IRECT mEndRect;
  IRECT mHandleBounds;
  EDirection mDirection;

private:
  static void StartSlide(IControl* pCaller);
  static void SlideStep(IControl* pCaller);
};

} // namespace weft::canvas
