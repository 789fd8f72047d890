#include "IWeftAUView.h"

#include "IWeftAU.h"
#include "IWeftScopedPool.h"

namespace weft {

NSView* IWeftAUViewForUnit(AudioUnit unit, IWeftAU*& plug)
{
  ScopedPool pool; // the view is the editor's own, not autoreleased
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
