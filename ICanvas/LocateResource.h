#pragma once
// Finding a named resource file at run time. Supplied by the platform layer
// (bundle resources, the shared resources folder, then a plain path).

#include "LOOM_String.h"

namespace weft {

// True with outPath set to the file of the given name and type; instance is
// the module handle where the platform has one.
bool LocateResource(const char* name, const char* type, LOOM_String& outPath, const char* bundleID, void* instance,
                    const char* sharedResourcesSubPath);

} // namespace weft
