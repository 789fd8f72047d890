#include "AudioFile.h"
#include "HostRunner.h"

#include <sndfile.h>

#include <gtest/gtest.h>

using pw::host::AudioFileWriter;
using pw::host::Status;

namespace {

std::vector<float> Ramp(long frames, float scale)
{
  std::vector<float> x(static_cast<std::size_t>(frames));
  for (long i = 0; i < frames; ++i)
    x[static_cast<std::size_t>(i)] = scale * static_cast<float>(i - frames / 2) / static_cast<float>(frames);
  return x;
}

class AudioFileTest : public ::testing::Test
{
protected:
  Status WriteStereo(const std::string& name, const std::vector<float>& l, const std::vector<float>& r,
                     bool commit = true)
  {
    std::unique_ptr<AudioFileWriter> writer;
    Status status = AudioFileWriter::Create(mFolder.Path(name), 2, 48000, writer);
    const float* channels[] = {l.data(), r.data()};
    if (status)
      status = writer->Write(channels, static_cast<long>(l.size()));
    return status && commit ? writer->Commit() : status;
  }

  pw::test::TempFolder mFolder;
};

} // namespace

TEST_F(AudioFileTest, TheDestinationIsReplacedOnlyOnCommit)
{
  const std::vector<float> x = Ramp(100, 1.0f);
  mFolder.WriteText("out.wav", "previous render");
  ASSERT_TRUE(WriteStereo("out.wav", x, x, false));
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"out.wav"}) << "the uncommitted file is removed";
  EXPECT_EQ(mFolder.ReadText("out.wav"), "previous render");

  std::unique_ptr<AudioFileWriter> writer;
  ASSERT_TRUE(AudioFileWriter::Create(mFolder.Path("new.wav"), 1, 48000, writer));
  EXPECT_EQ(writer->TemporaryPath().rfind(mFolder.Path(".new.wav."), 0), 0u) << "hidden, in the same folder";
  EXPECT_EQ(mFolder.Entries().size(), 2u) << "the hidden file and out.wav";
  ASSERT_TRUE(writer->Commit());
  EXPECT_EQ(mFolder.Entries(), (std::vector<std::string>{"new.wav", "out.wav"}));
}

TEST_F(AudioFileTest, EveryFormatGivesTheSameBytesForTheSameAudio)
{
  const std::vector<float> x = Ramp(3000, 0.5f);
  for (const std::string ext : {".wav", ".aiff", ".flac"})
  {
    ASSERT_TRUE(WriteStereo("a" + ext, x, x));
    ASSERT_TRUE(WriteStereo("b" + ext, x, x));
    EXPECT_EQ(mFolder.ReadText("a" + ext), mFolder.ReadText("b" + ext)) << ext;
    // A PEAK chunk would carry the time of writing.
    EXPECT_EQ(mFolder.ReadText("a" + ext).find("PEAK"), std::string::npos) << ext;
  }
}

TEST_F(AudioFileTest, TheFormatFollowsTheExtension)
{
  const struct { const char* path; int format; } cases[] = { // format 0: refused
    {"x.WAV", SF_FORMAT_WAV | SF_FORMAT_FLOAT},   {"dir.d/x.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
    {"x.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, {"x.mp3", 0},
    {"dir.wav/x", 0},                             {".wav.txt", 0},
  };
  for (const auto& c : cases)
  {
    int format = 0;
    const Status status = AudioFileWriter::FormatForPath(c.path, format);
    EXPECT_EQ(status ? format : 0, c.format) << c.path;
    EXPECT_TRUE(status || status.Message().find("use .wav, .aiff or .flac") != std::string::npos) << c.path;
  }
}

TEST_F(AudioFileTest, FlacIsClippedToFullScale)
{
  const std::vector<float> l = {2.0f, -2.0f, 0.5f, 0.0f};
  ASSERT_TRUE(WriteStereo("x.flac", l, l));
  const auto back = pw::test::ReadAudio(mFolder.Path("x.flac"));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_NEAR(back[0][0], 1.0f, 1e-6);
  EXPECT_NEAR(back[0][1], -1.0f, 1e-6);
  EXPECT_NEAR(back[0][2], 0.5f, 1.0 / 8388608.0);
}

TEST_F(AudioFileTest, RefusesDestinationsItCannotWriteAndAFolderAsInput)
{
  std::unique_ptr<AudioFileWriter> writer;
  EXPECT_NE(AudioFileWriter::Create(mFolder.Path("missing/out.wav"), 2, 48000, writer).Message().find(
              "No such file or directory"),
            std::string::npos);
  mFolder.MakeFolder("taken.wav");
  EXPECT_NE(AudioFileWriter::Create(mFolder.Path("taken.wav"), 2, 48000, writer).Message().find("it is a folder"),
            std::string::npos);
  EXPECT_FALSE(AudioFileWriter::Create(mFolder.Path("x.wav"), 9, 48000, writer));
  EXPECT_EQ(writer, nullptr);
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"taken.wav"});
  std::unique_ptr<pw::host::AudioFileReader> reader;
  EXPECT_NE(pw::host::AudioFileReader::Open(mFolder.Path("taken.wav"), reader).Message().find("not a file"),
            std::string::npos);
}
