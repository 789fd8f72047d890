#pragma once
// IText: the style of a drawn text: font name (at most 63 characters, longer
// names are truncated), size in points, colours, angle in degrees and
// alignment.

#include "IColor.h"
#include "ICanvasConstants.h"

namespace weft::canvas {

constexpr const char* DEFAULT_FONT = "Roboto-Regular";

struct IText
{
  char mFont[MAX_FONT_NAME_LEN] = {};
  float mSize = 14.0f;
  IColor mFGColor = DEFAULT_TEXT_FGCOLOR;
  IColor mTextEntryBGColor = DEFAULT_TEXTENTRY_BGCOLOR;
  IColor mTextEntryFGColor = DEFAULT_TEXTENTRY_FGCOLOR;
  float mAngle = 0.0f;
  EAlign mAlign = EAlign::Center;
  EVAlign mVAlign = EVAlign::Middle;

  // A null font name stores DEFAULT_FONT.
  constexpr IText(float size = 14.0f, const IColor& fgColor = DEFAULT_TEXT_FGCOLOR, const char* fontID = nullptr,
                  EAlign align = EAlign::Center, EVAlign valign = EVAlign::Middle, float angle = 0.0f,
                  const IColor& textEntryBGColor = DEFAULT_TEXTENTRY_BGCOLOR,
                  const IColor& textEntryFGColor = DEFAULT_TEXTENTRY_FGCOLOR)
  : mSize(size)
  , mFGColor(fgColor)
  , mTextEntryBGColor(textEntryBGColor)
  , mTextEntryFGColor(textEntryFGColor)
  , mAngle(angle)
  , mAlign(align)
  , mVAlign(valign)
  {
    SetFont(fontID ? fontID : DEFAULT_FONT);
  }

  constexpr IText(float size, EVAlign valign, const IColor& fgColor = DEFAULT_TEXT_FGCOLOR) : IText()
  {
    mSize = size;
    mVAlign = valign;
    mFGColor = fgColor;
  }

  constexpr IText(float size, EAlign align, const IColor& fgColor = DEFAULT_TEXT_FGCOLOR) : IText()
  {
    mSize = size;
    mAlign = align;
    mFGColor = fgColor;
  }

  // Copies at most MAX_FONT_NAME_LEN - 1 characters and terminates.
  constexpr void SetFont(const char* fontID)
  {
    int i = 0;
    for (; fontID && fontID[i] != '\0' && i < MAX_FONT_NAME_LEN - 1; ++i)
      mFont[i] = fontID[i];
    for (; i < MAX_FONT_NAME_LEN; ++i)
      mFont[i] = '\0';
  }

  IText WithFGColor(const IColor& c) const { IText t = *this; t.mFGColor = c; return t; }
  IText WithSize(float size) const { IText t = *this; t.mSize = size; return t; }
  IText WithAlign(EAlign align) const { IText t = *this; t.mAlign = align; return t; }
  IText WithVAlign(EVAlign valign) const { IText t = *this; t.mVAlign = valign; return t; }
  IText WithAngle(float angle) const { IText t = *this; t.mAngle = angle; return t; }
};

inline constexpr IText DEFAULT_TEXT(14.0f, DEFAULT_TEXT_FGCOLOR, DEFAULT_FONT, EAlign::Center, EVAlign::Middle, 0.0f,
                                    DEFAULT_TEXTENTRY_BGCOLOR, DEFAULT_TEXTENTRY_FGCOLOR);
inline constexpr IText DEFAULT_LABEL_TEXT(19.0f, EVAlign::Top, DEFAULT_TEXT_FGCOLOR);
inline constexpr IText DEFAULT_VALUE_TEXT(14.0f, EVAlign::Bottom, DEFAULT_TEXT_FGCOLOR);

} // namespace weft::canvas
