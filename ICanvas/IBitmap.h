#pragma once
// Bitmap handles. APIBitmap is the back end's image (it derives its own type
// and frees the image in its destructor); the bitmap cache owns APIBitmaps.
// IBitmap is a copyable handle onto one, with the frame layout of a
// multi-frame strip; it never owns the APIBitmap.

#include "LOOM_String.h"

namespace weft::canvas {

class APIBitmap
{
public:
  APIBitmap() = default;
  // handle: the back end's image id; w, h in pixels; scale in pixels per
  // point; drawScale: the draw scale the image was made at.
  APIBitmap(int handle, int w, int h, float scale, float drawScale) { SetBitmap(handle, w, h, scale, drawScale); }
  virtual ~APIBitmap() = default;

  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  void SetBitmap(int handle, int w, int h, float scale, float drawScale) noexcept
  {
    mBitmap = handle;
    mWidth = w;
    mHeight = h;
    mScale = scale;
    mDrawScale = drawScale;
  }

  int GetBitmap() const noexcept { return mBitmap; }
  int GetWidth() const noexcept { return mWidth; }
  int GetHeight() const noexcept { return mHeight; }
  float GetScale() const noexcept { return mScale; }
  float GetDrawScale() const noexcept { return mDrawScale; }

private:
  int mBitmap = 0;
  int mWidth = 0;
  int mHeight = 0;
  float mScale = 0.0f;
  float mDrawScale = 1.0f;
};

class IBitmap
{
public:
  IBitmap() = default;
  // W and H in points (pixels / scale, truncated) are fixed here. nStates is
  // the frame count; frames lie side by side when framesAreHorizontal.
  IBitmap(APIBitmap* pAPIBitmap, int nStates, bool framesAreHorizontal, const char* name)
  : mAPIBitmap(pAPIBitmap)
  , mN(nStates)
  , mFramesAreHorizontal(framesAreHorizontal)
  , mResourceName(name)
  {
    if (pAPIBitmap && pAPIBitmap->GetScale() > 0.0f)
    {
      mW = static_cast<int>(static_cast<float>(pAPIBitmap->GetWidth()) / pAPIBitmap->GetScale());
      mH = static_cast<int>(static_cast<float>(pAPIBitmap->GetHeight()) / pAPIBitmap->GetScale());
    }
  }

  int W() const noexcept { return mW; }
  int H() const noexcept { return mH; }
  int N() const noexcept { return mN; }
  // One frame's width and height in points; the frames' side is 0 for a
  // bitmap without frames.
  int FW() const noexcept { return mFramesAreHorizontal ? (mN > 0 ? mW / mN : 0) : mW; }
  int FH() const noexcept { return !mFramesAreHorizontal ? (mN > 0 ? mH / mN : 0) : mH; }
  bool GetFramesAreHorizontal() const noexcept { return mFramesAreHorizontal; }
  float GetScale() const noexcept { return mAPIBitmap ? mAPIBitmap->GetScale() : 0.0f; }
  float GetDrawScale() const noexcept { return mAPIBitmap ? mAPIBitmap->GetDrawScale() : 0.0f; }
  APIBitmap* GetAPIBitmap() const noexcept { return mAPIBitmap; }
  const char* GetResourceName() const { return mResourceName.Get(); }
  bool IsValid() const noexcept { return mAPIBitmap != nullptr; }

private:
  APIBitmap* mAPIBitmap = nullptr; // not owned
  int mW = 0;
  int mH = 0;
  int mN = 0;
  bool mFramesAreHorizontal = false;
  LOOM_String mResourceName;
};

} // namespace weft::canvas
