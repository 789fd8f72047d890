#pragma once
// Small vector helpers shared by path recording and tessellation.

#include <cmath>

// Normalises a vector longer than 1e-6 in place; returns its length either way.
inline float vg__normalize(float* x, float* y)
{
  const float d = std::sqrt((*x) * (*x) + (*y) * (*y));
  if (d > 1e-6f)
  {
    const float id = 1.0f / d;
    *x *= id;
    *y *= id;
  }
  return d;
}

// True when the points lie closer than tol.
inline bool vg__ptEquals(float x1, float y1, float x2, float y2, float tol)
{
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}
