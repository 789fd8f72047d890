#pragma once
// The processor's record of one possible channel in one direction.
//
// Written by the processor on the render thread (connection, attachment) and
// on the set-up thread (scratch size); the plug-in only sees the sample
// pointer its slot holds.

#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

namespace weft {

// Longest channel label, in characters.
constexpr int kMaxChannelLabelLen = 32;

// TIN: the host's sample type for 32-bit attachment; TOUT: the type the
// plug-in processes.
template <typename TIN = float, typename TOUT = double>
struct IChannelData
{
  bool mConnected = false;
  // This channel's entry in the direction's array of sample pointers; the
  // entry is what ProcessBlock sees for the channel.
  TOUT** mData = nullptr;
  // The host's output buffer, set only by 32-bit output attachment.
  TIN* mIncomingData = nullptr;
  // Block-size samples; holds converted 32-bit input, the output before it is
  // converted back, or the private samples of an unconnected channel.
  LOOM_TypedBuf<TOUT> mScratchBuf{4096};
  LOOM_String mLabel;
};

} // namespace weft
