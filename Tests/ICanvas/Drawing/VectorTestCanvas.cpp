#include "VectorTestCanvas.h"

#include "LocateResource.h"

#include <sys/stat.h>

using pw::test::RecordingBackend;

namespace pwtest {

GpuLog& Gpu()
{
  static GpuLog log;
  return log;
}

VectorCanvas::VectorCanvas(bool withView, int w, int h, float scale)
: StubCanvas(w, h, scale)
{
  Gpu() = GpuLog();
  if (!withView)
    return;
  OnViewInitialized(&backend);
  DrawResize();
}

VectorCanvas::~VectorCanvas() { OnViewDestroyed(); }

} // namespace pwtest

// --- The GPU backend's side, over the recording backend.

VGcontext* vgCreateMTL(void* layer, int flags)
{
  pwtest::Gpu().createFlags = flags;
  if (!layer)
    return nullptr;
  VGbackendParams params = static_cast<RecordingBackend*>(layer)->Params((flags & VG_ANTIALIAS) != 0);
  return vgCreateInternal(&params);
}

void vgDeleteMTL(VGcontext* ctx) { vgDeleteInternal(ctx); }

void mvgBindFramebuffer(MVGframebuffer* fb) { pwtest::Gpu().binds.push_back(fb ? fb->image : 0); }

void mvgClearWithColor(VGcontext*, VGcolor) {}

void mvgReadPixels(VGcontext*, int image, int, int, int, int, void*) { pwtest::Gpu().reads.push_back(image); }

bool weft::LocateResource(const char* name, const char*, LOOM_String& outPath, const char*, void*, const char*)
{
  const std::string path = pwtest::Gpu().resourceDir + "/" + name;
  struct stat st;
  if (pwtest::Gpu().resourceDir.empty() || stat(path.c_str(), &st) != 0)
    return false;
  outPath.Set(path.c_str());
  return true;
}
