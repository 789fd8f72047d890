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

} // namespace

TEST(HostCommandLine, RenderTakesEveryOptionInBothFormsAndDefaultsTheRest)
{
  const CommandLine defaults = Parsed({"render"});
  EXPECT_EQ(defaults.kind, CommandKind::Render);
  EXPECT_EQ(defaults.blockSize, 512u);
  EXPECT_EQ(defaults.sampleRate, 0);
  EXPECT_EQ(defaults.hostBundleId, "com.pressweave.host");
  EXPECT_FALSE(defaults.bypass);

  const CommandLine line =
    Parsed({"render", "--in", "a.wav", "--sidechain=b.aiff", "--out", "c.flac", "--param", "Dry/Wet=50",
            "--param=Label=a=b", "--block", "65536", "--rate=768000", "--host", "com.apple.logic10", "--bypass",
            "--bundle", "X.component", "--state", "s.plist", "--save-state=s.plist"});
  EXPECT_EQ(line.inPath + " " + line.sidechainPath + " " + line.outPath + " " + line.bundlePath,
            "a.wav b.aiff c.flac X.component");
  ASSERT_EQ(line.params.size(), 2u);
  EXPECT_EQ(line.params[0].name + "=" + line.params[0].value, "Dry/Wet=50");
  EXPECT_EQ(line.params[1].name, "Label") << "the value may hold an equals sign";
  EXPECT_EQ(line.params[1].value, "a=b");
  EXPECT_EQ(line.blockSize, 65536u);
  EXPECT_EQ(line.sampleRate, 768000);
  EXPECT_EQ(line.hostBundleId, "com.apple.logic10");
  EXPECT_TRUE(line.bypass);
  EXPECT_EQ(line.statePath, "s.plist");
  EXPECT_EQ(line.saveStatePath, "s.plist") << "reading a state and saving over it is fine";
}

TEST(HostCommandLine, InfoAndValidateTakeTheBundleAsArgumentOrOption)
{
  EXPECT_EQ(Parsed({"info", "P.component"}).bundlePath, "P.component");
  EXPECT_EQ(Parsed({"validate", "--bundle=R.component"}).kind, CommandKind::Validate);
  EXPECT_EQ(Parsed({"validate", "--bundle=R.component"}).bundlePath, "R.component");
  EXPECT_FALSE(Parsed({"info"}).verbose);
  EXPECT_TRUE(Parsed({"info", "--verbose", "P.component"}).verbose);
}

TEST(HostCommandLine, RefusesMalformedCommandLinesChangingNothing)
{
  const std::string badBlock = "--block needs a whole number of frames from 1 to 65536";
  const struct { std::vector<std::string> args; std::string message; } cases[] = {
    {{}, "no command given"},
    {{"play"}, "unknown command 'play'"},
    {{"render", "--loud"}, "unknown option '--loud'"},
    {{"render", "in.wav"}, "unexpected argument 'in.wav'"},
    {{"validate", "--out", "x"}, "unknown option '--out'"},
    {{"validate", "--verbose"}, "unknown option '--verbose'"},
    {{"info", "A", "B"}, "the bundle given twice"},
    {{"validate", "A", "--bundle", "B"}, "the bundle given twice"},
    {{"help", "me"}, "help takes no arguments"},
    {{"render", "--in"}, "--in needs a value"},
    {{"render", "--out="}, "--out needs a value"},
    {{"render", "--in", "a", "--in", "b"}, "--in given twice"},
    {{"render", "--rate", "48000", "--rate=48000"}, "--rate given twice"},
    {{"render", "--state", "a", "--state", "b"}, "--state given twice"},
    {{"render", "--bypass=yes"}, "--bypass takes no value"},
    {{"render", "--param", "Gain"}, "--param needs NAME=VALUE, got 'Gain'"},
    {{"render", "--param", "=3"}, "--param needs NAME=VALUE, got '=3'"},
    {{"render", "--param", "Gain="}, "--param needs NAME=VALUE, got 'Gain='"},
    {{"render", "--block", "0"}, badBlock},
    {{"render", "--block", "65537"}, badBlock},
    {{"render", "--block", "99999999999999999999"}, badBlock},
    {{"render", "--rate", "999"}, "--rate needs a whole number of Hz"},
    {{"render", "--rate", "fast"}, "--rate needs a whole number of Hz"},
    {{"render", "--outputs", "0"}, "--outputs needs a whole number of channels from 1 to 8"},
    {{"render", "--outputs", "2", "--outputs", "2"}, "--outputs given twice"},
    {{"render", "--verbose=1"}, "--verbose takes no value"},
    {{"render", "--out", "x.wav", "--save-state", "x.wav"}, "--save-state and --out name the same file"},
    {{"render", "--param", std::string(100000, 'y')}, "--param needs NAME=VALUE, got '" + std::string(64, 'y') + "...'"},
  };
  for (const auto& c : cases)
  {
    CommandLine line;
    line.outPath = "untouched";
    const Status status = ParseCommandLine(c.args, line);
    ASSERT_FALSE(status) << c.message;
    EXPECT_EQ(status.Message().rfind(c.message, 0), 0u) << status.Message();
    EXPECT_EQ(line.outPath, "untouched");
  }
}

TEST(HostStatus, AnErrorEscapesASCIIAndC1ControlsInUTF8OrAloneAndKeepsOtherText)
{
  // NEL, CSI and APC (U+0085, U+009B, U+009F); U+00A0 and the euro sign
  // (whose bytes include 0x82) stay.
  EXPECT_EQ(Status::Error("a\tb\x1B[2J\x7F \xC2\x85\xC2\x9B" "31m\xC2\x9F \xC2\xA0\xE2\x82\xAC\xC2").Message(),
            "a\\x09b\\x1B[2J\\x7F \\xC2\\x85\\xC2\\x9B" "31m\\xC2\\x9F \xC2\xA0\xE2\x82\xAC\xC2");
  // Bytes 0x80-0x9F that are no part of a UTF-8 character: alone, after a
  // cut character, in an overlong form, a surrogate, past U+10FFFF; an
  // emoji (0x9F, 0x98, 0x80 inside) stays.
  EXPECT_EQ(Status::Error("\x9B" "31m \x85\xE2\x82 \xE0\x80\xAF \xED\xA0\x80 "
                          "\xF0\x9F\x98\x80 \xF4\x90\x80\x80 \xF0\x9F\x98")
              .Message(),
            "\\x9B" "31m \\x85\xE2\\x82 \xE0\\x80\xAF \xED\xA0\\x80 "
            "\xF0\x9F\x98\x80 \xF4\\x90\\x80\\x80 \xF0\\x9F\\x98");
  // Each end of each lead and second-byte range: the well-formed ones stay.
  EXPECT_EQ(Status::Error("\xC1\x9B \xDF\x9F \xEF\x9C\x82 \xE0\xA0\x80 \xED\x9F\x80 \xF0\x90\x80\x80 "
                          "\xF4\x8F\xBF\xBF \xF5\x80\x80\x80 \xE2\x82\xC0 \xF0\x8F\xBF\xBF")
              .Message(),
            "\xC1\\x9B \xDF\x9F \xEF\x9C\x82 \xE0\xA0\x80 \xED\x9F\x80 \xF0\x90\x80\x80 "
            "\xF4\x8F\xBF\xBF \xF5\\x80\\x80\\x80 \xE2\\x82\xC0 \xF0\\x8F\xBF\xBF");
}
