#include "ICanvasLiveEdit.h"

#include "ICanvas.h"
#include "PlaceHolder.h"

#include <algorithm>
#include <cmath>

namespace weft::canvas {

namespace {

constexpr float kPlaceHolderSize = 100.0f;
constexpr const char* kPlaceHolderText = "Place Holder";

} // namespace

ICanvasLiveEdit::ICanvasLiveEdit(bool mouseOversEnabled)
: IControl(IRECT(), kNoParameter)
, mMouseOversEnabled(mouseOversEnabled)
{
  mTargetRECT = mRECT;
  mPlaceHolderFunc = [](const IRECT& bounds, const char* str) -> IControl* { return new PlaceHolder(bounds, str); };
}

ICanvasLiveEdit::~ICanvasLiveEdit()
{
  if (mGraphics)
    mGraphics->EnableMouseOver(mMouseOversEnabled);
}

float ICanvasLiveEdit::SnapToGrid(float v) const
{
  return mGridSize > 1.0f ? std::round(v / mGridSize) * mGridSize : v;
}

void ICanvasLiveEdit::Select(IControl* pControl)
{
  if (std::find(mSelectedControls.begin(), mSelectedControls.end(), pControl) == mSelectedControls.end())
    mSelectedControls.push_back(pControl);
}

void ICanvasLiveEdit::Deselect(IControl* pControl)
{
  mSelectedControls.erase(std::remove(mSelectedControls.begin(), mSelectedControls.end(), pControl),
                          mSelectedControls.end());
}

IControl* ICanvasLiveEdit::AddPlaceHolder(const IRECT& bounds)
{
  if (!mPlaceHolderFunc)
    return nullptr;
  IControl* pControl = mPlaceHolderFunc(bounds, kPlaceHolderText);
  return pControl ? mGraphics->AttachControl(pControl, kNoTag, "") : nullptr;
}

void ICanvasLiveEdit::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int c = mGraphics->GetMouseControlIdx(x, y, true);
  if (c < 1)
  {
    if (mod.R)
    {
      mGraphics->CreatePopupMenu(*this, mRightClickOutsideControlMenu, x, y, 0);
    }
    else
    {
      mSelectedControls.clear();
      mDragRegion = IRECT(x, y, x, y);
    }
    return;
  }

  IControl* pControl = mGraphics->GetControl(c);
  mMouseDownRECT = pControl->GetRECT();
  mMouseDownTargetRECT = pControl->GetTargetRECT();
  if (!mod.S)
    mSelectedControls.clear();
  Select(pControl);

  // Without a placeholder maker an alt-click is a plain click.
  if (mod.A && AddPlaceHolder(mMouseDownRECT))
  {
    mClickedOnControl = mGraphics->NControls() - 1;
    mMouseClickedOnResizeHandle = false;
    return;
  }
  mClickedOnControl = c;
  if (!mod.R)
    mMouseClickedOnResizeHandle = GetHandleRect(mMouseDownRECT).Contains(x, y);
  else
    mGraphics->CreatePopupMenu(*this, mRightClickOnControlMenu, x, y, 0);
}

void ICanvasLiveEdit::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
  float mx = 0.0f;
  float my = 0.0f;
  mGraphics->GetMouseDownPoint(mx, my);
  IControl* pControl = mClickedOnControl > 0 ? mGraphics->GetControl(mClickedOnControl) : nullptr;

  if (!pControl)
  {
    mDragRegion = IRECT(std::min(mx, x), std::min(my, y), std::max(mx, x), std::max(my, y));
    mGraphics->ForStandardControlsFunc([this](IControl* pCandidate) {
      const IRECT& r = pCandidate->GetRECT();
      const bool inside = r.L >= mDragRegion.L && r.T >= mDragRegion.T && r.R <= mDragRegion.R &&
                          r.B <= mDragRegion.B;
      if (inside)
        Select(pCandidate);
      else
        Deselect(pCandidate);
    });
  }
  else if (mMouseClickedOnResizeHandle)
  {
    const float right = std::max(SnapToGrid(mMouseDownRECT.R + (x - mx)), mMouseDownRECT.L + mGridSize);
    const float bottom = std::max(SnapToGrid(mMouseDownRECT.B + (y - my)), mMouseDownRECT.T + mGridSize);
    const IRECT& r = pControl->GetRECT();
    mGraphics->SetControlSize(pControl, right - r.L, bottom - r.T);
  }
  else
  {
    mGraphics->SetControlPosition(pControl, SnapToGrid(mMouseDownRECT.L + (x - mx)),
                                  SnapToGrid(mMouseDownRECT.T + (y - my)));
  }
}

void ICanvasLiveEdit::OnMouseUp(float, float, const IMouseMod&)
{
  IControl* pControl = mClickedOnControl > 0 ? mGraphics->GetControl(mClickedOnControl) : nullptr;
  if (mMouseClickedOnResizeHandle && pControl)
  {
    const IRECT& r = pControl->GetRECT();
    if (r.W() < 0.0f || r.H() < 0.0f)
    {
      pControl->SetRECT(mMouseDownRECT);
      pControl->SetTargetRECT(mMouseDownTargetRECT);
    }
  }
  mClickedOnControl = -1;
  mMouseClickedOnResizeHandle = false;
  mGraphics->SetAllControlsDirty();
  mDragRegion = IRECT();
}

bool ICanvasLiveEdit::OnKeyDown(float, float, const IKeyPress& key)
{
  mGraphics->ReleaseMouseCapture();
  if ((key.mVK != 8 && key.mVK != 46) || mSelectedControls.empty())
    return false;
  // Removal calls Deselect, so the list is taken first.
  const std::vector<IControl*> doomed = mSelectedControls;
  for (IControl* pControl : doomed)
    mGraphics->RemoveControl(pControl);
  mSelectedControls.clear();
  mGraphics->SetAllControlsDirty();
  return true;
}

void ICanvasLiveEdit::OnMouseOver(float x, float y, const IMouseMod&)
{
  const int c = mGraphics->GetMouseControlIdx(x, y, true);
  if (c < 1)
    mGraphics->SetMouseCursor(ECursor::ARROW);
  else if (GetHandleRect(mGraphics->GetControl(c)->GetRECT()).Contains(x, y))
    mGraphics->SetMouseCursor(ECursor::SIZENWSE);
  else
    mGraphics->SetMouseCursor(ECursor::HAND);
}

void ICanvasLiveEdit::OnResize()
{
  mSelectedControls.clear();
  if (mGraphics)
    mRECT = mGraphics->GetBounds();
  mTargetRECT = mRECT;
}

void ICanvasLiveEdit::OnInit()
{
  if (mGraphics)
    mGraphics->EnableMouseOver(true);
}

void ICanvasLiveEdit::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int)
{
  if (pSelectedMenu == &mRightClickOutsideControlMenu && pSelectedMenu->GetChosenItemIdx() == 0)
  {
    float mx = 0.0f;
    float my = 0.0f;
    mGraphics->GetMouseDownPoint(mx, my);
    AddPlaceHolder(IRECT(mx, my, mx + kPlaceHolderSize, my + kPlaceHolderSize));
  }
  else if (pSelectedMenu == &mRightClickOnControlMenu && pSelectedMenu->GetChosenItemIdx() == 0)
  {
    mSelectedControls.clear();
    if (mClickedOnControl > 0)
      mGraphics->RemoveControl(mClickedOnControl);
    mClickedOnControl = -1;
  }
}

void ICanvasLiveEdit::Draw(ICanvas& g)
{
  const IBlend blend(EBlend::Add, 0.25f);
  g.DrawGrid(mGridColor, g.GetBounds(), mGridSize, mGridSize, &blend, 1.0f);

  for (int i = 1; i < g.NControls(); ++i)
  {
    IControl* pControl = g.GetControl(i);
    if (pControl->GetParent())
      continue;
    const IRECT& r = pControl->GetRECT();
    const IColor& color = pControl->IsHidden() ? COLOR_RED : pControl->IsDisabled() ? COLOR_GREEN : COLOR_BLUE;
    g.DrawDottedRect(color, r, nullptr, 1.0f, 2.0f);
    const IRECT h = GetHandleRect(r);
    g.FillTriangle(mRectColor, h.L, h.B, h.R, h.B, h.R, h.T, nullptr);
    g.DrawTriangle(COLOR_BLACK, h.L, h.B, h.R, h.B, h.R, h.T, nullptr, 1.0f);
  }
  for (IControl* pControl : mSelectedControls)
    g.DrawDottedRect(COLOR_WHITE, pControl->GetRECT(), nullptr, 1.0f, 2.0f);
  if (!mDragRegion.Empty())
    g.DrawDottedRect(COLOR_RED, mDragRegion, nullptr, 1.0f, 2.0f);
}

} // namespace weft::canvas
