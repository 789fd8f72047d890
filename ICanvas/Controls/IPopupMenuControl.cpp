#include "IPopupMenuControl.h"

#include "ICanvas.h"
#include "LOOM_Assert.h"

#include <algorithm>

namespace weft::canvas {

namespace {

IRECT SquareCentredIn(const IRECT& r, float side)
{
  return IRECT(r.MW() - side / 2.0f, r.MH() - side / 2.0f, r.MW() + side / 2.0f, r.MH() + side / 2.0f);
}

} // namespace

// --- MenuPanel

IPopupMenuControl::MenuPanel::MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIdx)
: mMenu(menu)
, mParentIdx(parentIdx)
{
  const IPopupMenuControl& c = control;
  mSingleCellBounds = c.GetLargestCellRectForMenu(menu, x, y);
  const int n = menu.NItems();
  auto heightOf = [&](int i) { return menu.GetItem(i)->GetIsSeparator() ? c.mSeparatorSize : CellHeight(); };

  float left = x + c.mPadding;
  float top = y + c.mPadding;
  for (int i = 0; i < n; ++i)
  {
    const float h = heightOf(i);
    const bool newColumn = c.mMaxColumnItems > 0 && i > 1 && i % c.mMaxColumnItems == 0;
    if (top + h + c.mPadding > c.mMaxBounds.B || newColumn)
    {
      if (c.mScrollIfTooBig)
      {
        const float upper = c.mMaxBounds.T + c.mPadding + c.mDropShadowSize;
        const float lower = c.mMaxBounds.B - c.mPadding;
        const float rowHeight = CellHeight() + c.mCellGap;
        // At least one row, even in bounds shorter than a cell.
        const double rows = rowHeight > 0.0f ? (lower - upper) / rowHeight : n;
        mScrollMaxRows = static_cast<int>(std::clamp(rows, 1.0, static_cast<double>(n) + 1.0));
        mCellBounds.clear();
        int count = n;
        if (n < mScrollMaxRows)
          top = y + c.mPadding + CellHeight() - static_cast<float>(n) * CellHeight();
        else
        {
          mScroller = true;
          top = upper;
          count = mScrollMaxRows;
        }
        for (int j = 0; j < count; ++j)
        {
          AddCell(left, top, CellWidth(), heightOf(j));
          top = mCellBounds.back()->B + c.mCellGap;
        }
        break;
      }
      left += CellWidth() + c.mCellGap;
      top = mSingleCellBounds.T + c.mPadding;
    }
    AddCell(left, top, CellWidth(), h);
    top = mCellBounds.back()->B + c.mCellGap;
  }

  IRECT span;
  for (const auto& cell : mCellBounds)
    span = span.Union(*cell);
  if (c.mSpecifiedExpandedBounds.W() != 0.0f)
    span = c.mSpecifiedExpandedBounds;
  mTargetRECT = span.GetPadded(c.mPadding);
  mRECT = span.GetPadded(c.mPadding + c.mDropShadowSize);
}

int IPopupMenuControl::MenuPanel::CellIndex(const IRECT* pCell) const
{
  for (int i = 0; i < NCells(); ++i)
  {
    if (mCellBounds[i].get() == pCell)
      return i;
  }
  return -1;
}

bool IPopupMenuControl::MenuPanel::IsArrowCell(int cellIdx) const
{
  const int n = mMenu.NItems(), m = NCells();
  if (!mScroller || n <= m)
    return false;
  return (cellIdx == 0 && mScrollItemOffset > 0) || (cellIdx == m - 1 && mScrollItemOffset < n - m);
}

IPopupMenu::Item* IPopupMenuControl::MenuPanel::ItemForCell(int cellIdx) const
{
  if (cellIdx < 0 || cellIdx >= NCells() || IsArrowCell(cellIdx))
    return nullptr;
  return mMenu.GetItem(mScrollItemOffset + cellIdx);
}

IRECT* IPopupMenuControl::MenuPanel::HitTestCells(float x, float y) const
{
  for (int i = 0; i < NCells(); ++i)
  {
    if (!mCellBounds[i]->Contains(x, y))
      continue;
    const IPopupMenu::Item* pItem = ItemForCell(i);
    if (IsArrowCell(i) || (pItem && pItem->GetEnabled()))
      return mCellBounds[i].get();
  }
  return nullptr;
}

void IPopupMenuControl::MenuPanel::ScrollUp()
{
  mScrollItemOffset = std::clamp(mScrollItemOffset - 1, 0, std::max(0, mMenu.NItems() - NCells()));
}

void IPopupMenuControl::MenuPanel::ScrollDown()
{
  mScrollItemOffset = std::clamp(mScrollItemOffset + 1, 0, std::max(0, mMenu.NItems() - NCells()));
}

// --- The control

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
: IPopupMenuControlBase(collapsedBounds, paramIdx)
, mSpecifiedCollapsedBounds(collapsedBounds)
, mSpecifiedExpandedBounds(expandedBounds)
{
  mText = text;
  mHide = true;
  SetActionFunction([](IControl* pCaller) {
    auto* pMenu = static_cast<IPopupMenuControl*>(pCaller);
    pMenu->SetAnimation(AnimationStep, pMenu->mState == kSubMenuAppearing ? 200 : 100);
  });
}

IPopupMenuControl::~IPopupMenuControl() = default;

void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& anchorArea)
{
  if (mState != kCollapsed)
    return; // the menu on show (or closing) keeps its place
  mMenu = &menu;
  mMenuHasSubmenu = false;
  for (int i = 0; i < menu.NItems(); ++i)
    mMenuHasSubmenu = mMenuHasSubmenu || menu.GetItem(i)->GetSubmenu() != nullptr;
  if (mMaxBounds.W() == 0.0f && GetUI())
    mMaxBounds = GetUI()->GetBounds();
  Expand(anchorArea);
}

void IPopupMenuControl::GetPanelDimensions(IPopupMenu& menu, float& width, float& height) const
{
  const IRECT cell = GetLargestCellRectForMenu(menu, 0.0f, 0.0f);
  const int n = menu.NItems();
  int k = 0;
  for (int i = 0; i < n; ++i)
    k += menu.GetItem(i)->GetIsSeparator() ? 1 : 0;
  width = cell.W();
  height = n > 0 ? static_cast<float>(n - 1) * mCellGap + static_cast<float>(n - k) * cell.H() +
                     static_cast<float>(k) * mSeparatorSize
                 : 0.0f;
}

IRECT IPopupMenuControl::GetLargestCellRectForMenu(IPopupMenu& menu, float x, float y) const
{
  IRECT span;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IRECT bounds;
    if (GetUI())
      GetUI()->MeasureText(mText, menu.GetItem(i)->GetText(), bounds);
    span = span.Union(bounds);
  }
  const float w = span.W() + 2.0f * mTextHPad + mTickSize + mArrowSize;
  return IRECT(x, y, x + w, y + span.H());
}

void IPopupMenuControl::Expand(const IRECT& A)
{
  Hide(false);
  mState = kExpanding;
  if (GetUI())
    GetUI()->UpdateTooltips();
  ClearPanels();
  mAnchorArea = A;

  float w = 0.0f, h = 0.0f;
  GetPanelDimensions(*mMenu, w, h);
  const IRECT& B = mMaxBounds;
  const float S = mDropShadowSize;
  const float minX = B.L + S, minY = B.T + S, maxX = B.R - w - 2.0f * S, maxY = B.B - h - 2.0f * S;
  const float c = mCallOut ? mCalloutArrowSize : 0.0f;
  const float t = mText.mSize;
  auto xFits = [&](float v) { return minX < v && v <= maxX; };
  auto yFits = [&](float v) { return minY < v && v <= maxY; };
  float x = 0.0f, y = 0.0f;

  auto beside = [&] {
    if (B.MW() >= A.MW())
    {
      x = A.R + c;
      mCalloutArrowBounds = IRECT(A.R, A.MH() - c / 2.0f, A.R + c, A.MH() + c / 2.0f);
      mCalloutArrowDir = 1;
    }
    else
    {
      x = A.L - c - w - S;
      mCalloutArrowBounds = IRECT(A.L - c, A.MH() - c / 2.0f, A.L, A.MH() + c / 2.0f);
      mCalloutArrowDir = 3;
    }
  };
  auto below = [&] {
    x = A.MW() - w / 2.0f;
    y = A.B + c;
    mCalloutArrowBounds = IRECT(A.MW() - c / 2.0f, A.B, A.MW() + c / 2.0f, A.B + c);
    mCalloutArrowDir = 2;
  };
  auto above = [&] {
    x = A.MW() - w / 2.0f;
    y = A.T - c - h - S;
    mCalloutArrowBounds = IRECT(A.MW() - c / 2.0f, A.T - c, A.MW() + c / 2.0f, A.T);
    mCalloutArrowDir = 0;
  };
  auto clampX = [&] {
    if (x <= minX)
      x = minX;
    if (x > maxX)
      x = maxX;
  };
  auto clampY = [&] {
    if (y <= minY)
      y = minY;
    if (y > maxY)
      y = maxY;
  };

  y = B.MH() >= A.MH() ? A.MH() - (c + t) : A.MH() - h + (c + t);
  beside();
  if (!(xFits(x) && yFits(y)))
  {
    if ((y <= minY || !xFits(x)) && B.MH() >= A.MH())
    {
      below();
      if (y > maxY)
        beside(), y = maxY;
    }
    if ((y > maxY || !xFits(x)) && A.MH() > B.MH())
    {
      above();
      if (y <= minY)
        beside(), y = minY;
    }
    clampX();
    clampY();
  }

  if (mPreferBelow && maxY >= A.B + c)
  {
    below();
    clampX();
  }

  if (mMenuHasSubmenu)
  {
    // Centred on the anchor, on its roomier side.
    mSubmenusOnRight = B.MW() >= A.MW();
    const bool downward = B.B - A.B >= A.T - B.T;
    downward ? below() : above();
    x = A.MW() - w / 2.0f + mRootPanelShift * (mSubmenusOnRight ? -1.0f : 1.0f);
    clampX();
    if (downward)
    {
      if (y > maxY)
        y = maxY;
      if (y <= minY)
        y = minY;
    }
    else
    {
      if (y <= minY)
        y = minY;
      if (y > maxY)
        y = maxY;
    }
  }

  // A panel larger than the bounds starts at their top left (and scrolls)
  // rather than above or left of them.
  x = std::max(x, minX);
  y = std::max(y, minY);
  mMenuPanels.push_back(std::make_unique<MenuPanel>(*this, *mMenu, x, y, -1));
  mAppearingMenuPanel = mActiveMenuPanel = mMenuPanels.back().get();
  SetTargetRECT(mActiveMenuPanel->mTargetRECT);
  SetRECT(mActiveMenuPanel->mRECT);
  SetDirty(true);
}

void IPopupMenuControl::AnimationStep(IControl* pCaller)
{
  auto* c = static_cast<IPopupMenuControl*>(pCaller);
  const double p = c->GetAnimationProgress();
  if (p > 1.0)
  {
    c->OnEndAnimation();
    return;
  }
  switch (c->mState)
  {
    case kExpanding:
      if (c->mAppearingMenuPanel)
        c->mAppearingMenuPanel->mBlend.mWeight = static_cast<float>(p) * c->mOpacity;
      break;
    case kSubMenuAppearing:
      if (c->mAppearingMenuPanel)
        c->mAppearingMenuPanel->mBlend.mWeight = p > 0.9 ? c->mOpacity : 0.0f;
      break;
    case kCollapsing:
      c->SetAllPanelsWeight(static_cast<float>(1.0 - p) * c->mOpacity);
      break;
    case kIdling:
      c->SetAllPanelsWeight(0.0f);
      break;
    default:
      break;
  }
}

void IPopupMenuControl::OnEndAnimation()
{
  switch (mState)
  {
    case kExpanding:
    case kSubMenuAppearing:
      SetAllPanelsWeight(mOpacity);
      mState = kExpanded;
      IControl::OnEndAnimation();
      break;
    case kFlickering:
      mState = kCollapsing;
      SetDirty(true);
      break;
    case kCollapsing:
      SetTargetRECT(mSpecifiedCollapsedBounds);
      SetAllPanelsWeight(0.0f);
      mMouseCellBounds = nullptr;
      mAnchorArea = IRECT();
      mState = kIdling;
      SetDirty(true);
      break;
    case kIdling:
      if (GetUI())
        GetUI()->UpdateTooltips();
      ClearPanels();
      SetRECT(mSpecifiedCollapsedBounds);
      mState = kCollapsed;
      Hide(true);
      IControl::OnEndAnimation();
      break;
    default:
      IControl::OnEndAnimation();
      break;
  }
}

void IPopupMenuControl::CollapseEverything()
{
  MenuPanel* panel = mActiveMenuPanel;
  IPopupMenu* pMenu = panel ? &panel->mMenu : mMenu;
  if (!pMenu)
    return;
  pMenu->SetChosenItemIdx(-1);
  if (panel)
  {
    const int cellIdx = panel->CellIndex(mMouseCellBounds);
    const IPopupMenu::Item* pItem = panel->ItemForCell(cellIdx);
    if (pItem && pItem->GetIsChoosable())
    {
      pMenu->SetChosenItemIdx(panel->mScrollItemOffset + cellIdx);
      panel->mClickedCell = mMouseCellBounds;
    }
  }
  // Either call may remove the menu's owner, which dismisses this menu
  // (mMenu null) and may free pMenu: nothing of it is touched after that.
  if (pMenu->GetFunction())
    pMenu->ExecFunction();
  if (!mMenu)
    return;
  if (GetUI())
    GetUI()->SetControlValueAfterPopupMenu(pMenu);
  if (!mMenu)
    return;
  mSubMenuOpened = false;
  mActiveMenuPanel = nullptr;
  mState = kFlickering;
  SetDirty(true);
}

void IPopupMenuControl::DismissPopupMenu()
{
  if (mState == kCollapsed)
    return;
  const bool unanswered = mState == kExpanding || mState == kExpanded || mState == kSubMenuAppearing;
  SetAnimation(nullptr, 0);
  ClearPanels();
  mMenu = nullptr;
  mSubMenuOpened = false;
  mAnchorArea = IRECT();
  mState = kCollapsed;
  SetTargetRECT(mSpecifiedCollapsedBounds);
  SetRECT(mSpecifiedCollapsedBounds);
  Hide(true);
  if (!GetUI())
    return;
  GetUI()->UpdateTooltips();
  GetUI()->SetAllControlsDirty(); // what the panels covered
  if (unanswered)
    GetUI()->SetControlValueAfterPopupMenu(nullptr);
}

// --- Mouse

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mState != kExpanded)
  {
    IControl::OnMouseDown(x, y, mod);
    return;
  }
  mMouseCellBounds = mActiveMenuPanel ? mActiveMenuPanel->HitTestCells(x, y) : nullptr;
  CollapseEverything();
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
  if (mActiveMenuPanel)
    mMouseCellBounds = mActiveMenuPanel->HitTestCells(x, y);
  SetDirty(false);
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod&)
{
  mMouseCellBounds = mActiveMenuPanel ? mActiveMenuPanel->HitTestCells(x, y) : nullptr;
  if (!mMouseCellBounds)
  {
    for (int i = NPanels() - 1; i >= 0; --i)
    {
      MenuPanel* panel = mMenuPanels[i].get();
      if (panel->mShouldDraw && panel->mRECT.Contains(x, y))
      {
        mActiveMenuPanel = panel;
        mMouseCellBounds = panel->HitTestCells(x, y);
        break;
      }
    }
  }
  CalculateMenuPanels(x, y);
  MenuPanel* active = mActiveMenuPanel;
  if (active && active->mScroller && mMouseCellBounds)
  {
    const int cellIdx = active->CellIndex(mMouseCellBounds);
    if (cellIdx == 0)
      active->ScrollUp();
    else if (cellIdx == active->NCells() - 1)
      active->ScrollDown();
  }
  SetDirty(false);
}

void IPopupMenuControl::CalculateMenuPanels(float, float)
{
  MenuPanel* active = mActiveMenuPanel;
  const int cellIdx = active ? active->CellIndex(mMouseCellBounds) : -1;
  if (cellIdx < 0)
  {
    SetDirty(false);
    return;
  }
  IRECT* cell = mMouseCellBounds;
  const IPopupMenu::Item* pItem = active->ItemForCell(cellIdx);
  const int activeIdx = PanelIndex(active);
  const float c = mCallOut ? mCalloutArrowSize : 0.0f;

  if (pItem && pItem->GetSubmenu())
  {
    IPopupMenu* pSub = pItem->GetSubmenu();
    MenuPanel* shown = nullptr;
    for (const auto& panel : mMenuPanels)
    {
      panel->mShouldDraw = &panel->mMenu == pSub;
      if (panel->mShouldDraw)
        shown = panel.get();
    }
    active->mHighlightedCell = pItem->GetEnabled() ? cell : nullptr;

    if (!shown)
    {
      float w = 0.0f, h = 0.0f;
      GetPanelDimensions(*pSub, w, h);
      const IRECT& B = mMaxBounds;
      const float S = mDropShadowSize;
      const float minX = B.L + S, minY = B.T + S, maxX = B.R - w - 2.0f * S, maxY = B.B - h - 2.0f * S;
      float y = 0.0f;
      if (mCalloutArrowDir == 2)
      {
        y = cell->T - mPadding;
        if (y > maxY)
          y = maxY;
        if (y <= minY)
          y = minY;
      }
      else if (mCalloutArrowDir == 0)
      {
        y = cell->T - mPadding / 2.0f - h + 2.0f * mCellGap + S;
        if (y <= minY)
          y = minY;
        if (y > maxY)
          y = maxY;
      }
      float x = mSubmenusOnRight ? cell->R + mPadding + c : cell->L - mPadding - c - w - S;
      if (x <= minX)
        x = minX;
      if (x > maxX)
        x = maxX;
      x = std::max(x, minX);
      y = std::max(y, minY);
      mMenuPanels.push_back(std::make_unique<MenuPanel>(*this, *pSub, x, y, activeIdx));
      shown = mMenuPanels.back().get();
    }

    for (int i = 0; i < NPanels(); ++i)
    {
      MenuPanel* p = mMenuPanels[i].get();
      if (!p->mShouldDraw)
        continue;
      IRECT outer = p->mRECT, body = p->mTargetRECT;
      // Parents always come earlier in the list.
      for (int q = p->mParentIdx, below = i; q >= 0 && q < below; below = q, q = mMenuPanels[q]->mParentIdx)
      {
        MenuPanel* parent = mMenuPanels[q].get();
        parent->mShouldDraw = true;
        outer = outer.Union(parent->mTargetRECT);
        body = body.Union(parent->mRECT);
        mSubMenuOpened = true;
        mSubMenuCalloutArrowBounds =
          mSubmenusOnRight ? IRECT(cell->R + mPadding, cell->MH() - c / 2.0f, cell->R + mPadding + c, cell->MH() + c / 2.0f)
                           : IRECT(cell->L - mPadding - c, cell->MH() - c / 2.0f, cell->L - mPadding, cell->MH() + c / 2.0f);
      }
      SetTargetRECT(GetTargetRECT().Union(body));
      SetRECT(GetRECT().Union(outer));
    }
    if (mAppearingMenuPanel != shown)
    {
      mState = kSubMenuAppearing;
      mAppearingMenuPanel = shown;
    }
    SetDirty(true);
  }
  else
  {
    // Hide the active panel's children and theirs in turn; children always
    // come after their parents in the list.
    std::vector<bool> hidden(mMenuPanels.size(), false);
    for (int i = 0; i < NPanels(); ++i)
    {
      const int parent = mMenuPanels[i]->mParentIdx;
      if (parent >= 0 && (parent == activeIdx || hidden[parent]))
      {
        hidden[i] = true;
        mMenuPanels[i]->mShouldDraw = false;
      }
    }
    active->mHighlightedCell = nullptr;
    mSubMenuOpened = false;
  }
  SetDirty(false);
}

// --- Drawing

void IPopupMenuControl::Draw(ICanvas& g)
{
  LOOM_ASSERT_MSG(mMenu != nullptr, "mMenu != nullptr");
  if (!mMenu)
    return;
  for (const auto& owned : mMenuPanels)
  {
    MenuPanel* panel = owned.get();
    if (!panel->mShouldDraw)
      continue;
    const IBlend* pBlend = &panel->mBlend;
    DrawPanelShadow(g, panel);
    DrawPanelBackground(g, panel);

    const int n = panel->mMenu.NItems(), m = panel->NCells();
    auto isSel = [&](const IRECT* r) { return r == mMouseCellBounds || r == panel->mHighlightedCell; };
    int first = 0, last = m - 1;
    // Only a scrolling panel has arrow cells. A panel laid out for fewer
    // items than its menu holds now (items added while it shows, perhaps to
    // a menu that had none) draws the cells it has.
    if (panel->mScroller && n > m && m > 0)
    {
      if (panel->mScrollItemOffset > 0)
      {
        const IRECT* r = panel->mCellBounds.front().get();
        DrawCellBackground(g, *r, nullptr, isSel(r), pBlend);
        DrawUpArrow(g, *r, isSel(r), pBlend);
        first = 1;
      }
      if (panel->mScrollItemOffset < n - m)
      {
        const IRECT* r = panel->mCellBounds.back().get();
        DrawCellBackground(g, *r, nullptr, isSel(r), pBlend);
        DrawDownArrow(g, *r, isSel(r), pBlend);
        last = m - 2;
      }
    }
    for (int i = first; i <= last; ++i)
    {
      const IPopupMenu::Item* pItem = panel->mMenu.GetItem(panel->mScrollItemOffset + i);
      if (!pItem)
        continue;
      const IRECT& r = *panel->mCellBounds[i];
      if (pItem->GetIsSeparator())
      {
        DrawSeparator(g, r, pBlend);
        continue;
      }
      const bool sel = isSel(&r);
      if (!(panel->mClickedCell && mState == kFlickering))
        DrawCellBackground(g, r, pItem, sel, pBlend);
      DrawCellText(g, r, pItem, sel, pBlend);
      if (pItem->GetChecked())
        DrawTick(g, r, pItem, sel, pBlend);
      if (pItem->GetSubmenu())
        DrawSubMenuArrow(g, r, pItem, sel, pBlend);
    }
  }

  if (mCallOut && !mMenuPanels.empty())
  {
    const IBlend* pRootBlend = &mMenuPanels.front()->mBlend;
    DrawCalloutArrow(g, mCalloutArrowBounds, pRootBlend);
    if (mMenuHasSubmenu && mSubMenuOpened)
      DrawSubMenuCalloutArrow(g, mSubMenuCalloutArrowBounds, pRootBlend);
  }
}

void IPopupMenuControl::DrawPanelShadow(ICanvas& g, MenuPanel* panel)
{
  g.DrawFastDropShadow(panel->mRECT.GetPadded(-mDropShadowSize), panel->mRECT, 2.0f, mRoundness, 10.0f,
                       &panel->mBlend);
}

void IPopupMenuControl::DrawPanelBackground(ICanvas& g, MenuPanel* panel)
{
  g.FillRoundRect(mPanelBackgroundColor, panel->mTargetRECT, mRoundness, &panel->mBlend);
}

void IPopupMenuControl::DrawCellBackground(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item*, bool sel,
                                           const IBlend* pBlend)
{
  if (sel)
    g.FillRect(mCellHighlightColor, bounds.GetHPadded(mPadding), pBlend);
}

void IPopupMenuControl::DrawCellText(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                     const IBlend* pBlend)
{
  const IRECT tick = SquareCentredIn(IRECT(bounds.L, bounds.T, bounds.L + mTickSize, bounds.B), mTickSize);
  const IRECT textRect(tick.R + mTextHPad, bounds.T, bounds.R - mTextHPad, bounds.B);
  mText.mFGColor = sel ? mTextHighlightColor : (pItem->GetEnabled() ? mTextColor : mDisabledTextColor);
  mText.mAlign = EAlign::Near;
  g.DrawText(mText, pItem->GetText(), textRect, pBlend);
}

void IPopupMenuControl::DrawTick(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item*, bool sel,
                                 const IBlend* pBlend)
{
  const IRECT tick = SquareCentredIn(IRECT(bounds.L, bounds.T, bounds.L + mTickSize, bounds.B), mTickSize);
  g.FillRoundRect(sel ? mTextHighlightColor : mTextColor, SquareCentredIn(tick, mTickSize / 2.0f), 2.0f, pBlend);
}

void IPopupMenuControl::DrawSubMenuArrow(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item*, bool sel,
                                         const IBlend* pBlend)
{
  const float side = bounds.H();
  const IRECT sq = mSubmenusOnRight
                     ? IRECT(bounds.R + mPadding / 2.0f - side, bounds.T, bounds.R + mPadding / 2.0f, bounds.B)
                     : IRECT(bounds.L - mPadding / 2.0f, bounds.T, bounds.L - mPadding / 2.0f + side, bounds.B);
  const float s = sq.W() / 2.0f, mh = sq.MH();
  const IColor& color = sel ? mTextHighlightColor : mTextColor;
  if (mSubmenusOnRight)
    g.FillTriangle(color, sq.R - s, mh - s / 2.0f, sq.R, mh, sq.R - s, mh + s / 2.0f, pBlend);
  else
    g.FillTriangle(color, sq.L + s, mh - s / 2.0f, sq.L, mh, sq.L + s, mh + s / 2.0f, pBlend);
}

void IPopupMenuControl::DrawUpArrow(ICanvas& g, const IRECT& bounds, bool sel, const IBlend* pBlend)
{
  const IRECT sq = SquareCentredIn(bounds, bounds.H());
  const float a = 0.6f * sq.W(), mw = sq.MW(), mh = sq.MH();
  g.FillTriangle(sel ? mTextHighlightColor : mTextColor, mw - a / 2.0f, mh + a / 2.0f, mw + a / 2.0f, mh + a / 2.0f,
                 mw, mh - a / 2.0f, pBlend);
}

void IPopupMenuControl::DrawDownArrow(ICanvas& g, const IRECT& bounds, bool sel, const IBlend* pBlend)
{
  const IRECT sq = SquareCentredIn(bounds, bounds.H());
  const float a = 0.6f * sq.W(), mw = sq.MW(), mh = sq.MH();
  g.FillTriangle(sel ? mTextHighlightColor : mTextColor, mw - a / 2.0f, mh - a / 2.0f, mw + a / 2.0f, mh - a / 2.0f,
                 mw, mh + a / 2.0f, pBlend);
}

void IPopupMenuControl::DrawSeparator(ICanvas& g, const IRECT& bounds, const IBlend* pBlend)
{
  if (pBlend && pBlend->mWeight > 0.9f)
    g.FillRect(mSeparatorColor, bounds, &BLEND_25);
}

void IPopupMenuControl::DrawCalloutArrow(ICanvas& g, const IRECT& bounds, const IBlend* pBlend)
{
  const float h = bounds.H(), mw = bounds.MW(), mh = bounds.MH(), d = h / 2.0f;
  switch (mCalloutArrowDir)
  {
    case 0: g.FillTriangle(mPanelBackgroundColor, mw - d, mh - d, mw + d, mh - d, mw, mh + d, pBlend); break;
    case 1: g.FillTriangle(mPanelBackgroundColor, mw + d, mh + d, mw + d, mh - d, mw - d, mh, pBlend); break;
    case 2: g.FillTriangle(mPanelBackgroundColor, mw - d, mh + d, mw + d, mh + d, mw, mh - d, pBlend); break;
    case 3: g.FillTriangle(mPanelBackgroundColor, mw - d, mh + d, mw - d, mh - d, mw + d, mh, pBlend); break;
    default: g.FillTriangle(mPanelBackgroundColor, 0, 0, 0, 0, 0, 0, pBlend); break;
  }
}

void IPopupMenuControl::DrawSubMenuCalloutArrow(ICanvas& g, const IRECT& bounds, const IBlend* pBlend)
{
  const float mw = bounds.MW(), mh = bounds.MH(), d = bounds.H() / 2.0f;
  if (mSubmenusOnRight)
    g.FillTriangle(mPanelBackgroundColor, mw + d, mh + d, mw + d, mh - d, mw - d, mh, pBlend);
  else
    g.FillTriangle(mPanelBackgroundColor, mw - d, mh + d, mw - d, mh - d, mw + d, mh, pBlend);
}

// --- Helpers

void IPopupMenuControl::ClearPanels()
{
  mMenuPanels.clear();
  mActiveMenuPanel = nullptr;
  mAppearingMenuPanel = nullptr;
  mMouseCellBounds = nullptr;
}

void IPopupMenuControl::SetAllPanelsWeight(float weight)
{
  for (const auto& panel : mMenuPanels)
    panel->mBlend.mWeight = weight;
}

int IPopupMenuControl::PanelIndex(const MenuPanel* panel) const
{
  for (int i = 0; i < NPanels(); ++i)
  {
    if (mMenuPanels[i].get() == panel)
      return i;
  }
  return -1;
}

} // namespace weft::canvas
