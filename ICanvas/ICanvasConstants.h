#pragma once
// Enumerations and fixed numbers shared by the drawing context, its controls
// and the drawing back ends. The numeric values are part of the contract with
// the back ends and the platform layer: keep them as they are.

#include "IWeftConstants.h"

namespace weft::canvas {

using weft::kNoParameter;
using weft::kNoTag;
using weft::kNoValIdx;

// Composite operations, in the order the vector renderer maps them.
enum class EBlend
{
  SrcOver = 0,
  SrcIn,
  SrcOut,
  SrcAtop,
  DstOver,
  DstIn,
  DstOut,
  DstAtop,
  Add,
  XOR,
  Default = SrcOver
};

enum class EAlign { Near = 0, Center, Far };
enum class EVAlign { Top = 0, Middle, Bottom };
enum class EDirection { Vertical = 0, Horizontal };
enum class EOrientation { North = 0, East, South, West };

enum class EPatternType { Solid = 0, Linear, Radial };
// How a gradient continues beyond its end stops; every pattern starts as Pad.
enum class EPatternSpread { None = 0, Pad, Reflect, Repeat };

enum class EStrokeCap { Butt = 0, Round, Square };
enum class EStrokeJoin { Miter = 0, Round, Bevel };
// Winding and EvenOdd select the renderer's solid and hole path windings;
// Preserve keeps the windings the path was built with (SVG drawing).
enum class EFillRule { Winding = 0, EvenOdd, Preserve };
enum class EWinding { CW = 0, CCW };

// Slots of a vector control's colour set.
enum EVColor
{
  kBG = 0, // background
  kFG,     // foreground
  kPR,     // pressed
  kFR,     // frame
  kHL,     // highlight
  kSH,     // shadow
  kX1,     // extra 1
  kX2,     // extra 2
  kX3,     // extra 3
  kNumVColors
};

enum class EVShape { Rectangle = 0, Ellipse, Triangle, TopRounded, AllRounded };

// Pointer shapes; the platform layer maps them to its cursors.
enum class ECursor
{
  ARROW = 0,
  IBEAM,
  WAIT,
  CROSS,
  UPARROW,
  SIZENWSE,
  SIZENESW,
  SIZEWE,
  SIZENS,
  SIZEALL,
  INO,
  HAND,
  APPSTARTING,
  HELP
};

// What a corner drag changes: the draw scale (Scale) or the size in points.
enum class EUIResizerMode { Scale = 0, Size };
enum class EUIAppearance { Light = 0, Dark };

// Where a resource was found; NotFound (0) when nowhere.
enum EResourceLocation
{
  kNotFound = 0,
  kAbsolutePath = 1,
  kWinBinary = 2,
  kPreloadedTexture = 3
};

enum class EGestureType { Unknown = 0, DoubleTap, TripleTap, LongPress1, LongPress2, SwipeLeft, SwipeRight, SwipeUp, SwipeDown, Pinch, Rotate, Pan };

// Message-box kinds and results, by value.
enum EMsgBoxType
{
  kMB_OK = 0,
  kMB_OKCANCEL = 1,
  kMB_ABORTRETRYIGNORE = 2,
  kMB_YESNOCANCEL = 3,
  kMB_YESNO = 4,
  kMB_RETRYCANCEL = 5
};
enum EMsgBoxResult
{
  kNoResult = 0,
  kOK = 1,
  kCANCEL = 2,
  kABORT = 3,
  kRETRY = 4,
  kIGNORE = 5,
  kYES = 6,
  kNO = 7
};
enum class EFileAction { Open = 0, Save = 1 };

enum class ETextStyle { Normal = 0, Bold, Italic };

// "Regular", "Bold" or "Italic"; "Regular" for any other value.
inline const char* TextStyleString(ETextStyle style) noexcept
{
  switch (style)
  {
    case ETextStyle::Bold: return "Bold";
    case ETextStyle::Italic: return "Italic";
    default: return "Regular";
  }
}

// Draw-scale limits a new drawing context starts with.
constexpr float DEFAULT_MIN_DRAW_SCALE = 0.5f;
constexpr float DEFAULT_MAX_DRAW_SCALE = 4.0f;
// Every control rectangle that becomes a dirty region or a clip is first
// padded by this many points on each side.
constexpr float CLIP_PADDING = 0.75f;

constexpr int MAX_PATTERN_STOPS = 16;
constexpr int MAX_DASH_COUNT = 8;

} // namespace weft::canvas
