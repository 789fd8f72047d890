// Prompts of the drawing context: a menu or a text entry for a parameter,
// shown by the platform or by the in-window presenters, their completions
// back to the control and the host, the context menu of a right click, and
// the value bubbles.

#include "ICanvas.h"

#include "IGEditorDelegate.h"
#include "IParam.h"
#include "LOOM_Assert.h"

#include <cstring>

namespace weft::canvas {

namespace {

// Picks the bubble for the next new touch, across every context.
int sBubbleCounter = 0;

} // namespace

void ICanvas::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx)
{
  LOOM_ASSERT_MSG(valIdx >= 0, "valIdx >= 0");
  if (valIdx < 0 || valIdx >= control.NVals())
    return;
  const IParam* pParam = control.GetParam(valIdx);
  if (!pParam)
    return;

  const bool isMenu = pParam->Type() == IParam::kTypeEnum ||
                      (pParam->Type() == IParam::kTypeBool && pParam->NDisplayTexts() > 0);
  if (isMenu)
  {
    if (PopupMenuBusy())
      return; // the prompt menu is still on show
    LOOM_String current;
    pParam->GetDisplay(current, true);
    mPromptPopupMenu.Clear(true);
    for (int i = 0; i < pParam->NDisplayTexts(); ++i)
    {
      const char* str = pParam->GetDisplayText(static_cast<double>(i));
      const bool checked = std::strcmp(str, current.Get()) == 0;
      mPromptPopupMenu.AddItem(str, -1, checked ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags);
    }
    mPromptPopupMenu.SetRootTitle(pParam->GetName());
    CreatePopupMenu(control, mPromptPopupMenu, bounds, valIdx);
    return;
  }

  LOOM_String str;
  pParam->GetDisplay(str, false);
  if (control.GetPromptShowsParamLabel())
  {
    str.Append(" ");
    str.Append(pParam->GetLabel());
  }
  CreateTextEntry(control, control.GetText(), bounds, str.Get(), valIdx);
}

// --- Menus

void ICanvas::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx)
{
  DoCreatePopupMenu(control, menu, bounds, valIdx, false);
}

void ICanvas::CreatePopupMenu(IControl& control, IPopupMenu& menu, float x, float y, int valIdx)
{
  DoCreatePopupMenu(control, menu, IRECT(x, y, x, y), valIdx, false);
}

void ICanvas::DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx,
                                bool isContext)
{
  // A menu still showing, closing or queued keeps its caller: the new request
  // is refused whole and its press ends at the release as usual. A control
  // being removed opens nothing.
  if (PopupMenuBusy() || &control == mLeavingControl)
    return;

  mPopupEndsGesture = &control == mInPress;
  ReleaseMouseCapture();
  mInPopupMenu = &control;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;

  if (mPopupControl)
  {
    mPopupMenuOwner = &control;
    mPopupControl->CreatePopupMenu(menu, bounds);
    return;
  }
  // Pending from here: a platform layer that queues the menu captures this
  // request and shows the menu only while it is still the pending one.
  const uint64_t request = ++mPopupMenuRequests;
  mPendingPlatformMenu = request;
  bool isAsync = false;
  IPopupMenu* pChosen = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync && mPendingPlatformMenu == request)
    SetControlValueAfterPopupMenu(pChosen);
}

void ICanvas::EndPopupMenuOf(IControl* pControl)
{
  if (!pControl)
    return;
  if (pControl == mPopupMenuOwner)
  {
    mPopupMenuOwner = nullptr;
    // The popup may still draw the menu while it closes after a choice.
    if (mPopupControl && mPopupControl->GetState() != 0)
      mPopupControl->DismissPopupMenu();
  }
  // A platform menu still queued, or a popup that did not report.
  if (pControl == mInPopupMenu)
    SetControlValueAfterPopupMenu(nullptr);
}

void ICanvas::EndOpenMenus()
{
  if (mPopupMenuOwner)
    EndPopupMenuOf(mPopupMenuOwner);
  if (mInPopupMenu || mPendingPlatformMenu)
    SetControlValueAfterPopupMenu(nullptr);
}

void ICanvas::SetControlValueAfterPopupMenu(IPopupMenu* pMenu)
{
  IControl* pControl = mInPopupMenu;
  mPendingPlatformMenu = 0;
  if (!pControl)
    return;
  // Forgotten first: the control's handler may open the next menu.
  const int valIdx = mPopupMenuValIdx;
  const bool endsGesture = mPopupEndsGesture;
  mInPopupMenu = nullptr;
  mPopupMenuValIdx = kNoValIdx;
  mPopupEndsGesture = false;

  std::vector<int> params;
  for (int v = 0; v < pControl->NVals(); ++v)
    params.push_back(pControl->GetParamIdx(v));

  if (mIsContextMenu)
    pControl->OnContextSelection(pMenu ? pMenu->GetChosenItemIdx() : -1);
  else
    pControl->OnPopupMenuSelection(pMenu && pMenu->GetChosenItemIdx() != -1 ? pMenu : nullptr, valIdx);

  if (!endsGesture)
    return;
  for (int paramIdx : params)
  {
    if (paramIdx > kNoParameter)
      mDelegate.EndInformHostOfParamChangeFromUI(paramIdx);
  }
}

void ICanvas::DeleteFromPopupMenu(IPopupMenu* pMenu, int itemIdx)
{
  if (mInPopupMenu)
    mInPopupMenu->OnDeleteFromPopupMenu(pMenu, itemIdx);
}

void ICanvas::PopupHostContextMenuForParam(IControl* pControl, int /*paramIdx*/, float x, float y)
{
  if (PopupMenuBusy())
    return; // the prompt menu may be the one on show
  mPromptPopupMenu.Clear(true);
  if (!pControl)
    return;
  pControl->CreateContextMenu(mPromptPopupMenu);
  if (mPromptPopupMenu.NItems() > 0)
    DoCreatePopupMenu(*pControl, mPromptPopupMenu, IRECT(x, y, x, y), kNoValIdx, true);
}

void ICanvas::PopupHostContextMenuForParam(int controlIdx, int paramIdx, float x, float y)
{
  PopupHostContextMenuForParam(GetControl(controlIdx), paramIdx, x, y);
}

// --- Text entry

void ICanvas::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str, int valIdx)
{
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx >= 0 && valIdx < control.NVals() ? control.GetParamIdx(valIdx) : kNoParameter;
  if (!str)
    str = "";
  if (mTextEntryControl)
    mTextEntryControl->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  control.SetDirty(false);
}

void ICanvas::SetControlValueAfterTextEdit(const char* str)
{
  IControl* pControl = mInTextEntry;
  if (!pControl)
    return;
  const int valIdx = mTextEntryValIdx;
  // Forgotten first: the control's handler may open the next entry.
  ClearInTextEntryControl();
  if (!str)
    str = "";
  const IParam* pParam = valIdx >= 0 && valIdx < pControl->NVals() ? pControl->GetParam(valIdx) : nullptr;
  if (pParam)
    pControl->SetValueFromUserInput(pParam->ToNormalized(pParam->StringToValue(str)), valIdx);
  else
    pControl->OnTextEntryCompletion(str, valIdx);
}

// --- In-window presenters

void ICanvas::AttachPopupMenuControl(IPopupMenuControlBase* pControl)
{
  std::unique_ptr<IPopupMenuControlBase> control(pControl);
  if (!control || mPopupControl)
    return;
  mPopupControl = std::move(control);
  AdoptOverlay(mPopupControl.get());
}

void ICanvas::RemovePopupMenuControl()
{
  if (!mPopupControl)
    return;
  const bool wasShowing = mPopupControl->GetState() != 0;
  if (ControlIsCaptured(mPopupControl.get()))
    ReleaseMouseCapture();
  if (mMouseOver == mPopupControl.get())
    ClearMouseOver();
  mPopupControl.reset();
  mPopupMenuOwner = nullptr;
  // A menu taken away unanswered is a dismissal: its caller and the host
  // still hear the end.
  if (wasShowing)
    SetControlValueAfterPopupMenu(nullptr);
}

void ICanvas::AttachTextEntryControl(ITextEntryControlBase* pControl)
{
  std::unique_ptr<ITextEntryControlBase> control(pControl);
  if (!control || mTextEntryControl)
    return;
  mTextEntryControl = std::move(control);
  AdoptOverlay(mTextEntryControl.get());
}

void ICanvas::RemoveTextEntryControl()
{
  if (!mTextEntryControl)
    return;
  // Its Cut, Copy and Paste menu goes with it.
  EndPopupMenuOf(mTextEntryControl.get());
  // An edit taken away unanswered is forgotten; no text reaches the control.
  if (mTextEntryControl->EditInProgress())
    ClearInTextEntryControl();
  if (ControlIsCaptured(mTextEntryControl.get()))
    ReleaseMouseCapture();
  if (mMouseOver == mTextEntryControl.get())
    ClearMouseOver();
  mTextEntryControl.reset();
}

// --- Bubbles and tooltips

void ICanvas::AttachBubbleControl(IBubbleControlBase* pControl)
{
  if (!pControl)
    return;
  AdoptOverlay(pControl);
  mBubbleControls.emplace_back(pControl);
}

void ICanvas::ShowBubbleControl(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                                IRECT minimumContentBounds)
{
  LOOM_ASSERT_MSG(!mBubbleControls.empty(), "No bubble controls attached");
  if (mBubbleControls.empty())
    return;
  if (!mEnableMultiTouch)
  {
    mBubbleControls.front()->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, 0);
    return;
  }
  std::vector<uint64_t> touches;
  GetTouches(pCaller, touches);
  if (touches.size() != 1)
    return;
  const uint64_t touchID = touches.front();
  for (const auto& bubble : mBubbleControls)
  {
    if (bubble->GetTouchID() == touchID)
    {
      bubble->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, touchID);
      return;
    }
  }
  // The counter is shared by every context; each may hold fewer bubbles.
  const int n = NBubbleControls();
  const int idx = sBubbleCounter % n;
  mBubbleControls[static_cast<size_t>(idx)]->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, touchID);
  sBubbleCounter = (idx + 1) % n;
}

void ICanvas::AssignParamNameToolTips()
{
  ForStandardControlsFunc([](IControl* pControl) {
    if (const IParam* pParam = pControl->GetParam(0))
      pControl->SetTooltip(pParam->GetName());
  });
}

} // namespace weft::canvas
