#include "RecordingBackend.h"

namespace pw::test {

namespace {

RecordingBackend* Self(void* uptr) { return static_cast<RecordingBackend*>(uptr); }

RecordedCall& Record(void* uptr, const char* op)
{
  auto& calls = Self(uptr)->calls;
  calls.emplace_back();
  calls.back().op = op;
  return calls.back();
}

void RecordDraw(RecordedCall& c, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe)
{
  c.paint = *paint;
  c.composite = op;
  c.scissor = *scissor;
  c.fringe = fringe;
}

void RecordPaths(RecordedCall& c, const VGpath* paths, int npaths)
{
  for (int i = 0; i < npaths; i++)
  {
    const VGpath& p = paths[i];
    c.paths.push_back({p, {p.fill, p.fill + p.nfill}, {p.stroke, p.stroke + p.nstroke}});
  }
}

} // namespace

VGbackendParams RecordingBackend::Params(bool antiAlias)
{
  VGbackendParams p{};
  p.userPtr = this;
  p.edgeAntiAlias = antiAlias ? 1 : 0;
  p.renderCreate = [](void* u) { return Record(u, "create"), Self(u)->failCreate ? 0 : 1; };
  p.renderCreateTexture = [](void* u, int type, int w, int h, int flags, const unsigned char* data) {
    RecordedCall& c = Record(u, "create-texture");
    c.type = type, c.w = w, c.h = h, c.flags = flags;
    RecordingBackend* self = Self(u);
    if (self->failTextureAfter == 0) return 0;
    if (self->failTextureAfter > 0) self->failTextureAfter--;
    Texture t{type, w, h, flags, std::vector<unsigned char>(size_t(w) * h * (type == VG_TEXTURE_RGBA ? 4 : 1))};
    if (data) t.pixels.assign(data, data + t.pixels.size());
    c.image = self->nextImage++;
    self->textures[c.image] = t;
    return c.image;
  };
  p.renderDeleteTexture = [](void* u, int image) {
    Record(u, "delete-texture").image = image;
    return Self(u)->textures.erase(image) ? 1 : 0;
  };
  p.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char*) {
    RecordedCall& c = Record(u, "update-texture");
    c.image = image, c.x = x, c.y = y, c.w = w, c.h = h;
    return 1;
  };
  p.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
    auto it = Self(u)->textures.find(image);
    if (it == Self(u)->textures.end()) return 0;
    return *w = it->second.w, *h = it->second.h, 1;
  };
  p.renderViewport = [](void* u, float w, float h, float ratio) {
    RecordedCall& c = Record(u, "viewport");
    c.viewport[0] = w, c.viewport[1] = h, c.viewport[2] = ratio;
  };
  p.renderCancel = [](void* u) { Record(u, "cancel"); };
  p.renderFlush = [](void* u) { Record(u, "flush"); };
  p.renderFill = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                    const float* bounds, const VGpath* paths, int npaths) {
    RecordedCall& c = Record(u, "fill");
    RecordDraw(c, paint, op, scissor, fringe);
    for (int i = 0; i < 4; i++) c.bounds[i] = bounds[i];
    RecordPaths(c, paths, npaths);
  };
  p.renderStroke = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                      float strokeWidth, const VGpath* paths, int npaths) {
    RecordedCall& c = Record(u, "stroke");
    RecordDraw(c, paint, op, scissor, fringe);
    c.strokeWidth = strokeWidth;
    RecordPaths(c, paths, npaths);
  };
  p.renderTriangles = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                         const VGvertex* verts, int nverts, float fringe) {
    RecordedCall& c = Record(u, "triangles");
    RecordDraw(c, paint, op, scissor, fringe);
    c.verts.assign(verts, verts + nverts);
  };
  p.renderDelete = [](void* u) { Record(u, "delete"), Self(u)->deleted = true; };
  return p;
}

std::vector<const RecordedCall*> RecordingBackend::Calls(const std::string& op) const
{
  std::vector<const RecordedCall*> out;
  for (const auto& c : calls)
    if (c.op == op) out.push_back(&c);
  return out;
}

std::vector<std::string> RecordingBackend::Ops() const
{
  std::vector<std::string> out;
  for (const auto& c : calls) out.push_back(c.op);
  return out;
}

RecordingContext::RecordingContext(bool antiAlias)
{
  VGbackendParams params = backend.Params(antiAlias);
  vg = vgCreateInternal(&params);
}

RecordingContext::~RecordingContext() { vgDeleteInternal(vg); }

} // namespace pw::test
