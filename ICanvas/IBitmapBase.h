#pragma once
// IBitmapBase: the mix-in of controls that draw one frame of a multi-frame
// bitmap chosen by their value 0. The control derives from IControl and from
// this, and binds itself with AttachIControl.

#include "IBitmap.h"

namespace weft::canvas {

class ICanvas;
class IControl;

class IBitmapBase
{
public:
  explicit IBitmapBase(const IBitmap& bitmap) : mBitmap(bitmap) {}
  virtual ~IBitmapBase() = default;

  void AttachIControl(IControl* pControl) { mControl = pControl; }
  // Frame round(value x (N - 1)) + 1, one frame's size centred in the
  // control's drawing rectangle, with the control's blend. Nothing before a
  // control is attached.
  void DrawBitmap(ICanvas& g);

protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr; // not owned
};

} // namespace weft::canvas
