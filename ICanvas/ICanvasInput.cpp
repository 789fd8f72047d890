// Input dispatch of the drawing context: the search for the control that
// gets a pointer event, capture per touch, the host gestures that bracket an
// edit, mouse-over, wheel, keys, drops and recognised gestures.

#include "ICanvas.h"

#include "ICanvasLiveEdit.h"
#include "IGEditorDelegate.h"
#include "IWeftTrace.h"

#include <algorithm>

namespace weft::canvas {

// --- Input state

bool ICanvas::ControlIsCaptured(IControl* pControl) const
{
  return std::any_of(mCapturedMap.begin(), mCapturedMap.end(),
                     [pControl](const auto& entry) { return entry.second == pControl; });
}

void ICanvas::SetCapturedControl(IControl* pControl, uint64_t touchID)
{
  if (pControl)
    mCapturedMap[touchID] = pControl;
  else
    mCapturedMap.erase(touchID);
}

void ICanvas::ReleaseMouseCapture()
{
  mCapturedMap.clear();
  if (mCursorHidden)
    HideMouseCursor(false, true);
}

void ICanvas::GetTouches(IControl* pControl, std::vector<uint64_t>& touchIDs) const
{
  for (const auto& entry : mCapturedMap)
  {
    if (entry.second == pControl)
      touchIDs.push_back(entry.first);
  }
}

void ICanvas::SetMouseOverControl(IControl* pControl)
{
  mMouseOver = pControl;
  mMouseOverIdx = -1;
  for (int i = 0; pControl && i < NControls(); ++i)
  {
    if (GetControl(i) == pControl)
    {
      mMouseOverIdx = i;
      break;
    }
  }
}

void ICanvas::ClearMouseOver()
{
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

void ICanvas::SetControlInTextEntry(IControl* pControl, int valIdx)
{
  mInTextEntry = pControl;
  mTextEntryValIdx = pControl ? valIdx : kNoValIdx;
}

void ICanvas::ClearInTextEntryControl()
{
  mInTextEntry = nullptr;
  mTextEntryValIdx = kNoValIdx;
}

void ICanvas::SetControlInPopupMenu(IControl* pControl, int valIdx)
{
  mInPopupMenu = pControl;
  mPopupMenuValIdx = pControl ? valIdx : kNoValIdx;
}

void ICanvas::EnableTooltips(bool enable)
{
  mEnableTooltips = enable;
  if (enable)
    mEnableMouseOver = true;
}

// --- Control search

int ICanvas::GetMouseControlIdx(float x, float y, bool mouseOver)
{
  if (mouseOver && !mEnableMouseOver)
    return -1;
  const int lowest = mouseOver ? 1 : 0; // the background never gets mouse-over
  for (int i = NControls() - 1; i >= lowest; --i)
  {
    IControl* pControl = GetControl(i);
    if (mLiveEdit)
    {
      if (!pControl->GetParent() && pControl->GetRECT().Contains(x, y))
        return i;
      continue;
    }
    if (pControl->IsHidden() || pControl->GetIgnoreMouse())
      continue;
    if (pControl->IsDisabled() &&
        !(mouseOver ? pControl->GetMouseOverWhenDisabled() : pControl->GetMouseEventsWhenDisabled()))
      continue;
    if (pControl->IsHit(x, y))
      return i;
  }
  return -1;
}

IControl* ICanvas::GetMouseControl(float x, float y, bool capture, bool mouseOver, uint64_t touchID)
{
  const auto held = mCapturedMap.find(touchID);
  if (held != mCapturedMap.end() && held->second)
    return held->second;

  IControl* pControl = nullptr;
  int idx = -1;
  if (mPopupControl && mPopupControl->GetExpanded())
    pControl = mPopupControl.get();
  else if (mTextEntryControl && mTextEntryControl->EditInProgress())
    pControl = mTextEntryControl.get();
  else if (mLiveEdit)
    pControl = mLiveEdit.get();
  else if (mCornerResizer && mCornerResizer->GetRECT().Contains(x, y))
    pControl = mCornerResizer.get();
  else if (mFPSDisplay && mFPSDisplay->GetRECT().Contains(x, y))
    pControl = mFPSDisplay.get();
  else if ((idx = GetMouseControlIdx(x, y, mouseOver)) > -1)
    pControl = GetControl(idx);

  if (capture && pControl)
  {
    if (mEnableMultiTouch && ControlIsCaptured(pControl) && !pControl->GetWantsMultiTouch())
      return nullptr; // another touch holds it
    mCapturedMap.emplace(touchID, pControl);
  }
  if (mouseOver)
    mMouseOverIdx = idx;
  return pControl;
}

// --- Pointer

void ICanvas::InformHostOfGesture(IControl* pControl, bool begin)
{
  for (int v = 0; v < pControl->NVals(); ++v)
  {
    const int paramIdx = pControl->GetParamIdx(v);
    if (paramIdx <= kNoParameter)
      continue;
    if (begin)
      mDelegate.BeginInformHostOfParamChangeFromUI(paramIdx);
    else
      mDelegate.EndInformHostOfParamChangeFromUI(paramIdx);
  }
}

void ICanvas::OnMouseDown(const std::vector<IMouseInfo>& points)
{
  if (points.size() == 1)
    SetMouseDownPoint(points.front().x, points.front().y);

  for (const IMouseInfo& point : points)
  {
    IControl* pControl = GetMouseControl(point.x, point.y, true, false, point.ms.touchID);
    if (!pControl)
      continue;
    const int valIdx = std::max(pControl->GetValIdxForPos(point.x, point.y), 0);
    const int paramIdx = valIdx < pControl->NVals() ? pControl->GetParamIdx(valIdx) : kNoParameter;
    if (point.ms.R && paramIdx > kNoParameter)
    {
      ReleaseMouseCapture();
      PopupHostContextMenuForParam(pControl, paramIdx, point.x, point.y);
      return;
    }
    InformHostOfGesture(pControl, true);
    mInPress = pControl;
    pControl->OnMouseDown(point.x, point.y, point.ms);
    mInPress = nullptr;
  }
}

void ICanvas::OnMouseUp(const std::vector<IMouseInfo>& points)
{
  if (ControlIsCaptured())
  {
    for (const IMouseInfo& point : points)
    {
      const auto held = mCapturedMap.find(point.ms.touchID);
      if (held == mCapturedMap.end())
        continue;
      IControl* pControl = held->second;
      // The parameters are read first: the handler may remove the control.
      std::vector<int> params;
      for (int v = 0; pControl && v < pControl->NVals(); ++v)
        params.push_back(pControl->GetParamIdx(v));
      if (pControl)
        pControl->OnMouseUp(point.x, point.y, point.ms);
      for (int paramIdx : params)
      {
        if (paramIdx > kNoParameter)
          mDelegate.EndInformHostOfParamChangeFromUI(paramIdx);
      }
      mCapturedMap.erase(point.ms.touchID);
    }
  }
  if (mResizingInProcess)
    EndDragResize();
  if (points.size() == 1 && !points.front().ms.IsTouch())
    OnMouseOver(points.front().x, points.front().y, points.front().ms);
}

void ICanvas::OnMouseDrag(const std::vector<IMouseInfo>& points)
{
  if (!points.empty())
  {
    const IMouseInfo& p = points.front();
    Trace(__FILE__, __LINE__, "ICanvas::OnMouseDrag: x:%0.2f, y:%0.2f, dX:%0.2f, dY:%0.2f, mod:LRSCA: %i%i%i%i%i",
          p.x, p.y, p.dX, p.dY, p.ms.L, p.ms.R, p.ms.S, p.ms.C, p.ms.A);
  }
  if (mResizingInProcess && points.size() == 1)
  {
    OnDragResize(points.front().x, points.front().y);
    return;
  }
  if (!ControlIsCaptured() || IsInPlatformTextEntry())
    return;
  const bool onlyTextEntry = mInTextEntry != nullptr;
  for (const IMouseInfo& point : points)
  {
    const auto held = mCapturedMap.find(point.ms.touchID);
    if (held == mCapturedMap.end() || !held->second)
      continue;
    if (onlyTextEntry && held->second != mTextEntryControl.get())
      continue;
    if (point.dX == 0.0f && point.dY == 0.0f)
      continue;
    held->second->OnMouseDrag(point.x, point.y, point.dX, point.dY, point.ms);
  }
}

void ICanvas::OnTouchCancelled(const std::vector<IMouseInfo>& points)
{
  if (!ControlIsCaptured())
    return;
  for (const IMouseInfo& point : points)
  {
    const auto held = mCapturedMap.find(point.ms.touchID);
    if (held == mCapturedMap.end())
      continue;
    IControl* pControl = held->second;
    mCapturedMap.erase(held);
    if (pControl)
      pControl->OnTouchCancelled(point.x, point.y, point.ms);
  }
}

bool ICanvas::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  Trace(__FILE__, __LINE__, "ICanvas::OnMouseDblClick x:%0.2f, y:%0.2f, mod:LRSCA: %i%i%i%i%i", x, y, mod.L, mod.R,
        mod.S, mod.C, mod.A);
  IControl* pControl = GetMouseControl(x, y, true);
  if (!pControl)
    return false;
  if (pControl->GetMouseDblAsSingleClick())
  {
    IMouseInfo info;
    info.x = x;
    info.y = y;
    info.ms = mod;
    OnMouseDown({info});
  }
  else
  {
    pControl->OnMouseDblClick(x, y, mod);
    ReleaseMouseCapture();
  }
  return true;
}

bool ICanvas::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  Trace(__FILE__, __LINE__, "ICanvas::OnMouseOver x:%0.2f, y:%0.2f, mod:LRSCA: %i%i%i%i%i", x, y, mod.L, mod.R,
        mod.S, mod.C, mod.A);
  IControl* pControl = GetMouseControl(x, y, false, true);
  if (pControl != mMouseOver)
  {
    if (mMouseOver)
      mMouseOver->OnMouseOut();
    mMouseOver = pControl;
  }
  if (mMouseOver)
    mMouseOver->OnMouseOver(x, y, mod);
  return pControl != nullptr;
}

void ICanvas::OnMouseOut()
{
  Trace(__FILE__, __LINE__, "ICanvas::OnMouseOut");
  mCursorType = SetMouseCursor(ECursor::ARROW);
  ForAllControls(&IControl::OnMouseOut);
  ClearMouseOver();
}

bool ICanvas::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl)
    pControl->OnMouseWheel(x, y, mod, d);
  return pControl != nullptr;
}

// --- Keys

bool ICanvas::OnKey(float x, float y, const IKeyPress& key, bool isUp)
{
  Trace(__FILE__, __LINE__, isUp ? "ICanvas::OnKeyUp x:%0.2f, y:%0.2f, key:%s" : "ICanvas::OnKeyDown x:%0.2f, y:%0.2f, key:%s",
        x, y, key.mUTF8);
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl != GetControl(0))
  {
    if (isUp ? pControl->OnKeyUp(x, y, key) : pControl->OnKeyDown(x, y, key))
      return true;
  }
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, isUp) : false;
}

bool ICanvas::OnKeyDown(float x, float y, const IKeyPress& key) { return OnKey(x, y, key, false); }

bool ICanvas::OnKeyUp(float x, float y, const IKeyPress& key) { return OnKey(x, y, key, true); }

// --- Drops and gestures

void ICanvas::OnDrop(const char* str, float x, float y)
{
  if (IControl* pControl = GetMouseControl(x, y, false))
    pControl->OnDrop(str);
}

void ICanvas::OnDropMultiple(const std::vector<const char*>& paths, float x, float y)
{
  if (IControl* pControl = GetMouseControl(x, y, false))
    pControl->OnDropMultiple(paths);
}

void ICanvas::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* pControl = GetMouseControl(info.x, info.y, false);
  if (pControl && pControl->GetWantsGestures())
  {
    pControl->OnGesture(info);
    return;
  }
  const int region = mGestureRegions.Find(info.x, info.y);
  if (region < 0)
    return;
  const auto func = mGestureRegionFuncs.find(region);
  if (func != mGestureRegionFuncs.end() && func->second)
    func->second(nullptr, info);
}

void ICanvas::AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, IGestureFunc func)
{
  mGestureRegions.Add(bounds);
  AttachGestureRecognizer(type);
  mGestureRegionFuncs.emplace(mGestureRegions.Size() - 1, std::move(func));
}

bool ICanvas::RespondsToGesture(float x, float y)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl->GetWantsGestures())
    return true;
  return mGestureRegions.Find(x, y) > -1;
}

void ICanvas::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

// --- Appearance, idle, live edit, automation queries

void ICanvas::OnAppearanceChanged(EUIAppearance appearance)
{
  if (mAppearanceChangedFunc)
    mAppearanceChangedFunc(appearance);
}

void ICanvas::OnGUIIdle() { ForAllControls(&IControl::OnGUIIdle); }

void ICanvas::EnableLiveEdit(bool enable)
{
  if (enable && !mLiveEdit)
  {
    mLiveEdit = std::make_unique<ICanvasLiveEdit>(mEnableMouseOver);
    AdoptOverlay(mLiveEdit.get());
  }
  else if (!enable)
  {
    EndPopupMenuOf(mLiveEdit.get()); // its menus go with it
    mLiveEdit.reset();
  }
  ClearMouseOver();
  ReleaseMouseCapture();
  SetMouseCursor(ECursor::ARROW);
  SetAllControlsDirty();
}

int ICanvas::GetParamIdxForPTAutomation(float x, float y)
{
  IControl* pControl = GetMouseControl(x, y, false);
  mLastClickedParam = pControl ? pControl->GetParamIdx(0) : kNoParameter;
  return mLastClickedParam;
}

int ICanvas::GetLastClickedParamForPTAutomation()
{
  const int paramIdx = mLastClickedParam;
  mLastClickedParam = kNoParameter;
  return paramIdx;
}

void ICanvas::AdoptOverlay(IControl* pControl)
{
  pControl->mGraphics = this;
  pControl->SetDelegate(mDelegate);
}

} // namespace weft::canvas
