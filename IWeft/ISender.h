#pragma once
// Senders carry blocks of analysis data from the audio thread to controls of
// the editor without locks. The audio thread fills a fixed-size record and
// pushes it onto a single-producer, single-consumer queue; the main thread's
// idle handler drains the queue with TransmitData, which hands each record,
// addressed by control tag, to the editor delegate.
//
// Threads: PushData and IBufferSender::ProcessBlock belong to the audio
// thread (the queue's only producer); TransmitData belongs to the main thread
// (its only consumer). The record being filled and the running sums of an
// IBufferSender belong to the audio thread alone. Neither side locks, blocks
// or allocates.

#include "IEditorDelegate.h"
#include "IWeftConstants.h"
#include "IWeftQueue.h"
#include "IWeftUtilities.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace weft {

// The record a sender queues for one control. A plain value: copied bytewise
// through the queue and handed to the control as a pointer to the main
// thread's copy (the control reads it as a message of sizeof bytes).
template <int MAXNC, typename T>
struct ISenderData
{
  static_assert(MAXNC > 0, "a sender record carries at least one channel");

  int ctrlTag = kNoTag;        // the receiving control
  int nChans = MAXNC;          // channels in use, from chanOffset on
  int chanOffset = 0;          // first channel in use
  std::array<T, MAXNC> vals{}; // one value per channel, by channel index
};

template <int MAXNC = 2, int QUEUE_SIZE = 64, typename T = std::array<float, 128>>
class ISender
{
public:
  using TDataPacket = ISenderData<MAXNC, T>;

  ISender() = default;
  ISender(const ISender&) = delete;
  ISender& operator=(const ISender&) = delete;

  // Audio thread. Queues a copy of d; a full queue (QUEUE_SIZE records
  // waiting) drops it and counts the drop.
  void PushData(const TDataPacket& d) noexcept { mQueue.Push(d); }

  // Main thread. Hands every queued record, in queue order, to the control
  // with its tag: PrepareDataForUI, then the delegate's
  // SendControlMsgFromDelegate (tag, message tag 0, the record's size, the
  // record). A record without a control tag is a programming error; it is
  // skipped and the drain goes on.
  void TransmitData(IEditorDelegate& dlg)
  {
    TDataPacket d;
    while (mQueue.Pop(d))
    {
      LOOM_ASSERT_MSG(d.ctrlTag != kNoTag, "d.ctrlTag != kNoTag && \"You must supply a control tag\"");
      if (d.ctrlTag == kNoTag)
        continue;

      PrepareDataForUI(d);
      dlg.SendControlMsgFromDelegate(d.ctrlTag, 0, static_cast<int>(sizeof(TDataPacket)), &d);
    }
  }

  // Main thread: records dropped by a full queue since construction.
  uint64_t GetDroppedCount() const noexcept { return mQueue.GetDroppedCount(); }

  // Main thread, on each record just before it goes to the editor. The
  // default leaves it unchanged.
  virtual void PrepareDataForUI(TDataPacket& d) { (void)d; }

private:
  IWeftQueue<TDataPacket> mQueue{QUEUE_SIZE};
};

// Batches sample frames into buffers of up to MAXBUF frames per channel and
// queues a full buffer only when its summed absolute level, or the previous
// buffer's, is above a threshold: a signal falling silent sends its first
// silent buffer, then nothing until it rises again.
template <int MAXNC = 2, int QUEUE_SIZE = 64, int MAXBUF = 128>
class IBufferSender : public ISender<MAXNC, QUEUE_SIZE, std::array<float, MAXBUF>>
{
public:
  static_assert(MAXBUF > 0, "a buffer holds at least one frame");

  using Base = ISender<MAXNC, QUEUE_SIZE, std::array<float, MAXBUF>>;
  using TDataPacket = typename Base::TDataPacket;

  // thresholdDB: level in dB that a buffer's summed absolute sample values
  // (over all channels in use) must exceed to be sent; at or below -100 dB
  // every buffer is sent. bufferSize: frames per buffer, 1..MAXBUF.
  explicit IBufferSender(double thresholdDB = kNoThresholdDB, int bufferSize = MAXBUF) noexcept
  : mThreshold(thresholdDB > kNoThresholdDB ? static_cast<float>(DBToAmp(thresholdDB)) : -1.0f)
  {
    SetBufferSize(bufferSize);
  }

  // Audio thread (or before processing starts). Stores the size in frames
  // and starts a new buffer. A size outside 1..MAXBUF is a caller error;
  // the size in force then stays.
  void SetBufferSize(int bufferSize) noexcept
  {
    LOOM_ASSERT_MSG(bufferSize > 0, "bufferSize > 0");
    LOOM_ASSERT_MSG(bufferSize <= MAXBUF, "bufferSize <= MAXBUF");
    if (bufferSize <= 0 || bufferSize > MAXBUF)
      return;

    mBufferSize = bufferSize;
    mBufCount = 0;
  }

  int GetBufferSize() const noexcept { return mBufferSize; }

  // Audio thread. Collects nFrames frames of channels chanOffset to
  // chanOffset + nChans - 1 of inputs (each a pointer to nFrames samples).
  // A buffer is pushed, addressed to ctrlTag, when it is full and the next
  // frame arrives, possibly in the next block. A channel range outside
  // 0..MAXNC-1 is a caller error: the block is then ignored, as is a block
  // with a null channel pointer.
  void ProcessBlock(const double* const* inputs, int nFrames, int ctrlTag, int nChans = MAXNC,
                    int chanOffset = 0) noexcept
  {
    LOOM_ASSERT_MSG(chanOffset >= 0 && nChans >= 0 && chanOffset + nChans <= MAXNC,
                    "chanOffset + nChans <= MAXNC");
    if (!inputs || chanOffset < 0 || nChans < 0 || chanOffset > MAXNC - nChans)
      return;

    const int lastChan = chanOffset + nChans;
    for (int c = chanOffset; c < lastChan; ++c)
    {
      if (!inputs[c])
        return;
    }

    for (int s = 0; s < nFrames;)
    {
      if (mBufCount == mBufferSize)
      {
        float sum = 0.0f;
        for (int c = chanOffset; c < lastChan; ++c)
        {
          sum += mRunningSum[c];
          mRunningSum[c] = 0.0f;
        }

        if (sum > mThreshold || mPreviousSum > mThreshold)
        {
          mBuffer.ctrlTag = ctrlTag;
          mBuffer.nChans = nChans;
          mBuffer.chanOffset = chanOffset;
          Base::PushData(mBuffer);
        }

        mPreviousSum = sum;
        mBufCount = 0;
      }

      // The frames that fit the record, with the sums in locals: the same
      // additions in the same order per channel.
      const int run = std::min(nFrames - s, mBufferSize - mBufCount);
      std::array<float, MAXNC> sums = mRunningSum;
      for (int j = 0; j < run; ++j)
      {
        for (int c = chanOffset; c < lastChan; ++c)
        {
          const float v = static_cast<float>(inputs[c][s + j]);
          mBuffer.vals[c][mBufCount + j] = v;
          sums[c] += std::fabs(v);
        }
      }
      mRunningSum = sums;
      mBufCount += run;
      s += run;
    }
  }

private:
  static constexpr double kNoThresholdDB = -100.0;

  TDataPacket mBuffer;                    // the record being filled
  int mBufCount = 0;                      // frames written into mBuffer
  int mBufferSize = MAXBUF;               // frames per buffer
  std::array<float, MAXNC> mRunningSum{}; // per channel: sum of |sample| of the frames written
  float mPreviousSum = 1.0f;              // the previous buffer's total
  float mThreshold;                       // amplitude; -1 sends every buffer
};

} // namespace weft
