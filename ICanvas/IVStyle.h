#pragma once
// The look of the vector controls: a nine-colour palette (IVColorSpec,
// indexed by EVColor) and the style record IVStyle.

#include "IColor.h"
#include "IText.h"
#include "LOOM_Assert.h"

#include <initializer_list>

namespace weft::canvas {

struct IVColorSpec
{
  IColor mColors[kNumVColors];

  constexpr IVColorSpec() { ResetColors(); }
  // Colours in EVColor order; slots not given keep their defaults. More than
  // nine colours are a caller's error; release builds ignore the rest.
  constexpr IVColorSpec(std::initializer_list<IColor> colors)
  {
    LOOM_ASSERT_MSG(colors.size() <= kNumVColors, "colors.size() <= kNumVColors");
    ResetColors();
    int i = 0;
    for (const IColor& c : colors)
    {
      if (i == kNumVColors)
        break;
      mColors[i++] = c;
    }
  }

  // color must be a slot (0..8).
  constexpr const IColor& GetColor(EVColor color) const { return mColors[color]; }

  static constexpr IColor GetDefaultColor(EVColor idx)
  {
    switch (idx)
    {
      case kBG: return DEFAULT_BGCOLOR;
      case kFG: return DEFAULT_FGCOLOR;
      case kPR: return DEFAULT_PRCOLOR;
      case kFR: return DEFAULT_FRCOLOR;
      case kHL: return DEFAULT_HLCOLOR;
      case kSH: return DEFAULT_SHCOLOR;
      case kX1: return DEFAULT_X1COLOR;
      case kX2: return DEFAULT_X2COLOR;
      case kX3: return DEFAULT_X3COLOR;
      default: return COLOR_TRANSPARENT;
    }
  }

  constexpr void ResetColors()
  {
    for (int i = 0; i < kNumVColors; ++i)
      mColors[i] = GetDefaultColor(static_cast<EVColor>(i));
  }
};

inline constexpr IVColorSpec DEFAULT_COLOR_SPEC{};

struct IVStyle
{
  bool hideCursor = true;
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  bool emboss = false;
  float roundness = 0.0f;
  float frameThickness = 1.0f;
  float shadowOffset = 3.0f;
  float widgetFrac = 1.0f;
  float angle = 0.0f;
  IVColorSpec colorSpec = DEFAULT_COLOR_SPEC;
  IText labelText = DEFAULT_LABEL_TEXT;
  IText valueText = DEFAULT_VALUE_TEXT;
  EOrientation labelOrientation = EOrientation::North;

  constexpr IVStyle(bool showLabel_ = true, bool showValue_ = true, const IVColorSpec& colors = DEFAULT_COLOR_SPEC,
                    const IText& labelText_ = DEFAULT_LABEL_TEXT, const IText& valueText_ = DEFAULT_VALUE_TEXT,
                    bool hideCursor_ = true, bool drawFrame_ = true, bool drawShadows_ = true, bool emboss_ = false,
                    float roundness_ = 0.0f, float frameThickness_ = 1.0f, float shadowOffset_ = 3.0f,
                    float widgetFrac_ = 1.0f, float angle_ = 0.0f,
                    EOrientation labelOrientation_ = EOrientation::North)
  : hideCursor(hideCursor_)
  , showLabel(showLabel_)
  , showValue(showValue_)
  , drawFrame(drawFrame_)
  , drawShadows(drawShadows_)
  , emboss(emboss_)
  , roundness(roundness_)
  , frameThickness(frameThickness_)
  , shadowOffset(shadowOffset_)
  , widgetFrac(widgetFrac_)
  , angle(angle_)
  , colorSpec(colors)
  , labelText(labelText_)
  , valueText(valueText_)
  , labelOrientation(labelOrientation_)
  {}

  IVStyle WithShowLabel(bool show = true) const { IVStyle s = *this; s.showLabel = show; return s; }
  IVStyle WithDrawFrame(bool draw = true) const { IVStyle s = *this; s.drawFrame = draw; return s; }
  IVStyle WithDrawShadows(bool draw = true) const { IVStyle s = *this; s.drawShadows = draw; return s; }
  // Clipped to 0..1.
  IVStyle WithRoundness(float v) const
  {
    IVStyle s = *this;
    s.roundness = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    return s;
  }
  IVStyle WithFrameThickness(float v) const { IVStyle s = *this; s.frameThickness = v; return s; }
  IVStyle WithShadowOffset(float v) const { IVStyle s = *this; s.shadowOffset = v; return s; }
  IVStyle WithValueText(const IText& t) const { IVStyle s = *this; s.valueText = t; return s; }
  // An index outside the nine slots changes nothing.
  IVStyle WithColor(EVColor idx, const IColor& color) const
  {
    IVStyle s = *this;
    if (idx >= 0 && idx < kNumVColors)
      s.colorSpec.mColors[idx] = color;
    return s;
  }
};

inline constexpr IVStyle DEFAULT_STYLE{};

} // namespace weft::canvas
