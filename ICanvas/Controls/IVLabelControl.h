#pragma once
// IVLabelControl: a text drawn in the vector style's value text over the
// style's background, with an optional shadow copy and frame.

#include "ITextControl.h"
#include "IVectorBase.h"

namespace weft::canvas {

class IVLabelControl : public ITextControl, public IVectorBase
{
public:
  IVLabelControl(const IRECT& bounds, const char* str = "", const IVStyle& style = DEFAULT_STYLE);

  // Background; then, unless the string is empty, the shadow copy (with
  // shadows, while enabled) and the string; then the frame.
  void Draw(ICanvas& g) override;
};

} // namespace weft::canvas
