#pragma once
// ILayer: an offscreen bitmap that a control draws into once and reuses
// until it is invalidated. The layer owns its APIBitmap.

#include "IBitmap.h"
#include "IRECT.h"

#include <memory>

namespace weft::canvas {

class IControl;

class ILayer
{
public:
  // layerRect: pixel-aligned bounds in points; controlRect: the control's
  // rectangle when the layer was made.
  ILayer(APIBitmap* pBitmap, const IRECT& layerRect, IControl* pControl, const IRECT& controlRect)
  : mBitmap(pBitmap)
  , mControl(pControl)
  , mControlRECT(controlRect)
  , mRECT(layerRect)
  {}

  ILayer(const ILayer&) = delete;
  ILayer& operator=(const ILayer&) = delete;

  void Invalidate() { mInvalid = true; }
  bool IsInvalid() const { return mInvalid; }
  APIBitmap* GetAPIBitmap() const { return mBitmap.get(); }
  // Hands the bitmap to the caller; the layer is left without one.
  APIBitmap* ReleaseAPIBitmap() { return mBitmap.release(); }
  // One frame, not horizontal, no resource name; does not own the bitmap.
  IBitmap GetBitmap() const { return IBitmap(mBitmap.get(), 1, false, ""); }
  const IRECT& Bounds() const { return mRECT; }
  IControl* GetControl() const { return mControl; }
  const IRECT& GetControlRECT() const { return mControlRECT; }
  void SetControlRECT(const IRECT& r) { mControlRECT = r; }

private:
  std::unique_ptr<APIBitmap> mBitmap;
  IControl* mControl; // not owned, may be null
  IRECT mControlRECT;
  IRECT mRECT;
  bool mInvalid = false;
};

} // namespace weft::canvas
