#include "IGEditorDelegate.h"

#include <cmath>

namespace weft {

static_assert(sizeof(int) == 4 && sizeof(float) == 4, "the editor-state record is int32, int32, float32");

IGEditorDelegate::IGEditorDelegate(int nParams)
: IEditorDelegate(nParams)
{}

void* IGEditorDelegate::OpenWindow(void*)
{
  // Making the context, re-applying the last size and scale and opening its
  // platform view are completed with the drawing context. Until then no
  // editor can be made, so there is no view.
  return nullptr;
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing)
    return;

  mClosing = true;
  IEditorDelegate::CloseWindow();
  // Keeping the open editor's size and scale and destroying it are completed
  // with the drawing context.
  mClosing = false;
}

void IGEditorDelegate::OnParentWindowResize(int, int)
{
  // Resizing the open editor is completed with the drawing context; without
  // one there is nothing to resize.
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress&)
{
  // Key routing to the open editor is completed with the drawing context.
  return false;
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress&)
{
  return false;
}

void IGEditorDelegate::SendControlValueFromDelegate(int, double)
{
  // Values reach controls only in an open editor; that path is completed with
  // the drawing context.
}

void IGEditorDelegate::SendControlMsgFromDelegate(int, int, int, const void*)
{
  // Messages reach controls only in an open editor (completed with the
  // drawing context). Unlike the base, nothing falls back to OnMessage.
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  // Delivery to the open editor's MIDI-aware controls is completed with the
  // drawing context.
  IEditorDelegate::SendMidiMsgFromDelegate(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  // Updating the open editor's bound controls is completed with the drawing
  // context.
  IEditorDelegate::SendParameterValueFromDelegate(paramIdx, value, normalized);
}

bool IGEditorDelegate::SerializeEditorSize(IByteChunk& chunk) const
{
  // An open editor's own size and scale take precedence; that is completed
  // with the drawing context.
  const int sizeBefore = chunk.Size();
  const bool ok = chunk.Put(&mLastWidth) > 0 && chunk.Put(&mLastHeight) > 0 && chunk.Put(&mLastScale) > 0;
  if (!ok)
    chunk.Resize(sizeBefore);
  return ok;
}

int IGEditorDelegate::UnserializeEditorSize(const IByteChunk& chunk, int startPos)
{
  int width = 0;
  int height = 0;
  float scale = 0.0f;
  int pos = chunk.Get(&width, startPos);
  pos = chunk.Get(&height, pos);
  pos = chunk.Get(&scale, pos);
  if (pos < 0)
    return -1;

  if (width < 0 || height < 0 || !std::isfinite(scale) || scale < 0.0f)
    return -1;

  // With an open editor the size is applied through its Resize instead; that
  // is completed with the drawing context.
  mLastWidth = width;
  mLastHeight = height;
  mLastScale = scale;
  return pos;
}

bool IGEditorDelegate::SerializeEditorState(IByteChunk& chunk) const
{
  return SerializeEditorSize(chunk);
}

int IGEditorDelegate::UnserializeEditorState(const IByteChunk& chunk, int startPos)
{
  return UnserializeEditorSize(chunk, startPos);
}

void IGEditorDelegate::SetScreenScale(float)
{
  // Forwarding to the open editor is completed with the drawing context.
}

canvas::ICanvas* IGEditorDelegate::CreateGraphics()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::LayoutUI(canvas::ICanvas* pUI)
{
  if (mLayoutFunc)
    mLayoutFunc(pUI);
}

} // namespace weft
