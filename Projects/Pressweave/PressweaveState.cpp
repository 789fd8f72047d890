// The saved state: a 12-byte header carrying the editor's draw scale, then
// the parameter block. Main thread.

#include "Pressweave.h"

#include "ICanvas.h"
#include "config.h"

#include <cmath>
#include <cstdint>

namespace pressweave {

namespace {

bool IsAcceptableDrawScale(float scale) noexcept
{
  return std::isfinite(scale) && scale >= kMinDrawScale && scale <= kMaxDrawScale;
}

} // namespace

bool Pressweave::SerializeState(weft::IByteChunk& chunk) const
{
  const int sizeBefore = chunk.Size();
  const int32_t width = kEditorWidth;
  const int32_t height = kEditorHeight;
  // An open editor's own draw scale wins over the stored one.
  const weft::canvas::ICanvas* pGraphics = GetUI();
  const float scale = pGraphics ? pGraphics->GetDrawScale() : mDrawScale;

  const bool ok = chunk.Put(&width) >= 0 && chunk.Put(&height) >= 0 && chunk.Put(&scale) >= 0 &&
                  SerializeParams(chunk);
  if (!ok)
    chunk.Resize(sizeBefore);
  return ok;
}

int Pressweave::UnserializeState(const weft::IByteChunk& chunk, int startPos)
{
  // Nothing is touched unless the whole state is there.
  if (startPos < 0 || startPos > chunk.Size() || chunk.Size() - startPos < kStateBytes)
    return -1;

  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.0f;
  int pos = chunk.Get(&width, startPos);
  pos = chunk.Get(&height, pos);
  pos = chunk.Get(&scale, pos);
  if (pos < 0)
    return -1;

  if (IsAcceptableDrawScale(scale))
    mDrawScale = scale;
  if (weft::canvas::ICanvas* pGraphics = GetUI())
  {
    const float editorScale = static_cast<int>(GetHost()) == kHostIDPluginDoctor
                                ? GetScaleForScreen(kEditorGraphicsWidth, kEditorGraphicsHeight)
                                : mDrawScale;
    pGraphics->Resize(kEditorGraphicsWidth, kEditorGraphicsHeight, editorScale, true);
  }

  return UnserializeParams(chunk, pos);
}

} // namespace pressweave
