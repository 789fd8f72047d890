#include "IGEditorDelegate.h"

#include "ICanvas.h"

#include <cmath>

namespace weft {

static_assert(sizeof(int) == 4 && sizeof(float) == 4, "the editor-state record is int32, int32, float32");

IGEditorDelegate::IGEditorDelegate(int nParams)
: IEditorDelegate(nParams)
{}

IGEditorDelegate::~IGEditorDelegate()
{
  delete mContext;
  mContext = nullptr;
}

void* IGEditorDelegate::OpenWindow(void* pParent)
{
  if (!mContext)
  {
    mContext = CreateGraphics();
    if (mContext && mLastWidth != 0 && mLastHeight != 0 && mLastScale != 0.0f)
      mContext->Resize(mLastWidth, mLastHeight, mLastScale, true);
  }
  return mContext ? mContext->OpenWindow(pParent) : nullptr;
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing)
    return;

  mClosing = true;
  IEditorDelegate::CloseWindow();
  if (mContext)
  {
    mLastWidth = mContext->Width();
    mLastHeight = mContext->Height();
    mLastScale = mContext->GetDrawScale();
    mContext->CloseWindow();
    canvas::ICanvas* pContext = mContext;
    mContext = nullptr; // GetUI is null while the controls are destroyed
    delete pContext;
  }
  mClosing = false;
}

void IGEditorDelegate::OnParentWindowResize(int width, int height)
{
  if (!mContext)
    return;
  const float windowScale = mContext->GetPlatformWindowScale();
  if (!(windowScale > 0.0f))
    return;
  mContext->Resize(static_cast<int>(static_cast<float>(width) / windowScale),
                   static_cast<int>(static_cast<float>(height) / windowScale), 1.0f, false);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mContext)
    return false;
  float x = 0.0f, y = 0.0f;
  mContext->GetMouseLocation(x, y);
  return mContext->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mContext)
    return false;
  float x = 0.0f, y = 0.0f;
  mContext->GetMouseLocation(x, y);
  return mContext->OnKeyUp(x, y, key);
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue)
{
  if (!mContext)
    return;
  // Unknown tags are ignored: the idle timer may address controls the
  // layout did not make.
  if (canvas::IControl* pControl = mContext->GetControlWithTag(ctrlTag))
    pControl->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  if (!mContext)
    return;
  if (canvas::IControl* pControl = mContext->GetControlWithTag(ctrlTag))
    pControl->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  if (mContext)
  {
    mContext->ForStandardControlsFunc([&msg](canvas::IControl* pControl) {
      if (pControl->GetWantsMidi())
        pControl->OnMidi(msg);
    });
  }
  IEditorDelegate::SendMidiMsgFromDelegate(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  if (mContext)
  {
    if (!normalized)
    {
      const IParam* pParam = GetParam(paramIdx);
      value = pParam ? pParam->ToNormalized(value) : value;
    }
    mContext->ForStandardControlsFunc([paramIdx, value](canvas::IControl* pControl) {
      for (int v = 0; v < pControl->NVals(); ++v)
      {
        if (pControl->GetParamIdx(v) == paramIdx)
          pControl->SetValueFromDelegate(value, v);
      }
    });
  }
  IEditorDelegate::SendParameterValueFromDelegate(paramIdx, value, normalized);
}

bool IGEditorDelegate::SerializeEditorSize(IByteChunk& chunk) const
{
  int width = mLastWidth;
  int height = mLastHeight;
  float scale = mLastScale;
  if (mContext)
  {
    width = mContext->Width();
    height = mContext->Height();
    scale = mContext->GetDrawScale();
  }
  const int sizeBefore = chunk.Size();
  const bool ok = chunk.Put(&width) > 0 && chunk.Put(&height) > 0 && chunk.Put(&scale) > 0;
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

  if (!mContext)
  {
    mLastWidth = width;
    mLastHeight = height;
    mLastScale = scale;
  }
  else if (width != 0 && height != 0 && scale != 0.0f)
  {
    mContext->Resize(width, height, scale, true);
  }
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

void IGEditorDelegate::SetScreenScale(float scale)
{
  if (mContext)
    mContext->SetScreenScale(scale);
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
