#pragma once
// ICanvasVector: the drawing context over the vector path renderer. Every
// drawing operation of ICanvas becomes renderer paths; a frame is drawn into
// one offscreen main target (window size x screen scale pixels), which
// EndFrame draws to the screen as one textured rectangle. Layers are
// offscreen targets of their own. Abstract: the platform layer completes it
// with windowing and input.
//
// Threads: main thread only. The deletion queue has its own lock; the bitmap
// cache and the process-wide font store are used through their accessors.
//
// Without a renderer context (before OnViewInitialized, after
// OnViewDestroyed, or when it could not be made) or without a main target,
// frames are dropped: nothing is drawn. Without a renderer context fonts
// are refused too.

#include "ICanvas.h"
#include "ICanvasCaches.h"
#include "IFontInfo.h"
#include "LOOM_Mutex.h"
#include "StaticStorage.h"
#include "VGRenderer.h"

#include <stack>

namespace weft::canvas {

// Conversions onto the renderer's state (used by ICanvasVector).
VGcolor VectorColor(const IColor& color, const IBlend* pBlend = nullptr);
void VectorRect(VGcontext* vg, const IRECT& r);
// Composite operation of a blend; source-over without one.
void VectorSetBlendMode(VGcontext* vg, const IBlend* pBlend);
// A two-colour gradient from the pattern's first and last stops.
VGpaint VectorPaint(VGcontext* vg, const IPattern& pattern, const IBlend* pBlend = nullptr);
// Reads w x h pixels (4 bytes each) of an image through the GPU backend.
void vgReadPixels(VGcontext* vg, int image, int x, int y, int width, int height, void* data);

class ICanvasVector : public ICanvas
{
public:
  // A renderer image, or an offscreen target with its image.
  class Bitmap : public APIBitmap
  {
  public:
    // A decoded image; shared images are never deleted by this object.
    Bitmap(VGcontext* vg, const char* path, double sourceScale, int imageID, bool shared = false);
    // An offscreen target of width x height pixels, cleared to transparent
    // black. Without a target (zero size, creation failure) the image id is 0.
    Bitmap(ICanvasVector* pGraphics, VGcontext* vg, int width, int height, float scale, float drawScale);
    // An image from width x height RGBA pixels.
    Bitmap(VGcontext* vg, int width, int height, const unsigned char* pData, float scale, float drawScale);
    ~Bitmap() override;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    MVGframebuffer* GetFBO() const { return mFBO; }

  private:
    ICanvasVector* mGraphics = nullptr; // set for offscreen targets only
    VGcontext* mVG = nullptr;
    MVGframebuffer* mFBO = nullptr;
    bool mSharedTexture = false;
  };

  // Sizes in points; scale is the draw scale. Prints the frame rate.
  ICanvasVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  ~ICanvasVector() override;

  // --- Frame cycle
  void BeginFrame() override;
  // pContext: the view's GPU layer.
  void OnViewInitialized(void* pContext) override;
  void OnViewDestroyed() override;
  void EndFrame() override;

  // --- Drawing
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                  const IBlend* pBlend = nullptr) override;
  using ICanvas::DrawBitmap;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                      float thickness = 1.0f, float dashLen = 2.0f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                      float thickness = 1.0f, float dashLen = 2.0f) override;
  void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                         const IBlend* pBlend = nullptr) override;
  // No pixel read-back: always black.
  IColor GetPoint(int x, int y) override;
  void* GetDrawContext() override { return mVG; }
  const char* GetDrawingAPIStr() override { return "Vector | Metal"; }
  // png, jpg and jpeg, in any case.
  bool BitmapExtSupported(const char* ext) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.0f,
                          float roundness = 0.0f, float blur = 10.0f, const IBlend* pBlend = nullptr) override;
  void GetLayerBitmapData(const ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& data) override;
  void ApplyShadowMask(ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& mask, const IShadow& shadow) override;
  void UpdateLayer() override;

  // --- Paths
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = EWinding::CW) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                  const IBlend* pBlend = nullptr) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                const IBlend* pBlend = nullptr) override;
  void PathTransformSetMatrix(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;

  // Re-creates the main target at the window's size.
  void DrawResize() override;

  // --- Resources
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                     int targetScale = 0) override;
  using ICanvas::LoadBitmap;
  // Null when the image cannot be decoded.
  APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                           const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale) override;
  // Null without a renderer or when the target cannot be made.
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                             bool cacheable = false) override;
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  int AlphaChannel() const override { return 3; }
  bool FlippedBitmap() const override { return false; }
  // A missing font gives the empty rectangle at the text's anchor and 0.
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr) override;

  // --- Offscreen targets: deletion waits for the end of a frame in progress.
  void DeleteFBO(MVGframebuffer* pBuffer);
  void ClearFBOStack();

protected:
  // Sets the text state and r to the text's bounds anchored by its
  // alignment in r; false (r the empty rectangle at the anchor) without
  // the text's font.
  bool PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, double& x, double& y) const;

  bool InDraw() const { return mInDraw; }
  // The context's own store: bitmaps decoded here, from files or memory,
  // and their resampled forms live and die with this context.
  StaticStorage<APIBitmap>& BitmapCache() override { return mBitmapCache; }

private:
  // Binds fb and begins a renderer frame on it; without fb the frame is
  // begun but cancelled when it ends, so nothing is drawn.
  void BeginTargetFrame(MVGframebuffer* fb, float w, float h, float ratio);
  void EndTargetFrame();
  void BeginMainFrame();

  bool mInDraw = false;
  LOOM_Mutex mFBOMutex;
  std::stack<MVGframebuffer*> mFBOStack; // under mFBOMutex
  StaticStorage<APIBitmap> mBitmapCache;
  VGcontext* mVG = nullptr;
  MVGframebuffer* mMainFrameBuffer = nullptr;
  bool mFrameHasTarget = false; // the renderer frame in progress is drawn somewhere
};

} // namespace weft::canvas
