#include "CommandLine.h"

#include <gtest/gtest.h>

using pw::host::CommandKind;
using pw::host::CommandLine;
using pw::host::ParseCommandLine;
using pw::host::Status;

namespace {

CommandLine Parsed(const std::vector<std::string>& args)
{
  CommandLine line;
  const Status status = ParseCommandLine(args, line);
  EXPECT_TRUE(status) << status.Message();
  return line;
}

std::string Refusal(const std::vector<std::string>& args)
{
  CommandLine line;
  line.outPath = "untouched";
  const Status status = ParseCommandLine(args, line);
  EXPECT_FALSE(status);
  EXPECT_EQ(line.outPath, "untouched") << "a refused command line changes nothing";
  return status.Message();
}

} // namespace

TEST(HostCommandLine, RenderWithoutOptionsUsesTheDefaults)
{
  const CommandLine line = Parsed({"render"});
  EXPECT_EQ(line.kind, CommandKind::Render);
  EXPECT_TRUE(line.bundlePath.empty());
  EXPECT_TRUE(line.inPath.empty());
  EXPECT_TRUE(line.outPath.empty());
  EXPECT_TRUE(line.params.empty());
  EXPECT_EQ(line.blockSize, 512u);
  EXPECT_EQ(line.sampleRate, 0);
  EXPECT_EQ(line.hostBundleId, "com.pressweave.host");
  EXPECT_FALSE(line.bypass);
}

TEST(HostCommandLine, RenderTakesEveryOptionInBothForms)
{
  const CommandLine line = Parsed({"render", "--in", "a.wav", "--sidechain=b.aiff", "--out", "c.flac", "--param",
                                   "Dry/Wet=50", "--param=Sidechain Mode=Compressor", "--block", "64", "--rate=44100",
                                   "--host", "com.apple.logic10", "--bypass", "--bundle", "X.component"});
  EXPECT_EQ(line.inPath, "a.wav");
  EXPECT_EQ(line.sidechainPath, "b.aiff");
  EXPECT_EQ(line.outPath, "c.flac");
  ASSERT_EQ(line.params.size(), 2u);
  EXPECT_EQ(line.params[0].name, "Dry/Wet");
  EXPECT_EQ(line.params[0].value, "50");
  EXPECT_EQ(line.params[1].name, "Sidechain Mode");
  EXPECT_EQ(line.params[1].value, "Compressor");
  EXPECT_EQ(line.blockSize, 64u);
  EXPECT_EQ(line.sampleRate, 44100);
  EXPECT_EQ(line.hostBundleId, "com.apple.logic10");
  EXPECT_TRUE(line.bypass);
  EXPECT_EQ(line.bundlePath, "X.component");
}

TEST(HostCommandLine, AParameterValueMayContainAnEqualsSign)
{
  const CommandLine line = Parsed({"render", "--param", "Label=a=b"});
  ASSERT_EQ(line.params.size(), 1u);
  EXPECT_EQ(line.params[0].name, "Label");
  EXPECT_EQ(line.params[0].value, "a=b");
}

TEST(HostCommandLine, InfoTakesTheBundleAsArgumentOrOption)
{
  EXPECT_EQ(Parsed({"info"}).bundlePath, "");
  EXPECT_EQ(Parsed({"info", "P.component"}).bundlePath, "P.component");
  EXPECT_EQ(Parsed({"info", "--bundle", "Q.component"}).bundlePath, "Q.component");
  EXPECT_EQ(Parsed({"info", "--bundle=R.component"}).bundlePath, "R.component");
  EXPECT_EQ(Parsed({"info"}).kind, CommandKind::Info);
}

TEST(HostCommandLine, HelpInAnyOfItsSpellings)
{
  EXPECT_EQ(Parsed({"help"}).kind, CommandKind::Help);
  EXPECT_EQ(Parsed({"--help"}).kind, CommandKind::Help);
  EXPECT_EQ(Parsed({"-h"}).kind, CommandKind::Help);
  EXPECT_NE(std::string(pw::host::UsageText()).find("render [options]"), std::string::npos);
}

TEST(HostCommandLine, RefusesUnknownCommandsAndOptions)
{
  EXPECT_EQ(Refusal({}), "no command given");
  EXPECT_EQ(Refusal({"play"}), "unknown command 'play'");
  EXPECT_EQ(Refusal({"render", "--loud"}), "unknown option '--loud'");
  EXPECT_EQ(Refusal({"render", "in.wav"}), "unexpected argument 'in.wav'");
  EXPECT_EQ(Refusal({"info", "--in", "x"}), "unknown option '--in'");
  EXPECT_EQ(Refusal({"info", "A", "B"}), "the bundle given twice");
  EXPECT_EQ(Refusal({"help", "me"}), "help takes no arguments");
}

TEST(HostCommandLine, RefusesMissingAndRepeatedValues)
{
  EXPECT_EQ(Refusal({"render", "--in"}), "--in needs a value");
  EXPECT_EQ(Refusal({"render", "--out="}), "--out needs a value");
  EXPECT_EQ(Refusal({"render", "--in", "a", "--in", "b"}), "--in given twice");
  EXPECT_EQ(Refusal({"render", "--block", "8", "--block", "8"}), "--block given twice");
  EXPECT_EQ(Refusal({"render", "--rate", "48000", "--rate=48000"}), "--rate given twice");
  EXPECT_EQ(Refusal({"render", "--host", "a", "--host", "b"}), "--host given twice");
  EXPECT_EQ(Refusal({"render", "--bypass=yes"}), "--bypass takes no value");
}

TEST(HostCommandLine, RefusesParamsWithoutNameOrValue)
{
  EXPECT_EQ(Refusal({"render", "--param", "Gain"}), "--param needs NAME=VALUE, got 'Gain'");
  EXPECT_EQ(Refusal({"render", "--param", "=3"}), "--param needs NAME=VALUE, got '=3'");
  EXPECT_EQ(Refusal({"render", "--param", "Gain="}), "--param needs NAME=VALUE, got 'Gain='");
}

TEST(HostCommandLine, BlockAndRateMustBeWholeNumbersInRange)
{
  EXPECT_EQ(Parsed({"render", "--block", "1"}).blockSize, 1u);
  EXPECT_EQ(Parsed({"render", "--block", "65536"}).blockSize, 65536u);
  for (const char* bad : {"0", "65537", "-5", "12.5", "abc", "", "99999999999999999999"})
    EXPECT_NE(Refusal({"render", "--block", bad}).find("--block needs a whole number of frames from 1 to 65536"),
              std::string::npos)
      << bad;
  EXPECT_EQ(Parsed({"render", "--rate", "1000"}).sampleRate, 1000);
  EXPECT_EQ(Parsed({"render", "--rate", "768000"}).sampleRate, 768000);
  for (const char* bad : {"999", "768001", "44100.0", "fast"})
    EXPECT_NE(Refusal({"render", "--rate", bad}).find("--rate needs a whole number of Hz"), std::string::npos) << bad;
}

TEST(HostCommandLine, ValidateTakesTheBundleLikeInfo)
{
  EXPECT_EQ(Parsed({"validate"}).kind, CommandKind::Validate);
  EXPECT_EQ(Parsed({"validate"}).bundlePath, "");
  EXPECT_EQ(Parsed({"validate", "P.component"}).bundlePath, "P.component");
  EXPECT_EQ(Parsed({"validate", "--bundle=R.component"}).bundlePath, "R.component");
  EXPECT_EQ(Refusal({"validate", "--out", "x"}), "unknown option '--out'");
  EXPECT_EQ(Refusal({"validate", "A", "--bundle", "B"}), "the bundle given twice");
  EXPECT_NE(std::string(pw::host::UsageText()).find("validate [BUNDLE]"), std::string::npos);
}

TEST(HostCommandLine, RenderTakesAStateToRestoreAndOneToSave)
{
  const CommandLine line = Parsed({"render", "--state", "in.plist", "--save-state=out.plist"});
  EXPECT_EQ(line.statePath, "in.plist");
  EXPECT_EQ(line.saveStatePath, "out.plist");
  EXPECT_TRUE(Parsed({"render"}).statePath.empty());
  EXPECT_EQ(Refusal({"render", "--state", "a", "--state", "b"}), "--state given twice");
  EXPECT_EQ(Refusal({"render", "--save-state"}), "--save-state needs a value");
  EXPECT_EQ(Refusal({"render", "--out", "x.wav", "--save-state", "x.wav"}),
            "--save-state and --out name the same file");
  // Reading a state and saving over it is fine: the file is read first.
  EXPECT_EQ(Parsed({"render", "--state", "s.plist", "--save-state", "s.plist"}).saveStatePath, "s.plist");
}
