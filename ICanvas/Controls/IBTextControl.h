#pragma once
// IBTextControl: a text control that draws its string from a bitmap font:
// glyph cells of a fixed width and height, the first cell holding the
// character code given as the offset.

#include "IBitmapBase.h"
#include "ITextControl.h"

namespace weft::canvas {

class IBTextControl : public ITextControl, public IBitmapBase
{
public:
  IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text = DEFAULT_TEXT, const char* str = "",
                int charWidth = 6, int charHeight = 12, int charOffset = 0, bool multiLine = false,
                bool vCenter = true, EBlend blend = EBlend::Default);

  void Draw(ICanvas& g) override;
  void OnRescale() override;

private:
  int mCharWidth;
  int mCharHeight;
  int mCharOffset;
  bool mMultiLine;
  bool mVCentre;
};

} // namespace weft::canvas
