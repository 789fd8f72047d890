#pragma once
// One preset slot of the plug-in base: a name and a stored state.

#include "IByteChunk.h"
#include "IWeftConstants.h"
#include "IWeftUtilities.h"

namespace weft {

// Uninitialised until something stores a state in it. The state is what the
// plug-in's SerializeState writes (the parameter block unless the product
// adds its own header). Main thread only.
struct IPreset
{
  IPreset() noexcept { CopyTextField(mName, "empty"); }

  IPreset(const IPreset&) = delete;
  IPreset& operator=(const IPreset&) = delete;

  bool mInitialized = false;
  char mName[MAX_PRESET_NAME_LEN]; // at most 255 characters and the NUL
  IByteChunk mChunk;
};

} // namespace weft
