// Base bodies of the context's text and bitmap drawing: one line of text
// with its rotation and alignment, bitmap frames, fitted and rotated
// bitmaps, and text from a bitmap font strip. Rotation and scaling go
// through the path transform, saved and restored around each operation.

#include "ICanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace weft::canvas {

// --- Text

float ICanvas::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || str[0] == '\0')
    return 0.0f;
  return DoMeasureText(text, str, bounds);
}

void ICanvas::DrawMultiLineText(const IText& text, const char*, const IRECT& bounds, const IBlend* pBlend)
{
  DrawText(text, "Unsupported", bounds, pBlend);
}

void ICanvas::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (!str || str[0] == '\0')
    return;
  DoDrawText(text, str, bounds, pBlend);
}

void ICanvas::DrawText(const IText& text, const char* str, float x, float y, const IBlend* pBlend)
{
  DrawText(text, str, IRECT(x, y, x, y), pBlend);
}

void ICanvas::CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                    double& ty) const
{
  if (text.mAngle == 0.0f)
    return;

  IMatrix m;
  m.Rotate(text.mAngle);
  const double corners[4][2] = {{rect.L, rect.T}, {rect.R, rect.T}, {rect.R, rect.B}, {rect.L, rect.B}};
  double x0 = 0.0, y0 = 0.0;
  m.TransformPoint(x0, y0, corners[0][0], corners[0][1]);
  double l = x0, r = x0, t = y0, b = y0;
  // The bounding box of all four turned corners: any pair of opposite
  // corners may be the extreme one after the turn.
  for (int i = 1; i < 4; ++i)
  {
    double x = 0.0, y = 0.0;
    m.TransformPoint(x, y, corners[i][0], corners[i][1]);
    l = std::min(l, x);
    r = std::max(r, x);
    t = std::min(t, y);
    b = std::max(b, y);
  }
  rect = IRECT(static_cast<float>(l), static_cast<float>(t), static_cast<float>(r), static_cast<float>(b));

  switch (text.mAlign)
  {
    case EAlign::Near: tx = bounds.L - rect.L; break;
    case EAlign::Center: tx = bounds.MW() - rect.MW(); break;
    case EAlign::Far: tx = bounds.R - rect.R; break;
  }
  switch (text.mVAlign)
  {
    case EVAlign::Top: ty = bounds.T - rect.T; break;
    case EVAlign::Middle: ty = bounds.MH() - rect.MH(); break;
    case EVAlign::Bottom: ty = bounds.B - rect.B; break;
  }
}

void ICanvas::DoMeasureTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  double tx = 0.0, ty = 0.0;
  CalculateTextRotation(text, bounds, rect, tx, ty);
  rect.Translate(static_cast<float>(tx), static_cast<float>(ty));
}

void ICanvas::DoTextRotation(const IText& text, const IRECT& bounds, const IRECT& rect)
{
  if (text.mAngle == 0.0f)
    return;
  IRECT rotated = rect;
  double tx = 0.0, ty = 0.0;
  CalculateTextRotation(text, bounds, rotated, tx, ty);
  PathTransformTranslate(static_cast<float>(tx), static_cast<float>(ty));
  PathTransformRotate(text.mAngle);
}

// --- Bitmaps

void ICanvas::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* pBlend)
{
  const int n = bitmap.N();
  const int i = std::max(1, std::min(frame, n));
  int srcX = 0;
  int srcY = 0;
  if (n > 1 && i > 1)
  {
    if (bitmap.GetFramesAreHorizontal())
      srcX = bitmap.W() * (i - 1) / n;
    else
      srcY = bitmap.H() * (i - 1) / n;
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, pBlend);
}

void ICanvas::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend)
{
  if (bitmap.W() <= 0 || bitmap.H() <= 0)
    return; // nothing loaded: no finite scale to fit it with
  const float w = static_cast<float>(bitmap.W());
  const float h = static_cast<float>(bitmap.H());
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(bitmap, IRECT(0.0f, 0.0f, w, h), 0, 0, pBlend);
  PathTransformRestore();
}

void ICanvas::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                const IBlend* pBlend)
{
  const float drawScale = bitmap.GetDrawScale();
  if (!(drawScale > 0.0f))
    return; // nothing loaded: its size in points is unknown
  const float w = static_cast<float>(bitmap.W()) / drawScale;
  const float h = static_cast<float>(bitmap.H()) / drawScale;
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawBitmap(bitmap, IRECT(-w / 2.0f, -h / 2.0f, w / 2.0f, h / 2.0f), 0, 0, pBlend);
  PathTransformRestore();
}

void ICanvas::DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, IText& text, const IBlend* pBlend,
                               const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                               int charOffset)
{
  if (!str || str[0] == '\0' || charWidth <= 0)
    return;

  const int len = static_cast<int>(std::strlen(str));
  const int stringWidth = len * charWidth;
  const float baseY = vCenter ? bounds.T + (bounds.H() - static_cast<float>(charHeight)) / 2.0f : bounds.T;
  float baseX = bounds.L;
  if (text.mAlign == EAlign::Center)
    baseX = bounds.L + (bounds.W() - static_cast<float>(stringWidth)) / 2.0f;
  else if (text.mAlign == EAlign::Far)
    baseX = bounds.R - static_cast<float>(stringWidth);

  const int cellsInWidth = static_cast<int>(bounds.W() / static_cast<float>(charWidth));
  int perLine = cellsInWidth;
  int lines = 1;
  if (multiline)
  {
    if (static_cast<float>(stringWidth) > bounds.W())
      lines = perLine > 0 ? (len + perLine - 1) / perLine : 0; // every character gets a cell
    else
      perLine = len;
  }

  int idx = 0;
  for (int line = 0; line < lines; ++line)
  {
    const float y = baseY + static_cast<float>(line * charHeight);
    for (int pos = 0; pos < perLine; ++pos)
    {
      if (str[idx] == '\0')
        return;
      const int frame = static_cast<int>(static_cast<signed char>(str[idx])) - 31;
      const float x = static_cast<float>(pos * (charWidth + charOffset)) + baseX;
      DrawBitmap(bitmap, IRECT(x, y, x + static_cast<float>(charWidth), y + static_cast<float>(charHeight)), frame,
                 pBlend);
      ++idx;
    }
  }
}

} // namespace weft::canvas
