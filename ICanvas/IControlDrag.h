#pragma once
// Value stepping shared by the knob and slider bases: relative drags with a
// gearing and the wheel. Both keep a drag value that carries across events
// and write value 0. Increments that are not finite (a track without length,
// a gearing of 0, a NaN delta) change nothing, so no NaN reaches a parameter.

#include "IControl.h"

namespace weft::canvas::detail {

// Control or Shift: ten times finer.
inline bool IsFineMod(const IMouseMod& mod) { return mod.C || mod.S; }

// The parameter on value 0 when it moves in steps (step above 0), else null.
const IParam* SteppedParam(const IControl& control);

// dragValue += delta, clipped to 0..1; value 0 := dragValue (snapped to the
// parameter's steps when it has them); SetDirty(true).
void ApplyRelativeDrag(IControl& control, double& dragValue, double delta);

// One step per event for a stepped parameter, else d x 0.01 (d x 0.001
// fine); SetDirty(true), which clamps.
void ApplyWheel(IControl& control, const IMouseMod& mod, float d);

} // namespace weft::canvas::detail
