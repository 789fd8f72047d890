#pragma once
// IMatrix: a 2-D affine transform. A point (x, y) maps to
// (x * xx + y * xy + tx, x * yx + y * yy + ty). Each composing operation
// applies its argument first and the existing transform after it, so
// successive calls work in local coordinates. Angles are in degrees.

#include <cmath>

namespace weft::canvas {

struct IMatrix
{
  double mXX = 1.0, mYX = 0.0, mXY = 0.0, mYY = 1.0, mTX = 0.0, mTY = 0.0;

  constexpr IMatrix() = default;
  constexpr IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
  : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty)
  {}

  // new(p) = old(m(p)).
  IMatrix& Transform(const IMatrix& m)
  {
    const IMatrix o = *this;
    mXX = m.mXX * o.mXX + m.mYX * o.mXY;
    mYX = m.mXX * o.mYX + m.mYX * o.mYY;
    mXY = m.mXY * o.mXX + m.mYY * o.mXY;
    mYY = m.mXY * o.mYX + m.mYY * o.mYY;
    mTX = m.mTX * o.mXX + m.mTY * o.mXY + o.mTX;
    mTY = m.mTX * o.mYX + m.mTY * o.mYY + o.mTY;
    return *this;
  }
  IMatrix& Translate(float x, float y) { return Transform(IMatrix(1.0, 0.0, 0.0, 1.0, x, y)); }
  IMatrix& Scale(float x, float y) { return Transform(IMatrix(x, 0.0, 0.0, y, 0.0, 0.0)); }
  // Clockwise on screen for a positive angle.
  IMatrix& Rotate(float degrees)
  {
    const double r = static_cast<double>(degrees) * M_PI / 180.0;
    return Transform(IMatrix(std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0.0, 0.0));
  }
  IMatrix& Skew(float xAngle, float yAngle)
  {
    const double toRad = M_PI / 180.0;
    return Transform(IMatrix(1.0, std::tan(yAngle * toRad), std::tan(xAngle * toRad), 1.0, 0.0, 0.0));
  }
  // A singular matrix is not detected: its inverse holds infinities or NaN.
  IMatrix& Invert()
  {
    const IMatrix o = *this;
    const double d = 1.0 / (o.mXX * o.mYY - o.mYX * o.mXY);
    mXX = o.mYY * d;
    mYX = -o.mYX * d;
    mXY = -o.mXY * d;
    mYY = o.mXX * d;
    mTX = -o.mTX * mXX - o.mTY * mXY;
    mTY = -o.mTX * mYX - o.mTY * mYY;
    return *this;
  }
  void TransformPoint(double& x, double& y, double x0, double y0) const
  {
    x = x0 * mXX + y0 * mXY + mTX;
    y = x0 * mYX + y0 * mYY + mTY;
  }
  void TransformPoint(double& x, double& y) const { TransformPoint(x, y, x, y); }
  void TransformPoint(float& x, float& y) const
  {
    double dx, dy;
    TransformPoint(dx, dy, x, y);
    x = static_cast<float>(dx);
    y = static_cast<float>(dy);
  }
};

} // namespace weft::canvas
