#pragma once
// ITextControl: a string drawn in its text style over a background colour,
// optionally sized to the string. It ignores the mouse; the URL, text
// toggle, caption and placeholder controls build on it.

#include "IControl.h"

namespace weft::canvas {

class ITextControl : public IControl
{
public:
  // No parameter, no action. setBoundsBasedOnStr: the control takes the
  // size of its string (from OnInit on), centred where it is.
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = DEFAULT_TEXT,
               const IColor& bgColor = DEFAULT_BGCOLOR, bool setBoundsBasedOnStr = false);

  // Background, then the string unless it is empty or being edited in a
  // text entry.
  void Draw(ICanvas& g) override;
  void OnInit() override;

  // --- Operations added after the control's own, in slot order.
  // Nothing when str equals the current string; a null str is "".
  virtual void SetStr(const char* str);
  // The formatted text, at most maxLength characters (0 or less: all); no
  // resizing.
  virtual void SetStrFmt(int maxLength, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }

  const char* GetStr() const { return mStr.Get(); }
  const IColor& GetBGColor() const { return mBGColor; }
  // Both rectangles become the measured string's size, centred on the
  // drawing rectangle's centre; nothing before the control has a context.
  void SetBoundsBasedOnStr();

protected:
  LOOM_String mStr;
  IColor mBGColor;
  bool mSetBoundsBasedOnStr;
};

} // namespace weft::canvas
