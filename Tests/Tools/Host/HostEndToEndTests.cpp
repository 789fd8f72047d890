// Runs the real pressweave-host executable on built component bundles.

#include "HostRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

using namespace pw::test;

namespace {

std::set<std::string> ExportedSymbols(const std::string& library, const pw::test::TempFolder& folder)
{
  const HostRun nm = RunProgram(kNm, {"-D", "--defined-only", library}, folder);
  EXPECT_EQ(nm.exitCode, 0) << nm.err;
  std::set<std::string> names;
  std::istringstream lines(nm.out);
  std::string address, kind, name;
  while (lines >> address >> kind >> name)
    names.insert(name);
  return names;
}

class HostEndToEndTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kHost.empty() || kTestBundle.empty())
      GTEST_SKIP() << "the host or the test component is not built";
  }

  HostRun Host(std::vector<std::string> args) const { return RunProgram(kHost, args, mFolder); }
  HostRun Render(std::vector<std::string> options) const
  {
    options.insert(options.begin(), {"render", "--bundle", kTestBundle});
    return Host(options);
  }

  // A failed run: exit 1, one line on standard error naming the problem,
  // and the folder exactly as it was.
  void ExpectFailure(const HostRun& run, const std::string& fragment, const std::vector<std::string>& entriesBefore)
  {
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("pressweave-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
    EXPECT_EQ(mFolder.Entries(), entriesBefore) << "a failed render leaves nothing behind";
  }

  pw::test::TempFolder mFolder;
};

} // namespace

// ---- rendering files -----------------------------------------------------------

TEST_F(HostEndToEndTest, RendersMainPlusHalfTheSidechainSampleForSample)
{
  const Channels main = Signal(2, 3000, 220.0, 0.6f);
  const Channels side = Signal(2, 3000, 55.0, 0.8f);
  WriteWav(mFolder.Path("main.wav"), main);
  WriteWav(mFolder.Path("side.wav"), side);
  const HostRun run = Render({"--in", mFolder.Path("main.wav"), "--sidechain", mFolder.Path("side.wav"), "--out",
                              mFolder.Path("out.wav"), "--block", "256"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  int rate = 0;
  const Channels out = ReadAudio(mFolder.Path("out.wav"), &rate);
  EXPECT_EQ(rate, 48000);
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(out[0].size(), 3000u);
  // The test plug-in: output c = main c x 1 + sidechain c x 0.5, in double.
  for (std::size_t c = 0; c < 2; ++c)
    for (std::size_t i = 0; i < 3000; ++i)
      ASSERT_EQ(out[c][i], static_cast<float>(static_cast<double>(main[c][i]) + static_cast<double>(side[c][i]) * 0.5))
        << "channel " << c << " frame " << i;
  EXPECT_NE(run.out.find("wrote " + mFolder.Path("out.wav")), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("sidechain in"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("x real time"), std::string::npos) << run.out;
}

TEST_F(HostEndToEndTest, MonoWithoutSidechainComesOutUnchanged)
{
  const Channels main = Signal(1, 1000, 1000.0, 0.9f);
  WriteWav(mFolder.Path("mono.wav"), main);
  const HostRun run = Render({"--in", mFolder.Path("mono.wav"), "--out", mFolder.Path("out.wav"), "--block", "100"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAudio(mFolder.Path("out.wav")), main);
}

TEST_F(HostEndToEndTest, BypassGivesTheInputBitForBit)
{
  const Channels main = Signal(2, 2000, 330.0, 0.7f);
  WriteWav(mFolder.Path("main.wav"), main);
  WriteWav(mFolder.Path("side.wav"), Signal(1, 2000, 60.0, 1.0f));
  const HostRun run = Render({"--in", mFolder.Path("main.wav"), "--sidechain", mFolder.Path("side.wav"), "--bypass",
                              "--out", mFolder.Path("out.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAudio(mFolder.Path("out.wav")), main);
}

TEST_F(HostEndToEndTest, TheSameRenderTwiceGivesTheSameBytes)
{
  for (const char* name : {"a.wav", "b.wav"})
  {
    const HostRun run = Render({"--out", mFolder.Path(name)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  const std::string a = mFolder.ReadText("a.wav");
  EXPECT_GT(a.size(), 384000u * 2 * 4) << "eight seconds of stereo float";
  EXPECT_EQ(a, mFolder.ReadText("b.wav"));
  const Channels out = ReadAudio(mFolder.Path("a.wav"));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_GT(*std::max_element(out[0].begin(), out[0].end()), 0.1f) << "the built-in signal is audible";
}

TEST_F(HostEndToEndTest, TheOutputFormatFollowsTheExtension)
{
  WriteWav(mFolder.Path("main.wav"), Signal(2, 500, 440.0, 0.5f));
  const HostRun run = Render({"--in", mFolder.Path("main.wav"), "--out", mFolder.Path("out.flac")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  SF_INFO info{};
  SNDFILE* file = sf_open(mFolder.Path("out.flac").c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
  EXPECT_EQ(info.frames, 500);
  sf_close(file);
}

TEST_F(HostEndToEndTest, AParameterIsSetByNameInItsDisplayUnits)
{
  const HostRun info = Host({"info", kTestBundle});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  if (info.out.find("parameters: not described") != std::string::npos)
    GTEST_SKIP() << "the component does not describe its parameters yet";
  const Channels main = Signal(1, 800, 200.0, 0.4f);
  WriteWav(mFolder.Path("main.wav"), main);
  const HostRun run = Render({"--in", mFolder.Path("main.wav"), "--param", "Gain=2.5", "--out", mFolder.Path("out.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Channels out = ReadAudio(mFolder.Path("out.wav"));
  ASSERT_EQ(out.size(), 1u);
  for (std::size_t i = 0; i < main[0].size(); ++i)
    ASSERT_EQ(out[0][i], static_cast<float>(static_cast<double>(main[0][i]) * 2.5)) << i;
}

// ---- failing renders ------------------------------------------------------------

TEST_F(HostEndToEndTest, AMissingBundleFailsWithoutOutput)
{
  const HostRun run = Host({"render", "--bundle", mFolder.Path("None.component"), "--out", mFolder.Path("out.wav")});
  ExpectFailure(run, "no component bundle at", {});
}

TEST_F(HostEndToEndTest, ABadInputFileFailsWithoutOutput)
{
  mFolder.WriteText("text.wav", "plain text, not audio");
  ExpectFailure(Render({"--in", mFolder.Path("text.wav"), "--out", mFolder.Path("out.wav")}), "as audio",
                {"text.wav"});
  ExpectFailure(Render({"--in", mFolder.Path("none.wav"), "--out", mFolder.Path("out.wav")}), "cannot open",
                {"text.wav"});
  ExpectFailure(Render({"--sidechain", mFolder.Path("text.wav"), "--out", mFolder.Path("out.wav")}), "as audio",
                {"text.wav"});
}

TEST_F(HostEndToEndTest, AnUnknownParameterFailsWithoutOutput)
{
  const HostRun run = Render({"--param", "Loudness=3", "--out", mFolder.Path("out.wav")});
  ExpectFailure(run, "unknown parameter 'Loudness'", {});
}

TEST_F(HostEndToEndTest, AnIllegalChannelCountFailsWithoutOutput)
{
  WriteWav(mFolder.Path("three.wav"), Signal(3, 100, 100.0, 0.5f));
  ExpectFailure(Render({"--in", mFolder.Path("three.wav"), "--out", mFolder.Path("out.wav")}), "illegal channel count",
                {"three.wav"});
  WriteWav(mFolder.Path("main.wav"), Signal(2, 100, 100.0, 0.5f));
  WriteWav(mFolder.Path("side4.wav"), Signal(4, 100, 100.0, 0.5f));
  ExpectFailure(Render({"--in", mFolder.Path("main.wav"), "--sidechain", mFolder.Path("side4.wav"), "--out",
                        mFolder.Path("out.wav")}),
                "illegal channel count", {"main.wav", "side4.wav", "three.wav"});
}

TEST_F(HostEndToEndTest, AFailedRenderKeepsAnEarlierOutputFile)
{
  mFolder.WriteText("out.wav", "an earlier render");
  ExpectFailure(Render({"--param", "Nope=1", "--out", mFolder.Path("out.wav")}), "unknown parameter", {"out.wav"});
  EXPECT_EQ(mFolder.ReadText("out.wav"), "an earlier render");
}

TEST_F(HostEndToEndTest, MismatchedRatesAndUnknownFormatsAreRefused)
{
  WriteWav(mFolder.Path("main.wav"), Signal(2, 100, 100.0, 0.5f), 48000);
  WriteWav(mFolder.Path("side.wav"), Signal(1, 100, 100.0, 0.5f), 44100);
  ExpectFailure(Render({"--in", mFolder.Path("main.wav"), "--rate", "44100", "--out", mFolder.Path("out.wav")}),
                "is at 48000 Hz, not the 44100 Hz of --rate", {"main.wav", "side.wav"});
  ExpectFailure(Render({"--in", mFolder.Path("main.wav"), "--sidechain", mFolder.Path("side.wav"), "--out",
                        mFolder.Path("out.wav")}),
                "is at 44100 Hz, the main input at 48000 Hz", {"main.wav", "side.wav"});
  ExpectFailure(Render({"--in", mFolder.Path("main.wav"), "--out", mFolder.Path("out.mp3")}),
                "use .wav, .aiff or .flac", {"main.wav", "side.wav"});
}

TEST_F(HostEndToEndTest, UsageErrorsExitWithTwoAndHelpWithZero)
{
  const HostRun none = Host({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.err, "pressweave-host: no command given (see 'pressweave-host help')\n");
  const HostRun bad = Host({"render", "--block", "0"});
  EXPECT_EQ(bad.exitCode, 2);
  const HostRun help = Host({"help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: pressweave-host"), std::string::npos);
  EXPECT_TRUE(help.err.empty());
}

// ---- identity and exports ---------------------------------------------------------

TEST_F(HostEndToEndTest, InfoDescribesTheComponentFromItsBundleAndItsProperties)
{
  const HostRun run = Host({"info", kTestBundle});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected :
       {"Pressweave Tests: PWTestGain", "identifier    com.pressweave.tests.PWTestGain", "version       1.2.3",
        "type aufx, subtype TGan, manufacturer PWts", "factory       PWTestGain_Factory", "input 0",
        "input 1", "output 0", " 1-1 2-1 3-1 3-2 3-1 3-2 2-2 4-2\n"})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;
}

TEST_F(HostEndToEndTest, TheComponentsExportExactlyTheirEntryPoints)
{
  if (kNm.empty() || access(kNm.c_str(), X_OK) != 0)
    GTEST_SKIP() << "nm is not available";
  EXPECT_EQ(ExportedSymbols(kTestBundle + "/Contents/MacOS/PWTestGain", mFolder),
            (std::set<std::string>{"PWTestGain_Factory", "PWTestGain_Entry"}));
  if (!kPressweaveBundle.empty())
  {
    EXPECT_EQ(ExportedSymbols(kPressweaveBundle + "/Contents/MacOS/Pressweave", mFolder),
              (std::set<std::string>{"Pressweave_Factory", "Pressweave_Entry", "CFAUPresetCreate", "CFAUPresetRetain",
                                     "CFAUPresetRelease", "CFAUPresetArrayRetainCallBack",
                                     "CFAUPresetArrayReleaseCallBack", "CFAUPresetArrayEqualCallBack",
                                     "CFAUPresetArrayCopyDescriptionCallBack", "CFAUPresetArrayCallBacks_Init",
                                     "kCFAUPresetArrayCallBacks"}));
  }
}

// ---- the product ------------------------------------------------------------------

TEST_F(HostEndToEndTest, WithoutArgumentsTheHostUsesTheBuildsPressweaveComponent)
{
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  EXPECT_TRUE(std::filesystem::exists(kPressweaveBundle + "/Contents/Resources/Roboto-Regular.ttf"));
  const HostRun info = Host({"info"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Corvantis x Lumidrake: Pressweave"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("type aufx, subtype Vrkq, manufacturer Lmdk"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("com.Corvantis x Lumidrake.audiounit.Pressweave"), std::string::npos) << info.out;

  for (const char* name : {"a.wav", "b.wav"})
  {
    const HostRun run = Host({"render", "--out", mFolder.Path(name)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("built-in kick"), std::string::npos) << run.out;
  }
  EXPECT_EQ(mFolder.ReadText("a.wav"), mFolder.ReadText("b.wav")) << "the product renders deterministically";
}
