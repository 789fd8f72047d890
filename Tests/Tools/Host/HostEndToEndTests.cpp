// Runs the real pressweave-host executable on built component bundles.

#include "HostRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <sstream>

using namespace pw::test;

namespace {

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

  std::set<std::string> ExportedSymbols(const std::string& library) const
  {
    const HostRun nm = RunProgram(kNm, {"-D", "--defined-only", library}, mFolder);
    EXPECT_EQ(nm.exitCode, 0) << nm.err;
    std::set<std::string> names;
    std::istringstream lines(nm.out);
    for (std::string address, kind, name; lines >> address >> kind >> name;)
      names.insert(name);
    return names;
  }

  TempFolder mFolder;
};

} // namespace

TEST_F(HostEndToEndTest, RendersMainTimesTheGainPlusHalfTheSidechainSampleForSample)
{
  const Channels main = Signal(2, 3000, 220.0, 0.6f);
  const Channels side = Signal(2, 3000, 55.0, 0.8f);
  WriteWav(mFolder.Path("main.wav"), main);
  WriteWav(mFolder.Path("side.wav"), side);
  const HostRun run = Render({"--in", mFolder.Path("main.wav"), "--sidechain", mFolder.Path("side.wav"), "--param",
                              "Gain=2.5", "--out", mFolder.Path("out.wav"), "--block", "256"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  int rate = 0;
  const Channels out = ReadAudio(mFolder.Path("out.wav"), &rate);
  EXPECT_EQ(rate, 48000);
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(out[0].size(), 3000u);
  // The test plug-in computes in double: main c x Gain + sidechain c x 0.5.
  for (std::size_t c = 0; c < 2; ++c)
    for (std::size_t i = 0; i < 3000; ++i)
      ASSERT_EQ(out[c][i], static_cast<float>(main[c][i] * 2.5 + side[c][i] * 0.5)) << "channel " << c << " frame " << i;
  EXPECT_NE(run.out.find("wrote " + mFolder.Path("out.wav")), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("x real time"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("CHANNEL IO PARSER"), std::string::npos) << "only the summary is printed";

  // A mono track with a stereo insert: the one channel reaches both outputs
  // (a sidechain alike on both sides keeps them alike).
  WriteWav(mFolder.Path("mono.wav"), Signal(1, 3000, 220.0, 0.6f));
  WriteWav(mFolder.Path("side.wav"), Channels{side[0], side[0]});
  HostRun mono;
  for (const char* mode : {"Ringmod", "Compressor", "Combined"})
  {
    mono = Host({"render", "--in", mFolder.Path("mono.wav"), "--sidechain", mFolder.Path("side.wav"), "--param",
                 std::string("Sidechain Mode=") + mode, "--outputs", "2", "--out", mFolder.Path("mono-out.wav"),
                 "--verbose"});
    ASSERT_EQ(mono.exitCode, 0) << mono.err;
    const Channels stereo = ReadAudio(mFolder.Path("mono-out.wav"));
    ASSERT_EQ(stereo.size(), 2u);
    EXPECT_EQ(stereo[1], stereo[0]) << mode;
    EXPECT_NE(stereo[1][100], 0.0f) << mode;
  }
  EXPECT_NE(mono.out.find("CHANNEL IO PARSER"), std::string::npos) << "--verbose lets it through";
}

TEST_F(HostEndToEndTest, AFailedRenderExitsWithOneWithoutWritingAnything)
{
  WriteWav(mFolder.Path("main.wav"), Signal(2, 100, 100.0, 0.5f));
  WriteWav(mFolder.Path("three.wav"), Signal(3, 100, 100.0, 0.5f));
  WriteWav(mFolder.Path("side4.wav"), Signal(4, 100, 100.0, 0.5f));
  WriteWav(mFolder.Path("side44.wav"), Signal(1, 100, 100.0, 0.5f), 44100);
  mFolder.WriteText("text.wav", "plain text, not audio");
  const std::string out = mFolder.Path("out.wav");
  const std::string in = mFolder.Path("main.wav");
  const struct { std::vector<std::string> options; std::string message; } cases[] = {
    {{"--bundle", mFolder.Path("None.component")}, "no component bundle at"},
    {{"--in", mFolder.Path("text.wav")}, "as audio"},
    {{"--in", mFolder.Path("none.wav")}, "cannot open"},
    {{"--sidechain", mFolder.Path("text.wav")}, "as audio"},
    {{"--param", "Loudness=3"}, "unknown parameter 'Loudness'"},
    {{"--in", mFolder.Path("three.wav")}, "illegal channel count"},
    {{"--in", in, "--sidechain", mFolder.Path("side4.wav")}, "illegal channel count"},
    {{"--in", in, "--rate", "44100"}, "is at 48000 Hz, not the 44100 Hz of --rate"},
    {{"--in", in, "--sidechain", mFolder.Path("side44.wav")}, "is at 44100 Hz, the main input at 48000 Hz"},
    {{"--in", in, "--out", mFolder.Path("out.mp3")}, "use .wav, .aiff or .flac"},
  };
  const std::vector<std::string> entries = mFolder.Entries();
  for (const auto& c : cases)
  {
    std::vector<std::string> args = {"render"};
    for (const std::string option : {"--bundle", "--out"})
      if (std::find(c.options.begin(), c.options.end(), option) == c.options.end())
        args.insert(args.end(), {option, option == "--out" ? out : kTestBundle});
    args.insert(args.end(), c.options.begin(), c.options.end());
    ExpectRefused(Host(args), c.message, mFolder, entries);
  }
  mFolder.WriteText("out.wav", "an earlier render");
  ExpectRefused(Render({"--param", "Nope=1", "--out", out}), "unknown parameter", mFolder, mFolder.Entries());
  EXPECT_EQ(mFolder.ReadText("out.wav"), "an earlier render");
}

TEST_F(HostEndToEndTest, UsageErrorsExitWithTwoAndHelpWithZero)
{
  const HostRun none = Host({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.err, "pressweave-host: no command given (see 'pressweave-host help')\n");
  EXPECT_EQ(Host({"render", "--block", "0"}).exitCode, 2);
  const HostRun help = Host({"help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: pressweave-host", 0), 0u) << help.out;
}

TEST_F(HostEndToEndTest, InfoDescribesTheComponentFromItsBundleAndItsProperties)
{
  const HostRun run = Host({"info", kTestBundle});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected :
       {"Pressweave Tests: PWTestGain", "identifier    com.pressweave.tests.PWTestGain", "version       1.2.3",
        "type aufx, subtype TGan, manufacturer PWts", "factory       PWTestGain_Factory", "input 1", "output 0",
        " 1-1 1-2 2-1 2-2\n"})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;
}

TEST_F(HostEndToEndTest, TheComponentsExportExactlyTheirEntryPoints)
{
  if (kNm.empty() || access(kNm.c_str(), X_OK) != 0 || kPressweaveBundle.empty() || kBrokenBundle.empty())
    GTEST_SKIP() << "nm or a component is not available";
  EXPECT_EQ(ExportedSymbols(kTestBundle + "/Contents/MacOS/PWTestGain"),
            (std::set<std::string>{"PWTestGain_Factory", "PWTestGain_Entry"}));
  EXPECT_EQ(ExportedSymbols(kBrokenBundle + "/Contents/MacOS/PWTestBroken"),
            (std::set<std::string>{"PWTestBroken_Factory", "PWTestBroken_Entry"}));
  EXPECT_EQ(ExportedSymbols(kPressweaveBundle + "/Contents/MacOS/Pressweave"),
            (std::set<std::string>{"Pressweave_Factory", "Pressweave_Entry", "CFAUPresetCreate", "CFAUPresetRetain",
                                   "CFAUPresetRelease", "CFAUPresetArrayRetainCallBack",
                                   "CFAUPresetArrayReleaseCallBack", "CFAUPresetArrayEqualCallBack",
                                   "CFAUPresetArrayCopyDescriptionCallBack", "CFAUPresetArrayCallBacks_Init",
                                   "kCFAUPresetArrayCallBacks"}));
}

TEST_F(HostEndToEndTest, WithoutABundleTheHostRendersTheBuildsPressweaveTheSameTwice)
{
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  EXPECT_TRUE(std::filesystem::exists(kPressweaveBundle + "/Contents/Resources/Roboto-Regular.ttf"));
  const HostRun info = Host({"info"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_EQ(info.out.rfind("Corvantis x Lumidrake: Pressweave\n", 0), 0u) << "the component's own output only with --verbose:\n"
                                                                         << info.out;
  const HostRun verbose = Host({"info", "--verbose"});
  ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
  EXPECT_NE(verbose.out.find("CHANNEL IO"), std::string::npos) << verbose.out;
  EXPECT_NE(verbose.out.find(info.out), std::string::npos) << verbose.out;
  EXPECT_NE(info.out.find("type aufx, subtype Vrkq, manufacturer Lmdk"), std::string::npos) << info.out;
  for (const char* name : {"a.wav", "b.wav"})
  {
    const HostRun run = Host({"render", "--out", mFolder.Path(name)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("built-in kick"), std::string::npos) << run.out;
  }
  const std::string a = mFolder.ReadText("a.wav");
  EXPECT_GT(a.size(), 384000u * 2 * 4) << "eight seconds of stereo float";
  EXPECT_EQ(a, mFolder.ReadText("b.wav"));
}

TEST_F(HostEndToEndTest, AParameterValueMayCarryTheUnitInfoShows)
{
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  WriteWav(mFolder.Path("in.wav"), Signal(2, 4800, 220.0, 0.5f));
  const auto render = [this](const std::string& threshold, const std::string& width, const std::string& out) {
    return Host({"render", "--in", mFolder.Path("in.wav"), "--param", "Threshold=" + threshold, "--param",
                 "Stereo Width=" + width, "--out", mFolder.Path(out)});
  };
  ASSERT_EQ(render("-24", "200", "bare.wav").exitCode, 0);
  ASSERT_EQ(render("-24 dB", "200%", "units.wav").exitCode, 0);
  EXPECT_EQ(mFolder.ReadText("bare.wav"), mFolder.ReadText("units.wav"));
  ExpectRefused(render("-24 Hz", "200", "hz.wav"),
                "'-24 Hz' is not a value of parameter 'Threshold' (a number in dB from -60 to 0, the unit optional)",
                mFolder, mFolder.Entries());
}

TEST_F(HostEndToEndTest, AnInputWithSamplesThatAreNotFiniteIsRefusedBeforeAnythingIsWritten)
{
  Channels bad = Signal(2, 5000, 220.0, 0.5f); // more than one read chunk
  bad[0][10] = std::numeric_limits<float>::quiet_NaN();
  bad[1][20] = std::numeric_limits<float>::infinity();
  bad[0][4999] = -std::numeric_limits<float>::infinity();
  WriteWav(mFolder.Path("bad.wav"), bad);
  // The same in 64 bits; one NaN, and one finite sample the float range
  // cannot hold, in the second read chunk (the largest float is taken).
  const std::vector<std::vector<double>> bad64 = {{bad[0].begin(), bad[0].end()}, {bad[1].begin(), bad[1].end()}};
  std::vector<std::vector<double>> nan64 = {bad64[0], bad64[0]};
  nan64[0][10] = nan64[0][4999] = nan64[1][10] = nan64[1][4999] = 0.5;
  std::vector<std::vector<double>> huge64 = nan64;
  nan64[1][4500] = std::numeric_limits<double>::quiet_NaN();
  huge64[1][4500] = -1e300;
  huge64[0][3] = std::numeric_limits<float>::max();
  WriteWav(mFolder.Path("bad64.wav"), bad64);
  WriteWav(mFolder.Path("nan64.wav"), nan64);
  WriteWav(mFolder.Path("huge64.wav"), huge64);
  WriteWav(mFolder.Path("good.wav"), Signal(2, 5000, 110.0, 0.5f));
  const std::vector<std::string> entries = mFolder.Entries();
  const std::string notFinite = "': 3 samples are not finite (NaN or infinite), the first at frame 10; the host "
                                "renders finite audio only";
  for (const auto& [file, message] :
       {std::pair{"bad.wav", notFinite}, std::pair{"bad64.wav", notFinite},
        std::pair{"nan64.wav", std::string("': 1 sample is not finite (NaN or infinite), the first at frame 4500")},
        std::pair{"huge64.wav", std::string("': 1 sample is beyond the float range (above 3.4e38 in magnitude), the "
                                            "first at frame 4500; the host renders in 32-bit float")}})
    for (const auto& [main, side] : {std::pair{file, "good.wav"}, std::pair{"good.wav", file}})
    {
      const HostRun run = Render({"--in", mFolder.Path(main), "--sidechain", mFolder.Path(side), "--out",
                                  mFolder.Path("out.wav"), "--save-state", mFolder.Path("s.state")});
      ExpectRefused(run, "'" + mFolder.Path(file) + message, mFolder, entries);
      EXPECT_EQ(run.out, "") << "no summary";
    }
}
