#pragma once
// A vector drawing context over the renderer's recording backend: the GPU
// backend's target binding, clearing, read-back and context creation are
// supplied here and logged; resources are looked up in one folder.

#include "RecordingBackend.h"
#include "VectorCanvasStubs.h"

#include <string>
#include <vector>

namespace pwtest {

struct GpuLog
{
  std::vector<int> binds;           // image of each bound target, 0 the screen
  std::vector<int> reads;           // image of each read-back
  int createFlags = 0;
  std::string resourceDir;          // LocateResource looks here
};
GpuLog& Gpu();

class VectorCanvas : public StubCanvas
{
public:
  // withView: the view's layer is the backend, and the main target exists.
  explicit VectorCanvas(bool withView = true, int w = 200, int h = 100, float scale = 1.0f);
  ~VectorCanvas() override;

  pw::test::RecordingBackend backend;
};

} // namespace pwtest
