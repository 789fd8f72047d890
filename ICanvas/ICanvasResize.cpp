// Draw scale, screen scale and size changes, and the corner drag.

#include "ICanvas.h"

#include "IGEditorDelegate.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <cmath>

namespace weft::canvas {

void ICanvas::SetScreenScale(float scale)
{
  mScreenScale = scale;
  const int windowWidth = static_cast<int>(static_cast<float>(WindowWidth()) * GetPlatformWindowScale());
  const int windowHeight = static_cast<int>(static_cast<float>(WindowHeight()) * GetPlatformWindowScale());
  LOOM_ASSERT_MSG(windowWidth > 0 && windowHeight > 0, "Window dimensions invalid");

  const bool parentResized = mDelegate.EditorResizeFromUI(windowWidth, windowHeight, true);
  PlatformResize(parentResized);
  ForAllControls(&IControl::OnRescale);
  SetAllControlsDirty();
  DrawResize();
}

void ICanvas::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  if (!std::isfinite(scale))
    scale = mDrawScale;
  mDelegate.ConstrainEditorResize(w, h);
  scale = std::min(std::max(scale, mMinScale), mMaxScale);
  if (w == mWidth && h == mHeight && scale == mDrawScale)
    return;

  ReleaseMouseCapture();
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;
  if (mCornerResizer)
    mCornerResizer->OnRescale();

  const int windowWidth = static_cast<int>(static_cast<float>(WindowWidth()) * GetPlatformWindowScale());
  const int windowHeight = static_cast<int>(static_cast<float>(WindowHeight()) * GetPlatformWindowScale());
  PlatformResize(mDelegate.EditorResizeFromUI(windowWidth, windowHeight, needsPlatformResize));
  ForAllControls(&IControl::OnResize);
  SetAllControlsDirty();
  DrawResize();

  if (mLayoutOnResize)
    mDelegate.LayoutUI(this);
}

void ICanvas::SetScaleConstraints(float lo, float hi)
{
  if (!std::isfinite(lo) || !std::isfinite(hi))
    return;
  mMinScale = std::min(lo, hi);
  mMaxScale = std::max(lo, hi);
}

void ICanvas::OnDragResize(float x, float y)
{
  if (mGUISizeMode != EUIResizerMode::Scale)
  {
    Resize(static_cast<int>(x), static_cast<int>(y), mDrawScale, true);
    return;
  }
  const float scaleX = x * mDrawScale / mMouseDownX;
  const float scaleY = y * mDrawScale / mMouseDownY;
  Resize(mWidth, mHeight, std::min(scaleX, scaleY), true);
}

void ICanvas::EndDragResize()
{
  mResizingInProcess = false;
  if (mGUISizeMode != EUIResizerMode::Scale)
  {
    if (mCornerResizer)
      mCornerResizer->SetDirty(false, kNoValIdx);
    return;
  }
  ForAllControls(&IControl::OnRescale);
  SetAllControlsDirty();
}

} // namespace weft::canvas
