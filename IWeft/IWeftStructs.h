#pragma once
// Plain records passed between the host, the audio thread and the editor:
// parameter changes, the host's transport snapshot and key presses. They
// cross threads only by being copied through the lock-free queues.

#include <cstring>

namespace weft {

// One parameter change on its way through the parameter queue.
struct ParamTuple
{
  int mIdx;      // parameter index, -1 for none
  double mValue; // plain (not normalised) value

  ParamTuple(int idx = -1, double value = 0.0) noexcept
  : mIdx(idx), mValue(value)
  {}
};

// The host's transport and tempo state for one block. Every field keeps its
// default until the host reports it.
struct ITimeInfo
{
  double mTempo = 120.0;        // beats per minute
  double mSamplePos = -1.0;     // timeline position of the block, in samples
  double mPPQPos = -1.0;        // in quarter notes
  double mLastBar = -1.0;       // current bar's downbeat, in quarter notes
  double mCycleStart = -1.0;    // in quarter notes
  double mCycleEnd = -1.0;      // in quarter notes
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;

  // sampleRate in Hz; 0 when the tempo is not above 0.
  double GetSamplesPerBeat(double sampleRate) const noexcept
  {
    return mTempo > 0.0 ? sampleRate * 60.0 / mTempo : 0.0;
  }
};

// A key event from the editor.
struct IKeyPress
{
  static constexpr int kMaxTextBytes = 4;

  int mVK;                          // virtual key code
  char mUTF8[kMaxTextBytes + 1];    // the key's text, always NUL-terminated
  bool mShift;
  bool mControl;
  bool mAlt;

  // text may be null (no text). At most four bytes are kept; a multi-byte
  // character that does not fit whole is dropped rather than cut.
  IKeyPress(const char* text, int vk, bool shift = false, bool control = false, bool alt = false) noexcept
  : mVK(vk), mUTF8{}, mShift(shift), mControl(control), mAlt(alt)
  {
    if (!text)
      return;

    const size_t len = strnlen(text, kMaxTextBytes + 1);
    int n = static_cast<int>(len);
    if (len > static_cast<size_t>(kMaxTextBytes))
    {
      // Keep whole characters only: walk the lead bytes up to the limit.
      n = 0;
      while (n < kMaxTextBytes)
      {
        const unsigned char c = static_cast<unsigned char>(text[n]);
        const int charLen = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (n + charLen > kMaxTextBytes)
          break;
        n += charLen;
      }
    }
    std::memcpy(mUTF8, text, static_cast<size_t>(n));
  }
};

} // namespace weft
