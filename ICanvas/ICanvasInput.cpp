// Input state of the drawing context: pointer capture, mouse-over, the
// controls in a text entry or popup menu, and gesture regions.

#include "ICanvas.h"

#include "IWeftTrace.h"

#include <algorithm>

namespace weft::canvas {

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

IControl* ICanvas::FindControlAt(float x, float y) const
{
  for (int i = NControls() - 1; i >= 0; --i)
  {
    IControl* pControl = GetControl(i);
    if (!pControl->IsHidden() && !pControl->GetIgnoreMouse() && pControl->IsHit(x, y))
      return pControl;
  }
  return nullptr;
}

bool ICanvas::OnKey(float x, float y, const IKeyPress& key, bool isUp)
{
  Trace(__FILE__, __LINE__, isUp ? "ICanvas::OnKeyUp x:%0.2f, y:%0.2f, key:%s" : "ICanvas::OnKeyDown x:%0.2f, y:%0.2f, key:%s",
        x, y, key.mUTF8);
  IControl* pControl = FindControlAt(x, y);
  if (pControl && pControl != GetControl(0))
  {
    if (isUp ? pControl->OnKeyUp(x, y, key) : pControl->OnKeyDown(x, y, key))
      return true;
  }
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, isUp) : false;
}

bool ICanvas::OnKeyDown(float x, float y, const IKeyPress& key) { return OnKey(x, y, key, false); }

bool ICanvas::OnKeyUp(float x, float y, const IKeyPress& key) { return OnKey(x, y, key, true); }

bool ICanvas::RespondsToGesture(float x, float y)
{
  IControl* pControl = FindControlAt(x, y);
  if (pControl && pControl->GetWantsGestures())
    return true;
  return mGestureRegions.Find(x, y) > -1;
}

void ICanvas::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

} // namespace weft::canvas
