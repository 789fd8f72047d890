#include "ICanvasCaches.h"

namespace weft::canvas {

StaticStorage<APIBitmap> sBitmapCache;
StaticStorage<SVGHolder> sSVGCache;

} // namespace weft::canvas
