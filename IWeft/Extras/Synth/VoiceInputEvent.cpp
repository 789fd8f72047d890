#include "VoiceInputEvent.h"

#include <ostream>

namespace weft {

std::ostream& operator<<(std::ostream& out, const VoiceInputEvent& event)
{
  const VoiceAddress& a = event.mAddress;
  out << "[z" << int(a.mZone) << " c" << int(a.mChannel) << " k" << int(a.mKey) << " f" << int(a.mFlags) << "]";
  out << "[action:" << event.mAction << " ctl:" << event.mControllerNumber << " val:" << event.mValue
      << " off:" << event.mSampleOffset << "]";
  return out;
}

} // namespace weft
