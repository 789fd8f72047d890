#include "IWeftMidi.h"

namespace weft {

void IMidiMsg::Clear() noexcept
{
  mOffset = 0;
  mStatus = mData1 = mData2 = 0;
}

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel) noexcept
{
  Clear();
  mStatus = static_cast<uint8_t>(0x90 | (channel & 0x0F));
  mData1 = static_cast<uint8_t>(noteNumber);
  mData2 = static_cast<uint8_t>(velocity);
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel) noexcept
{
  Clear();
  mStatus = static_cast<uint8_t>(0x80 | (channel & 0x0F));
  mData1 = static_cast<uint8_t>(noteNumber);
  mOffset = offset;
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const noexcept
{
  const int kind = mStatus >> 4;
  if (kind >= kNoteOff && kind <= kPitchWheel)
    return static_cast<EStatusMsg>(kind);
  return kNone;
}

int IMidiMsg::NoteNumber() const noexcept
{
  switch (StatusMsg())
  {
    case kNoteOn:
    case kNoteOff:
    case kPolyAftertouch:
      return mData1;
    default:
      return -1;
  }
}

int IMidiMsg::Velocity() const noexcept
{
  switch (StatusMsg())
  {
    case kNoteOn:
    case kNoteOff:
      return mData2;
    default:
      return -1;
  }
}

int IMidiMsg::PolyAfterTouch() const noexcept
{
  return StatusMsg() == kPolyAftertouch ? mData2 : -1;
}

int IMidiMsg::ChannelAfterTouch() const noexcept
{
  return StatusMsg() == kChannelAftertouch ? mData1 : -1;
}

int IMidiMsg::Program() const noexcept
{
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const noexcept
{
  if (StatusMsg() != kPitchWheel)
    return 0.0;
  // Data bytes are 7-bit; a stray high bit must not push the value out of range.
  const int value = (mData2 & 0x7F) * 128 + (mData1 & 0x7F) - 8192;
  return static_cast<double>(value) / 8192.0;
}

double IMidiMsg::ControlChange(EControlChangeMsg idx) const noexcept
{
  if (StatusMsg() == kControlChange && ControlChangeIdx() == idx)
    return static_cast<double>(mData2 & 0x7F) / 127.0;
  return -1.0;
}

SysExData::SysExData(int offset, int size, const void* data) noexcept
: mOffset(offset), mSize(0), mData{}
{
  if (size < 0 || size > MAX_SYSEX_SIZE)
    return;
  mSize = size;
  if (data && size > 0)
    std::memcpy(mData, data, static_cast<size_t>(size));
}

} // namespace weft
