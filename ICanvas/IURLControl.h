#pragma once
// IURLControl: an underlined text that opens its URL when clicked. It shows
// the mouse-over colour while hovered, else the clicked colour once it has
// been clicked, else its text's own colour.

#include "ITextControl.h"

namespace weft::canvas {

class IURLControl : public ITextControl
{
public:
  IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text = DEFAULT_TEXT,
              const IColor& bgColor = DEFAULT_BGCOLOR, const IColor& mouseOverColor = COLOR_WHITE,
              const IColor& clickedColor = COLOR_BLUE);

  void Draw(ICanvas& g) override;
  // Opens the URL, releases the mouse and stays clicked.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Pointing hand while hovered, arrow after.
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // The text's colour becomes the normal colour.
  void SetText(const IText& text) override;

  const char* GetURL() const { return mURL.Get(); }
  bool GetClicked() const { return mClicked; }

private:
  LOOM_String mURL;
  IColor mOriginalColor;
  IColor mMouseOverColor;
  IColor mClickedColor;
  bool mClicked = false;
};

} // namespace weft::canvas
