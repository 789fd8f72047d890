// The SVG document walker: styles, colours, lengths, shapes and gradients.

#include "SVGParser.h"

#include "SVGParserDetail.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>

namespace weft::svg {

using namespace detail;
using tinyxml2::XMLElement;

namespace {

constexpr float kKappa = 0.5522847498f; // cubic control distance of a quarter circle of radius 1

enum class EPaintSource
{
  None,
  Color,
  CurrentColor,
  Url
};

struct StylePaint
{
  EPaintSource source = EPaintSource::None;
  uint32_t color = 0; // rgb only; for a Url, the fallback's colour
  std::string url;
  // For a Url: what paints when the reference names no paint server (None
  // when the value gives no fallback).
  EPaintSource fallback = EPaintSource::None;
};

// The inherited state of an element.
struct Style
{
  Xform xform;
  StylePaint fill{EPaintSource::Color, 0, {}};
  StylePaint stroke;
  uint32_t currentColor = 0;
  float fillOpacity = 1.0f;
  float strokeOpacity = 1.0f;
  float opacity = 1.0f; // the element's times its groups'
  float elementOpacity = 1.0f; // the element's own, set while its attributes are read
  float strokeWidth = 1.0f;
  float dashOffset = 0.0f;
  float dashes[kMaxDashes] = {};
  int dashCount = 0;
  ELineJoin join = kJoinMiter;
  ELineCap cap = kCapButt;
  float miterLimit = 4.0f;
  EFillRule fillRule = kFillNonZero;
  bool visible = true;
  bool display = true;
  // Gradient stops only.
  uint32_t stopColor = 0;
  float stopOpacity = 1.0f;
};

struct NamedColor
{
  const char* name;
  uint32_t rgb; // 0xRRGGBB
};

const NamedColor kNamedColors[] = {
  {"black", 0x000000}, {"silver", 0xC0C0C0}, {"gray", 0x808080}, {"grey", 0x808080}, {"white", 0xFFFFFF},
  {"maroon", 0x800000}, {"red", 0xFF0000}, {"purple", 0x800080}, {"fuchsia", 0xFF00FF}, {"magenta", 0xFF00FF},
  {"green", 0x008000}, {"lime", 0x00FF00}, {"olive", 0x808000}, {"yellow", 0xFFFF00}, {"navy", 0x000080},
  {"blue", 0x0000FF}, {"teal", 0x008080}, {"aqua", 0x00FFFF}, {"cyan", 0x00FFFF}, {"orange", 0xFFA500},
  {"darkgray", 0xA9A9A9}, {"darkgrey", 0xA9A9A9}, {"lightgray", 0xD3D3D3}, {"lightgrey", 0xD3D3D3},
  {"dimgray", 0x696969}, {"dimgrey", 0x696969}, {"darkred", 0x8B0000}, {"darkgreen", 0x006400},
  {"darkblue", 0x00008B}, {"lightblue", 0xADD8E6}, {"skyblue", 0x87CEEB}, {"steelblue", 0x4682B4},
  {"royalblue", 0x4169E1}, {"gold", 0xFFD700}, {"pink", 0xFFC0CB}, {"brown", 0xA52A2A}, {"violet", 0xEE82EE},
  {"indigo", 0x4B0082}, {"coral", 0xFF7F50}, {"salmon", 0xFA8072}, {"tomato", 0xFF6347}, {"crimson", 0xDC143C},
  {"khaki", 0xF0E68C}, {"beige", 0xF5F5DC}, {"ivory", 0xFFFFF0}, {"tan", 0xD2B48C}, {"turquoise", 0x40E0D0},
  {"whitesmoke", 0xF5F5F5}, {"gainsboro", 0xDCDCDC}, {"darkorange", 0xFF8C00}, {"lightgreen", 0x90EE90},
};

bool IsGradient(const XMLElement* el)
{
  return std::strcmp(el->Name(), "linearGradient") == 0 || std::strcmp(el->Name(), "radialGradient") == 0;
}

std::string Trim(const char* s, size_t n)
{
  size_t b = 0;
  while (b < n && std::isspace(static_cast<unsigned char>(s[b])))
    b++;
  while (n > b && std::isspace(static_cast<unsigned char>(s[n - 1])))
    n--;
  return std::string(s + b, n - b);
}

bool StartsWithNoCase(const std::string& a, const char* prefix)
{
  const size_t n = std::strlen(prefix);
  if (a.size() < n)
    return false;
  for (size_t i = 0; i < n; i++)
  {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// Keywords of CSS values compare without case.
bool EqualsNoCase(const std::string& a, const char* b) { return a.size() == std::strlen(b) && StartsWithNoCase(a, b); }

// The place of v among words (without case), or -1.
int KeywordIndex(const std::string& v, std::initializer_list<const char*> words)
{
  int i = 0;
  for (const char* word : words)
  {
    if (EqualsNoCase(v, word))
      return i;
    i++;
  }
  return -1;
}

// A value that is one number and nothing else (values arrive trimmed):
// "0.5" is one, "0.5mm" and "0.5 0.5" are not.
bool ParseWholeNumber(const std::string& v, float& out)
{
  float x;
  const char* end = ParseNumber(v.c_str(), x);
  if (!end || *end)
    return false;
  out = x;
  return true;
}

// rgb as 0xBBGGRR (red in the lowest byte); false for an unknown colour.
bool ParseColor(const std::string& v, uint32_t& out)
{
  auto pack = [](uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); };
  if (!v.empty() && v[0] == '#')
  {
    const std::string hex = v.substr(1);
    if ((hex.size() != 3 && hex.size() != 6) || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return false;
    const uint32_t n = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
    if (hex.size() == 3)
      out = pack(((n >> 8) & 0xF) * 17, ((n >> 4) & 0xF) * 17, (n & 0xF) * 17);
    else
      out = pack((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return true;
  }
  if (StartsWithNoCase(v, "rgb("))
  {
    const char* s = v.c_str() + 4;
    uint32_t c[3];
    for (int i = 0; i < 3; i++)
    {
      float x;
      const char* next = ParseNumber(SkipSeparators(s), x);
      if (!next)
        return false;
      if (*next == '%')
      {
        x *= 2.55f;
        next++;
      }
      c[i] = static_cast<uint32_t>(std::lround(std::clamp(x, 0.0f, 255.0f)));
      s = next;
    }
    s = SkipSeparators(s);
    if (s[0] != ')' || s[1])
      return false;
    out = pack(c[0], c[1], c[2]);
    return true;
  }
  for (const NamedColor& nc : kNamedColors)
  {
    if (EqualsNoCase(v, nc.name))
    {
      out = pack((nc.rgb >> 16) & 0xFF, (nc.rgb >> 8) & 0xFF, nc.rgb & 0xFF);
      return true;
    }
  }
  return false;
}

// "none", "currentColor" or a colour.
bool ParsePlainPaint(const std::string& v, StylePaint& out)
{
  uint32_t c = 0;
  if (EqualsNoCase(v, "none"))
    out = StylePaint{};
  else if (EqualsNoCase(v, "currentColor"))
    out = StylePaint{EPaintSource::CurrentColor, 0, {}};
  else if (ParseColor(v, c))
    out = StylePaint{EPaintSource::Color, c, {}};
  else
    return false;
  return true;
}

// A plain paint, or "url(#id)" optionally followed by the plain paint that
// stands in when the reference does not resolve.
bool ParsePaint(const std::string& v, StylePaint& out)
{
  if (!StartsWithNoCase(v, "url("))
    return ParsePlainPaint(v, out);
  const size_t end = v.find(')');
  if (end == std::string::npos)
    return false;
  const std::string ref = Trim(v.c_str() + 4, end - 4);
  if (ref.size() < 2 || ref[0] != '#')
    return false;
  StylePaint paint{EPaintSource::Url, 0, ref.substr(1)};
  const std::string rest = Trim(v.c_str() + end + 1, v.size() - end - 1);
  if (!rest.empty())
  {
    StylePaint fallback;
    if (!ParsePlainPaint(rest, fallback))
      return false;
    paint.fallback = fallback.source;
    paint.color = fallback.color;
  }
  out = paint;
  return true;
}

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// A style declaration list with each /* comment */ (an unclosed one runs to
// the end) replaced by a space, as CSS reads them.
std::string WithoutComments(const char* s)
{
  std::string out;
  while (*s)
  {
    if (s[0] == '/' && s[1] == '*')
    {
      const char* close = std::strstr(s + 2, "*/");
      s = close ? close + 2 : s + std::strlen(s);
      out += ' ';
    }
    else
      out += *s++;
  }
  return out;
}

// The conditional attributes of a <switch> child, for a reader that knows
// no extensions and whose user reads English.
bool ConditionsHold(const XMLElement* el)
{
  if (el->Attribute("requiredExtensions"))
    return false;
  const char* languages = el->Attribute("systemLanguage");
  if (!languages)
    return true;
  // A listed tag matches when it is "en" or begins with "en-".
  for (const char* s = languages; *s;)
  {
    const char* comma = std::strchr(s, ',');
    const size_t len = comma ? static_cast<size_t>(comma - s) : std::strlen(s);
    const std::string tag = Trim(s, len);
    if (EqualsNoCase(tag, "en") || StartsWithNoCase(tag, "en-"))
      return true;
    s += len;
    if (*s == ',')
      s++;
  }
  return false;
}

class Reader
{
public:
  Reader(const char* units, float dpi) : mDpi(dpi > 0.0f && std::isfinite(dpi) ? dpi : 96.0f), mUnits(units ? units : "px") {}

  std::unique_ptr<SVGImage> Read(XMLElement* root);

private:
  // Pixels per unit; 0 for an unknown unit.
  float UnitScale(const char* unit) const
  {
    const std::string u(unit);
    if (u.empty() || u == "px")
      return 1.0f;
    if (u == "pt")
      return mDpi / 72.0f;
    if (u == "pc")
      return mDpi / 6.0f;
    if (u == "mm")
      return mDpi / 25.4f;
    if (u == "cm")
      return mDpi / 2.54f;
    if (u == "in")
      return mDpi;
    if (u == "em")
      return 16.0f;
    if (u == "ex")
      return 8.0f;
    return 0.0f;
  }

  // The number and unit of a length; false when v is no length.
  bool SplitLength(const char* v, float& x, std::string& unit) const
  {
    if (!v)
      return false;
    const std::string value = Trim(v, std::strlen(v));
    const char* end = ParseNumber(value.c_str(), x);
    if (!end)
      return false;
    unit = end; // directly after the number, to the end
    return unit == "%" || UnitScale(unit.c_str()) != 0.0f;
  }

  // A length in user units; ref is what 100% means. False when v is no length.
  bool Length(const char* v, float ref, float& out) const
  {
    float x;
    std::string unit;
    if (!SplitLength(v, x, unit))
      return false;
    out = unit == "%" ? x / 100.0f * ref : x * UnitScale(unit.c_str());
    return true;
  }

  float Attr(const XMLElement* el, const char* name, float ref, float fallback) const
  {
    float v;
    return Length(el->Attribute(name), ref, v) ? v : fallback;
  }

  float DiagonalRef() const { return std::sqrt(mViewW * mViewW + mViewH * mViewH) / std::sqrt(2.0f); }

  void SetProperty(Style& st, const std::string& name, const std::string& v) const;
  void ApplyStyle(const XMLElement* el, Style& st) const;
  void Walk(const XMLElement* el, const Style& parent, int depth);
  void AddShape(const XMLElement* el, const Style& st, std::vector<SVGPath> paths);
  bool ShapePaths(const XMLElement* el, std::vector<SVGPath>& paths) const;
  SVGPaint ResolvePaint(const StylePaint& given, const Style& st, float paintOpacity, const float* localBounds) const;
  std::shared_ptr<const SVGGradient> ResolveGradient(const XMLElement* grad, const Style& st,
                                                     const float* localBounds) const;
  // The element's own stops, read once per element and shared by every
  // paint that uses them; null when it has none.
  std::shared_ptr<const SVGGradientStops> Stops(const XMLElement* grad) const;
  void CollectIds(const XMLElement* el, int depth);

  float mDpi;
  std::string mUnits;
  float mViewW = 0.0f, mViewH = 0.0f;
  std::map<std::string, const XMLElement*> mIds;
  mutable std::map<const XMLElement*, std::shared_ptr<const SVGGradientStops>> mStops;
  std::unique_ptr<SVGImage> mImage;
};

void Reader::SetProperty(Style& st, const std::string& name, const std::string& v) const
{
  float x;
  uint32_t c;
  int k;
  if (EqualsNoCase(v, "inherit"))
    return;
  if (name == "fill")
    ParsePaint(v, st.fill);
  else if (name == "stroke")
    ParsePaint(v, st.stroke);
  else if (name == "color" && ParseColor(v, c))
    st.currentColor = c;
  else if (name == "fill-opacity" && ParseWholeNumber(v, x))
    st.fillOpacity = Clamp01(x);
  else if (name == "stroke-opacity" && ParseWholeNumber(v, x))
    st.strokeOpacity = Clamp01(x);
  else if (name == "opacity" && ParseWholeNumber(v, x))
    st.elementOpacity = Clamp01(x);
  else if (name == "stroke-width" && Length(v.c_str(), DiagonalRef(), x) && x >= 0.0f)
    st.strokeWidth = x;
  else if (name == "stroke-dashoffset" && Length(v.c_str(), DiagonalRef(), x))
    st.dashOffset = x;
  else if (name == "stroke-dasharray")
  {
    float d[kMaxDashes * 2];
    int n = 0;
    float sum = 0.0f;
    bool ok = v != "none";
    for (const char* s = v.c_str(); ok && *SkipSeparators(s);)
    {
      const char* next = ParseNumber(SkipSeparators(s), x);
      ok = next && x >= 0.0f && n < kMaxDashes;
      if (!ok)
        break;
      while (*next && !std::isspace(static_cast<unsigned char>(*next)) && *next != ',')
        next++; // a unit suffix
      d[n++] = x;
      sum += x;
      s = next;
    }
    st.dashCount = 0;
    if (ok && sum > 0.0f)
    {
      // An odd list repeats to an even one.
      const int count = std::min(n % 2 ? 2 * n : n, kMaxDashes);
      for (int i = 0; i < count; i++)
        st.dashes[i] = d[i % n];
      st.dashCount = count;
    }
  }
  // Keywords: an unknown one leaves the inherited value. The joins drawn as
  // a mitre ("arcs", "miter-clip") are known.
  else if (name == "stroke-linejoin" && (k = KeywordIndex(v, {"miter", "round", "bevel", "arcs", "miter-clip"})) >= 0)
    st.join = k == 1 ? kJoinRound : k == 2 ? kJoinBevel : kJoinMiter;
  else if (name == "stroke-linecap" && (k = KeywordIndex(v, {"butt", "round", "square"})) >= 0)
    st.cap = static_cast<ELineCap>(k);
  else if (name == "stroke-miterlimit" && ParseWholeNumber(v, x) && x >= 1.0f)
    st.miterLimit = x;
  else if (name == "fill-rule" && (k = KeywordIndex(v, {"nonzero", "evenodd"})) >= 0)
    st.fillRule = static_cast<EFillRule>(k);
  else if (name == "display")
    st.display = !EqualsNoCase(v, "none");
  else if (name == "visibility" && (k = KeywordIndex(v, {"visible", "hidden", "collapse"})) >= 0)
    st.visible = k == 0;
  else if (name == "stop-color" && ParseColor(v, c))
    st.stopColor = c;
  else if (name == "stop-opacity" && ParseWholeNumber(v, x))
    st.stopOpacity = Clamp01(x);
}

// Presentation attributes first, then the style attribute, which wins.
void Reader::ApplyStyle(const XMLElement* el, Style& st) const
{
  st.elementOpacity = 1.0f;
  for (const tinyxml2::XMLAttribute* a = el->FirstAttribute(); a; a = a->Next())
  {
    if (std::strcmp(a->Name(), "style") != 0 && std::strcmp(a->Name(), "transform") != 0)
      SetProperty(st, a->Name(), Trim(a->Value(), std::strlen(a->Value())));
  }
  if (const char* attr = el->Attribute("style"))
  {
    const std::string style = WithoutComments(attr);
    const char* s = style.c_str();
    while (*s)
    {
      const char* end = std::strchr(s, ';');
      const size_t len = end ? static_cast<size_t>(end - s) : std::strlen(s);
      const char* colon = static_cast<const char*>(std::memchr(s, ':', len));
      if (colon)
        SetProperty(st, Trim(s, static_cast<size_t>(colon - s)), Trim(colon + 1, len - static_cast<size_t>(colon - s) - 1));
      s += len;
      if (*s == ';')
        s++;
    }
  }
  st.opacity *= st.elementOpacity;
  Xform local;
  if (const char* t = el->Attribute("transform"); t && ParseTransform(t, local))
    st.xform = st.xform * local;
}

std::shared_ptr<const SVGGradientStops> Reader::Stops(const XMLElement* grad) const
{
  const auto cached = mStops.find(grad);
  if (cached != mStops.end())
    return cached->second;
  auto stops = std::make_shared<SVGGradientStops>();
  for (const XMLElement* stop = grad->FirstChildElement("stop"); stop; stop = stop->NextSiblingElement("stop"))
  {
    Style stopStyle;
    ApplyStyle(stop, stopStyle);
    float offset = 0.0f;
    if (const char* o = stop->Attribute("offset"))
    {
      // A number or a percentage; anything else leaves 0.
      std::string v = Trim(o, std::strlen(o));
      const bool percent = !v.empty() && v.back() == '%';
      if (percent)
        v.pop_back();
      if (ParseWholeNumber(v, offset) && percent)
        offset /= 100.0f;
    }
    offset = Clamp01(offset);
    if (!stops->empty())
      offset = std::max(offset, stops->back().offset);
    const uint32_t alpha = static_cast<uint32_t>(std::lround(stopStyle.stopOpacity * 255.0f));
    stops->push_back({stopStyle.stopColor | (alpha << 24), offset});
  }
  std::shared_ptr<const SVGGradientStops> result;
  if (!stops->empty())
    result = std::move(stops);
  mStops.emplace(grad, result);
  return result;
}

void Reader::CollectIds(const XMLElement* el, int depth)
{
  if (depth > 256)
    return;
  if (const char* id = el->Attribute("id"))
    mIds.emplace(id, el);
  for (const XMLElement* child = el->FirstChildElement(); child; child = child->NextSiblingElement())
    CollectIds(child, depth + 1);
}

bool Reader::ShapePaths(const XMLElement* el, std::vector<SVGPath>& paths) const
{
  const std::string name = el->Name();
  PathBuilder b;
  const float w = mViewW, h = mViewH, diag = DiagonalRef();
  if (name == "path")
    ParsePathData(el->Attribute("d"), b);
  else if (name == "rect")
  {
    const float x = Attr(el, "x", w, 0.0f), y = Attr(el, "y", h, 0.0f);
    const float rw = Attr(el, "width", w, 0.0f), rh = Attr(el, "height", h, 0.0f);
    float rx = Attr(el, "rx", w, -1.0f), ry = Attr(el, "ry", h, -1.0f);
    if (!(rw > 0.0f && rh > 0.0f))
      return false;
    if (rx < 0.0f)
      rx = ry;
    if (ry < 0.0f)
      ry = rx;
    rx = std::clamp(rx, 0.0f, rw / 2.0f);
    ry = std::clamp(ry, 0.0f, rh / 2.0f);
    if (rx <= 0.0f || ry <= 0.0f)
    {
      b.MoveTo(x, y);
      b.LineTo(x + rw, y);
      b.LineTo(x + rw, y + rh);
      b.LineTo(x, y + rh);
    }
    else
    {
      const float kx = rx * (1.0f - kKappa), ky = ry * (1.0f - kKappa);
      b.MoveTo(x + rx, y);
      b.LineTo(x + rw - rx, y);
      b.CubicTo(x + rw - kx, y, x + rw, y + ky, x + rw, y + ry);
      b.LineTo(x + rw, y + rh - ry);
      b.CubicTo(x + rw, y + rh - ky, x + rw - kx, y + rh, x + rw - rx, y + rh);
      b.LineTo(x + rx, y + rh);
      b.CubicTo(x + kx, y + rh, x, y + rh - ky, x, y + rh - ry);
      b.LineTo(x, y + ry);
      b.CubicTo(x, y + ky, x + kx, y, x + rx, y);
    }
    b.Close();
  }
  else if (name == "circle" || name == "ellipse")
  {
    const float cx = Attr(el, "cx", w, 0.0f), cy = Attr(el, "cy", h, 0.0f);
    const float rx = name == "circle" ? Attr(el, "r", diag, 0.0f) : Attr(el, "rx", w, 0.0f);
    const float ry = name == "circle" ? rx : Attr(el, "ry", h, 0.0f);
    if (!(rx > 0.0f && ry > 0.0f))
      return false;
    const float kx = rx * kKappa, ky = ry * kKappa;
    b.MoveTo(cx + rx, cy);
    b.CubicTo(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    b.CubicTo(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    b.CubicTo(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    b.CubicTo(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    b.Close();
  }
  else if (name == "line")
  {
    b.MoveTo(Attr(el, "x1", w, 0.0f), Attr(el, "y1", h, 0.0f));
    b.LineTo(Attr(el, "x2", w, 0.0f), Attr(el, "y2", h, 0.0f));
  }
  else if (name == "polyline" || name == "polygon")
  {
    const char* s = el->Attribute("points");
    float x, y;
    for (int n = 0; s;)
    {
      const char* nx = ParseNumber(SkipSeparators(s), x);
      const char* ny = nx ? ParseNumber(SkipSeparators(nx), y) : nullptr;
      if (!ny)
        break;
      if (n++ == 0)
        b.MoveTo(x, y);
      else
        b.LineTo(x, y);
      s = ny;
    }
    if (name == "polygon")
      b.Close();
  }
  else
    return false;
  paths = b.Take();
  return !paths.empty();
}

std::shared_ptr<const SVGGradient> Reader::ResolveGradient(const XMLElement* grad, const Style& st,
                                                           const float* localBounds) const
{
  const bool linear = std::strcmp(grad->Name(), "linearGradient") == 0;
  // Stops and attributes may come from the gradients this one refers to
  // (href before xlink:href).
  std::vector<const XMLElement*> chain{grad};
  while (chain.size() < 16)
  {
    const char* href = chain.back()->Attribute("href");
    if (!href)
      href = chain.back()->Attribute("xlink:href");
    if (!href || href[0] != '#')
      break;
    const auto it = mIds.find(href + 1);
    if (it == mIds.end() || !IsGradient(it->second) ||
        std::find(chain.begin(), chain.end(), it->second) != chain.end())
      break;
    chain.push_back(it->second);
  }
  // Units, transform and spread come from either kind; the geometry only
  // from gradients of this one's kind.
  auto attrOf = [&](const char* name, bool sameKindOnly) -> const char* {
    for (const XMLElement* g : chain)
    {
      if (sameKindOnly && std::strcmp(g->Name(), grad->Name()) != 0)
        continue;
      if (const char* v = g->Attribute(name))
        return v;
    }
    return nullptr;
  };
  auto attr = [&](const char* name) { return attrOf(name, false); };

  auto gradient = std::make_shared<SVGGradient>();
  for (const XMLElement* g : chain)
  {
    gradient->stops = Stops(g);
    if (gradient->stops)
      break;
  }
  if (!gradient->stops)
    return nullptr;

  const char* units = attr("gradientUnits");
  const bool userSpace = units && std::strcmp(units, "userSpaceOnUse") == 0;
  // Coordinates: fractions of the bounding box, or lengths in user space.
  // A value that is no length (trailing junk) leaves the default.
  auto coord = [&](const char* name, float ref, float fallbackFraction) {
    const char* v = attrOf(name, true);
    float x;
    if (userSpace)
      return Length(v, ref, x) ? x : fallbackFraction * ref;
    // A fraction is the number as written, whatever its unit.
    std::string unit;
    if (!SplitLength(v, x, unit))
      return fallbackFraction;
    return unit == "%" ? x / 100.0f : x;
  };
  Xform unit; // gradient space to user space
  if (linear)
  {
    const float x1 = coord("x1", mViewW, 0.0f), y1 = coord("y1", mViewH, 0.0f);
    const float x2 = coord("x2", mViewW, 1.0f), y2 = coord("y2", mViewH, 0.0f);
    const float dx = x2 - x1, dy = y2 - y1;
    unit = {dy, -dx, dx, dy, x1, y1};
  }
  else
  {
    const float r = coord("r", DiagonalRef(), 0.5f);
    unit = {r, 0.0f, 0.0f, r, coord("cx", mViewW, 0.5f), coord("cy", mViewH, 0.5f)};
  }
  Xform gradXform;
  if (const char* t = attr("gradientTransform"))
    ParseTransform(t, gradXform);
  Xform space = st.xform;
  if (!userSpace)
  {
    const float bw = localBounds[2] - localBounds[0], bh = localBounds[3] - localBounds[1];
    if (!(bw > 0.0f && bh > 0.0f))
      return nullptr; // a bounding box without area cannot carry the gradient
    space = space * Xform{bw, 0.0f, 0.0f, bh, localBounds[0], localBounds[1]};
  }
  const Xform toGradient = (space * gradXform * unit).Inverse();
  const float values[6] = {toGradient.a, toGradient.b, toGradient.c, toGradient.d, toGradient.e, toGradient.f};
  std::copy(values, values + 6, gradient->xform);
  const char* spread = attr("spreadMethod");
  gradient->spread = !spread ? kSpreadPad
                     : std::strcmp(spread, "reflect") == 0 ? kSpreadReflect
                     : std::strcmp(spread, "repeat") == 0  ? kSpreadRepeat
                                                           : kSpreadPad;
  return gradient;
}

SVGPaint Reader::ResolvePaint(const StylePaint& given, const Style& st, float paintOpacity,
                              const float* localBounds) const
{
  SVGPaint paint;
  const uint32_t alpha = static_cast<uint32_t>(std::lround(paintOpacity * 255.0f)) << 24;
  switch (given.source)
  {
    case EPaintSource::None: break;
    case EPaintSource::Color:
    case EPaintSource::CurrentColor:
      paint.type = kPaintColor;
      paint.color = (given.source == EPaintSource::Color ? given.color : st.currentColor) | alpha;
      break;
    case EPaintSource::Url:
    {
      const auto it = mIds.find(given.url);
      const XMLElement* target = it == mIds.end() ? nullptr : it->second;
      if (target && IsGradient(target))
      {
        paint.gradient = ResolveGradient(target, st, localBounds);
        if (paint.gradient)
          paint.type = std::strcmp(target->Name(), "linearGradient") == 0 ? kPaintLinearGradient
                                                                         : kPaintRadialGradient;
      }
      else if (!target || std::strcmp(target->Name(), "pattern") != 0)
      {
        // No paint server by that name: the fallback paints (a pattern is
        // one, but is not drawn).
        return ResolvePaint(StylePaint{given.fallback, given.color, {}}, st, paintOpacity, localBounds);
      }
      break;
    }
  }
  return paint;
}

void Reader::AddShape(const XMLElement* el, const Style& st, std::vector<SVGPath> paths)
{
  SVGShape shape;
  if (const char* id = el->Attribute("id"))
    shape.id = id;
  float local[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  for (size_t i = 0; i < paths.size(); i++)
  {
    ComputeBounds(paths[i]);
    for (int k = 0; k < 4; k++)
      local[k] = i == 0 ? paths[i].bounds[k] : (k < 2 ? std::min(local[k], paths[i].bounds[k])
                                                      : std::max(local[k], paths[i].bounds[k]));
  }
  shape.fill = ResolvePaint(st.fill, st, st.fillOpacity, local);
  shape.stroke = ResolvePaint(st.stroke, st, st.strokeOpacity, local);
  shape.opacity = st.opacity;
  const float scale = st.xform.MeanScale();
  shape.strokeWidth = st.strokeWidth * scale;
  shape.strokeDashOffset = st.dashOffset * scale;
  shape.strokeDashCount = st.dashCount;
  for (int i = 0; i < st.dashCount; i++)
    shape.strokeDashArray[i] = st.dashes[i] * scale;
  shape.strokeLineJoin = st.join;
  shape.strokeLineCap = st.cap;
  shape.miterLimit = st.miterLimit;
  shape.fillRule = st.fillRule;
  shape.visible = st.visible;
  for (size_t i = 0; i < paths.size(); i++)
  {
    SVGPath& path = paths[i];
    for (int p = 0; p < path.NPts(); p++)
      st.xform.Apply(path.pts[2 * static_cast<size_t>(p)], path.pts[2 * static_cast<size_t>(p) + 1]);
    ComputeBounds(path);
    for (int k = 0; k < 4; k++)
      shape.bounds[k] = i == 0 ? path.bounds[k] : (k < 2 ? std::min(shape.bounds[k], path.bounds[k])
                                                         : std::max(shape.bounds[k], path.bounds[k]));
  }
  shape.paths = std::move(paths);
  mImage->shapes.push_back(std::move(shape));
}

void Reader::Walk(const XMLElement* el, const Style& parent, int depth)
{
  const std::string name = el->Name();
  if (depth > 256 || name == "defs" || name == "symbol" || name == "clipPath" || name == "mask" ||
      name == "pattern" || name == "marker" || name == "linearGradient" || name == "radialGradient")
    return;
  Style st = parent;
  ApplyStyle(el, st);
  if (!st.display)
    return;
  if (name == "switch")
  {
    // Only the first child whose conditions hold, displayed or not.
    for (const XMLElement* child = el->FirstChildElement(); child; child = child->NextSiblingElement())
    {
      if (ConditionsHold(child))
      {
        Walk(child, st, depth + 1);
        break;
      }
    }
    return;
  }
  if (name == "g" || name == "svg" || name == "a")
  {
    for (const XMLElement* child = el->FirstChildElement(); child; child = child->NextSiblingElement())
      Walk(child, st, depth + 1);
    return;
  }
  std::vector<SVGPath> paths;
  if (ShapePaths(el, paths))
    AddShape(el, st, std::move(paths));
}

std::unique_ptr<SVGImage> Reader::Read(XMLElement* root)
{
  mImage = std::make_unique<SVGImage>();
  float vb[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  bool hasViewBox = false;
  if (const char* s = root->Attribute("viewBox"))
  {
    int n = 0;
    for (const char* p = s; n < 4; n++)
    {
      p = ParseNumber(SkipSeparators(p), vb[n]);
      if (!p)
        break;
    }
    hasViewBox = n == 4 && vb[2] > 0.0f && vb[3] > 0.0f;
  }
  float w = 0.0f, h = 0.0f;
  if (!Length(root->Attribute("width"), hasViewBox ? vb[2] : 0.0f, w))
    w = hasViewBox ? vb[2] : 0.0f;
  if (!Length(root->Attribute("height"), hasViewBox ? vb[3] : 0.0f, h))
    h = hasViewBox ? vb[3] : 0.0f;
  w = std::max(w, 0.0f);
  h = std::max(h, 0.0f);

  Style st;
  mViewW = hasViewBox ? vb[2] : w;
  mViewH = hasViewBox ? vb[3] : h;
  if (hasViewBox)
  {
    float sx = w / vb[2], sy = h / vb[3];
    float tx = 0.0f, ty = 0.0f;
    const char* par = root->Attribute("preserveAspectRatio");
    const std::string aspect = par ? par : "xMidYMid meet";
    if (aspect.compare(0, 4, "none") != 0)
    {
      const float s = aspect.find("slice") != std::string::npos ? std::max(sx, sy) : std::min(sx, sy);
      const float ax = aspect.find("xMin") != std::string::npos ? 0.0f
                       : aspect.find("xMax") != std::string::npos ? 1.0f : 0.5f;
      const float ay = aspect.find("YMin") != std::string::npos ? 0.0f
                       : aspect.find("YMax") != std::string::npos ? 1.0f : 0.5f;
      tx = (w - vb[2] * s) * ax;
      ty = (h - vb[3] * s) * ay;
      sx = sy = s;
    }
    st.xform = Xform::Translate(tx, ty) * Xform::Scale(sx, sy) * Xform::Translate(-vb[0], -vb[1]);
  }
  float unitScale = UnitScale(mUnits.c_str());
  if (unitScale == 0.0f || mUnits == "em" || mUnits == "ex")
    unitScale = 1.0f;
  st.xform = Xform::Scale(1.0f / unitScale, 1.0f / unitScale) * st.xform;
  mImage->width = w / unitScale;
  mImage->height = h / unitScale;

  CollectIds(root, 0);
  Walk(root, st, 0);
  return std::move(mImage);
}

} // namespace

std::unique_ptr<SVGImage> ParseSVG(const char* text, const char* units, float dpi)
{
  if (!text)
    return nullptr;
  tinyxml2::XMLDocument doc;
  if (doc.Parse(text) != tinyxml2::XML_SUCCESS)
    return nullptr;
  XMLElement* root = doc.RootElement();
  if (!root || std::strcmp(root->Name(), "svg") != 0)
    return nullptr;
  return Reader(units, dpi).Read(root);
}

void DeleteSVG(SVGImage* pImage) noexcept { delete pImage; }

} // namespace weft::svg
