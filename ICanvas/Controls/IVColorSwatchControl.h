#pragma once
// IVColorSwatchControl: shows some of its own style colours as clickable
// swatches, each with an optional label. A click asks the platform for a
// colour; the answer is written into the control's style and reported to
// the callback with the cell's index. Not bound to a parameter.

#include "IControl.h"
#include "IVectorBase.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_PtrList.h"

#include <functional>
#include <vector>

namespace weft::canvas {

class IVColorSwatchControl : public IControl, public IVectorBase
{
public:
  using ColorChosenFunc = std::function<void(int cellIdx, IColor color)>;
  enum class ECellLayout
  {
    kGrid = 0,
    kHorizontal,
    kVertical
  };

  // One label per colour identifier (an empty label: none).
  IVColorSwatchControl(const IRECT& bounds, const char* label = "", ColorChosenFunc func = nullptr,
                       const IVStyle& style = DEFAULT_STYLE, ECellLayout layout = ECellLayout::kGrid,
                       const std::vector<EVColor>& colorIDs = {kBG, kFG, kPR, kFR, kHL, kSH, kX1, kX2, kX3},
                       const std::vector<const char*>& labelsForIDs = {"", "", "", "", "", "", "", "", ""});
  ~IVColorSwatchControl() override;

  void DrawWidget(ICanvas& g) override;
  void Draw(ICanvas& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;

  int NCells() const { return static_cast<int>(mColorIdForCells.size()); }
  IRECT GetCellBounds(int cellIdx) const { return mCellRects.Get()[cellIdx]; }
  int GetMouseOverCell() const { return mCellOver; }

private:
  int CellForPos(float x, float y) const;

  ColorChosenFunc mColorChosenFunc;
  int mCellOver = -1;
  ECellLayout mLayout;
  LOOM_TypedBuf<IRECT> mCellRects;
  LOOM_PtrList<LOOM_String> mLabels; // owned
  std::vector<EVColor> mColorIdForCells;
};

} // namespace weft::canvas
