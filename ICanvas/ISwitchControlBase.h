#pragma once
// ISwitchControlBase: a control with a fixed number of states on value 0.
// Each click advances by one state (two states toggle) and wraps to the
// first after the last; states can be disabled one by one for drawing.
// Subclasses draw it.

#include "IControl.h"

#include <cstdint>
#include <vector>

namespace weft::canvas {

class ISwitchControlBase : public IControl
{
public:
  ISwitchControlBase(const IRECT& bounds, int paramIdx = kNoParameter, IActionFunction actionFunc = nullptr,
                     int numStates = 2);

  // With a parameter the state count becomes its range + 1.
  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;

  // The state value 0 stands for, rounded to the nearest.
  int GetSelectedIdx() const;
  int GetNumStates() const { return mNumStates; }
  // Indices outside the states are ignored (and answer false).
  void SetStateDisabled(int stateIdx, bool disabled);
  void SetAllStatesDisabled(bool disabled);
  bool GetStateDisabled(int stateIdx) const;

protected:
  int mNumStates;
  std::vector<uint8_t> mDisabledState; // one flag per state
  bool mMouseDown = false;
};

} // namespace weft::canvas
