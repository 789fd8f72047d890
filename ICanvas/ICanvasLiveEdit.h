#pragma once
// ICanvasLiveEdit: the layout editor laid over a running editor. While the
// drawing context holds it, it takes every pointer and key event and lets
// the developer select (click, shift-click, rubber band), move and resize
// (bottom-right handle) controls on a snapping grid, add a placeholder
// (alt-drag or the menu on empty space) and delete controls (the menu on a
// control, backspace or delete on the selection).

#include "IControl.h"
#include "IPopupMenu.h"

#include <functional>
#include <vector>

namespace weft::canvas {

class ICanvasLiveEdit : public IControl
{
public:
  // Makes the placeholder box that "Add Place Holder" and alt-drags attach;
  // a PlaceHolder unless set.
  using PlaceHolderFunc = std::function<IControl*(const IRECT& bounds, const char* str)>;

  // mouseOversEnabled: the context's mouse-over flag, restored on
  // destruction.
  explicit ICanvasLiveEdit(bool mouseOversEnabled);
  ~ICanvasLiveEdit() override;

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float, float, const IMouseMod&) override {}
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;
  void OnInit() override;
  void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx) override;
  void Draw(ICanvas& g) override;
  bool IsDirty() override { return true; }

  // Pixels; rounds to the grid when the grid is above 1.
  float SnapToGrid(float v) const;
  // The 10-pixel square inside r's bottom-right corner.
  static IRECT GetHandleRect(const IRECT& r) { return IRECT(r.R - 10.0f, r.B - 10.0f, r.R, r.B); }
  void SetGridSize(float gridSize) { mGridSize = gridSize; }
  void SetPlaceHolderFunc(PlaceHolderFunc func) { mPlaceHolderFunc = std::move(func); }
  const std::vector<IControl*>& GetSelection() const { return mSelectedControls; }
  const IRECT& GetDragRegion() const { return mDragRegion; }
  // Drops pControl from the selection (the context is removing it).
  void Deselect(IControl* pControl);

private:
  // Attaches a placeholder over bounds; null without a placeholder maker.
  IControl* AddPlaceHolder(const IRECT& bounds);
  void Select(IControl* pControl);

  IPopupMenu mRightClickOutsideControlMenu{"Outside Control", {"Add Place Holder"}};
  IPopupMenu mRightClickOnControlMenu{"On Control", {"Delete Control"}};
  bool mMouseOversEnabled;
  bool mMouseClickedOnResizeHandle = false;
  std::vector<IControl*> mSelectedControls; // not owned
  IColor mGridColor = COLOR_WHITE;
  IColor mRectColor = COLOR_WHITE;
  IRECT mMouseDownRECT;
  IRECT mMouseDownTargetRECT;
  IRECT mDragRegion;
  float mGridSize = 10.0f;
  int mClickedOnControl = -1;
  PlaceHolderFunc mPlaceHolderFunc;
};

} // namespace weft::canvas
