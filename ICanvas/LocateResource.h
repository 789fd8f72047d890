#pragma once
// Finding resource files by name: the platform layer's search (the
// plug-in's bundle, then the shared resources folder under subPath, then
// the name as a path). The graphics core carries a fallback, replaced by the
// platform's definition at link time, that accepts only the name as an
// existing file path.

#include "ICanvasConstants.h"
#include "LOOM_String.h"

namespace weft::canvas {

// kAbsolutePath with the full path in result when found; kNotFound (result
// untouched) otherwise, and always for an empty or null name.
EResourceLocation LocateResource(const char* name, const char* type, LOOM_String& result, const char* bundleID,
                                 void* winModuleHandle, const char* sharedResourcesSubPath);

} // namespace weft::canvas
