#include "AudioFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pw::host {

namespace {

// Frames per libsndfile call.
constexpr long kChunkFrames = 4096;

std::string LowerExtension(const std::string& path)
{
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

} // namespace

// ---- reader ----------------------------------------------------------------

Status AudioFileReader::Open(const std::string& path, std::unique_ptr<AudioFileReader>& out)
{
  struct stat st{};
  if (stat(path.c_str(), &st) != 0)
    return Status::Error("cannot open '" + path + "': " + std::strerror(errno));
  if (!S_ISREG(st.st_mode))
    return Status::Error("cannot open '" + path + "': not a file");

  std::unique_ptr<AudioFileReader> reader(new AudioFileReader());
  reader->mPath = path;
  reader->mFile = sf_open(path.c_str(), SFM_READ, &reader->mInfo);
  if (!reader->mFile)
    return Status::Error("cannot read '" + path + "' as audio: " + sf_strerror(nullptr));
  if (reader->mInfo.channels < 1 || reader->mInfo.channels > kMaxFileChannels)
    return Status::Error("illegal channel count: '" + path + "' has " + std::to_string(reader->mInfo.channels) +
                         " channels, the host takes 1 to " + std::to_string(kMaxFileChannels));
  if (reader->mInfo.frames < 0 || reader->mInfo.frames == SF_COUNT_MAX)
    return Status::Error("cannot tell the length of '" + path + "'");
  if (reader->mInfo.samplerate <= 0)
    return Status::Error("'" + path + "' has no sample rate");
  reader->mInterleaved.resize(static_cast<std::size_t>(kChunkFrames * reader->mInfo.channels));
  const int encoding = reader->mInfo.format & SF_FORMAT_SUBMASK;
  if (encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE)
  {
    Status finite = reader->CheckFinite();
    if (!finite)
      return finite;
  }
  out = std::move(reader);
  return Status::Ok();
}

Status AudioFileReader::CheckFinite()
{
  // Read as double, so that a 64-bit sample beyond the float range is told
  // from NaN and the infinities.
  std::vector<double> chunk(mInterleaved.size());
  std::int64_t nonFinite = 0;
  std::int64_t beyond = 0;
  std::int64_t firstNonFinite = -1;
  std::int64_t firstBeyond = -1;
  const auto channels = static_cast<std::size_t>(mInfo.channels);
  for (std::int64_t frame = 0;;)
  {
    const sf_count_t got = sf_readf_double(mFile, chunk.data(), kChunkFrames);
    if (got < 0 || sf_error(mFile) != SF_ERR_NO_ERROR)
      return Status::Error("reading '" + mPath + "' failed at frame " + std::to_string(frame));
    const auto samples = static_cast<std::size_t>(got) * channels;
    for (std::size_t i = 0; i < samples; ++i)
    {
      const std::int64_t at = frame + static_cast<std::int64_t>(i / channels);
      if (!std::isfinite(chunk[i]))
      {
        if (nonFinite++ == 0)
          firstNonFinite = at;
      }
      else if (std::fabs(chunk[i]) > static_cast<double>(std::numeric_limits<float>::max()))
      {
        if (beyond++ == 0)
          firstBeyond = at;
      }
    }
    frame += got;
    if (got < kChunkFrames)
      break;
  }
  const auto counted = [](std::int64_t n) { return std::to_string(n) + (n == 1 ? " sample is" : " samples are"); };
  if (nonFinite > 0)
    return Status::Error("'" + mPath + "': " + counted(nonFinite) + " not finite (NaN or infinite), the first at frame " +
                         std::to_string(firstNonFinite) + "; the host renders finite audio only");
  if (beyond > 0)
    return Status::Error("'" + mPath + "': " + counted(beyond) +
                         " beyond the float range (above 3.4e38 in magnitude), the first at frame " +
                         std::to_string(firstBeyond) + "; the host renders in 32-bit float");
  if (sf_seek(mFile, 0, SEEK_SET) != 0)
    return Status::Error("cannot read '" + mPath + "' from its start again");
  return Status::Ok();
}

AudioFileReader::~AudioFileReader()
{
  if (mFile)
    sf_close(mFile);
}

long AudioFileReader::Read(float* const* channels, long frames)
{
  const int nChannels = mInfo.channels;
  long done = 0;
  while (done < frames)
  {
    const long want = std::min(kChunkFrames, frames - done);
    const sf_count_t got = sf_readf_float(mFile, mInterleaved.data(), want);
    if (got < 0 || sf_error(mFile) != SF_ERR_NO_ERROR)
      return -1;
    for (sf_count_t i = 0; i < got; ++i)
      for (int c = 0; c < nChannels; ++c)
        channels[c][done + i] = mInterleaved[static_cast<std::size_t>(i * nChannels + c)];
    done += static_cast<long>(got);
    if (got < want)
      break;
  }
  return done;
}

// ---- writer ----------------------------------------------------------------

Status AudioFileWriter::FormatForPath(const std::string& path, int& format)
{
  const std::string ext = LowerExtension(path);
  if (ext == ".wav")
    format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  else if (ext == ".aif" || ext == ".aiff" || ext == ".aifc")
    format = SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
  else if (ext == ".flac")
    format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  else
    return Status::Error("cannot tell the output format of '" + path + "': use .wav, .aiff or .flac");
  return Status::Ok();
}

Status AudioFileWriter::Create(const std::string& path, int channels, int sampleRate,
                               std::unique_ptr<AudioFileWriter>& out)
{
  int format = 0;
  Status status = FormatForPath(path, format);
  if (!status)
    return status;
  struct stat st{};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return Status::Error("cannot write '" + path + "': it is a folder");

  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  if (channels < 1 || channels > kMaxFileChannels || !sf_format_check(&info))
    return Status::Error("cannot write " + std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                         " Hz to '" + path + "'");

  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = folder + "/." + name + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0)
    return Status::Error("cannot write '" + path + "': " + std::strerror(errno));
  // mkstemp makes the file private; give it the mode a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  std::unique_ptr<AudioFileWriter> writer(new AudioFileWriter());
  writer->mChannels = channels;
  writer->mPath = path;
  writer->mTempPath = temp;
  writer->mFd = fd;
  writer->mFile = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
  if (!writer->mFile)
  {
    const std::string why = sf_strerror(nullptr);
    writer->Discard();
    return Status::Error("cannot write '" + path + "': " + why);
  }
  // No PEAK chunk: it carries a time stamp, and the same render must give
  // the same bytes.
  sf_command(writer->mFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  sf_command(writer->mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  writer->mInterleaved.resize(static_cast<std::size_t>(kChunkFrames * channels));
  out = std::move(writer);
  return Status::Ok();
}

AudioFileWriter::~AudioFileWriter()
{
  if (!mCommitted)
    Discard();
}

Status AudioFileWriter::Write(const float* const* channels, long frames)
{
  if (!mFile)
    return Status::Error("cannot write '" + mPath + "': the file is closed");
  long done = 0;
  while (done < frames)
  {
    const long n = std::min(kChunkFrames, frames - done);
    for (long i = 0; i < n; ++i)
      for (int c = 0; c < mChannels; ++c)
        mInterleaved[static_cast<std::size_t>(i * mChannels + c)] = channels[c][done + i];
    if (sf_writef_float(mFile, mInterleaved.data(), n) != n)
      return Status::Error("writing '" + mPath + "' failed: " + sf_strerror(mFile));
    done += n;
  }
  return Status::Ok();
}

Status AudioFileWriter::Commit()
{
  if (!mFile)
    return Status::Error("cannot write '" + mPath + "': the file is closed");
  const int pending = sf_error(mFile);
  const int closed = sf_close(mFile);
  mFile = nullptr;
  const bool flushed = close(mFd) == 0;
  mFd = -1;
  if (pending != SF_ERR_NO_ERROR || closed != 0 || !flushed)
  {
    Discard();
    return Status::Error("writing '" + mPath + "' failed: " +
                         (flushed ? sf_error_number(pending ? pending : closed) : std::strerror(errno)));
  }
  if (std::rename(mTempPath.c_str(), mPath.c_str()) != 0)
  {
    const std::string why = std::strerror(errno);
    Discard();
    return Status::Error("cannot write '" + mPath + "': " + why);
  }
  mCommitted = true;
  return Status::Ok();
}

void AudioFileWriter::Discard() noexcept
{
  if (mFile)
  {
    sf_close(mFile);
    mFile = nullptr;
  }
  if (mFd >= 0)
  {
    close(mFd);
    mFd = -1;
  }
  if (!mTempPath.empty() && !mCommitted)
  {
    unlink(mTempPath.c_str());
    mTempPath.clear();
  }
}

} // namespace pw::host
