#pragma once
// The process-wide resource caches of the graphics core. Each drawing
// context retains both while it exists (see StaticStorage).

#include "IBitmap.h"
#include "IFontInfo.h"
#include "ISVG.h"
#include "StaticStorage.h"

namespace weft::canvas {

extern StaticStorage<APIBitmap> sBitmapCache;
extern StaticStorage<SVGHolder> sSVGCache;
// Font bytes by font identifier at scale 1.0, filled by the back ends.
extern StaticStorage<IFontData> sFontCache;

} // namespace weft::canvas
