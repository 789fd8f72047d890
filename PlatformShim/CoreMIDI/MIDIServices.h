#pragma once
// MIDI packet lists: a 32-bit packet count followed by variable-length
// packets, each a 64-bit time stamp, a 16-bit length and that many data
// bytes. Records are packed on 4 bytes; each packet starts on the first
// 4-byte boundary after the previous packet's data (on every architecture:
// the stand-in keeps every packet's fields aligned for the record).
//
// A list lives in a caller-owned buffer of a known byte size. Filling it
// allocates nothing, so it may be done on the render thread; a list belongs
// to one thread at a time.

#include <CoreServices/MacTypes.h>

#include <cstddef>
#include <cstdint>

// A time in host clock units; 0 means "now".
typedef UInt64 MIDITimeStamp;

#pragma pack(push, 4)
typedef struct MIDIPacket
{
  MIDITimeStamp timeStamp;
  UInt16 length;
  // length bytes; the record declares room for 256, a packet may hold up to
  // 65535 when its list has room.
  Byte data[256];
} MIDIPacket;

typedef struct MIDIPacketList
{
  UInt32 numPackets;
  MIDIPacket packet[1];
} MIDIPacketList;
#pragma pack(pop)

static_assert(offsetof(MIDIPacket, length) == 8 && offsetof(MIDIPacket, data) == 10, "MIDIPacket header is 10 bytes");
static_assert(sizeof(MIDIPacket) == 268 && alignof(MIDIPacket) == 4, "MIDIPacket packed on 4 bytes");
static_assert(offsetof(MIDIPacketList, packet) == 4 && sizeof(MIDIPacketList) == 272,
              "MIDIPacketList: count, then packets on 4 bytes");

// Bytes of a packet list header.
constexpr ByteCount kPWShimMIDIPacketListHeaderSize = offsetof(MIDIPacketList, packet);
// Bytes of a packet's fields before its data.
constexpr ByteCount kPWShimMIDIPacketHeaderSize = offsetof(MIDIPacket, data);

// The packet after pkt in its list (read numPackets to know how many exist).
inline MIDIPacket* MIDIPacketNext(const MIDIPacket* pkt)
{
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(&pkt->data[0]) + pkt->length;
  return reinterpret_cast<MIDIPacket*>((end + 3u) & ~std::uintptr_t(3u));
}

// Empties pktlist and answers its first packet, the curPacket of the first
// MIDIPacketListAdd. Null for a null list.
CF_EXPORT MIDIPacket* MIDIPacketListInit(MIDIPacketList* pktlist);

// Adds nData bytes at time to the list whose buffer holds listSize bytes
// (header included). curPacket is what the previous call (or
// MIDIPacketListInit) answered. The bytes are appended to curPacket when
// the list already has a packet, time equals curPacket's time stamp, neither
// curPacket's data nor the new bytes begin a SysEx message (0xF0), and the
// packet stays below 65536 bytes; otherwise they start a new packet after
// curPacket. Answers the packet that now holds the bytes.
//
// Null, with the list unchanged, when the bytes do not fit in listSize, when
// pktlist, curPacket or data is null, nData is 0 or above 65535, or
// curPacket does not lie inside the first listSize bytes of the list.
CF_EXPORT MIDIPacket* MIDIPacketListAdd(MIDIPacketList* pktlist, ByteCount listSize, MIDIPacket* curPacket,
                                        MIDITimeStamp time, ByteCount nData, const Byte* data);
