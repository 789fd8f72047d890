#include "IWeftAUView.h"

#include "IWeftAU.h"

namespace weft {

NSView* IWeftAUViewForUnit(AudioUnit unit, IWeftAU*& plug)
{
  IWeftAU* answer = nullptr;
  UInt32 size = sizeof answer;
  if (AudioUnitGetProperty(unit, IWeftAU::kIWeftAUProperty_PlugInObject, kAudioUnitScope_Global, 0, &answer, &size) ==
        noErr &&
      size == sizeof answer)
    plug = answer;
  if (!plug || !plug->HasUI())
    return nil;
  // The editor keeps its own size: the host's preferred size is not used.
  return static_cast<NSView*>(plug->OpenWindow(nullptr));
}

} // namespace weft
