#include "IColor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace weft::canvas {

namespace {

float ClipUnit(float x) { return std::min(std::max(x, 0.0f), 1.0f); }
int ClipByte(int x) { return std::min(std::max(x, 0), 255); }

} // namespace

IColor& IColor::SetOpacity(float opacity)
{
  A = static_cast<int>(ClipUnit(opacity) * 255.0f);
  return *this;
}

IColor& IColor::Contrast(float c)
{
  const int delta = static_cast<int>(255.0f * c);
  R = ClipByte(R + delta);
  G = ClipByte(G + delta);
  B = ClipByte(B + delta);
  return *this;
}

void IColor::Randomise(int alpha)
{
  A = alpha;
  R = std::rand() % 255;
  G = std::rand() % 255;
  B = std::rand() % 255;
}

void IColor::GetHSLA(float& h, float& s, float& l, float& a) const
{
  const float r = static_cast<float>(R) / 255.0f;
  const float g = static_cast<float>(G) / 255.0f;
  const float b = static_cast<float>(B) / 255.0f;
  a = static_cast<float>(A) / 255.0f;

  const float mn = std::min({r, g, b});
  const float mx = std::max({r, g, b});
  const float d = mx - mn;
  const float sum = mx + mn;
  l = 50.0f * sum;
  if (mn == mx)
  {
    h = 0.0f;
    s = 0.0f;
    l /= 100.0f;
    return;
  }

  s = l < 50.0f ? 100.0f * d / sum : 100.0f * d / (2.0f - sum);
  if (mx == r)
    h = 60.0f * (g - b) / d;
  if (mx == g)
    h = 60.0f * (b - r) / d + 120.0f;
  if (mx == b)
    h = 60.0f * (r - g) / d + 240.0f;
  if (h < 0.0f)
    h += 360.0f;

  h /= 360.0f;
  s /= 100.0f;
  l /= 100.0f;
}

IColor IColor::FromHSLA(float h, float s, float l, float a)
{
  IColor c;
  h = h - std::trunc(h);
  if (h < 0.0f)
    h += 1.0f;
  s = ClipUnit(s);
  l = ClipUnit(l);

  const float q = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  const float p = 2.0f * l - q;
  auto channel = [p, q](float t) {
    if (t < 0.0f)
      t += 1.0f;
    if (t > 1.0f)
      t -= 1.0f;
    if (t < 1.0f / 6.0f)
      return p + (q - p) * 6.0f * t;
    if (t < 1.0f / 2.0f)
      return q;
    if (t < 2.0f / 3.0f)
      return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
    return p;
  };

  c.R = static_cast<int>(ClipUnit(channel(h + 1.0f / 3.0f)) * 255.0f);
  c.G = static_cast<int>(ClipUnit(channel(h)) * 255.0f);
  c.B = static_cast<int>(ClipUnit(channel(h - 1.0f / 3.0f)) * 255.0f);
  c.A = static_cast<int>(a * 255.0f);
  return c;
}

} // namespace weft::canvas
