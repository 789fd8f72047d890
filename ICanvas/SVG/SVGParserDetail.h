#pragma once
// Internals of the SVG reader shared by its source files.

#include "SVGImage.h"

#include <vector>

namespace weft::svg::detail {

// x' = a x + c y + e, y' = b x + d y + f.
struct Xform
{
  float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, e = 0.0f, f = 0.0f;

  static Xform Translate(float x, float y) { return {1.0f, 0.0f, 0.0f, 1.0f, x, y}; }
  static Xform Scale(float x, float y) { return {x, 0.0f, 0.0f, y, 0.0f, 0.0f}; }
  static Xform Rotate(float degrees);
  static Xform SkewX(float degrees);
  static Xform SkewY(float degrees);

  // this after s: the result maps p to this(s(p)).
  Xform operator*(const Xform& s) const;
  // Identity when the transform cannot be inverted.
  Xform Inverse() const;
  // Square root of the absolute determinant: how lengths scale on average.
  float MeanScale() const;
  void Apply(float& x, float& y) const;
};

// Skips white space and at most one comma; returns the new position.
const char* SkipSeparators(const char* s);
// Reads one number (sign, digits, fraction, exponent) at s. Returns the
// position after it, or null (out untouched) when s holds no number.
const char* ParseNumber(const char* s, float& out);
// Numbers of a transform attribute into a transform; false on a syntax error.
bool ParseTransform(const char* s, Xform& out);

// Collects sub-paths as cubic chains. A sub-path without any segment is
// dropped, so every path kept holds 1 + 3k points with k >= 1.
class PathBuilder
{
public:
  void MoveTo(float x, float y);
  void LineTo(float x, float y);
  void CubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y);
  void QuadTo(float cx, float cy, float x, float y);
  // Elliptical arc from the current point, radii in local units, rotation
  // in degrees.
  void ArcTo(float rx, float ry, float rotation, bool largeArc, bool sweep, float x, float y);
  void Close();

  float CurX() const { return mX; }
  float CurY() const { return mY; }
  // The finished sub-paths; the builder is empty afterwards.
  std::vector<SVGPath> Take();

private:
  void Begin();
  void Flush();

  std::vector<SVGPath> mPaths;
  SVGPath mCur;
  float mX = 0.0f, mY = 0.0f;
  float mStartX = 0.0f, mStartY = 0.0f;
};

// Path data into the builder. Stops at the first error and keeps what came
// before it; data that does not begin with a move-to adds nothing.
void ParsePathData(const char* d, PathBuilder& builder);

// Bounds of a path's curve (the extremes of each cubic, not its control
// points) into path.bounds.
void ComputeBounds(SVGPath& path);

} // namespace weft::svg::detail
