#include "ICanvas.h"

#include "IBitmapControl.h"
#include "ICanvasCaches.h"
#include "ICanvasLiveEdit.h"
#include "IContainerBase.h"
#include "ICornerResizerControl.h"
#include "IFPSDisplayControl.h"
#include "IGEditorDelegate.h"
#include "IPanelControl.h"
#include "ISVGControl.h"
#include "SVGHoleIndex.h"
#include "IVectorBase.h"
#include "IWeftTrace.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace weft::canvas {

ICanvas::ICanvas(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
: mWidth(w)
, mHeight(h)
, mFPS(fps)
, mDrawScale(scale)
, mDelegate(dlg)
{
  StaticStorage<APIBitmap>::Accessor(sBitmapCache).Retain();
  StaticStorage<SVGHolder>::Accessor(sSVGCache).Retain();
}

ICanvas::~ICanvas()
{
  mCursorHidden = false;
  RemoveAllControls();
  StaticStorage<APIBitmap>::Accessor(sBitmapCache).Release();
  StaticStorage<SVGHolder>::Accessor(sSVGCache).Release();
}

// --- Attaching

IControl* ICanvas::AttachControl(IControl* pControl, int ctrlTag, const char* group)
{
  if (!pControl)
    return nullptr;
  if (ctrlTag > kNoTag)
  {
    const bool inserted = mCtrlTags.emplace(ctrlTag, pControl).second;
    LOOM_ASSERT_MSG(inserted, "AttachControl failed: ctrl tags must be unique");
    if (!inserted)
      return nullptr;
  }
  pControl->mGraphics = this;
  pControl->SetDelegate(mDelegate);
  pControl->SetGroup(group);
  mControls.emplace_back(pControl);
  pControl->OnAttached();
  return pControl;
}

void ICanvas::AttachBackground(const char* fileName)
{
  auto* pBackground = new IBitmapControl(0.0f, 0.0f, LoadBitmap(fileName, 1, false, 0), kNoParameter, EBlend::SrcOver);
  pBackground->mGraphics = this;
  pBackground->SetDelegate(mDelegate);
  mControls.emplace(mControls.begin(), pBackground);
}

void ICanvas::AttachSVGBackground(const char* fileName)
{
  auto* pBackground = new ISVGControl(GetBounds(), LoadSVG(fileName, "px", 72.0f), true);
  pBackground->mGraphics = this;
  pBackground->SetDelegate(mDelegate);
  mControls.emplace(mControls.begin(), pBackground);
}

void ICanvas::AttachPanelBackground(const IPattern& pattern)
{
  auto* pPanel = new IPanelControl(GetBounds(), pattern);
  pPanel->mGraphics = this;
  pPanel->SetDelegate(mDelegate);
  mControls.emplace(mControls.begin(), pPanel);
}

void ICanvas::AttachCornerResizer(EUIResizerMode sizeMode, bool layoutOnResize, const IColor& color,
                                  const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  AttachCornerResizer(new ICornerResizerControl(GetBounds(), size, color, mouseOverColor, dragColor), sizeMode,
                      layoutOnResize);
}

void ICanvas::AttachCornerResizer(IControl* pControl, EUIResizerMode sizeMode, bool layoutOnResize)
{
  std::unique_ptr<IControl> control(pControl);
  if (!control || mCornerResizer)
    return; // a second resizer is discarded
  mCornerResizer = std::move(control);
  mGUISizeMode = sizeMode;
  mLayoutOnResize = layoutOnResize;
  mCornerResizer->mGraphics = this;
  mCornerResizer->SetDelegate(mDelegate);
}

void ICanvas::ShowFPSDisplay(bool enable)
{
  if (!enable)
  {
    mFPSDisplay.reset();
    ClearMouseOver();
  }
  else if (!mFPSDisplay)
  {
    if (mPerfDisplayBounds.Empty())
      mPerfDisplayBounds = GetBounds().GetPadded(-10.0f).GetFromTLHC(200.0f, 50.0f);
    mFPSDisplay = std::make_unique<IFPSDisplayControl>(mPerfDisplayBounds, IFPSDisplayControl::kFPS, "Frame Time");
    mFPSDisplay->mGraphics = this;
    mFPSDisplay->SetDelegate(mDelegate);
  }
  SetAllControlsDirty();
}

// --- Finding

IControl* ICanvas::GetControl(int idx) const
{
  return idx >= 0 && idx < NControls() ? mControls[static_cast<size_t>(idx)].get() : nullptr;
}

IControl* ICanvas::GetControlWithTag(int ctrlTag) const
{
  const auto it = mCtrlTags.find(ctrlTag);
  return it != mCtrlTags.end() ? it->second : nullptr;
}

int ICanvas::GetControlTag(const IControl* pControl) const
{
  for (const auto& entry : mCtrlTags)
  {
    if (entry.second == pControl)
      return entry.first;
  }
  return kNoTag;
}

IControl* ICanvas::GetControlWithParamIdx(int paramIdx) const
{
  for (const auto& control : mControls)
  {
    if (control->LinkedToParam(paramIdx) > kNoValIdx)
      return control.get();
  }
  return nullptr;
}

// --- Removing

void ICanvas::ForgetControl(IControl* pControl)
{
  // First, while the control is whole: its menu may be its own, and it hears
  // the dismissal as any menu closed without a choice.
  IControl* const previousLeaving = std::exchange(mLeavingControl, pControl);
  EndPopupMenuOf(pControl);
  mLeavingControl = previousLeaving;
  if (ControlIsCaptured(pControl))
    ReleaseMouseCapture();
  if (pControl == mMouseOver)
    ClearMouseOver();
  if (pControl == mInTextEntry)
    ClearInTextEntryControl();
  for (auto it = mCtrlTags.begin(); it != mCtrlTags.end();)
    it = it->second == pControl ? mCtrlTags.erase(it) : std::next(it);
  if (IContainerBase* pParent = pControl->GetParent())
    pParent->RemoveChildControl(pControl);
  if (IContainerBase* pContainer = dynamic_cast<IContainerBase*>(pControl))
    pContainer->DetachChildren();
  if (mLiveEdit)
    static_cast<ICanvasLiveEdit*>(mLiveEdit.get())->Deselect(pControl);
}

void ICanvas::DestroyControlAt(int idx)
{
  std::unique_ptr<IControl> control = std::move(mControls[static_cast<size_t>(idx)]);
  mControls.erase(mControls.begin() + idx);
  ForgetControl(control.get());
  // destroyed here, after the list and every reference let go of it
}

void ICanvas::RemoveControl(IControl* pControl)
{
  const auto it = std::find_if(mControls.begin(), mControls.end(),
                               [pControl](const std::unique_ptr<IControl>& c) { return c.get() == pControl; });
  if (it == mControls.end())
    return;
  DestroyControlAt(static_cast<int>(it - mControls.begin()));
  SetAllControlsDirty();
}

void ICanvas::RemoveControl(int idx)
{
  if (idx < 0 || idx >= NControls())
    return;
  DestroyControlAt(idx);
  SetAllControlsDirty();
}

void ICanvas::RemoveControlWithTag(int ctrlTag)
{
  RemoveControl(GetControlWithTag(ctrlTag));
}

void ICanvas::RemoveControls(int fromIdx)
{
  fromIdx = std::max(fromIdx, 0);
  for (int idx = NControls() - 1; idx >= fromIdx; --idx)
    DestroyControlAt(idx);
  SetAllControlsDirty();
}

void ICanvas::RemoveAllControls()
{
  ReleaseMouseCapture();
  ClearMouseOver();
  mInPopupMenu = nullptr;
  mPopupMenuValIdx = kNoValIdx;
  mPopupMenuOwner = nullptr;
  mPendingPlatformMenu = 0;
  ClearInTextEntryControl();

  mPopupControl.reset();
  mTextEntryControl.reset();
  mCornerResizer.reset();
  mFPSDisplay.reset();
  mLiveEdit.reset();
  while (!mBubbleControls.empty())
    mBubbleControls.pop_back();

  mCtrlTags.clear();
  for (int idx = NControls() - 1; idx >= 0; --idx)
    DestroyControlAt(idx);
}

// --- Iterating

void ICanvas::ForStandardControlsFunc(const std::function<void(IControl*)>& func)
{
  // Index-based: func may attach controls (growing the list).
  for (int i = 0; i < NControls(); ++i)
    func(mControls[static_cast<size_t>(i)].get());
}

void ICanvas::ForAllControlsFunc(const std::function<void(IControl*)>& func)
{
  ForStandardControlsFunc(func);
  for (IControl* pOverlay : {mFPSDisplay.get(), mLiveEdit.get(), mCornerResizer.get(),
                             static_cast<IControl*>(mTextEntryControl.get()),
                             static_cast<IControl*>(mPopupControl.get())})
  {
    if (pOverlay)
      func(pOverlay);
  }
  for (size_t i = 0; i < mBubbleControls.size(); ++i)
    func(mBubbleControls[i].get());
}

void ICanvas::ForControlWithParam(int paramIdx, const std::function<void(IControl*)>& func)
{
  ForStandardControlsFunc([&](IControl* pControl) {
    if (pControl->LinkedToParam(paramIdx) > kNoValIdx)
      func(pControl);
  });
}

void ICanvas::ForControlWithParam(std::initializer_list<int> params, const std::function<void(IControl*)>& func)
{
  ForStandardControlsFunc([&](IControl* pControl) {
    for (int paramIdx : params)
    {
      if (pControl->LinkedToParam(paramIdx) > kNoValIdx)
        func(pControl);
    }
  });
}

void ICanvas::ForControlInGroup(const char* group, const std::function<void(IControl*)>& func)
{
  if (!group)
    return;
  ForStandardControlsFunc([&](IControl* pControl) {
    const char* controlGroup = pControl->GetGroup();
    if (controlGroup[0] != '\0' && std::strcmp(controlGroup, group) == 0)
      func(pControl);
  });
}

void ICanvas::HideControl(int paramIdx, bool hide) { ForMatchingControls(&IControl::Hide, paramIdx, hide); }

void ICanvas::DisableControl(int paramIdx, bool disable)
{
  ForMatchingControls(&IControl::SetDisabled, paramIdx, disable);
}

void ICanvas::SetPTParameterHighlight(int paramIdx, bool isHighlighted, int color)
{
  ForMatchingControls(&IControl::SetPTParameterHighlight, paramIdx, isHighlighted, color);
}

void ICanvas::SetAllControlsDirty() { ForAllControls(&IControl::SetDirty, false, kNoValIdx); }

void ICanvas::SetAllControlsClean() { ForAllControls(&IControl::SetClean); }

void ICanvas::UpdatePeers(IControl* pCaller, int callerValIdx)
{
  const double value = pCaller->GetValue(callerValIdx);
  const int paramIdx = pCaller->GetParamIdx(callerValIdx);
  if (paramIdx <= kNoParameter)
    return;
  ForStandardControlsFunc([&](IControl* pControl) {
    if (pControl == pCaller)
      return;
    const int valIdx = pControl->LinkedToParam(paramIdx);
    if (valIdx > kNoValIdx)
      pControl->SetValueFromDelegate(value, valIdx);
  });
}

void ICanvas::StyleAllVectorControls(const IVStyle& style)
{
  for (const std::unique_ptr<IControl>& control : mControls)
  {
    if (IVectorBase* pVector = control->As<IVectorBase>())
      pVector->SetStyle(style);
  }
}

// --- Default virtual bodies of the platform part

ECursor ICanvas::SetMouseCursor(ECursor cursorType)
{
  const ECursor previous = mCursorType;
  mCursorType = cursorType;
  return previous;
}

void ICanvas::AttachGestureRecognizer(EGestureType type)
{
  if (std::find(mRegisteredGestures.begin(), mRegisteredGestures.end(), type) == mRegisteredGestures.end())
    mRegisteredGestures.push_back(type);
}

} // namespace weft::canvas
