#pragma once
// IColor: four integer components A, R, G, B, nominally 0..255 (not clipped
// on construction), with opacity, contrast and HSLA helpers; and the stock
// palette COLOR_*.

namespace weft::canvas {

struct IColor
{
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;

  constexpr IColor(int a = 255, int r = 0, int g = 0, int b = 0) : A(a), R(r), G(g), B(b) {}

  constexpr bool operator==(const IColor& c) const { return A == c.A && R == c.R && G == c.G && B == c.B; }
  constexpr bool operator!=(const IColor& c) const { return !(*this == c); }

  // code is 0xRRGGBB.
  static constexpr IColor FromColorCode(int code, int alpha = 255)
  {
    return IColor(alpha, (code >> 16) & 0xFF, (code >> 8) & 0xFF, code & 0xFF);
  }

  // A := opacity clipped to 0..1 times 255, truncated.
  IColor& SetOpacity(float opacity);
  IColor WithOpacity(float opacity) const { return IColor(*this).SetOpacity(opacity); }
  // Adds int(255 * c) to R, G and B, each clipped to 0..255; alpha unchanged.
  IColor& Contrast(float c);
  IColor WithContrast(float c) const { return IColor(*this).Contrast(c); }
  // A := alpha; R, G, B := rand() % 255 each (0..254).
  void Randomise(int alpha = 255);

  // Hue, saturation, lightness and alpha, each 0..1.
  void GetHSLA(float& h, float& s, float& l, float& a) const;
  // h wraps into 0..1, s and l are clipped to 0..1; a is not clipped.
  static IColor FromHSLA(float h, float s, float l, float a = 1.0f);
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_TRANSLUCENT(10, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_BLACK_DROP_SHADOW(128, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_LIGHT_GRAY(255, 240, 240, 240);
inline constexpr IColor COLOR_MID_GRAY(255, 200, 200, 200);
inline constexpr IColor COLOR_DARK_GRAY(255, 70, 70, 70);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor COLOR_INDIGO(255, 75, 0, 130);
inline constexpr IColor COLOR_VIOLET(255, 148, 0, 211);

inline constexpr IColor LED1(255, 36, 157, 16);
inline constexpr IColor LED2(255, 153, 191, 28);
inline constexpr IColor LED3(255, 215, 222, 37);
inline constexpr IColor LED4(255, 247, 153, 33);

// Default colours of the vector controls' slots (EVColor order) and of text.
inline constexpr IColor DEFAULT_BGCOLOR = COLOR_TRANSPARENT;
inline constexpr IColor DEFAULT_FGCOLOR = COLOR_MID_GRAY;
inline constexpr IColor DEFAULT_PRCOLOR = COLOR_LIGHT_GRAY;
inline constexpr IColor DEFAULT_FRCOLOR = COLOR_DARK_GRAY;
inline constexpr IColor DEFAULT_HLCOLOR = COLOR_TRANSLUCENT;
inline constexpr IColor DEFAULT_SHCOLOR(60, 0, 0, 0);
inline constexpr IColor DEFAULT_X1COLOR = COLOR_BLACK;
inline constexpr IColor DEFAULT_X2COLOR = COLOR_GREEN;
inline constexpr IColor DEFAULT_X3COLOR = COLOR_BLUE;
inline constexpr IColor DEFAULT_TEXT_FGCOLOR = COLOR_BLACK;
inline constexpr IColor DEFAULT_TEXTENTRY_BGCOLOR = COLOR_WHITE;
inline constexpr IColor DEFAULT_TEXTENTRY_FGCOLOR = COLOR_BLACK;

} // namespace weft::canvas
