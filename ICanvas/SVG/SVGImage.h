#pragma once
// The parsed form of an SVG document: a flat list of shapes in drawing
// order, each a set of paths in the document's final coordinates (every
// group, element and viewBox transform already applied) with its fill and
// stroke. Paths are cubic Bezier chains: a start point followed by three
// points per segment, so a path always holds 1 + 3k points (k >= 1).
//
// Colours are 32-bit values with red in the lowest byte, then green, blue
// and alpha.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace weft::svg {

enum EPaintType : int
{
  kPaintNone = 0,
  kPaintColor = 1,
  kPaintLinearGradient = 2,
  kPaintRadialGradient = 3
};

enum ESpread : int
{
  kSpreadPad = 0,
  kSpreadReflect = 1,
  kSpreadRepeat = 2
};

enum ELineJoin : int
{
  kJoinMiter = 0,
  kJoinRound = 1,
  kJoinBevel = 2
};

enum ELineCap : int
{
  kCapButt = 0,
  kCapRound = 1,
  kCapSquare = 2
};

enum EFillRule : int
{
  kFillNonZero = 0,
  kFillEvenOdd = 1
};

constexpr int kMaxDashes = 8;

struct SVGGradientStop
{
  uint32_t color = 0; // stop-opacity in the alpha byte
  float offset = 0.0f; // 0..1, never decreasing along the list
};

// A gradient element's stops, shared by every paint that uses the element.
using SVGGradientStops = std::vector<SVGGradientStop>;

struct SVGGradient
{
  // Maps document coordinates to gradient space (x' = xx x + xy y + tx,
  // y' = yx x + yy y + ty): a linear gradient runs from (0, 0) to (0, 1) of
  // that space, a radial one is the unit circle around its origin.
  float xform[6] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}; // xx, yx, xy, yy, tx, ty
  ESpread spread = kSpreadPad;
  std::shared_ptr<const SVGGradientStops> stops; // never null, at least one stop
};

struct SVGPaint
{
  EPaintType type = kPaintNone;
  uint32_t color = 0; // kPaintColor only; the paint's own opacity in alpha
  std::shared_ptr<const SVGGradient> gradient; // the gradient types only
};

struct SVGPath
{
  std::vector<float> pts; // x, y pairs
  bool closed = false;
  float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // left, top, right, bottom of the curve itself

  int NPts() const noexcept { return static_cast<int>(pts.size() / 2); }
  float X(int i) const noexcept { return pts[2 * static_cast<size_t>(i)]; }
  float Y(int i) const noexcept { return pts[2 * static_cast<size_t>(i) + 1]; }
};

struct SVGShape
{
  std::string id;
  SVGPaint fill;
  SVGPaint stroke;
  float opacity = 1.0f; // element opacity times that of its groups
  float strokeWidth = 1.0f; // scaled by the element's transform
  float strokeDashOffset = 0.0f;
  float strokeDashArray[kMaxDashes] = {};
  int strokeDashCount = 0; // 0: solid
  ELineJoin strokeLineJoin = kJoinMiter;
  ELineCap strokeLineCap = kCapButt;
  float miterLimit = 4.0f;
  EFillRule fillRule = kFillNonZero;
  bool visible = true;
  float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  std::vector<SVGPath> paths; // never empty
};

struct SVGImage
{
  float width = 0.0f; // in the units asked for at parse time
  float height = 0.0f;
  std::vector<SVGShape> shapes;
};

} // namespace weft::svg
