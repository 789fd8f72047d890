#include "FuzzEntries.h"

#include "ICanvas.h"
#include "IFontInfo.h"
#include "MidiFileReader.h"
#include "PlatformFont.h"
#include "../ICanvas/SVGHoleOracle.h"
#include "SVGHoleIndex.h"
#include "SVGParser.h"

#include <CoreText/CoreText.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace pw::fuzz {

using namespace weft::canvas;

bool FuzzFontReader(const uint8_t* data, size_t size)
{
  const int n = static_cast<int>(std::min<size_t>(size, 1u << 24));
  for (int face = 0; face < 4; face++)
  {
    const IFontData font(data, n, face);
    // Nothing is filled in for a face that cannot be used.
    if (font.IsValid() ? !std::isfinite(font.GetHeightEMRatio()) || font.GetSize() != n
                       : font.GetFamily().GetLength() || font.GetStyle().GetLength() || font.GetUnitsPerEM())
      return false;
  }
  const int idx = PlatformFont::GetFaceIdx(data, n, "Regular");
  const IFontInfo info(data, static_cast<uint32_t>(n), static_cast<uint32_t>(idx));
  if (idx != -1 && !(idx >= 0 && info.IsValid() && std::strcmp(info.GetStyle().Get(), "Regular") == 0))
    return false;
  // The platform's side of loading a font from memory: a graphics font, a
  // font of it and its descriptor, each step read from the bytes as given.
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, data, size, nullptr);
  if (!provider)
    return false;
  if (CGFontRef graphicsFont = CGFontCreateWithDataProvider(provider))
  {
    if (CTFontRef ctFont = CTFontCreateWithGraphicsFont(graphicsFont, 0.0, nullptr, nullptr))
    {
      if (CTFontDescriptorRef descriptor = CTFontCopyFontDescriptor(ctFont))
        CFRelease(descriptor);
      CFRelease(ctFont);
    }
    CGFontRelease(graphicsFont);
  }
  CGDataProviderRelease(provider);
  return true;
}

bool FuzzSVGReader(const uint8_t* data, size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* units : {"px", "mm"})
  {
    const auto image = weft::svg::ParseSVG(text.c_str(), units, 96.0f);
    if (!image)
      continue;
    weft::canvas::SVGHoleIndex holes;
    for (const weft::svg::SVGShape& shape : image->shapes)
    {
      if (shape.paths.empty() || shape.strokeDashCount < 0 || shape.strokeDashCount > weft::svg::kMaxDashes)
        return false;
      for (const weft::svg::SVGPath& path : shape.paths)
      {
        if (path.NPts() < 4 || (path.NPts() - 1) % 3 != 0 || path.pts.size() % 2 != 0)
          return false;
      }
      // Drawing's hole test against its plain form, which is quadratic: on
      // small shapes only.
      holes.Build(shape);
      for (size_t p = 0; shape.paths.size() <= 256 && p < shape.paths.size(); p++)
      {
        if (holes.IsHole(p) != pwtest::OracleIsHole(shape, p))
          return false;
      }
      for (const weft::svg::SVGPaint* paint : {&shape.fill, &shape.stroke})
      {
        const bool gradient = paint->type >= weft::svg::kPaintLinearGradient;
        if (gradient != (paint->gradient != nullptr) ||
            (gradient && (!paint->gradient->stops || paint->gradient->stops->empty())))
          return false;
        float last = 0.0f;
        for (const auto& stop : gradient ? *paint->gradient->stops : weft::svg::SVGGradientStops())
        {
          if (!(stop.offset >= last && stop.offset <= 1.0f))
            return false;
          last = stop.offset;
        }
        // The pattern takes at most 16 stops at strictly increasing offsets.
        const IPattern pattern = ICanvas::GetSVGPattern(*paint, shape.opacity);
        for (int i = 1; i < pattern.NStops(); i++)
        {
          if (pattern.NStops() > MAX_PATTERN_STOPS || !(pattern.GetStop(i - 1).mOffset < pattern.GetStop(i).mOffset))
            return false;
        }
      }
    }
  }
  return true;
}

bool FuzzMidiFileReader(const uint8_t* data, size_t size)
{
  pw::host::MidiFileContents contents;
  contents.lengthSeconds = -1.0;
  const std::string problem = pw::host::MidiFileReader::Read(data, size, contents);
  if (!problem.empty())
    return contents.events.empty() && contents.lengthSeconds == -1.0;
  double last = 0.0;
  for (const pw::host::MidiFileEvent& e : contents.events)
  {
    const bool twoBytes = (e.status & 0xF0) == 0xC0 || (e.status & 0xF0) == 0xD0;
    if (!(e.seconds >= last) || e.status < 0x80 || e.status > 0xEF || e.data1 > 0x7F || e.data2 > 0x7F ||
        (twoBytes && e.data2 != 0))
      return false;
    last = e.seconds;
  }
  return std::isfinite(contents.lengthSeconds) && contents.lengthSeconds >= last;
}

} // namespace pw::fuzz
