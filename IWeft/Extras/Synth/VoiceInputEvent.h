#pragma once
// The events that the MIDI front end hands the voice allocator, and the
// address that says which voices an event concerns.

#include <cstdint>
#include <iosfwd>

namespace weft {

// Which voices an event concerns. 255 in zone, channel or key means "any".
struct VoiceAddress
{
  static constexpr uint8_t kAny = 255;

  enum EFlags : uint8_t
  {
    kBusyOnly = 1,       // only voices that report busy
    kMostRecent = 2,     // only the most recently triggered voice
    kWholeZone = 4       // all voices of the zone; channel, key and other flags ignored
  };

  uint8_t mZone;    // MPE zone: 0 lower (or no MPE), 1 upper
  uint8_t mChannel; // MIDI channel 0-15
  uint8_t mKey;     // MIDI note number 0-127
  uint8_t mFlags;   // EFlags bits
};

static_assert(sizeof(VoiceAddress) == 4, "VoiceAddress is a 4-byte record");

enum EVoiceAction : int32_t
{
  kVoiceActionNone = 0,
  kNoteOnAction = 1,
  kNoteOffAction = 2,    // with flags exactly kWholeZone: soft-kill every voice
  kPitchBendAction = 3,  // glides input 2
  kPressureAction = 4,   // glides input 3
  kTimbreAction = 5,     // glides input 4
  kSustainPedalAction = 6,
  kControlChangeAction = 7,
  kProgramChangeAction = 8
};

struct VoiceInputEvent
{
  VoiceAddress mAddress;
  int32_t mAction;           // EVoiceAction
  int32_t mControllerNumber; // controller of a control change, program of a program change
  float mValue;              // velocity, bend, pressure, timbre, pedal or controller value
  int32_t mSampleOffset;     // frame within the current sub-block
};

static_assert(sizeof(VoiceInputEvent) == 20, "VoiceInputEvent is a 20-byte record");

// "[z0 c1 k60 f0][action:1 ctl:0 val:0.5 off:12]", no line end.
std::ostream& operator<<(std::ostream& out, const VoiceInputEvent& event);

} // namespace weft
