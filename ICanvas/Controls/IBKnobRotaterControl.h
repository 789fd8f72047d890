#pragma once
// IBKnobRotaterControl: a knob that rotates one bitmap about the control's
// centre, from -130 degrees at value 0 to 130 at 1.

#include "IBKnobControl.h"

namespace weft::canvas {

class IBKnobRotaterControl : public IBKnobControl
{
public:
  using IBKnobControl::IBKnobControl;

  void Draw(ICanvas& g) override;
};

} // namespace weft::canvas
