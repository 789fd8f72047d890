// Image resources by scale: a bitmap for screen scale s may come as
// "name@sx.ext" beside "name.ext". The target scale is tried first, then 3,
// 2, 1 without the target.

#include "ICanvas.h"
#include "ICanvasCaches.h"
#include "LocateResource.h"

#include <cstring>
#include <string>

namespace weft::canvas {

namespace {

int NextScale(int s, int targetScale)
{
  if (s == targetScale && targetScale != 3)
    return 3;
  if (s == targetScale + 1)
    return targetScale - 1;
  return s - 1;
}

// "knob.png" at scale 2 is "knob@2x.png".
std::string ScaledName(const char* name, int scale)
{
  if (scale == 1)
    return name;
  const char* dot = std::strrchr(name, '.');
  const std::string base = dot ? std::string(name, dot) : std::string(name);
  return base + "@" + std::to_string(scale) + "x" + (dot ? dot : "");
}

} // namespace

EResourceLocation ICanvas::SearchImageResource(const char* name, const char* type, LOOM_String& result,
                                               int targetScale, int& sourceScale)
{
  if (!name || !name[0])
    return kNotFound;
  for (int s = targetScale; s >= 1; s = NextScale(s, targetScale))
  {
    if (weft::LocateResource(ScaledName(name, s).c_str(), type, result, GetBundleID(), GetWinModuleHandle(),
                             GetSharedResourcesSubPath()))
    {
      sourceScale = s;
      return kAbsolutePath;
    }
  }
  return kNotFound;
}

APIBitmap* ICanvas::SearchBitmapInCache(const char* name, int targetScale, int& sourceScale)
{
  StaticStorage<APIBitmap>::Accessor storage(sBitmapCache);
  for (int s = targetScale; s >= 1; s = NextScale(s, targetScale))
  {
    if (APIBitmap* pBitmap = storage.Find(name, s))
    {
      sourceScale = s;
      return pBitmap;
    }
  }
  return nullptr;
}

} // namespace weft::canvas
