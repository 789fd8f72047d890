// ICanvasVector: conversions onto the renderer, the frame cycle through the
// main target, layers as offscreen targets with deferred deletion, and the
// path operations.

#include "ICanvasVector.h"

#include <cmath>
#include <cstdio>

// The GPU backend's creation and deletion of a renderer context on a view's
// layer, supplied by the backend the platform layer links.
VGcontext* vgCreateMTL(void* layer, int flags);
void vgDeleteMTL(VGcontext* ctx);

namespace weft::canvas {

namespace {

// Anti-aliased edges, three frames in flight.
constexpr int kRendererFlags = VG_ANTIALIAS | VG_TRIPLE_BUFFER;

} // namespace

// --- Conversions

VGcolor VectorColor(const IColor& color, const IBlend* pBlend)
{
  return vgRGBAf(static_cast<float>(color.R) / 255.0f, static_cast<float>(color.G) / 255.0f,
                 static_cast<float>(color.B) / 255.0f, BlendWeight(pBlend) * static_cast<float>(color.A) / 255.0f);
}

void VectorRect(VGcontext* vg, const IRECT& r) { vgRect(vg, r.L, r.T, r.W(), r.H()); }

void VectorSetBlendMode(VGcontext* vg, const IBlend* pBlend)
{
  if (!pBlend)
  {
    vgGlobalCompositeOperation(vg, VG_SOURCE_OVER);
    return;
  }
  const int method = static_cast<int>(pBlend->mMethod);
  if (method >= static_cast<int>(EBlend::SrcOver) && method <= static_cast<int>(EBlend::DstAtop))
    vgGlobalCompositeOperation(vg, method); // same order as the renderer's first eight
  else if (pBlend->mMethod == EBlend::Add)
    vgGlobalCompositeBlendFunc(vg, VG_SRC_ALPHA, VG_DST_ALPHA);
  else if (pBlend->mMethod == EBlend::XOR)
    vgGlobalCompositeOperation(vg, VG_XOR);
}

VGpaint VectorPaint(VGcontext* vg, const IPattern& pattern, const IBlend* pBlend)
{
  LOOM_ASSERT_MSG(pattern.NStops() > 0, "pattern.NStops() > 0");
  if (pattern.NStops() <= 0)
    return vgLinearGradient(vg, 0, 0, 0, 1, VectorColor(COLOR_TRANSPARENT), VectorColor(COLOR_TRANSPARENT));

  const IColorStop& first = pattern.GetStop(0);
  const IColorStop& last = pattern.GetStop(pattern.NStops() - 1);
  const VGcolor inner = VectorColor(first.mColor, pBlend);
  const VGcolor outer = VectorColor(last.mColor, pBlend);

  IMatrix inverse = pattern.mTransform;
  inverse.Invert();
  double sx = 0.0, sy = 0.0;
  inverse.TransformPoint(sx, sy, 0.0, 0.0);

  if (pattern.mType == EPatternType::Radial)
  {
    const float outerRadius = static_cast<float>(inverse.mXX);
    return vgRadialGradient(vg, static_cast<float>(sx), static_cast<float>(sy), outerRadius * first.mOffset,
                            outerRadius, inner, outer);
  }
  double ex = 0.0, ey = 0.0;
  inverse.TransformPoint(ex, ey, 0.0, 1.0);
  return vgLinearGradient(vg, static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(ex),
                          static_cast<float>(ey), inner, outer);
}

void vgReadPixels(VGcontext* vg, int image, int x, int y, int width, int height, void* data)
{
  mvgReadPixels(vg, image, x, y, width, height, data);
}

// --- Bitmap

ICanvasVector::Bitmap::Bitmap(VGcontext* vg, const char*, double sourceScale, int imageID, bool shared)
: mVG(vg)
, mSharedTexture(shared)
{
  LOOM_ASSERT_MSG(imageID > 0, "vgImageID > 0");
  int w = 0, h = 0;
  if (imageID > 0)
    vgImageSize(vg, imageID, &w, &h);
  SetBitmap(imageID, w, h, static_cast<float>(sourceScale), 1.0f);
}

ICanvasVector::Bitmap::Bitmap(ICanvasVector* pGraphics, VGcontext* vg, int width, int height, float scale,
                              float drawScale)
: mGraphics(pGraphics)
, mVG(vg)
{
  LOOM_ASSERT_MSG(width > 0 && height > 0, "width > 0 && height > 0");
  if (width > 0 && height > 0)
    mFBO = mvgCreateFramebuffer(vg, width, height, 0);
  if (mFBO)
  {
    // One empty frame clears the new target.
    mvgBindFramebuffer(mFBO);
    mvgClearWithColor(vg, vgRGBAf(0.0f, 0.0f, 0.0f, 0.0f));
    vgBeginFrame(vg, static_cast<float>(width), static_cast<float>(height), 1.0f);
    vgEndFrame(vg);
  }
  SetBitmap(mFBO ? mFBO->image : 0, width, height, scale, drawScale);
}

ICanvasVector::Bitmap::Bitmap(VGcontext* vg, int width, int height, const unsigned char* pData, float scale,
                              float drawScale)
: mVG(vg)
{
  const int id = vgCreateImageRGBA(vg, width, height, 0, pData);
  SetBitmap(id, width, height, scale, drawScale);
}

ICanvasVector::Bitmap::~Bitmap()
{
  if (mSharedTexture)
    return;
  if (mFBO)
    mGraphics->DeleteFBO(mFBO);
  else if (GetBitmap() > 0)
    vgDeleteImage(mVG, GetBitmap());
}

// --- Life cycle

ICanvasVector::ICanvasVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
: ICanvas(dlg, w, h, fps, scale)
{
  std::printf("ICanvas Vector @ %i FPS\n", fps);
  StaticStorage<IFontData>::Accessor(sFontCache).Retain();
}

ICanvasVector::~ICanvasVector()
{
  // Controls' layers and cached bitmaps go before the renderer they live in,
  // also when the view was not destroyed first.
  ICanvasVector::OnViewDestroyed();
  StaticStorage<IFontData>::Accessor(sFontCache).Release();
  ClearFBOStack();
}

void ICanvasVector::OnViewInitialized(void* pContext)
{
  mVG = vgCreateMTL(pContext, kRendererFlags);
  if (!mVG)
    std::printf("Could not init the renderer.\n");
}

void ICanvasVector::OnViewDestroyed()
{
  RemoveAllControls();
  StaticStorage<APIBitmap>::Accessor storage(mBitmapCache);
  storage.Clear();
  if (mMainFrameBuffer)
    mvgDeleteFramebuffer(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  ClearFBOStack(); // targets of cleared layers must go before their context
  if (mVG)
    vgDeleteMTL(mVG);
  mVG = nullptr;
}

void ICanvasVector::DrawResize()
{
  ScopedGLContext scopedGLContext(this);
  if (mMainFrameBuffer)
    mvgDeleteFramebuffer(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  if (!mVG)
    return;
  const int w = static_cast<int>(static_cast<float>(WindowWidth()) * GetScreenScale());
  const int h = static_cast<int>(static_cast<float>(WindowHeight()) * GetScreenScale());
  mMainFrameBuffer = w > 0 && h > 0 ? mvgCreateFramebuffer(mVG, w, h, 0) : nullptr;
  if (!mMainFrameBuffer)
    std::printf("Could not init FBO.\n");
}

// --- Frame cycle

void ICanvasVector::BeginTargetFrame(MVGframebuffer* fb, float w, float h, float ratio)
{
  mFrameHasTarget = fb != nullptr;
  if (fb)
    mvgBindFramebuffer(fb);
  vgBeginFrame(mVG, w, h, ratio);
}

void ICanvasVector::EndTargetFrame()
{
  if (mFrameHasTarget)
    vgEndFrame(mVG);
  else
    vgCancelFrame(mVG);
}

void ICanvasVector::BeginMainFrame()
{
  BeginTargetFrame(mMainFrameBuffer, static_cast<float>(WindowWidth()), static_cast<float>(WindowHeight()),
                   GetScreenScale());
}

void ICanvasVector::BeginFrame()
{
  mInDraw = true;
  ICanvas::BeginFrame();
  if (mVG)
    BeginMainFrame();
}

void ICanvasVector::EndFrame()
{
  if (mVG)
  {
    const bool drawn = mFrameHasTarget && mMainFrameBuffer;
    EndTargetFrame();
    if (drawn)
    {
      const float w = static_cast<float>(WindowWidth());
      const float h = static_cast<float>(WindowHeight());
      mvgBindFramebuffer(nullptr);
      vgBeginFrame(mVG, w, h, GetScreenScale());
      const VGpaint img = vgImagePattern(mVG, 0, 0, w, h, 0, mMainFrameBuffer->image, 1.0f);
      vgSave(mVG);
      vgResetTransform(mVG);
      vgTranslate(mVG, mXTranslation, mYTranslation);
      vgBeginPath(mVG);
      vgRect(mVG, 0, 0, w, h);
      vgFillPaint(mVG, img);
      vgFill(mVG);
      vgRestore(mVG);
      vgEndFrame(mVG);
    }
  }
  mInDraw = false;
  ClearFBOStack();
}

void ICanvasVector::UpdateLayer()
{
  if (!mVG)
    return;
  EndTargetFrame();
  if (mLayers.empty())
  {
    BeginMainFrame();
    return;
  }
  const ILayer* pLayer = mLayers.top();
  const auto* pBitmap = static_cast<const Bitmap*>(pLayer->GetAPIBitmap());
  const float drawScale = GetDrawScale();
  BeginTargetFrame(pBitmap ? pBitmap->GetFBO() : nullptr, pLayer->Bounds().W() * drawScale,
                   pLayer->Bounds().H() * drawScale, GetScreenScale());
}

// --- Offscreen targets

APIBitmap* ICanvasVector::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool)
{
  if (!mVG)
    return nullptr;
  if (mInDraw)
    EndTargetFrame();
  auto* pBitmap = new Bitmap(this, mVG, width, height, scale, static_cast<float>(drawScale));
  if (mInDraw)
    BeginMainFrame();
  if (!pBitmap->GetFBO())
  {
    delete pBitmap;
    return nullptr;
  }
  return pBitmap;
}

void ICanvasVector::DeleteFBO(MVGframebuffer* pBuffer)
{
  if (!mInDraw)
  {
    mvgDeleteFramebuffer(pBuffer);
    return;
  }
  LOOM_MutexLock lock(&mFBOMutex);
  mFBOStack.push(pBuffer);
}

void ICanvasVector::ClearFBOStack()
{
  LOOM_MutexLock lock(&mFBOMutex);
  while (!mFBOStack.empty())
  {
    mvgDeleteFramebuffer(mFBOStack.top());
    mFBOStack.pop();
  }
}

// --- Paths

void ICanvasVector::PathClear()
{
  if (mVG)
    vgBeginPath(mVG);
}

void ICanvasVector::PathClose()
{
  if (mVG)
    vgClosePath(mVG);
}

void ICanvasVector::PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding)
{
  if (mVG)
    vgArc(mVG, cx, cy, r, DegToRad(a1 - 90.0f), DegToRad(a2 - 90.0f), winding == EWinding::CW ? VG_CW : VG_CCW);
}

void ICanvasVector::PathMoveTo(float x, float y)
{
  if (mVG)
    vgMoveTo(mVG, x, y);
}

void ICanvasVector::PathLineTo(float x, float y)
{
  if (mVG)
    vgLineTo(mVG, x, y);
}

void ICanvasVector::PathSetWinding(bool clockwise)
{
  if (mVG)
    vgPathWinding(mVG, clockwise ? VG_CW : VG_CCW);
}

void ICanvasVector::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (mVG)
    vgBezierTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void ICanvasVector::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  if (mVG)
    vgQuadTo(mVG, cx, cy, x2, y2);
}

void ICanvasVector::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                               const IBlend* pBlend)
{
  if (!mVG)
    return;
  vgLineCap(mVG, static_cast<int>(options.mCapOption)); // butt, round, square pass through
  switch (options.mJoinOption)
  {
    case EStrokeJoin::Miter: vgLineJoin(mVG, VG_MITER); break;
    case EStrokeJoin::Round: vgLineJoin(mVG, VG_ROUND); break;
    case EStrokeJoin::Bevel: vgLineJoin(mVG, VG_BEVEL); break;
  }
  vgMiterLimit(mVG, options.mMiterLimit);
  vgStrokeWidth(mVG, thickness);
  if (pattern.mType == EPatternType::Solid && pattern.NStops() > 0)
    vgStrokeColor(mVG, VectorColor(pattern.GetStop(0).mColor, pBlend));
  else
    vgStrokePaint(mVG, VectorPaint(mVG, pattern, pBlend));
  vgPathWinding(mVG, VG_CCW);
  VectorSetBlendMode(mVG, pBlend);
  vgStroke(mVG);
  vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
  if (!options.mPreserve)
    vgBeginPath(mVG);
}

void ICanvasVector::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  if (!mVG)
    return;
  if (options.mFillRule == EFillRule::Winding)
    vgPathWinding(mVG, VG_SOLID);
  else if (options.mFillRule == EFillRule::EvenOdd)
    vgPathWinding(mVG, VG_HOLE);
  if (pattern.mType == EPatternType::Solid && pattern.NStops() > 0)
    vgFillColor(mVG, VectorColor(pattern.GetStop(0).mColor, pBlend));
  else
    vgFillPaint(mVG, VectorPaint(mVG, pattern, pBlend));
  VectorSetBlendMode(mVG, pBlend);
  vgFill(mVG);
  vgGlobalCompositeOperation(mVG, VG_SOURCE_OVER);
  if (!options.mPreserve)
    vgBeginPath(mVG);
}

void ICanvasVector::PathTransformSetMatrix(const IMatrix& m)
{
  if (!mVG)
    return;
  const float drawScale = GetDrawScale();
  const IRECT origin = mLayers.empty() ? IRECT() : mLayers.top()->Bounds();
  vgResetTransform(mVG);
  vgScale(mVG, drawScale, drawScale);
  vgTranslate(mVG, -origin.L, -origin.T);
  vgTransform(mVG, static_cast<float>(m.mXX), static_cast<float>(m.mYX), static_cast<float>(m.mXY),
              static_cast<float>(m.mYY), static_cast<float>(m.mTX), static_cast<float>(m.mTY));
}

void ICanvasVector::SetClipRegion(const IRECT& r)
{
  if (mVG)
    vgScissor(mVG, r.L, r.T, r.W(), r.H());
}

} // namespace weft::canvas
