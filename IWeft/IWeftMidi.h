#pragma once
// MIDI and SysEx value types and the growable, time-ordered MIDI queue.
//
// The message records are plain values: they cross threads only by being
// copied bytewise through the lock-free queues of the API base. The queue is
// owned by one thread (the audio thread) and is not locked.

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace weft {

// A timed three-byte MIDI channel message. The status byte holds the kind in
// its high nibble and the channel (0-15) in its low nibble.
struct IMidiMsg
{
  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // Controller numbers 0-127; numbers without a name here are still valid
  // values of the type.
  enum EControlChangeMsg
  {
    kBankSelectMSB = 0,
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kDataEntryMSB = 6,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpressionController = 11,
    kEffectControl1 = 12,
    kEffectControl2 = 13,
    kGeneralPurposeController1 = 16,
    kGeneralPurposeController2 = 17,
    kGeneralPurposeController3 = 18,
    kGeneralPurposeController4 = 19,
    kBankSelectLSB = 32,
    kModWheelLSB = 33,
    kDataEntryLSB = 38,
    kChannelVolumeLSB = 39,
    kPanLSB = 42,
    kSustainOnOff = 64,
    kPortamentoOnOff = 65,
    kSostenutoOnOff = 66,
    kSoftPedalOnOff = 67,
    kLegatoOnOff = 68,
    kHold2OnOff = 69,
    kSoundVariation = 70,
    kResonance = 71,
    kReleaseTime = 72,
    kAttackTime = 73,
    kCutoffFrequency = 74,
    kDecayTime = 75,
    kVibratoRate = 76,
    kVibratoDepth = 77,
    kVibratoDelay = 78,
    kSoundControllerUndefined = 79,
    kGeneralPurposeController5 = 80,
    kGeneralPurposeController6 = 81,
    kGeneralPurposeController7 = 82,
    kGeneralPurposeController8 = 83,
    kPortamentoControl = 84,
    kReverbSendLevel = 91,
    kTremoloDepth = 92,
    kChorusSendLevel = 93,
    kCelesteDepth = 94,
    kPhaserDepth = 95,
    kDataIncrement = 96,
    kDataDecrement = 97,
    kNRPNLSB = 98,
    kNRPNMSB = 99,
    kRPNLSB = 100,
    kRPNMSB = 101,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kLocalControl = 122,
    kAllNotesOff = 123,
    kOmniOff = 124,
    kOmniOn = 125,
    kMonoModeOn = 126,
    kPolyModeOn = 127
  };

  int mOffset;     // frames from the start of the block
  uint8_t mStatus; // kind << 4 | channel
  uint8_t mData1;
  uint8_t mData2;

  IMidiMsg(int offset = 0, uint8_t status = 0, uint8_t data1 = 0, uint8_t data2 = 0) noexcept
  : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {}

  void Clear() noexcept;

  // The channel is masked to 0-15 so that it can never change the kind.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0) noexcept;
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0) noexcept;

  // The kind, or kNone for a high nibble outside 8-14.
  EStatusMsg StatusMsg() const noexcept;
  int Channel() const noexcept { return mStatus & 0x0F; }

  // Each accessor gives -1 when the message is of another kind.
  int NoteNumber() const noexcept;
  int Velocity() const noexcept;
  int PolyAfterTouch() const noexcept;
  int ChannelAfterTouch() const noexcept;
  int Program() const noexcept;

  // -1 to 8191/8192 for a pitch-wheel message, else 0. Only the low seven
  // bits of each data byte count.
  double PitchWheel() const noexcept;

  EControlChangeMsg ControlChangeIdx() const noexcept { return static_cast<EControlChangeMsg>(mData1); }
  // 0 to 1 (the low seven bits of data 2 over 127) when this is a control
  // change of the given controller, else -1.
  double ControlChange(EControlChangeMsg idx) const noexcept;
};

static_assert(sizeof(IMidiMsg) == 8, "IMidiMsg is copied bytewise as an 8-byte record");

// A view of a SysEx message: the bytes are not copied and must outlive it.
struct ISysEx
{
  int mOffset;          // frames from the start of the block
  int mSize;            // bytes
  const uint8_t* mData; // not owned

  ISysEx(int offset = 0, const uint8_t* data = nullptr, int size = 0) noexcept
  : mOffset(offset), mSize(size), mData(data)
  {}
};

static constexpr int MAX_SYSEX_SIZE = 512;

// The fixed-size SysEx record that the SysEx queues carry.
struct SysExData
{
  int mOffset; // frames from the start of the block
  int mSize;   // bytes held in mData, 0 to MAX_SYSEX_SIZE
  uint8_t mData[MAX_SYSEX_SIZE];

  // Copies size bytes from data, or leaves the bytes zero when data is null.
  // A size below 0 or above MAX_SYSEX_SIZE is refused: the record keeps the
  // offset, stores size 0 and copies nothing. Bytes past the size are zero.
  SysExData(int offset = 0, int size = 0, const void* data = nullptr) noexcept;
};

static_assert(sizeof(SysExData) == 8 + MAX_SYSEX_SIZE, "SysExData is copied bytewise as a 520-byte record");

// A growable array of timed messages read from the front. T is a plain
// record with an int mOffset; elements live in raw malloc'ed storage and no
// constructors or destructors run on them.
//
// Owned by one thread. The constructor, Expand and Resize allocate and belong
// to set-up; Add, Peek, Remove, Compact and Flush never allocate and are safe
// on the audio thread.
template <class T>
class IMidiQueueBase
{
  static_assert(std::is_trivially_copyable<T>::value, "queue elements are moved bytewise");

public:
  static constexpr int kPageBytes = 4096;

  // size: the requested capacity in messages, rounded up to whole pages.
  explicit IMidiQueueBase(int size) noexcept
  : mGrow(Granulize(size))
  {
    Expand();
  }

  ~IMidiQueueBase() { std::free(mBuf); }

  IMidiQueueBase(const IMidiQueueBase&) = delete;
  IMidiQueueBase& operator=(const IMidiQueueBase&) = delete;

  // Inserts msg after every message whose offset is not later than its own.
  // Never grows the buffer: false when it is full even after compacting.
  bool Add(const T& msg) noexcept
  {
    if (mBack >= mSize)
    {
      if (mFront == 0)
        return false;
      Compact();
    }

    int pos = mBack;
    while (pos > mFront && mBuf[pos - 1].mOffset > msg.mOffset)
      --pos;

    if (pos < mBack)
      std::memmove(mBuf + pos + 1, mBuf + pos, static_cast<size_t>(mBack - pos) * sizeof(T));
    std::memcpy(mBuf + pos, &msg, sizeof(T));
    ++mBack;
    return true;
  }

  bool Empty() const noexcept { return mFront == mBack; }

  // Unread messages.
  int ToDo() const noexcept { return mBack - mFront; }

  // Capacity in messages.
  int GetSize() const noexcept { return mSize; }

  // The message at the front. An empty queue gives a zeroed record instead of
  // reading outside the held messages.
  T Peek() const noexcept
  {
    if (Empty())
      return T{};
    return mBuf[mFront];
  }

  // Drops the front message; nothing when the queue is empty.
  void Remove() noexcept
  {
    if (mFront < mBack)
      ++mFront;
  }

  // Moves the unread messages to the start of the buffer.
  void Compact() noexcept
  {
    if (mFront == 0)
      return;
    const int count = mBack - mFront;
    if (count > 0)
      std::memmove(mBuf, mBuf + mFront, static_cast<size_t>(count) * sizeof(T));
    mBack = count;
    mFront = 0;
  }

  // Ends a block of nFrames: unread messages move nFrames earlier so that a
  // message stamped beyond the block lands at its place in the next one.
  void Flush(int nFrames) noexcept
  {
    Compact();
    for (int i = 0; i < mBack; ++i)
      mBuf[i].mOffset -= nFrames;
  }

  // Sets the growth step to Granulize(size) and the capacity to that step,
  // or to Granulize of the held count when more messages are held. Returns
  // the capacity in force; a failed reallocation changes nothing.
  int Resize(int size) noexcept
  {
    Compact();
    const int grow = Granulize(size);
    int newSize = grow;
    if (mBack > newSize)
      newSize = Granulize(mBack);

    if (newSize != mSize && !Reallocate(newSize))
      return mSize;

    mGrow = grow;
    return mSize;
  }

  // Grows the capacity to the next multiple of the growth step. False when
  // the step is 0 or the reallocation fails, with nothing changed.
  bool Expand() noexcept
  {
    if (mGrow <= 0)
      return false;
    const int steps = mSize / mGrow + 1;
    if (steps > INT_MAX / mGrow)
      return false;
    return Reallocate(steps * mGrow);
  }

  // n rounded up so that n elements fill whole 4096-byte pages. n <= 0 gives
  // 0; a result beyond the int range saturates at the largest whole-page
  // count that fits.
  static int Granulize(int n) noexcept
  {
    if (n <= 0)
      return 0;
    const long long unit = PageUnit();
    const long long rounded = (static_cast<long long>(n) + unit - 1) / unit * unit;
    if (rounded > INT_MAX)
      return static_cast<int>(INT_MAX / unit * unit);
    return static_cast<int>(rounded);
  }

private:
  // The smallest element count whose bytes are a whole number of pages.
  static constexpr long long PageUnit() noexcept
  {
    long long a = kPageBytes;
    long long b = static_cast<long long>(sizeof(T));
    while (b != 0)
    {
      const long long r = a % b;
      a = b;
      b = r;
    }
    return kPageBytes / a;
  }

  // Keeps the buffer and the capacity when the allocation fails. The caller
  // guarantees that newSize holds every message from index 0 to mBack.
  bool Reallocate(int newSize) noexcept
  {
    if (newSize == 0)
    {
      std::free(mBuf);
      mBuf = nullptr;
      mSize = 0;
      return true;
    }
    void* p = std::realloc(mBuf, static_cast<size_t>(newSize) * sizeof(T));
    if (!p)
      return false;
    mBuf = static_cast<T*>(p);
    mSize = newSize;
    return true;
  }

  T* mBuf = nullptr;
  int mSize = 0;  // capacity in messages
  int mGrow = 0;  // growth step in messages
  int mFront = 0; // index of the next message to read
  int mBack = 0;  // one past the last message
};

using IMidiQueue = IMidiQueueBase<IMidiMsg>;

} // namespace weft
