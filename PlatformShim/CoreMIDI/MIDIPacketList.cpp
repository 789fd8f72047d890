#include <CoreMIDI/MIDIServices.h>

#include <cstring>

namespace {

constexpr Byte kSysExStart = 0xF0;
constexpr ByteCount kMaxPacketBytes = 0xFFFF;

// Bytes from address to the end of the list's buffer; 0 when address lies
// outside [base, base + listSize].
ByteCount RoomFrom(std::uintptr_t base, ByteCount listSize, std::uintptr_t address)
{
  if (address < base || address - base > listSize)
    return 0;
  return listSize - (address - base);
}

bool Mergeable(const MIDIPacket& current, MIDITimeStamp time, const Byte* data, ByteCount nData)
{
  return current.timeStamp == time && current.length > 0 && current.data[0] != kSysExStart &&
         data[0] != kSysExStart && current.length + nData <= kMaxPacketBytes;
}

} // namespace

MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist)
{
  if (!pktlist)
    return nullptr;
  pktlist->numPackets = 0;
  return &pktlist->packet[0];
}

MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, ByteCount listSize, MIDIPacket* curPacket, MIDITimeStamp time,
                              ByteCount nData, const Byte* data)
{
  if (!pktlist || !curPacket || !data || nData == 0 || nData > kMaxPacketBytes)
    return nullptr;
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(pktlist);
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(&pktlist->packet[0]);
  const std::uintptr_t current = reinterpret_cast<std::uintptr_t>(curPacket);
  if (listSize < kPWShimMIDIPacketListHeaderSize || current < first || (current - first) % 4 != 0 ||
      RoomFrom(base, listSize, current) < kPWShimMIDIPacketHeaderSize)
    return nullptr;

  std::uintptr_t next = first;
  if (pktlist->numPackets > 0)
  {
    const std::uintptr_t currentEnd = current + kPWShimMIDIPacketHeaderSize + curPacket->length;
    const ByteCount roomAfterCurrent = RoomFrom(base, listSize, currentEnd);
    if (currentEnd - current > RoomFrom(base, listSize, current))
      return nullptr;  // curPacket's data runs past the buffer: not a packet of this list
    if (Mergeable(*curPacket, time, data, nData))
    {
      if (nData > roomAfterCurrent)
        return nullptr;
      Byte* end = &curPacket->data[0]; // data runs past its declared 256 bytes
      std::memcpy(end + curPacket->length, data, nData);
      curPacket->length = static_cast<UInt16>(curPacket->length + nData);
      return curPacket;
    }
    next = (currentEnd + 3u) & ~std::uintptr_t(3u);
  }
  else if (current != first)
  {
    return nullptr;  // an empty list's only valid current packet is its first
  }

  if (RoomFrom(base, listSize, next) < kPWShimMIDIPacketHeaderSize + nData)
    return nullptr;
  MIDIPacket* packet = reinterpret_cast<MIDIPacket*>(next);
  packet->timeStamp = time;
  packet->length = static_cast<UInt16>(nData);
  std::memcpy(&packet->data[0], data, nData);
  ++pktlist->numPackets;
  return packet;
}
