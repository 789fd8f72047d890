#pragma once
// A renderer backend that records every call with copies of what it
// receives (the renderer's data is valid only during a call), and keeps
// textures as plain pixel arrays.

#include "VGRenderer.h"

#include <map>
#include <string>
#include <vector>

namespace pw::test {

struct RecordedPath
{
  VGpath path; // fill and stroke pointers are not valid after the call
  std::vector<VGvertex> fill;
  std::vector<VGvertex> stroke;
};

struct RecordedCall
{
  std::string op; // "viewport", "fill", "stroke", "triangles", "flush", "cancel", "create-texture", ...
  VGpaint paint{};
  VGcompositeOperationState composite{};
  VGscissor scissor{};
  float fringe = 0, strokeWidth = 0;
  float bounds[4] = {};
  float viewport[3] = {};
  std::vector<RecordedPath> paths;
  std::vector<VGvertex> verts;
  int image = 0, x = 0, y = 0, w = 0, h = 0, type = 0, flags = 0;
};

struct Texture
{
  int type, w, h, flags;
  std::vector<unsigned char> pixels;
};

class RecordingBackend
{
public:
  // The parameter block to create a context with; antiAlias sets the
  // edge anti-aliasing field.
  VGbackendParams Params(bool antiAlias = true);

  std::vector<RecordedCall> calls;
  std::map<int, Texture> textures;
  bool failCreate = false, deleted = false;
  int failTextureAfter = -1; // texture creations that succeed before they start failing; -1 never
  int nextImage = 1;

  std::vector<const RecordedCall*> Calls(const std::string& op) const;
  std::vector<std::string> Ops() const;
};

// A context over a RecordingBackend, deleted with the fixture.
struct RecordingContext
{
  explicit RecordingContext(bool antiAlias = true);
  ~RecordingContext();
  RecordingContext(const RecordingContext&) = delete;
  RecordingContext& operator=(const RecordingContext&) = delete;
  RecordingBackend backend;
  VGcontext* vg = nullptr;
  // The paths of the last fill or stroke.
  const std::vector<RecordedPath>& LastPaths() const { return backend.calls.back().paths; }
};

} // namespace pw::test
