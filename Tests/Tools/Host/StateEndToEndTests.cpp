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

  HostRun Render(const std::string& bundle, std::vector<std::string> options) const
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

  // Exit 1, one line on standard error with fragment, the folder as it was.
  void ExpectRefused(const HostRun& run, const std::string& fragment, const std::vector<std::string>& entries)
  {
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
    EXPECT_EQ(mFolder.Entries(), entries) << "nothing rendered, nothing saved";
  }

  TempFolder mFolder;
};

} // namespace

TEST_F(StateEndToEndTest, TheSavedStateHoldsTheParameterBlockOfTheComponent)
{
  const HostRun run = Render(kTestBundle, {"--param", "Gain=2.5", "--save-state", mFolder.Path("gain.state")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("saved state to " + mFolder.Path("gain.state")), std::string::npos) << run.out;
  const ComponentState state = ReadState("gain.state");
  EXPECT_EQ(state.version, 0x010203);
  EXPECT_EQ(state.type, 'a' << 24 | 'u' << 16 | 'f' << 8 | 'x');
  EXPECT_EQ(state.subtype, 'T' << 24 | 'G' << 16 | 'a' << 8 | 'n');
  EXPECT_EQ(state.manufacturer, 'P' << 24 | 'W' << 16 | 't' << 8 | 's');
  // The test plug-in's state: its one parameter as a double.
  ASSERT_EQ(state.data.size(), sizeof(double));
  double gain = 0.0;
  std::memcpy(&gain, state.data.data(), sizeof gain);
  EXPECT_EQ(gain, 2.5);
}

TEST_F(StateEndToEndTest, ARestoredStateRendersTheSameAudio)
{
  ASSERT_EQ(Render(kTestBundle, {"--param", "Gain=2.5", "--out", mFolder.Path("a.wav"), "--save-state",
                                 mFolder.Path("s.state")})
              .exitCode,
            0);
  const HostRun restored = Render(kTestBundle, {"--state", mFolder.Path("s.state"), "--out", mFolder.Path("b.wav")});
  ASSERT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_NE(restored.out.find("restored state from " + mFolder.Path("s.state")), std::string::npos);
  EXPECT_EQ(mFolder.ReadText("a.wav"), mFolder.ReadText("b.wav"));
  ASSERT_EQ(Render(kTestBundle, {"--out", mFolder.Path("default.wav")}).exitCode, 0);
  EXPECT_NE(mFolder.ReadText("a.wav"), mFolder.ReadText("default.wav")) << "the state carried the gain";
}

TEST_F(StateEndToEndTest, ParametersApplyOverARestoredState)
{
  ASSERT_EQ(Render(kTestBundle, {"--param", "Gain=2.5", "--save-state", mFolder.Path("s.state")}).exitCode, 0);
  ASSERT_EQ(Render(kTestBundle, {"--param", "Gain=0.5", "--out", mFolder.Path("direct.wav")}).exitCode, 0);
  const HostRun run = Render(kTestBundle, {"--state", mFolder.Path("s.state"), "--param", "Gain=0.5", "--out",
                                           mFolder.Path("over.wav"), "--save-state", mFolder.Path("s.state")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(mFolder.ReadText("direct.wav"), mFolder.ReadText("over.wav"));
  double gain = 0.0;
  const ComponentState state = ReadState("s.state");
  ASSERT_EQ(state.data.size(), sizeof gain);
  std::memcpy(&gain, state.data.data(), sizeof gain);
  EXPECT_EQ(gain, 0.5) << "the state saved after the render replaced the one read before";
}

TEST_F(StateEndToEndTest, PressweaveRoundTripsItsState)
{
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  ASSERT_EQ(Render(kPressweaveBundle, {"--param", "Threshold=-24", "--param", "Sidechain Mode=Compressor", "--param",
                                       "Dry/Wet=70", "--out", mFolder.Path("a.wav"), "--save-state",
                                       mFolder.Path("p.state")})
              .exitCode,
            0);
  const HostRun run = Render(kPressweaveBundle, {"--state", mFolder.Path("p.state"), "--out", mFolder.Path("b.wav"),
                                                 "--save-state", mFolder.Path("q.state")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(mFolder.ReadText("a.wav"), mFolder.ReadText("b.wav"));
  EXPECT_EQ(mFolder.ReadText("p.state"), mFolder.ReadText("q.state")) << "the restored state saves the same file";
}

TEST_F(StateEndToEndTest, AMalformedStateFileIsRefusedBeforeAnythingIsRendered)
{
  mFolder.WriteText("bad.state", "<plist><dict><key>version</key><integer>1</integer></dict></plist>");
  ExpectRefused(Render(kTestBundle, {"--state", mFolder.Path("bad.state"), "--out", mFolder.Path("out.wav")}),
                "'" + mFolder.Path("bad.state") + "' is not a state file: no \"type\"", {"bad.state", "main.wav"});
  mFolder.WriteText("bad.state", "garbage");
  ExpectRefused(Render(kTestBundle, {"--state", mFolder.Path("bad.state"), "--out", mFolder.Path("out.wav")}),
                "is not a state file: line 1", {"bad.state", "main.wav"});
  ExpectRefused(Render(kTestBundle, {"--state", mFolder.Path("none.state"), "--out", mFolder.Path("out.wav")}),
                "cannot read the state file", {"bad.state", "main.wav"});
}

TEST_F(StateEndToEndTest, AStateOfAnotherComponentIsRefused)
{
  ComponentState other;
  other.type = 'a' << 24 | 'u' << 16 | 'f' << 8 | 'x';
  other.subtype = 'V' << 24 | 'r' << 16 | 'k' << 8 | 'q';
  other.manufacturer = 'L' << 24 | 'm' << 16 | 'd' << 8 | 'k';
  other.data.assign(8, 0);
  std::string document;
  ASSERT_TRUE(pw::host::StateDocument(other, document));
  mFolder.WriteText("other.state", document);
  ExpectRefused(Render(kTestBundle, {"--state", mFolder.Path("other.state"), "--out", mFolder.Path("out.wav")}),
                "belongs to another component (aufx Vrkq Lmdk, this is aufx TGan PWts)", {"main.wav", "other.state"});
}

TEST_F(StateEndToEndTest, AStateTheComponentRefusesStopsTheRender)
{
  ASSERT_EQ(Render(kTestBundle, {"--save-state", mFolder.Path("s.state")}).exitCode, 0);
  ComponentState state = ReadState("s.state");
  state.data.resize(state.data.size() - 1);
  std::string document;
  ASSERT_TRUE(pw::host::StateDocument(state, document));
  mFolder.WriteText("s.state", document);
  ExpectRefused(Render(kTestBundle, {"--state", mFolder.Path("s.state"), "--out", mFolder.Path("out.wav")}),
                "the component refuses the state in '" + mFolder.Path("s.state") + "' (status -10851)",
                {"main.wav", "s.state"});
}

TEST_F(StateEndToEndTest, AnUnusableSaveDestinationIsRefusedBeforeRendering)
{
  ExpectRefused(Render(kTestBundle, {"--out", mFolder.Path("out.wav"), "--save-state", mFolder.Path("no/s.state")}),
                "cannot save the state to '" + mFolder.Path("no/s.state") + "': no folder", {"main.wav"});
  mFolder.MakeFolder("dir.state");
  ExpectRefused(Render(kTestBundle, {"--out", mFolder.Path("out.wav"), "--save-state", mFolder.Path("dir.state")}),
                "it is a folder", {"dir.state", "main.wav"});
}
