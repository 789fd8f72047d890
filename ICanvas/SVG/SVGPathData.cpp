// Transforms, numbers, path data and arcs of the SVG reader.

#include "SVGParserDetail.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace weft::svg::detail {

namespace {

constexpr double kPi = 3.14159265358979323846;

float Radians(float degrees) { return static_cast<float>(degrees * kPi / 180.0); }

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f'; }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

} // namespace

Xform Xform::Rotate(float degrees)
{
  const float cs = std::cos(Radians(degrees)), sn = std::sin(Radians(degrees));
  return {cs, sn, -sn, cs, 0.0f, 0.0f};
}

Xform Xform::SkewX(float degrees) { return {1.0f, 0.0f, std::tan(Radians(degrees)), 1.0f, 0.0f, 0.0f}; }
Xform Xform::SkewY(float degrees) { return {1.0f, std::tan(Radians(degrees)), 0.0f, 1.0f, 0.0f, 0.0f}; }

Xform Xform::operator*(const Xform& s) const
{
  return {a * s.a + c * s.b, b * s.a + d * s.b, a * s.c + c * s.d,
          b * s.c + d * s.d, a * s.e + c * s.f + e, b * s.e + d * s.f + f};
}

Xform Xform::Inverse() const
{
  const double det = static_cast<double>(a) * d - static_cast<double>(b) * c;
  if (!(std::fabs(det) > 1e-12))
    return Xform();
  const double inv = 1.0 / det;
  return {static_cast<float>(d * inv),
          static_cast<float>(-b * inv),
          static_cast<float>(-c * inv),
          static_cast<float>(a * inv),
          static_cast<float>((static_cast<double>(c) * f - static_cast<double>(d) * e) * inv),
          static_cast<float>((static_cast<double>(b) * e - static_cast<double>(a) * f) * inv)};
}

float Xform::MeanScale() const { return std::sqrt(std::fabs(a * d - b * c)); }

void Xform::Apply(float& x, float& y) const
{
  const float nx = a * x + c * y + e;
  y = b * x + d * y + f;
  x = nx;
}

const char* SkipSeparators(const char* s)
{
  while (IsSpace(*s))
    s++;
  if (*s == ',')
    s++;
  while (IsSpace(*s))
    s++;
  return s;
}

const char* ParseNumber(const char* s, float& out)
{
  const char* p = s;
  bool negative = false;
  if (*p == '+' || *p == '-')
    negative = *p++ == '-';
  double mantissa = 0.0;
  int exponent = 0;
  bool digits = false;
  for (; IsDigit(*p); p++, digits = true)
  {
    if (mantissa < 1e300)
      mantissa = mantissa * 10.0 + (*p - '0');
    else
      exponent++;
  }
  if (*p == '.')
  {
    for (p++; IsDigit(*p); p++, digits = true)
    {
      if (mantissa < 1e300)
      {
        mantissa = mantissa * 10.0 + (*p - '0');
        exponent--;
      }
    }
  }
  if (!digits)
    return nullptr;
  // An exponent only when digits follow, so "2em" stays a number and a unit.
  if ((*p == 'e' || *p == 'E') && (IsDigit(p[1]) || ((p[1] == '+' || p[1] == '-') && IsDigit(p[2]))))
  {
    p++;
    const bool negExp = *p == '-';
    if (*p == '+' || *p == '-')
      p++;
    int e = 0;
    for (; IsDigit(*p); p++)
      e = std::min(e * 10 + (*p - '0'), 100000);
    exponent += negExp ? -e : e;
  }
  exponent = std::clamp(exponent, -400, 400);
  const double value = mantissa * std::pow(10.0, exponent);
  const double limit = 1e30; // keeps later float arithmetic finite
  out = static_cast<float>(std::clamp(negative ? -value : value, -limit, limit));
  return p;
}

bool ParseTransform(const char* s, Xform& out)
{
  Xform result;
  while (true)
  {
    while (IsSpace(*s) || *s == ',')
      s++;
    if (!*s)
      break;
    const char* name = s;
    while (std::isalpha(static_cast<unsigned char>(*s)))
      s++;
    const size_t len = static_cast<size_t>(s - name);
    while (IsSpace(*s))
      s++;
    if (*s != '(')
      return false;
    s++;
    float v[6] = {};
    int n = 0;
    while (true)
    {
      s = SkipSeparators(s);
      if (*s == ')')
        break;
      float x;
      const char* next = ParseNumber(s, x);
      if (!next || n == 6)
        return false;
      v[n++] = x;
      s = next;
    }
    s++;
    auto is = [&](const char* word) { return len == std::strlen(word) && std::strncmp(name, word, len) == 0; };
    Xform t;
    if (is("matrix") && n == 6)
      t = {v[0], v[1], v[2], v[3], v[4], v[5]};
    else if (is("translate") && (n == 1 || n == 2))
      t = Xform::Translate(v[0], v[1]);
    else if (is("scale") && (n == 1 || n == 2))
      t = Xform::Scale(v[0], n == 2 ? v[1] : v[0]);
    else if (is("rotate") && n == 1)
      t = Xform::Rotate(v[0]);
    else if (is("rotate") && n == 3)
      t = Xform::Translate(v[1], v[2]) * Xform::Rotate(v[0]) * Xform::Translate(-v[1], -v[2]);
    else if (is("skewX") && n == 1)
      t = Xform::SkewX(v[0]);
    else if (is("skewY") && n == 1)
      t = Xform::SkewY(v[0]);
    else
      return false;
    result = result * t;
  }
  out = result;
  return true;
}

void PathBuilder::Begin()
{
  if (mCur.pts.empty())
  {
    mCur.pts = {mX, mY};
    mStartX = mX;
    mStartY = mY;
  }
}

void PathBuilder::Flush()
{
  if (mCur.pts.size() >= 8)
    mPaths.push_back(std::move(mCur));
  mCur = SVGPath();
}

void PathBuilder::MoveTo(float x, float y)
{
  Flush();
  mX = mStartX = x;
  mY = mStartY = y;
  mCur.pts = {x, y};
}

void PathBuilder::CubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  Begin();
  mCur.pts.insert(mCur.pts.end(), {c1x, c1y, c2x, c2y, x, y});
  mX = x;
  mY = y;
}

void PathBuilder::LineTo(float x, float y)
{
  const float dx = x - mX, dy = y - mY;
  CubicTo(mX + dx / 3.0f, mY + dy / 3.0f, x - dx / 3.0f, y - dy / 3.0f, x, y);
}

void PathBuilder::QuadTo(float cx, float cy, float x, float y)
{
  CubicTo(mX + 2.0f / 3.0f * (cx - mX), mY + 2.0f / 3.0f * (cy - mY), x + 2.0f / 3.0f * (cx - x),
          y + 2.0f / 3.0f * (cy - y), x, y);
}

void PathBuilder::ArcTo(float rxIn, float ryIn, float rotation, bool largeArc, bool sweep, float x, float y)
{
  const double x1 = mX, y1 = mY;
  double rx = std::fabs(rxIn), ry = std::fabs(ryIn);
  if ((x1 == x && y1 == y))
    return;
  if (rx == 0.0 || ry == 0.0 || !std::isfinite(rx) || !std::isfinite(ry))
  {
    LineTo(x, y);
    return;
  }
  // Endpoint to centre parameterisation.
  const double phi = rotation * kPi / 180.0;
  const double cs = std::cos(phi), sn = std::sin(phi);
  const double dx2 = (x1 - x) / 2.0, dy2 = (y1 - y) / 2.0;
  const double x1p = cs * dx2 + sn * dy2;
  const double y1p = -sn * dx2 + cs * dy2;
  const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (lambda > 1.0)
  {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
  const double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
  double coef = den > 0.0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
  if (largeArc == sweep)
    coef = -coef;
  const double cxp = coef * rx * y1p / ry;
  const double cyp = -coef * ry * x1p / rx;
  const double cx = cs * cxp - sn * cyp + (x1 + x) / 2.0;
  const double cy = sn * cxp + cs * cyp + (y1 + y) / 2.0;
  auto angle = [](double ux, double uy, double vx, double vy) {
    return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  };
  const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
  const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
  const double theta1 = angle(1.0, 0.0, ux, uy);
  double dtheta = angle(ux, uy, vx, vy);
  if (!sweep && dtheta > 0.0)
    dtheta -= 2.0 * kPi;
  else if (sweep && dtheta < 0.0)
    dtheta += 2.0 * kPi;
  if (!std::isfinite(dtheta) || !std::isfinite(theta1) || !std::isfinite(cx) || !std::isfinite(cy))
  {
    LineTo(x, y);
    return;
  }
  // At most a quarter turn per cubic.
  const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(dtheta) / (kPi / 2.0) - 1e-9)));
  const double delta = dtheta / segments;
  const double k = 4.0 / 3.0 * std::tan(delta / 4.0);
  auto point = [&](double t, double& px, double& py, double& tx, double& ty) {
    const double ex = rx * std::cos(t), ey = ry * std::sin(t);
    px = cs * ex - sn * ey + cx;
    py = sn * ex + cs * ey + cy;
    const double dxe = -rx * std::sin(t), dye = ry * std::cos(t);
    tx = cs * dxe - sn * dye;
    ty = sn * dxe + cs * dye;
  };
  double px, py, tx, ty;
  point(theta1, px, py, tx, ty);
  for (int i = 1; i <= segments; i++)
  {
    const double t = theta1 + delta * i;
    double qx, qy, qtx, qty;
    point(t, qx, qy, qtx, qty);
    if (i == segments)
    {
      qx = x;
      qy = y;
    }
    CubicTo(static_cast<float>(px + k * tx), static_cast<float>(py + k * ty), static_cast<float>(qx - k * qtx),
            static_cast<float>(qy - k * qty), static_cast<float>(qx), static_cast<float>(qy));
    px = qx;
    py = qy;
    tx = qtx;
    ty = qty;
  }
}

void PathBuilder::Close()
{
  if (!mCur.pts.empty())
  {
    mCur.closed = true;
    Flush();
  }
  mX = mStartX;
  mY = mStartY;
}

std::vector<SVGPath> PathBuilder::Take()
{
  Flush();
  std::vector<SVGPath> out;
  out.swap(mPaths);
  return out;
}

namespace {

// Number of arguments each command takes per repetition.
int ArgCount(char cmd)
{
  switch (std::tolower(static_cast<unsigned char>(cmd)))
  {
    case 'm': case 'l': case 't': return 2;
    case 'h': case 'v': return 1;
    case 'c': return 6;
    case 's': case 'q': return 4;
    case 'a': return 7;
    case 'z': return 0;
    default: return -1;
  }
}

// An arc flag is one character, 0 or 1, with or without separators.
const char* ParseFlag(const char* s, float& out)
{
  s = SkipSeparators(s);
  if (*s != '0' && *s != '1')
    return nullptr;
  out = static_cast<float>(*s - '0');
  return s + 1;
}

} // namespace

void ParsePathData(const char* d, PathBuilder& b)
{
  if (!d)
    return;
  char cmd = 0;
  float lastCtrlX = 0.0f, lastCtrlY = 0.0f; // reflected by S and T
  char prevCmd = 0;
  const char* s = d;
  while (true)
  {
    while (IsSpace(*s) || *s == ',')
      s++;
    if (!*s)
      return;
    if (std::isalpha(static_cast<unsigned char>(*s)))
    {
      // Path data begins with a move-to, or is in error from its start.
      if (!cmd && *s != 'M' && *s != 'm')
        return;
      cmd = *s++;
      if (ArgCount(cmd) < 0)
        return;
      if (ArgCount(cmd) == 0)
      {
        b.Close();
        prevCmd = cmd;
        continue;
      }
    }
    else if (!cmd || ArgCount(cmd) == 0)
      return; // numbers with no command to take them
    const int n = ArgCount(cmd);
    float v[7];
    for (int i = 0; i < n; i++)
    {
      const char* next = (std::tolower(static_cast<unsigned char>(cmd)) == 'a' && (i == 3 || i == 4))
                           ? ParseFlag(s, v[i])
                           : ParseNumber(SkipSeparators(s), v[i]);
      if (!next)
        return;
      s = next;
    }
    const bool rel = std::islower(static_cast<unsigned char>(cmd)) != 0;
    const float ox = rel ? b.CurX() : 0.0f, oy = rel ? b.CurY() : 0.0f;
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(cmd)));
    const char prevLower = static_cast<char>(std::tolower(static_cast<unsigned char>(prevCmd)));
    float c1x, c1y;
    switch (lower)
    {
      case 'm':
        b.MoveTo(ox + v[0], oy + v[1]);
        cmd = rel ? 'l' : 'L'; // further pairs are line segments
        break;
      case 'l': b.LineTo(ox + v[0], oy + v[1]); break;
      case 'h': b.LineTo(ox + v[0], b.CurY()); break;
      case 'v': b.LineTo(b.CurX(), oy + v[0]); break;
      case 'c':
        b.CubicTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
        lastCtrlX = ox + v[2];
        lastCtrlY = oy + v[3];
        break;
      case 's':
        c1x = (prevLower == 'c' || prevLower == 's') ? 2.0f * b.CurX() - lastCtrlX : b.CurX();
        c1y = (prevLower == 'c' || prevLower == 's') ? 2.0f * b.CurY() - lastCtrlY : b.CurY();
        b.CubicTo(c1x, c1y, ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
        lastCtrlX = ox + v[0];
        lastCtrlY = oy + v[1];
        break;
      case 'q':
        b.QuadTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
        lastCtrlX = ox + v[0];
        lastCtrlY = oy + v[1];
        break;
      case 't':
        c1x = (prevLower == 'q' || prevLower == 't') ? 2.0f * b.CurX() - lastCtrlX : b.CurX();
        c1y = (prevLower == 'q' || prevLower == 't') ? 2.0f * b.CurY() - lastCtrlY : b.CurY();
        b.QuadTo(c1x, c1y, ox + v[0], oy + v[1]);
        lastCtrlX = c1x;
        lastCtrlY = c1y;
        break;
      case 'a': b.ArcTo(v[0], v[1], v[2], v[3] != 0.0f, v[4] != 0.0f, ox + v[5], oy + v[6]); break;
    }
    prevCmd = lower == 'm' ? 'm' : cmd;
  }
}

void ComputeBounds(SVGPath& path)
{
  float* bb = path.bounds;
  bb[0] = bb[2] = path.X(0);
  bb[1] = bb[3] = path.Y(0);
  auto add = [bb](float x, float y) {
    bb[0] = std::min(bb[0], x);
    bb[1] = std::min(bb[1], y);
    bb[2] = std::max(bb[2], x);
    bb[3] = std::max(bb[3], y);
  };
  for (int i = 1; i + 2 < path.NPts(); i += 3)
  {
    const float px[4] = {path.X(i - 1), path.X(i), path.X(i + 1), path.X(i + 2)};
    const float py[4] = {path.Y(i - 1), path.Y(i), path.Y(i + 1), path.Y(i + 2)};
    add(px[3], py[3]);
    auto eval = [](const float* p, double t) {
      const double u = 1.0 - t;
      return static_cast<float>(u * u * u * p[0] + 3.0 * u * u * t * p[1] + 3.0 * u * t * t * p[2] + t * t * t * p[3]);
    };
    // Roots of the derivative per axis: a t^2 + b t + c = 0.
    for (const float* p : {px, py})
    {
      const double a = -p[0] + 3.0 * p[1] - 3.0 * p[2] + p[3];
      const double b = 2.0 * (p[0] - 2.0 * p[1] + p[2]);
      const double c = p[1] - p[0];
      double roots[2];
      int n = 0;
      if (std::fabs(a) < 1e-12)
      {
        if (std::fabs(b) > 1e-12)
          roots[n++] = -c / b;
      }
      else
      {
        const double disc = b * b - 4.0 * a * c;
        if (disc >= 0.0)
        {
          roots[n++] = (-b + std::sqrt(disc)) / (2.0 * a);
          roots[n++] = (-b - std::sqrt(disc)) / (2.0 * a);
        }
      }
      for (int r = 0; r < n; r++)
      {
        if (roots[r] > 0.0 && roots[r] < 1.0)
          add(eval(px, roots[r]), eval(py, roots[r]));
      }
    }
  }
}

} // namespace weft::svg::detail
