#include "IEditorDelegate.h"

#include "LOOM_Assert.h"

#include <algorithm>

namespace weft {

IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
    AddParam();
}

IEditorDelegate::~IEditorDelegate()
{
  mParams.Empty(true);
}

IParam* IEditorDelegate::AddParam()
{
  IParam* pParam = new IParam();
  if (!mParams.Add(pParam))
  {
    delete pParam;
    return nullptr;
  }
  return pParam;
}

void IEditorDelegate::SetEditorSize(int width, int height) noexcept
{
  mEditorWidth = width;
  mEditorHeight = height;
}

void IEditorDelegate::SetSizeConstraints(int widthA, int widthB, int heightA, int heightB) noexcept
{
  mMinWidth = std::min(widthA, widthB);
  mMaxWidth = std::max(widthA, widthB);
  mMinHeight = std::min(heightA, heightB);
  mMaxHeight = std::max(heightA, heightB);
}

void IEditorDelegate::SendCurrentParamValuesFromDelegate()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

void* IEditorDelegate::OpenWindow(void*)
{
  OnUIOpen();
  return nullptr;
}

void IEditorDelegate::CloseWindow()
{
  OnUIClose();
}

void IEditorDelegate::OnParentWindowResize(int, int) {}

void IEditorDelegate::OnUIOpen()
{
  SendCurrentParamValuesFromDelegate();
}

void IEditorDelegate::OnUIClose() {}

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource, int)
{
  OnParamChange(paramIdx);
}

void IEditorDelegate::OnParamChange(int) {}

void IEditorDelegate::OnParamChangeUI(int, EParamSource) {}

void IEditorDelegate::OnParamReset(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

void IEditorDelegate::OnMidiMsgUI(const IMidiMsg&) {}

void IEditorDelegate::OnSysexMsgUI(const ISysEx&) {}

bool IEditorDelegate::OnMessage(int, int, int, const void*)
{
  return false;
}

void IEditorDelegate::OnRestoreState()
{
  SendCurrentParamValuesFromDelegate();
}

bool IEditorDelegate::OnKeyDown(const IKeyPress&)
{
  return false;
}

bool IEditorDelegate::OnKeyUp(const IKeyPress&)
{
  return false;
}

void IEditorDelegate::SendControlValueFromDelegate(int, double) {}

void IEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, ctrlTag, dataSize, pData);
}

void IEditorDelegate::SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, kNoTag, dataSize, pData);
}

void IEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  OnMidiMsgUI(msg);
}

void IEditorDelegate::SendSysexMsgFromDelegate(const ISysEx& msg)
{
  OnSysexMsgUI(msg);
}

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double, bool)
{
  OnParamChangeUI(paramIdx, kDelegate);
}

void IEditorDelegate::DirtyParametersFromUI() {}

void IEditorDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  LOOM_ASSERT_MSG(paramIdx >= 0 && paramIdx < NParams(), "SendParameterValueFromUI: parameter index out of range");
  IParam* pParam = GetParam(paramIdx);
  if (!pParam)
    return;

  pParam->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

bool IEditorDelegate::EditorResizeFromUI(int, int, bool)
{
  return false;
}

void IEditorDelegate::SendMidiMsgFromUI(const IMidiMsg&) {}

void IEditorDelegate::SendSysexMsgFromUI(const ISysEx&) {}

void IEditorDelegate::SendArbitraryMsgFromUI(int, int, int, const void*) {}

bool IEditorDelegate::DeferMidiMsg(const IMidiMsg&) { return false; }

bool IEditorDelegate::DeferSysexMsg(const ISysEx&) { return false; }

bool IEditorDelegate::ConstrainEditorResize(int& width, int& height) const
{
  if (width >= mMinWidth && width <= mMaxWidth && height >= mMinHeight && height <= mMaxHeight)
    return true;

  width = std::clamp(width, mMinWidth, mMaxWidth);
  height = std::clamp(height, mMinHeight, mMaxHeight);
  return false;
}

bool IEditorDelegate::SerializeEditorState(IByteChunk&) const
{
  return true;
}

int IEditorDelegate::UnserializeEditorState(const IByteChunk&, int startPos)
{
  return startPos;
}

void IEditorDelegate::SetScreenScale(float) {}

} // namespace weft
