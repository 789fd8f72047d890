#include "IVColorSwatchControl.h"

#include "ICanvas.h"
#include "LOOM_Assert.h"

namespace weft::canvas {

IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, ColorChosenFunc func,
                                           const IVStyle& style, ECellLayout layout,
                                           const std::vector<EVColor>& colorIDs,
                                           const std::vector<const char*>& labelsForIDs)
: IControl(bounds)
, IVectorBase(style, false, false)
, mColorChosenFunc(std::move(func))
, mLayout(layout)
, mColorIdForCells(colorIDs)
{
  LOOM_ASSERT_MSG(colorIDs.size() == labelsForIDs.size(), "colorIDs.size() == labelsForIDs.size()");
  AttachIControl(this, label);
  mCellRects.Resize(NCells());
  for (int i = 0; i < NCells(); ++i)
    mCellRects.Get()[i] = IRECT();
  mText.mAlign = EAlign::Far;
  mStyle.valueText.mAlign = EAlign::Far;
  // Missing labels read as none.
  for (size_t i = 0; i < colorIDs.size(); ++i)
    mLabels.Add(new LOOM_String(i < labelsForIDs.size() && labelsForIDs[i] ? labelsForIDs[i] : ""));
}

IVColorSwatchControl::~IVColorSwatchControl() { mLabels.Empty(true); }

void IVColorSwatchControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT, true);
  const int n = NCells();
  int rows = 3, columns = 3;
  if (mLayout == ECellLayout::kHorizontal)
    rows = 1, columns = n;
  else if (mLayout == ECellLayout::kVertical)
    rows = n, columns = 1;
  for (int i = 0; i < n; ++i)
    mCellRects.Get()[i] = mWidgetBounds.GetGridCell(i, rows, columns, EDirection::Horizontal, 1).GetPadded(-2.0f);
  SetDirty(false);
}

void IVColorSwatchControl::Draw(ICanvas& g)
{
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(ICanvas& g)
{
  for (int i = 0; i < NCells(); ++i)
  {
    const IRECT cell = mCellRects.Get()[i];
    const char* label = mLabels.Get(i)->Get();
    const bool hasLabel = label[0] != '\0';
    const IRECT swatch = cell.FracRectHorizontal(hasLabel ? 0.25f : 1.0f, true);
    g.FillRect(GetColor(mColorIdForCells[static_cast<size_t>(i)]), swatch, &mBlend);
    g.DrawRect(i == mCellOver ? COLOR_GRAY : COLOR_DARK_GRAY, swatch.GetPadded(0.5f), &mBlend, 1.0f);
    if (hasLabel)
      g.DrawText(mStyle.valueText, label, cell.FracRectHorizontal(0.7f), &mBlend);
  }
}

int IVColorSwatchControl::CellForPos(float x, float y) const
{
  for (int i = 0; i < NCells(); ++i)
    if (mCellRects.Get()[i].Contains(x, y))
      return i;
  return -1;
}

void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod&)
{
  mCellOver = CellForPos(x, y);
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseOut()
{
  mCellOver = -1;
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod&)
{
  const int k = CellForPos(x, y);
  if (k < 0 || !GetUI())
    return;
  const EVColor id = mColorIdForCells[static_cast<size_t>(k)];
  IColor color = GetColor(id);
  GetUI()->PromptForColor(color, "Choose a color", [this, k, id](const IColor& c) {
    SetColor(id, c);
    if (mColorChosenFunc)
      mColorChosenFunc(k, c);
  });
}

} // namespace weft::canvas
