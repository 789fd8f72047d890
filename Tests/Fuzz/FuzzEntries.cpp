#include "FuzzEntries.h"

#include "IFontInfo.h"
#include "PlatformFont.h"
#include "SVGParser.h"

#include <cmath>
#include <cstring>
#include <string>

namespace pw::fuzz {

using namespace weft::canvas;

bool FuzzFontReader(const uint8_t* data, size_t size)
{
  if (size > (1u << 24))
    return true;
  const int n = static_cast<int>(size);
  for (int face = 0; face < 4; face++)
  {
    const IFontData font(data, n, face);
    if (!font.IsValid())
    {
      // Nothing is filled in for a face that cannot be used.
      if (font.GetFamily().GetLength() || font.GetStyle().GetLength() || font.GetUnitsPerEM() || font.GetAscender())
        return false;
      continue;
    }
    if (!std::isfinite(font.GetHeightEMRatio()) || font.GetSize() != n)
      return false;
  }
  const int idx = PlatformFont::GetFaceIdx(data, n, "Regular");
  if (idx >= 0)
  {
    const IFontInfo info(data, static_cast<uint32_t>(size), static_cast<uint32_t>(idx));
    return info.IsValid() && std::strcmp(info.GetStyle().Get(), "Regular") == 0;
  }
  return idx == -1;
}

bool FuzzSVGReader(const uint8_t* data, size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* units : {"px", "mm"})
  {
    const auto image = weft::svg::ParseSVG(text.c_str(), units, 96.0f);
    if (!image)
      continue;
    for (const weft::svg::SVGShape& shape : image->shapes)
    {
      if (shape.paths.empty() || shape.strokeDashCount < 0 || shape.strokeDashCount > weft::svg::kMaxDashes)
        return false;
      for (const weft::svg::SVGPath& path : shape.paths)
      {
        if (path.NPts() < 4 || (path.NPts() - 1) % 3 != 0 || path.pts.size() % 2 != 0)
          return false;
      }
      for (const weft::svg::SVGPaint* paint : {&shape.fill, &shape.stroke})
      {
        const bool gradient = paint->type == weft::svg::kPaintLinearGradient ||
                              paint->type == weft::svg::kPaintRadialGradient;
        if (gradient != (paint->gradient != nullptr))
          return false;
        if (!gradient)
          continue;
        float last = 0.0f;
        for (const auto& stop : paint->gradient->stops)
        {
          if (!(stop.offset >= last && stop.offset <= 1.0f))
            return false;
          last = stop.offset;
        }
        if (paint->gradient->stops.empty())
          return false;
      }
    }
  }
  return true;
}

} // namespace pw::fuzz
