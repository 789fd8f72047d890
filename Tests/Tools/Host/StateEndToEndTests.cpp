// `pressweave-host render --save-state FILE` and `--state FILE` through the
// real executable: a saved state renders the same audio again, and a state
// file that is malformed, of another component or refused by the component
// stops the command before anything is rendered.

#include "HostRunner.h"
#include "StateFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace pw::test;
using pw::host::ComponentState;

namespace {

class StateEndToEndTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kHost.empty() || kTestBundle.empty())
      GTEST_SKIP() << "the host or the test component is not built";
    WriteWav(mFolder.Path("main.wav"), Signal(2, 1500, 300.0, 0.5f));
  }

  HostRun Render(std::vector<std::string> options, const std::string& bundle = kTestBundle) const
  {
    options.insert(options.begin(), {"render", "--bundle", bundle, "--in", mFolder.Path("main.wav")});
    return RunProgram(kHost, options, mFolder);
  }

  ComponentState ReadState(const std::string& name) const
  {
    ComponentState state;
    const pw::host::Status status = pw::host::ReadStateFile(mFolder.Path(name), state);
    EXPECT_TRUE(status) << status.Message();
    return state;
  }

  // The test plug-in's state is its one parameter, Gain, as a double.
  double SavedGain(const std::string& name) const
  {
    const ComponentState state = ReadState(name);
    double gain = -1.0;
    EXPECT_EQ(state.data.size(), sizeof gain);
    std::memcpy(&gain, state.data.data(), std::min(state.data.size(), sizeof gain));
    return gain;
  }

  void WriteState(const std::string& name, const ComponentState& state) const
  {
    std::string document;
    ASSERT_TRUE(pw::host::StateDocument(state, document));
    mFolder.WriteText(name, document);
  }

  TempFolder mFolder;
};

} // namespace

TEST_F(StateEndToEndTest, ASavedStateNamesTheComponentAndRendersTheSameAudioWhenRestored)
{
  const HostRun saved = Render({"--param", "Gain=2.5", "--out", mFolder.Path("a.wav"), "--save-state",
                                mFolder.Path("s.state")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_NE(saved.out.find("saved state to " + mFolder.Path("s.state")), std::string::npos) << saved.out;
  const ComponentState state = ReadState("s.state");
  EXPECT_EQ(state.version, 0x010203);
  EXPECT_EQ(state.type, 'a' << 24 | 'u' << 16 | 'f' << 8 | 'x');
  EXPECT_EQ(state.subtype, 'T' << 24 | 'G' << 16 | 'a' << 8 | 'n');
  EXPECT_EQ(state.manufacturer, 'P' << 24 | 'W' << 16 | 't' << 8 | 's');
  EXPECT_EQ(SavedGain("s.state"), 2.5);

  const HostRun restored = Render({"--state", mFolder.Path("s.state"), "--out", mFolder.Path("b.wav")});
  ASSERT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_NE(restored.out.find("restored state from " + mFolder.Path("s.state")), std::string::npos);
  EXPECT_EQ(mFolder.ReadText("a.wav"), mFolder.ReadText("b.wav"));

  // Parameters apply over the restored state, and the state saved is the one after the render.
  ASSERT_EQ(Render({"--param", "Gain=0.5", "--out", mFolder.Path("direct.wav")}).exitCode, 0);
  ASSERT_EQ(Render({"--state", mFolder.Path("s.state"), "--param", "Gain=0.5", "--out", mFolder.Path("over.wav"),
                    "--save-state", mFolder.Path("s.state")})
              .exitCode,
            0);
  EXPECT_EQ(mFolder.ReadText("direct.wav"), mFolder.ReadText("over.wav"));
  EXPECT_EQ(SavedGain("s.state"), 0.5);
}

TEST_F(StateEndToEndTest, TheSummaryTellsEachStepInTheOrderItHappened)
{
  // File names with a line break, escape sequences and a lone C1 byte are
  // printed escaped.
  const std::string state = mFolder.Path("s\n.state"), in = mFolder.Path("in\x1B[2J.wav");
  const std::string side = mFolder.Path("side\x9B.wav"), out = mFolder.Path("out\r.wav");
  WriteWav(in, Signal(2, 1500, 300.0, 0.5f));
  WriteWav(side, Signal(2, 1500, 60.0, 0.5f));
  ASSERT_EQ(Render({"--save-state", state}).exitCode, 0);
  const HostRun run = RunProgram(kHost, {"render", "--bundle", kTestBundle, "--in", in, "--sidechain", side, "--state",
                                         state, "--out", out, "--save-state", state}, mFolder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string printedState = mFolder.Path("s\\x0A.state") + "\n";
  const std::string printedOut = mFolder.Path("out\\x0D.wav") + "\n";
  const std::size_t restored = run.out.find("\nrestored state from " + printedState),
                    rendered = run.out.find("\nrendered "), wrote = run.out.find("\nwrote " + printedOut),
                    saved = run.out.find("\nsaved state to " + printedState);
  EXPECT_TRUE(restored < rendered && rendered < wrote && wrote < saved && saved != std::string::npos) << run.out;
  for (const std::string& printed :
       {mFolder.Path("in\\x1B[2J.wav") + "\n", mFolder.Path("side\\x9B.wav") + "\n", printedOut})
    EXPECT_NE(run.out.find("  " + printed), std::string::npos) << "the signal column: " << printed;
}

TEST_F(StateEndToEndTest, AStateThatCannotBeUsedOrSavedStopsTheCommandBeforeRendering)
{
  // The test plug-in's identity with a chunk one byte short of its gain, and another component's.
  ComponentState state{0x010203, 'a' << 24 | 'u' << 16 | 'f' << 8 | 'x', 'T' << 24 | 'G' << 16 | 'a' << 8 | 'n',
                       'P' << 24 | 'W' << 16 | 't' << 8 | 's', "", std::vector<std::uint8_t>(7)};
  WriteState("short.state", state);
  state.subtype = 'V' << 24 | 'r' << 16 | 'k' << 8 | 'q';
  state.manufacturer = 'L' << 24 | 'm' << 16 | 'd' << 8 | 'k';
  WriteState("other.state", state);
  mFolder.WriteText("partial.state", "<plist><dict><key>version</key><integer>1</integer></dict></plist>");
  mFolder.MakeFolder("dir.state");
  const std::string out = mFolder.Path("out.wav");
  const struct { std::vector<std::string> options; std::string message; } cases[] = {
    {{"--state", mFolder.Path("partial.state")},
     "'" + mFolder.Path("partial.state") + "' is not a state file: no \"type\""},
    {{"--state", mFolder.Path("none.state")}, "cannot read the state file"},
    {{"--state", mFolder.Path("other.state")}, "belongs to another component (aufx Vrkq Lmdk, this is aufx TGan PWts)"},
    {{"--state", mFolder.Path("short.state")},
     "the component refuses the state in '" + mFolder.Path("short.state") + "' (status -10851)"},
    {{"--save-state", mFolder.Path("no/s.state")},
     "cannot save the state to '" + mFolder.Path("no/s.state") + "': no folder"},
    {{"--save-state", mFolder.Path("dir.state")}, "it is a folder"},
  };
  const std::vector<std::string> entries = mFolder.Entries();
  for (const auto& c : cases)
  {
    std::vector<std::string> options = c.options;
    options.insert(options.end(), {"--out", out});
    ExpectRefused(Render(options), c.message, mFolder, entries);
  }
}

#ifndef PW_PWTESTSYNTHCOMPONENT_BUNDLE
#define PW_PWTESTSYNTHCOMPONENT_BUNDLE ""
#endif

TEST_F(StateEndToEndTest, AnInstrumentWithoutParametersRestoresTheEmptyStateItSaved)
{
  const std::string synth = PW_PWTESTSYNTHCOMPONENT_BUNDLE;
  if (synth.empty())
    GTEST_SKIP() << "the test instrument is not built";
  const auto render = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {"render", "--bundle", synth, "--length", "0.1", "--out", mFolder.Path("o.wav")};
    args.insert(args.end(), options.begin(), options.end());
    return RunProgram(kHost, args, mFolder);
  };
  const HostRun saved = render({"--save-state", mFolder.Path("synth.state")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_TRUE(ReadState("synth.state").data.empty());

  const HostRun restored = render({"--state", mFolder.Path("synth.state")});
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_NE(restored.out.find("restored state from " + mFolder.Path("synth.state")), std::string::npos)
    << restored.out;
}
