#include "IControlDrag.h"

#include "IParam.h"
#include "IWeftUtilities.h"

#include <cmath>

namespace weft::canvas::detail {

const IParam* SteppedParam(const IControl& control)
{
  const IParam* pParam = control.GetParam(0);
  return pParam && pParam->GetStepped() && pParam->GetStep() > 0.0 ? pParam : nullptr;
}

void ApplyRelativeDrag(IControl& control, double& dragValue, double delta)
{
  if (!std::isfinite(delta))
    return;
  dragValue = Clip(dragValue + delta, 0.0, 1.0);
  const IParam* pParam = SteppedParam(control);
  control.SetValue(pParam ? pParam->ConstrainNormalized(dragValue) : dragValue, 0);
  control.SetDirty(true);
}

void ApplyWheel(IControl& control, const IMouseMod& mod, float d)
{
  if (!std::isfinite(d))
    return;
  if (const IParam* pParam = SteppedParam(control))
  {
    if (d != 0.0f)
    {
      const double step = d > 0.0f ? pParam->GetStep() : -pParam->GetStep();
      control.SetValue(pParam->ToNormalized(pParam->FromNormalized(control.GetValue(0)) + step), 0);
    }
  }
  else
  {
    control.SetValue(control.GetValue(0) + static_cast<double>(d) * (IsFineMod(mod) ? 0.001 : 0.01), 0);
  }
  control.SetDirty(true);
}

} // namespace weft::canvas::detail
