#pragma once
// The frame a drawing context puts on screen through the Metal stand-in:
// every control drawn, the GPU's work waited for, the presented texture
// read back.

#include "ICanvas.h"
#include "VGMetal.h"

#include <Metal/PWShimMetal.h>
#include <QuartzCore/QuartzCore.h>

#include <cstdint>
#include <vector>

namespace pwtest {

// Draws every control of g (whose view is on layer) and returns the
// presented frame, width x height pixels, as BGRA bytes row by row.
inline std::vector<uint8_t> DrawAndReadFrame(weft::canvas::ICanvas& g, CAMetalLayer* layer, int width, int height)
{
  weft::canvas::IRECTList rects;
  g.SetAllControlsDirty(), g.IsDirty(rects), g.Draw(rects);
  id<MTLCommandBuffer> fence = [(id<MTLCommandQueue>)mvgCommandQueue((VGcontext*)g.GetDrawContext()) commandBuffer];
  [fence commit], [fence waitUntilCompleted];
  std::vector<uint8_t> bgra(size_t(width) * height * 4);
  [layer.pwPresentedTexture getBytes:bgra.data()
                         bytesPerRow:width * 4
                          fromRegion:MTLRegionMake2D(0, 0, width, height)
                         mipmapLevel:0];
  return bgra;
}

} // namespace pwtest
