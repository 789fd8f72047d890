#include "IRECT.h"

#include "IBitmap.h"

namespace weft::canvas {

IRECT::IRECT(float x, float y, const IBitmap& bitmap)
: IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH()))
{}

IRECT IRECT::GetCentredInside(const IBitmap& bitmap) const
{
  return GetCentredInside(IRECT(0.0f, 0.0f, static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH())));
}

IRECT IRECT::GetGridCell(int cellIndex, int nRows, int nColumns, EDirection dir, int nCells) const
{
  LOOM_ASSERT_MSG(cellIndex <= nRows * nColumns, "cellIndex <= nRows * nColumns");
  if (cellIndex < 0 || cellIndex >= nRows * nColumns)
    return *this;

  // Horizontal numbering runs row by row, vertical column by column.
  const bool horizontal = dir == EDirection::Horizontal;
  const int row = horizontal ? cellIndex / nColumns : cellIndex % nRows;
  const int col = horizontal ? cellIndex % nColumns : cellIndex / nRows;

  if (horizontal)
  {
    const IRECT band = SubRectVertical(nRows, row);
    IRECT cell = band.SubRectHorizontal(nColumns, col);
    for (int k = 1; k < nCells && col + k < nColumns; ++k)
      cell = cell.Union(band.SubRectHorizontal(nColumns, col + k));
    return cell;
  }
  const IRECT column = SubRectHorizontal(nColumns, col);
  IRECT cell = column.SubRectVertical(nRows, row);
  for (int k = 1; k < nCells && row + k < nRows; ++k)
    cell = cell.Union(column.SubRectVertical(nRows, row + k));
  return cell;
}

} // namespace weft::canvas
