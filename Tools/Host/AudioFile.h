#pragma once
// Audio files through libsndfile: a reader for WAV, AIFF, FLAC (and the
// other formats libsndfile reads) delivering float channels, and a writer
// that never leaves a partial file behind: it writes into a hidden temporary
// file in the destination's folder and renames it into place only on
// Commit; until then, and on any failure, the destination is untouched.

#include "HostStatus.h"
#include "SignalSource.h"

#include <sndfile.h>

#include <memory>
#include <string>
#include <vector>

namespace pw::host {

// Most channels the host handles on one bus.
inline constexpr int kMaxFileChannels = 8;

class AudioFileReader final : public SignalSource
{
public:
  // Opens path for reading. Refuses files without audio channels, with more
  // than kMaxFileChannels, or of unknown length, and a file of float samples
  // (32 or 64 bits) with any sample that is not finite (NaN or infinite) or,
  // finite, beyond the float range: the message counts them and names the
  // first one's frame. Such a file is read through once to check it.
  static Status Open(const std::string& path, std::unique_ptr<AudioFileReader>& out);
  ~AudioFileReader() override;

  int Channels() const noexcept override { return mInfo.channels; }
  double SampleRate() const noexcept override { return mInfo.samplerate; }
  std::int64_t Frames() const noexcept override { return mInfo.frames; }
  long Read(float* const* channels, long frames) override;
  std::string Describe() const override { return mPath; }

private:
  AudioFileReader() = default;
  // Reads the whole file, then seeks back to its start; fails when a sample
  // is not finite or beyond the float range.
  Status CheckFinite();

  SNDFILE* mFile = nullptr;
  SF_INFO mInfo{};
  std::string mPath;
  std::vector<float> mInterleaved; // one read chunk
};

class AudioFileWriter final : public SignalSink
{
public:
  // The libsndfile format for the destination's extension: .wav 32-bit
  // float WAV, .aif/.aiff/.aifc 32-bit float AIFF, .flac 24-bit FLAC
  // (clipped). Any other extension is refused.
  static Status FormatForPath(const std::string& path, int& format);

  // Creates the temporary file next to path. Refuses an unknown extension,
  // a destination that is a folder, and a folder that cannot be written.
  static Status Create(const std::string& path, int channels, int sampleRate, std::unique_ptr<AudioFileWriter>& out);
  // Discards the temporary file unless Commit succeeded.
  ~AudioFileWriter() override;

  Status Write(const float* const* channels, long frames) override;
  // Finishes the file and renames it to the destination. On failure the
  // temporary file is removed.
  Status Commit();
  // Removes the temporary file; the destination is untouched.
  void Discard() noexcept;

  const std::string& TemporaryPath() const noexcept { return mTempPath; }

private:
  AudioFileWriter() = default;

  SNDFILE* mFile = nullptr;
  int mFd = -1; // the temporary file, closed after mFile
  int mChannels = 0;
  std::string mPath;
  std::string mTempPath;
  bool mCommitted = false;
  std::vector<float> mInterleaved; // one write chunk
};

} // namespace pw::host
