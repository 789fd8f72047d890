#include "CGDisplay.h"
#include "PWShimCoreGraphics.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {
std::mutex sMutex;
std::string sCalls;
size_t sPixelsHigh = 900;

CGError Record(const std::string& call)
{
  std::lock_guard<std::mutex> lock(sMutex);
  sCalls += call + "\n";
  return kCGErrorSuccess;
}
} // namespace

CF_EXPORT CGDirectDisplayID CGMainDisplayID(void)
{
  return 1;
}

CF_EXPORT size_t CGDisplayPixelsHigh(CGDirectDisplayID display)
{
  std::lock_guard<std::mutex> lock(sMutex);
  return display == 1 ? sPixelsHigh : 0;
}

CF_EXPORT CGError CGDisplayHideCursor(CGDirectDisplayID)
{
  return Record("hide");
}

CF_EXPORT CGError CGDisplayShowCursor(CGDirectDisplayID)
{
  return Record("show");
}

CF_EXPORT CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID, CGPoint point)
{
  char text[96];
  std::snprintf(text, sizeof(text), "move %g %g", point.x, point.y);
  return Record(text);
}

CF_EXPORT CGError CGAssociateMouseAndMouseCursorPosition(Boolean connected)
{
  return Record(connected ? "associate 1" : "associate 0");
}

CF_EXPORT size_t PWShimCGCopyCursorCalls(char* buffer, size_t size)
{
  std::lock_guard<std::mutex> lock(sMutex);
  if (buffer && size > 0)
  {
    const size_t n = std::min(size - 1, sCalls.size());
    std::memcpy(buffer, sCalls.data(), n);
    buffer[n] = '\0';
  }
  return sCalls.size();
}

CF_EXPORT void PWShimCGClearCursorCalls(void)
{
  std::lock_guard<std::mutex> lock(sMutex);
  sCalls.clear();
}

CF_EXPORT void PWShimCGSetMainDisplayPixelsHigh(size_t height)
{
  std::lock_guard<std::mutex> lock(sMutex);
  sPixelsHigh = height;
}
