#include "AudioFile.h"
#include "TempFolder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using pw::host::AudioFileReader;
using pw::host::AudioFileWriter;
using pw::host::Status;
using pw::test::TempFolder;

namespace {

std::vector<float> Ramp(long frames, float scale)
{
  std::vector<float> x(static_cast<std::size_t>(frames));
  for (long i = 0; i < frames; ++i)
    x[static_cast<std::size_t>(i)] = scale * static_cast<float>(i - frames / 2) / static_cast<float>(frames);
  return x;
}

Status WriteStereo(const std::string& path, const std::vector<float>& l, const std::vector<float>& r)
{
  std::unique_ptr<AudioFileWriter> writer;
  Status status = AudioFileWriter::Create(path, 2, 48000, writer);
  if (!status)
    return status;
  const float* channels[] = {l.data(), r.data()};
  if (!(status = writer->Write(channels, static_cast<long>(l.size()))))
    return status;
  return writer->Commit();
}

std::vector<std::vector<float>> ReadWhole(const std::string& path)
{
  std::unique_ptr<AudioFileReader> reader;
  const Status status = AudioFileReader::Open(path, reader);
  EXPECT_TRUE(status) << status.Message();
  if (!status)
    return {};
  std::vector<std::vector<float>> out(static_cast<std::size_t>(reader->Channels()),
                                      std::vector<float>(static_cast<std::size_t>(reader->Frames())));
  std::vector<float*> pointers;
  for (auto& channel : out)
    pointers.push_back(channel.data());
  EXPECT_EQ(reader->Read(pointers.data(), static_cast<long>(reader->Frames())), reader->Frames());
  return out;
}

} // namespace

class AudioFileTest : public ::testing::Test
{
protected:
  TempFolder mFolder;
};

// ---- writing ---------------------------------------------------------------

TEST_F(AudioFileTest, TheDestinationAppearsOnlyOnCommit)
{
  const std::string path = mFolder.Path("out.wav");
  std::unique_ptr<AudioFileWriter> writer;
  ASSERT_TRUE(AudioFileWriter::Create(path, 1, 48000, writer));
  const std::vector<float> x = Ramp(1000, 1.0f);
  const float* channels[] = {x.data()};
  ASSERT_TRUE(writer->Write(channels, 1000));
  EXPECT_FALSE(mFolder.Exists("out.wav"));
  const std::string temp = writer->TemporaryPath();
  EXPECT_EQ(temp.rfind(mFolder.Path(".out.wav."), 0), 0u) << temp << ": hidden, in the same folder";
  ASSERT_TRUE(writer->Commit());
  EXPECT_TRUE(mFolder.Exists("out.wav"));
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"out.wav"});
}

TEST_F(AudioFileTest, AnUncommittedWriterLeavesNothingAndKeepsAnOldFile)
{
  mFolder.WriteText("out.wav", "previous render");
  {
    std::unique_ptr<AudioFileWriter> writer;
    ASSERT_TRUE(AudioFileWriter::Create(mFolder.Path("out.wav"), 2, 48000, writer));
    const std::vector<float> x = Ramp(100, 1.0f);
    const float* channels[] = {x.data(), x.data()};
    ASSERT_TRUE(writer->Write(channels, 100));
  }
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"out.wav"});
  EXPECT_EQ(mFolder.ReadText("out.wav"), "previous render");
}

TEST_F(AudioFileTest, FloatWavKeepsEverySampleExactly)
{
  const std::vector<float> l = Ramp(5000, 3.0f); // beyond full scale too
  const std::vector<float> r = Ramp(5000, -0.001f);
  ASSERT_TRUE(WriteStereo(mFolder.Path("x.wav"), l, r));
  const auto back = ReadWhole(mFolder.Path("x.wav"));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], l);
  EXPECT_EQ(back[1], r);

  SF_INFO info{};
  SNDFILE* file = sf_open(mFolder.Path("x.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(info.samplerate, 48000);
  sf_close(file);
}

TEST_F(AudioFileTest, TheSameAudioGivesTheSameBytes)
{
  const std::vector<float> x = Ramp(3000, 0.5f);
  for (const char* ext : {".wav", ".aiff", ".flac"})
  {
    ASSERT_TRUE(WriteStereo(mFolder.Path(std::string("a") + ext), x, x));
    ASSERT_TRUE(WriteStereo(mFolder.Path(std::string("b") + ext), x, x));
    EXPECT_EQ(mFolder.ReadText(std::string("a") + ext), mFolder.ReadText(std::string("b") + ext)) << ext;
    // A PEAK chunk would carry the time of writing.
    EXPECT_EQ(mFolder.ReadText(std::string("a") + ext).find("PEAK"), std::string::npos) << ext;
  }
}

TEST_F(AudioFileTest, TheFormatFollowsTheExtension)
{
  int format = 0;
  ASSERT_TRUE(AudioFileWriter::FormatForPath("x.WAV", format));
  EXPECT_EQ(format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  ASSERT_TRUE(AudioFileWriter::FormatForPath("dir.d/x.aif", format));
  EXPECT_EQ(format, SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
  ASSERT_TRUE(AudioFileWriter::FormatForPath("x.flac", format));
  EXPECT_EQ(format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  for (const char* bad : {"x.mp3", "x", "dir.wav/x", ".wav.txt"})
  {
    const Status status = AudioFileWriter::FormatForPath(bad, format);
    ASSERT_FALSE(status) << bad;
    EXPECT_NE(status.Message().find("use .wav, .aiff or .flac"), std::string::npos);
  }
}

TEST_F(AudioFileTest, FlacIsClippedToFullScale)
{
  const std::vector<float> l = {2.0f, -2.0f, 0.5f, 0.0f};
  ASSERT_TRUE(WriteStereo(mFolder.Path("x.flac"), l, l));
  const auto back = ReadWhole(mFolder.Path("x.flac"));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_NEAR(back[0][0], 1.0f, 1e-6);
  EXPECT_NEAR(back[0][1], -1.0f, 1e-6);
  EXPECT_NEAR(back[0][2], 0.5f, 1.0 / 8388608.0);
  EXPECT_EQ(back[0][3], 0.0f);
}

TEST_F(AudioFileTest, RefusesDestinationsItCannotWrite)
{
  std::unique_ptr<AudioFileWriter> writer;
  Status status = AudioFileWriter::Create(mFolder.Path("missing/out.wav"), 2, 48000, writer);
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("No such file or directory"), std::string::npos) << status.Message();
  mFolder.MakeFolder("taken.wav");
  status = AudioFileWriter::Create(mFolder.Path("taken.wav"), 2, 48000, writer);
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("it is a folder"), std::string::npos) << status.Message();
  EXPECT_FALSE(AudioFileWriter::Create(mFolder.Path("x.wav"), 0, 48000, writer));
  EXPECT_FALSE(AudioFileWriter::Create(mFolder.Path("x.wav"), 9, 48000, writer));
  EXPECT_EQ(writer, nullptr);
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"taken.wav"});
}

// ---- reading ---------------------------------------------------------------

TEST_F(AudioFileTest, ReadsIntegerFilesAsFloatInPieces)
{
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = 44100;
  info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(mFolder.Path("in.aiff").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<short> pcm(10000);
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<short>(i % 2 ? 16384 : -32768);
  ASSERT_EQ(sf_writef_short(file, pcm.data(), 10000), 10000);
  sf_close(file);

  std::unique_ptr<AudioFileReader> reader;
  ASSERT_TRUE(AudioFileReader::Open(mFolder.Path("in.aiff"), reader));
  EXPECT_EQ(reader->Channels(), 1);
  EXPECT_EQ(reader->SampleRate(), 44100.0);
  EXPECT_EQ(reader->Frames(), 10000);
  std::vector<float> x(6000);
  float* channels[] = {x.data()};
  ASSERT_EQ(reader->Read(channels, 6000), 6000);
  EXPECT_EQ(x[0], -1.0f);
  EXPECT_EQ(x[1], 0.5f);
  EXPECT_EQ(reader->Read(channels, 6000), 4000) << "the rest, then the end";
  EXPECT_EQ(reader->Read(channels, 6000), 0);
}

TEST_F(AudioFileTest, RefusesFilesThatAreNotUsableAudio)
{
  std::unique_ptr<AudioFileReader> reader;
  Status status = AudioFileReader::Open(mFolder.Path("none.wav"), reader);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message().rfind("cannot open '", 0), 0u) << status.Message();

  mFolder.WriteText("text.wav", "this is not a wave file at all");
  status = AudioFileReader::Open(mFolder.Path("text.wav"), reader);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message().rfind("cannot read '" + mFolder.Path("text.wav") + "' as audio", 0), 0u)
    << status.Message();

  status = AudioFileReader::Open(mFolder.Path(""), reader);
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("not a file"), std::string::npos) << status.Message();

  SF_INFO info{};
  info.channels = 9;
  info.samplerate = 48000;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(mFolder.Path("nine.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  const std::vector<float> frame(9, 0.0f);
  sf_writef_float(file, frame.data(), 1);
  sf_close(file);
  status = AudioFileReader::Open(mFolder.Path("nine.wav"), reader);
  ASSERT_FALSE(status);
  EXPECT_NE(status.Message().find("illegal channel count"), std::string::npos) << status.Message();
  EXPECT_EQ(reader, nullptr);
}
