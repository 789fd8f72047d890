#pragma once
// IPopupMenuControl: an IPopupMenu shown inside the editor window. Each open
// menu level is a MenuPanel, a rounded panel with a drop shadow holding one
// cell per item; a menu too tall for its bounds scrolls, or breaks into
// columns when scrolling is off. The control fades a panel in, opens submenu
// panels beside the hovered cell, and after a click flickers the chosen cell,
// fades out and idles before a new menu may open.
//
// States: 0 collapsed, 1 expanding, 2 expanded, 3 collapsing, 4 flickering,
// 5 submenu appearing, 6 idling. The drawing context routes every pointer
// event here while the state is 2.
//
// Threads: main (UI) thread only.

#include "IOverlayControlBases.h"
#include "IPopupMenu.h"

#include <memory>
#include <vector>

namespace weft::canvas {

class IPopupMenuControl : public IPopupMenuControlBase
{
public:
  // One open menu level.
  class MenuPanel
  {
  public:
    // Lays out one cell per item of menu (as many as fit when it scrolls),
    // starting at (x, y).
    MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIdx);

    float CellWidth() const { return mSingleCellBounds.W(); }
    float CellHeight() const { return mSingleCellBounds.H(); }
    int NCells() const { return static_cast<int>(mCellBounds.size()); }
    int CellIndex(const IRECT* pCell) const;
    // The first cell containing the point whose item is enabled (an arrow
    // cell of a scroller always counts); null for none.
    IRECT* HitTestCells(float x, float y) const;
    // True for the first or last cell while it shows a scroll arrow.
    bool IsArrowCell(int cellIdx) const;
    // The item shown in the cell; null for an arrow cell or past the items.
    IPopupMenu::Item* ItemForCell(int cellIdx) const;
    void ScrollUp();
    void ScrollDown();

    IPopupMenu& mMenu;
    std::vector<std::unique_ptr<IRECT>> mCellBounds;
    IRECT mRECT;
    IRECT mTargetRECT;
    int mScrollMaxRows = 0;
    bool mShouldDraw = true;
    IBlend mBlend{EBlend::SrcOver, 0.0f};
    IRECT mSingleCellBounds;
    IRECT* mHighlightedCell = nullptr;
    IRECT* mClickedCell = nullptr;
    int mParentIdx = -1;
    bool mScroller = false;
    int mScrollItemOffset = 0;

  private:
    void AddCell(float left, float top, float w, float h) { mCellBounds.push_back(std::make_unique<IRECT>(left, top, left + w, top + h)); }
  };

  IPopupMenuControl(int paramIdx = kNoParameter, const IText& text = DEFAULT_TEXT,
                    const IRECT& collapsedBounds = IRECT(), const IRECT& expandedBounds = IRECT());
  ~IPopupMenuControl() override;

  // --- Added virtual operations, in slot order.
  virtual void DrawCalloutArrow(ICanvas& g, const IRECT& bounds, const IBlend* pBlend);
  virtual void DrawSubMenuCalloutArrow(ICanvas& g, const IRECT& bounds, const IBlend* pBlend);
  virtual void DrawPanelBackground(ICanvas& g, MenuPanel* panel);
  virtual void DrawPanelShadow(ICanvas& g, MenuPanel* panel);
  virtual void DrawCellBackground(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                  const IBlend* pBlend);
  virtual void DrawCellText(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                            const IBlend* pBlend);
  virtual void DrawTick(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                        const IBlend* pBlend);
  virtual void DrawSubMenuArrow(ICanvas& g, const IRECT& bounds, const IPopupMenu::Item* pItem, bool sel,
                                const IBlend* pBlend);
  virtual void DrawUpArrow(ICanvas& g, const IRECT& bounds, bool sel, const IBlend* pBlend);
  virtual void DrawDownArrow(ICanvas& g, const IRECT& bounds, bool sel, const IBlend* pBlend);
  virtual void DrawSeparator(ICanvas& g, const IRECT& bounds, const IBlend* pBlend);
  // A click while expanded: chooses the item under the mouse (if any),
  // hands the menu to the drawing context and starts the flicker.
  virtual void CollapseEverything();

  // --- IControl
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float, float, const IMouseMod&, float) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override { mMouseCellBounds = nullptr; }
  void Draw(ICanvas& g) override;
  void OnEndAnimation() override;

  // --- IPopupMenuControlBase. A menu asked for while the state is not 0 is
  // ignored.
  void CreatePopupMenu(IPopupMenu& menu, const IRECT& anchorArea) override;
  int GetState() const override { return mState; }
  bool GetExpanded() const override { return mState == kExpanded; }
  // Closes without the flicker and fade-out; GetMenu is null afterwards.
  void DismissPopupMenu() override;

  // Width of the largest cell, and the stacked height of all cells with
  // their gaps (separators mSeparatorSize high).
  void GetPanelDimensions(IPopupMenu& menu, float& width, float& height) const;
  // The widest item text plus margins, tick and arrow room, at (x, y).
  IRECT GetLargestCellRectForMenu(IPopupMenu& menu, float x, float y) const;
  // Shows or builds the submenu panel of the hovered cell, or hides the
  // active panel's children over a plain item.
  void CalculateMenuPanels(float x, float y);

  // --- Configuration
  void SetMaxBounds(const IRECT& bounds) { mMaxBounds = bounds; }
  void SetCallout(bool callout) { mCallOut = callout; }
  void SetMaxColumnItems(int n) { mMaxColumnItems = n; }
  void SetScrollIfTooBig(bool scroll) { mScrollIfTooBig = scroll; }
  void SetPreferBelow(bool below) { mPreferBelow = below; }

  // --- Read-only views for subclasses and inspection
  int NPanels() const { return static_cast<int>(mMenuPanels.size()); }
  MenuPanel* GetPanel(int idx) const { return idx >= 0 && idx < NPanels() ? mMenuPanels[idx].get() : nullptr; }
  MenuPanel* GetActivePanel() const { return mActiveMenuPanel; }
  IPopupMenu* GetMenu() const { return mMenu; }
  const IRECT& GetCalloutArrowBounds() const { return mCalloutArrowBounds; }
  int GetCalloutArrowDir() const { return mCalloutArrowDir; }
  bool GetSubmenusOnRight() const { return mSubmenusOnRight; }

  enum EState
  {
    kCollapsed = 0,
    kExpanding,
    kExpanded,
    kCollapsing,
    kFlickering,
    kSubMenuAppearing,
    kIdling
  };

protected:
  // Places the root panel around the anchor area and starts the fade-in.
  void Expand(const IRECT& anchorArea);
  // The animation step of every state.
  static void AnimationStep(IControl* pCaller);
  void ClearPanels();
  void SetAllPanelsWeight(float weight);
  int PanelIndex(const MenuPanel* panel) const;

  std::vector<std::unique_ptr<MenuPanel>> mMenuPanels;
  MenuPanel* mActiveMenuPanel = nullptr;
  MenuPanel* mAppearingMenuPanel = nullptr;
  int mState = kCollapsed;
  IRECT* mMouseCellBounds = nullptr;
  IPopupMenu* mMenu = nullptr;
  int mMaxColumnItems = 0;
  bool mScrollIfTooBig = true;
  bool mCallOut = false;
  bool mMenuHasSubmenu = false;
  bool mPreferBelow = true;
  bool mSubmenusOnRight = true;
  bool mSubMenuOpened = false;
  float mCellGap = 2.0f;
  float mSeparatorSize = 2.0f;
  float mRoundness = 5.0f;
  float mDropShadowSize = 10.0f;
  float mOpacity = 0.95f;
  float mRootPanelShift = 0.0f;
  float mTextHPad = 5.0f;
  float mTickSize = 10.0f;
  float mArrowSize = 8.0f;
  float mPadding = 5.0f;
  float mCalloutArrowSize = 8.0f;
  IRECT mAnchorArea;
  int mCalloutArrowDir = 1;
  IRECT mCalloutArrowBounds;
  IRECT mSubMenuCalloutArrowBounds;
  IRECT mMaxBounds;
  IColor mPanelBackgroundColor = COLOR_WHITE;
  IColor mCellHighlightColor = COLOR_BLUE;
  IColor mTextHighlightColor = COLOR_WHITE;
  IColor mTextColor = COLOR_BLACK;
  IColor mDisabledTextColor = COLOR_GRAY;
  IColor mSeparatorColor = COLOR_MID_GRAY;
  IRECT mSpecifiedCollapsedBounds;
  IRECT mSpecifiedExpandedBounds;
};

} // namespace weft::canvas
