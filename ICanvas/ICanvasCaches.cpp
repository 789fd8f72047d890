#include "ICanvasCaches.h"

namespace weft::canvas {

StaticStorage<APIBitmap> sBitmapCache;
StaticStorage<SVGHolder> sSVGCache;
StaticStorage<IFontData> sFontCache;

} // namespace weft::canvas
