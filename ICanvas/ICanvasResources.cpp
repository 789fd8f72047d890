// Bitmaps and SVG images found by name and scale and shared through the
// process-wide caches; raw resource files; fonts.

#include "ICanvas.h"

#include "ICanvasCaches.h"
#include "LocateResource.h"
#include "SVGParser.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace weft::canvas {

using BitmapStorage = StaticStorage<APIBitmap>::Accessor;

__attribute__((weak)) EResourceLocation LocateResource(const char* name, const char*, LOOM_String& result,
                                                       const char*, void*, const char*)
{
  if (!name || !*name)
    return kNotFound;
  FILE* fp = std::fopen(name, "rb");
  if (!fp)
    return kNotFound;
  std::fclose(fp);
  result.Set(name);
  return kAbsolutePath;
}

namespace {

// The text after the last dot; the whole name when it has none.
const char* Extension(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : name;
}

// The scale tried after s when looking for targetScale: the target first,
// then 3, 2, 1 skipping the target; below 1 ends the search.
int NextScale(int s, int targetScale)
{
  if (s == targetScale && targetScale != 3)
    return 3;
  if (s == targetScale + 1)
    return targetScale - 1;
  return s - 1;
}

} // namespace

EResourceLocation ICanvas::SearchImageResource(const char* name, const char* type, LOOM_String& result,
                                               int targetScale, int& sourceScale)
{
  if (!name || !*name)
    return kNotFound;
  const char* dot = std::strrchr(name, '.');
  const std::string base = dot ? std::string(name, static_cast<size_t>(dot - name)) : std::string(name);
  const std::string ext = dot ? std::string(dot) : std::string();
  for (int s = targetScale; s >= 1; s = NextScale(s, targetScale))
  {
    const std::string file = s == 1 ? std::string(name) : base + "@" + std::to_string(s) + "x" + ext;
    const EResourceLocation found = LocateResource(file.c_str(), type, result, GetBundleID(), GetWinModuleHandle(),
                                                   GetSharedResourcesSubPath());
    if (found > kNotFound)
    {
      sourceScale = s;
      return found;
    }
  }
  return kNotFound;
}

StaticStorage<APIBitmap>& ICanvas::BitmapCache() { return sBitmapCache; }

APIBitmap* ICanvas::SearchBitmapInCache(const char* name, int targetScale, int& sourceScale)
{
  BitmapStorage storage(BitmapCache());
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

// Steps shared by both LoadBitmap forms once a bitmap is in hand. pLoaded
// holds a bitmap this call decoded, nothing when it came from the cache.
IBitmap ICanvas::FinishLoadBitmap(APIBitmap* pBitmap, std::unique_ptr<APIBitmap> pLoaded, const char* name,
                                  int nStates, bool framesAreHorizontal, int targetScale)
{
  LOOM_ASSERT_MSG(pBitmap, "Bitmap not found");
  if (!pBitmap)
    return IBitmap();
  // A back end may already have put what it decoded into the cache; the
  // cache then owns it, and this call must neither add nor destroy it.
  if (pLoaded && BitmapStorage(BitmapCache()).Find(name, pLoaded->GetScale()) == pLoaded.get())
    pLoaded.release();
  if (pBitmap->GetScale() != static_cast<float>(targetScale))
    return ScaleBitmap(IBitmap(pBitmap, nStates, framesAreHorizontal, name), name, targetScale);
  const IBitmap bitmap(pBitmap, nStates, framesAreHorizontal, name);
  if (pLoaded)
    RetainBitmap(IBitmap(pLoaded.release(), nStates, framesAreHorizontal, name), name);
  return bitmap;
}

IBitmap ICanvas::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (!name)
    return IBitmap();
  if (targetScale == 0)
    targetScale = GetRoundedScreenScale();
  BitmapStorage storage(BitmapCache()); // held for the whole lookup, load and insert
  if (APIBitmap* pCached = storage.Find(name, targetScale))
    return IBitmap(pCached, nStates, framesAreHorizontal, name);
  const char* ext = Extension(name);
  if (!BitmapExtSupported(ext))
    return IBitmap();
  LOOM_String path;
  int sourceScale = 0;
  const EResourceLocation location = SearchImageResource(name, ext, path, targetScale, sourceScale);
  APIBitmap* pBitmap = nullptr;
  std::unique_ptr<APIBitmap> pLoaded;
  if (location == kNotFound)
    pBitmap = SearchBitmapInCache(name, targetScale, sourceScale);
  else
  {
    if (sourceScale != targetScale)
      pBitmap = storage.Find(name, sourceScale);
    if (!pBitmap)
    {
      pLoaded.reset(LoadAPIBitmap(path.Get(), sourceScale, location, ext));
      pBitmap = pLoaded.get();
    }
  }
  return FinishLoadBitmap(pBitmap, std::move(pLoaded), name, nStates, framesAreHorizontal, targetScale);
}

IBitmap ICanvas::LoadBitmap(const char* name, const void* pData, int dataSize, int nStates, bool framesAreHorizontal,
                            int targetScale)
{
  if (!name)
    return IBitmap();
  if (targetScale == 0)
    targetScale = GetRoundedScreenScale();
  BitmapStorage storage(BitmapCache());
  if (APIBitmap* pCached = storage.Find(name, targetScale))
    return IBitmap(pCached, nStates, framesAreHorizontal, name);
  if (!BitmapExtSupported(Extension(name)))
    return IBitmap();
  int sourceScale = 0;
  APIBitmap* pBitmap = SearchBitmapInCache(name, targetScale, sourceScale);
  std::unique_ptr<APIBitmap> pLoaded;
  if (!pBitmap && pData && dataSize > 0)
  {
    pLoaded.reset(LoadAPIBitmap(name, pData, dataSize, 1));
    pBitmap = pLoaded.get();
  }
  return FinishLoadBitmap(pBitmap, std::move(pLoaded), name, nStates, framesAreHorizontal, targetScale);
}

IBitmap ICanvas::ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale)
{
  // Nothing to resample, or nothing to resample it to.
  if (!inBitmap.IsValid() || !(inBitmap.GetDrawScale() > 0.0f) || targetScale < 1)
    return IBitmap();
  const float screenScale = mScreenScale, drawScale = mDrawScale;
  mScreenScale = static_cast<float>(targetScale);
  mDrawScale = inBitmap.GetDrawScale();
  // The bitmap's size in points: its pixels become targetScale pixels per
  // point in the layer.
  const IRECT bounds(0.0f, 0.0f, static_cast<float>(inBitmap.W()) / inBitmap.GetDrawScale(),
                     static_cast<float>(inBitmap.H()) / inBitmap.GetDrawScale());
  StartLayer(nullptr, bounds, true);
  DrawBitmap(inBitmap, bounds, 0, 0, nullptr);
  ILayerPtr layer = EndLayer();
  const IBitmap out(layer->ReleaseAPIBitmap(), inBitmap.N(), inBitmap.GetFramesAreHorizontal(), cacheName);
  RetainBitmap(out, cacheName);
  mScreenScale = screenScale;
  mDrawScale = drawScale;
  return out;
}

void ICanvas::RetainBitmap(const IBitmap& bitmap, const char* cacheName)
{
  if (!bitmap.IsValid())
    return;
  BitmapStorage(BitmapCache()).Add(bitmap.GetAPIBitmap(), cacheName, bitmap.GetScale());
}

void ICanvas::ReleaseBitmap(const IBitmap& bitmap) { BitmapStorage(BitmapCache()).Remove(bitmap.GetAPIBitmap()); }

IBitmap ICanvas::GetScaledBitmap(IBitmap& src)
{
  return LoadBitmap(src.GetResourceName(), src.N(), src.GetFramesAreHorizontal(), GetRoundedScreenScale());
}

ISVG ICanvas::LoadSVG(const char* fileName, const char* units, float dpi)
{
  if (!fileName)
    return ISVG();
  {
    StaticStorage<SVGHolder>::Accessor storage(sSVGCache);
    if (SVGHolder* pHolder = storage.Find(fileName, 1.0))
      return ISVG(pHolder->GetImage());
  }
  LOOM_TypedBuf<uint8_t> data = LoadResource(fileName, "svg");
  if (data.GetSize() == 0)
    return ISVG();
  return LoadSVG(fileName, data.Get(), static_cast<int>(data.GetSize()), units, dpi);
}

ISVG ICanvas::LoadSVG(const char* name, const void* pData, int dataSize, const char* units, float dpi)
{
  if (!name)
    return ISVG();
  StaticStorage<SVGHolder>::Accessor storage(sSVGCache);
  if (SVGHolder* pHolder = storage.Find(name, 1.0))
    return ISVG(pHolder->GetImage());
  if (!pData || dataSize <= 0)
    return ISVG();
  const std::string text(static_cast<const char*>(pData), static_cast<size_t>(dataSize));
  std::unique_ptr<svg::SVGImage> image = svg::ParseSVG(text.c_str(), units, dpi);
  if (!image)
    return ISVG();
  SVGImage* pImage = image.release();
  storage.Add(new SVGHolder(pImage, svg::DeleteSVG), name, 1.0);
  return ISVG(pImage);
}

LOOM_TypedBuf<uint8_t> ICanvas::LoadResource(const char* fileName, const char* fileType)
{
  LOOM_TypedBuf<uint8_t> buf(4096);
  LOOM_String path;
  if (LocateResource(fileName, fileType, path, GetBundleID(), GetWinModuleHandle(), GetSharedResourcesSubPath()) !=
      kAbsolutePath)
    return buf;
  FILE* fp = std::fopen(path.Get(), "rb");
  if (!fp)
    return buf;
  long size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0)
    size = std::ftell(fp);
  if (size > 0 && size < (1L << 31) && std::fseek(fp, 0, SEEK_SET) == 0 && buf.ResizeOK(static_cast<int>(size)))
  {
    if (std::fread(buf.Get(), 1, static_cast<size_t>(size), fp) != static_cast<size_t>(size))
      buf.Resize(0);
  }
  std::fclose(fp);
  return buf;
}

bool ICanvas::LoadFont(const char* fontID, const char* fileNameOrResID)
{
  PlatformFontPtr font = LoadPlatformFont(fontID, fileNameOrResID);
  return LoadFontResult(fontID, font, false, fileNameOrResID);
}

bool ICanvas::LoadFont(const char* fontID, void* pData, int dataSize)
{
  PlatformFontPtr font = LoadPlatformFont(fontID, pData, dataSize);
  return LoadFontResult(fontID, font, true, fontID);
}

bool ICanvas::LoadFont(const char* fontID, const char* fontName, ETextStyle style)
{
  PlatformFontPtr font = LoadPlatformFont(fontID, fontName, style);
  return LoadFontResult(fontID, font, false, fontID);
}

bool ICanvas::LoadFontResult(const char* fontID, const PlatformFontPtr& font, bool fromMemory, const char* arg)
{
  if (font && LoadAPIFont(fontID, font))
  {
    CachePlatformFont(fontID, font);
    return true;
  }
  std::printf(fromMemory ? "Could not load font %s\n" : "Could not locate font %s\n", arg ? arg : "");
  return false;
}

} // namespace weft::canvas
