#include "IVMenuButtonControl.h"

#include "ICanvas.h"
#include "IParam.h"
#include "IPopupMenu.h"
#include "IVButtonControl.h"

namespace weft::canvas {

namespace {
IVStyle ButtonStyle(const IVStyle& style)
{
  return style.WithValueText(style.valueText.WithVAlign(EVAlign::Middle));
}
} // namespace

IVMenuButtonControl::IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                         EVShape shape)
: IContainerBase(bounds, paramIdx)
, IVectorBase(style)
, mButtonLabel(label ? label : "")
, mButtonShape(shape)
{
  AttachIControl(this, "");
  mText = style.valueText;
  mDisablePrompt = false;
  mAttachFunc = [this](IContainerBase*, const IRECT& r) { BuildButton(r); };
  mResizeFunc = [this](IContainerBase*, const IRECT& r) {
    if (mButton)
      mButton->SetTargetAndDrawRECTs(r);
  };
}

void IVMenuButtonControl::BuildButton(const IRECT& bounds)
{
  auto* pButton = new IVButtonControl(bounds, SplashClickActionFunc, mButtonLabel.Get(), ButtonStyle(mStyle), false,
                                      true, mButtonShape);
  if (!AddChildControl(pButton, kNoTag, GetGroup()))
  {
    delete pButton; // refused: the caller keeps it
    return;
  }
  mButton = pButton;
  UpdateButtonValueStr();
  mButton->SetAnimationEndActionFunction([this](IControl*) {
    if (GetParam())
      PromptUserInput(mButton->GetWidgetBounds(), 0);
  });
}

void IVMenuButtonControl::UpdateButtonValueStr()
{
  if (!mButton)
    return;
  LOOM_String display;
  if (const IParam* pParam = GetParam())
    pParam->GetDisplayWithLabel(display);
  mButton->SetValueStr(display.Get());
}

void IVMenuButtonControl::SetStyle(const IVStyle& style)
{
  IVectorBase::SetStyle(style);
  if (mButton)
    mButton->SetStyle(ButtonStyle(style));
}

void IVMenuButtonControl::SetValueFromDelegate(double value, int valIdx)
{
  IControl::SetValueFromDelegate(value, valIdx);
  UpdateButtonValueStr();
}

void IVMenuButtonControl::SetValueFromUserInput(double value, int valIdx)
{
  if (value == GetValue(valIdx))
    return;
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
  UpdateButtonValueStr();
}

void IVMenuButtonControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx)
{
  if (pSelectedMenu && mButton)
    if (const IPopupMenu::Item* pItem = pSelectedMenu->GetChosenItem())
      mButton->SetValueStr(pItem->GetText());
  IControl::OnPopupMenuSelection(pSelectedMenu, valIdx);
}

} // namespace weft::canvas
