#include "ISwitchControlBase.h"

#include "IParam.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <limits>

namespace weft::canvas {

ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc,
                                       int numStates)
: IControl(bounds, paramIdx, std::move(actionFunc))
, mNumStates(numStates)
, mDisabledState(static_cast<size_t>(std::max(numStates, 0)), 0)
{
  mDblAsSingleClick = true; // a fast second click advances again
}

void ISwitchControlBase::OnInit()
{
  if (const IParam* pParam = GetParam(0))
  {
    mNumStates = static_cast<int>(pParam->GetRange()) + 1;
    // new states start enabled
    mDisabledState.resize(static_cast<size_t>(std::max(mNumStates, 0)), 0);
  }
  LOOM_ASSERT_MSG(mNumStates > 1, "mNumStates > 1");
}

void ISwitchControlBase::OnMouseDown(float, float, const IMouseMod&)
{
  double v = GetValue(0);
  if (mNumStates <= 2)
  {
    v = v == 0.0 ? 1.0 : 0.0;
  }
  else
  {
    v += 1.0 / static_cast<double>(mNumStates - 1);
    if (v > 1.0 + std::numeric_limits<double>::epsilon())
      v = 0.0;
  }
  SetValue(v, 0);
  mMouseDown = true;
  SetDirty(true);
}

void ISwitchControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  mMouseDown = false;
  SetDirty(false);
}

int ISwitchControlBase::GetSelectedIdx() const
{
  const double v = GetValue(0);
  const double pos = v > 0.0 ? std::min(v, 1.0) : 0.0; // NaN selects the first state
  return static_cast<int>(pos * static_cast<double>(mNumStates - 1) + 0.5);
}

void ISwitchControlBase::SetStateDisabled(int stateIdx, bool disabled)
{
  if (stateIdx >= 0 && stateIdx < static_cast<int>(mDisabledState.size()) && stateIdx < mNumStates)
    mDisabledState[static_cast<size_t>(stateIdx)] = disabled ? 1 : 0;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled)
{
  for (uint8_t& flag : mDisabledState)
    flag = disabled ? 1 : 0;
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int stateIdx) const
{
  if (stateIdx < 0 || stateIdx >= static_cast<int>(mDisabledState.size()) || stateIdx >= mNumStates)
    return false;
  return mDisabledState[static_cast<size_t>(stateIdx)] != 0;
}

} // namespace weft::canvas
