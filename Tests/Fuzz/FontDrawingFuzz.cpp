// Fuzz entry for fonts as the editor uses them: loaded from memory on a
// vector drawing context, then measured and drawn. The renderer draws on a
// recording backend standing in for the GPU.

#include "FuzzEntries.h"

#include "FontAtlasDetail.h"
#include "RecordingBackend.h"
#include "VectorCanvasStubs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// The GPU backend's side: contexts over the recording backend the view
// opened on; targets need nothing more.
VGcontext* vgCreateMTL(void* layer, int flags)
{
  if (!layer)
    return nullptr;
  VGbackendParams params = static_cast<pw::test::RecordingBackend*>(layer)->Params(flags & VG_ANTIALIAS);
  return vgCreateInternal(&params);
}
void vgDeleteMTL(VGcontext* ctx) { vgDeleteInternal(ctx); }
void mvgBindFramebuffer(MVGframebuffer*) {}
void mvgClearWithColor(VGcontext*, VGcolor) {}
void mvgReadPixels(VGcontext*, int, int, int, int, int, void*) {}

namespace pw::fuzz {

namespace {

using namespace weft::canvas;

// The bytes as the platform layer hands over a font from memory (face 0).
struct MemoryFont : PlatformFont
{
  MemoryFont(const void* data, int size) : PlatformFont(false), data(data), size(size) {}
  IFontDataPtr GetFontData() override { return std::make_unique<IFontData>(data, size, 0); }
  const void* data;
  int size;
};

struct MemoryFontCanvas : pwtest::StubCanvas
{
  MemoryFontCanvas() : StubCanvas(200, 100, 1.0f) {}
  PlatformFontPtr LoadPlatformFont(const char*, void* pData, int dataSize) override
  {
    return pData && dataSize > 0 ? std::make_unique<MemoryFont>(pData, dataSize) : nullptr;
  }
};

// Kerned pairs, composites, digits, a fallback-free symbol and the
// product's own texts.
const char* const kTexts[] = {"AVATAR Wa To fi", "0123456789 -12.5 dB", "\xC3\x81\xC3\xA9\xC3\xB1 \xE2\x82\xAC \xF0\x9F\x8E\xB5",
                              "SIDECHAIN NOT CONNECTED"};
const float kSizes[] = {6.5f, 17.0f}; // small: rasterising dominates the cost

bool DrawnThroughTheContext(const uint8_t* data, int size)
{
  pw::test::RecordingBackend backend;
  MemoryFontCanvas canvas;
  canvas.OnViewInitialized(&backend);
  canvas.DrawResize();
  if (!canvas.LoadFont("fuzz", const_cast<uint8_t*>(data), size))
    return true;
  bool finite = true;
  canvas.BeginFrame();
  for (float textSize : kSizes)
  {
    for (const char* str : kTexts)
    {
      const IText text(textSize, COLOR_BLACK, "fuzz", EAlign::Near, EVAlign::Top, textSize > 10.0f ? 30.0f : 0.0f);
      IRECT bounds(10, 10, 190, 90);
      finite = finite && std::isfinite(canvas.MeasureText(text, str, bounds));
      canvas.DrawText(text, str, IRECT(10, 10, 190, 90));
    }
  }
  canvas.EndFrame();
  return finite;
}

// The same font straight into an atlas from an exact-size copy, so that a
// read past the bytes is seen (the context keeps them with room to spare).
void DrawnOnAnAtlas(const uint8_t* data, int size)
{
  FNTatlasParams params{};
  params.width = params.height = 256;
  params.flags = FNT_ZERO_TOPLEFT;
  FNTatlas* stash = fntCreateInternal(&params);
  auto* copy = static_cast<unsigned char*>(malloc(static_cast<size_t>(size)));
  if (!stash || !copy)
  {
    free(copy);
    fntDeleteInternal(stash);
    return;
  }
  memcpy(copy, data, static_cast<size_t>(size));
  if (fntAddFontMem(stash, "fuzz", copy, size, 0, 1) == 0)
  {
    fntSetSize(stash, 11.0f);
    for (const char* str : kTexts)
      fntDrawText(stash, 0.0f, 20.0f, str, nullptr);
  }
  fntDeleteInternal(stash);
}

} // namespace

bool FuzzFontDrawing(const uint8_t* data, size_t size)
{
  if (size == 0)
    return true;
  const int n = static_cast<int>(std::min<size_t>(size, 1u << 24));
  DrawnOnAnAtlas(data, n);
  return DrawnThroughTheContext(data, n);
}

} // namespace pw::fuzz
