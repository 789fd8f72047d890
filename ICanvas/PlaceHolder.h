#pragma once
// PlaceHolder: a white box with red diagonals that shows its own position
// and size, for laying out an editor before the real control exists. A
// double-click edits its caption in a text entry.

#include "ITextControl.h"

namespace weft::canvas {

class PlaceHolder : public ITextControl
{
public:
  explicit PlaceHolder(const IRECT& bounds, const char* str = "Place Holder");

  void Draw(ICanvas& g) override;
  // Recomputes the position, width and height texts.
  void OnResize() override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  // The entered text becomes the caption.
  void OnTextEntryCompletion(const char* str, int valIdx) override;

  const char* GetPositionStr() const { return mTLHCStr.Get(); }
  const char* GetWidthStr() const { return mWidthStr.Get(); }
  const char* GetHeightStr() const { return mHeightStr.Get(); }

private:
  LOOM_String mTLHCStr;
  LOOM_String mWidthStr;
  LOOM_String mHeightStr;
  IText mTLHCText;
  IText mWidthText;
  IText mHeightText;
};

} // namespace weft::canvas
