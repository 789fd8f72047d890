// pressweave-host editor with the product's component, its script, and the
// product's editor opened in process as the command opens it.
#include "ClassInfoState.h"
#include "ComponentLoader.h"
#include "EditorScript.h"
#include "HostEditor.h"
#include "HostRunner.h"
#include "RenderSession.h"
#include <AudioToolbox/AudioUnitUtilities.h>
#include <CoreFoundation/PWShimRunLoop.h>
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#include <cstring>
#include <sstream>

namespace {

using namespace pw::host;
using pw::test::TempFolder;

// A picture's RGB pixels from its PNG bytes; At and Rows take points.
struct Picture
{
  int w = 0, h = 0, n = 0;
  std::vector<unsigned char> rgb;
  explicit Picture(const std::string& png)
  {
    unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(png.data()),
                                                static_cast<int>(png.size()), &w, &h, &n, 3);
    rgb.assign(data, data + (data ? 3 * w * h : 0));
    stbi_image_free(data);
  }
  std::vector<int> At(int x, int y) const
  {
    const int s = w / 1000, i = 3 * ((y * s) * w + x * s);
    return {rgb.at(i), rgb.at(i + 1), rgb.at(i + 2)};
  }
  std::vector<unsigned char> Rows(const int (&r)[4]) const // scale 1
  {
    std::vector<unsigned char> out;
    for (int y = r[1]; y < r[3] && !rgb.empty(); ++y)
      out.insert(out.end(), rgb.begin() + 3 * (y * w + r[0]), rgb.begin() + 3 * (y * w + r[2]));
    return out;
  }
};

class EditorCommand : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (pw::test::kHost.empty() || pw::test::kPressweaveBundle.empty())
      GTEST_SKIP() << "the host or the component was not built";
    mFolder.WriteText("steps.txt", "# host automation, then the user\n300 param Ratio=10\n400 drag 733 330 733 290\n"
                                   "500 wheel 937 340 -2\n600 click 300 300\n700 key a\n");
  }
  pw::test::HostRun Run(std::vector<std::string> args)
  {
    args.insert(args.begin(), {"editor", "--bundle", pw::test::kPressweaveBundle});
    return pw::test::RunProgram(pw::test::kHost, args, mFolder);
  }
  TempFolder mFolder;
};

// Two seconds of the built-in signal at scale 1 (the default) and a short run
// at scale 2 twice; probes at points the layout fixes.
TEST_F(EditorCommand, WritesTheWindowAtTheBackingScaleTheSameEachTime)
{
  std::vector<std::string> png;
  for (std::vector<std::string> args : {std::vector<std::string>{"--script", mFolder.Path("steps.txt")},
                                        {"--scale", "2", "--length", "0.1"}, {"--scale", "2", "--length", "0.1"}})
  {
    args.insert(args.end(), {"--png", mFolder.Path("p\x1B[2J.png")});
    const pw::test::HostRun run = Run(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\nwrote " + mFolder.Path("p\\x1B[2J.png") + "\n"), std::string::npos) << run.out;
    png.push_back(mFolder.ReadText("p\x1B[2J.png"));
  }
  EXPECT_EQ(png[1], png[2]) << "the same command writes the same bytes";
  for (int i : {0, 1})
  {
    const Picture picture(png[i]);
    EXPECT_EQ(std::make_pair(picture.w, picture.h), std::make_pair(1000 * (i + 1), 400 * (i + 1)));
    EXPECT_EQ(picture.At(874, 100), (std::vector<int>{1, 1, 1})) << "background";
    EXPECT_EQ(picture.At(127, 300), (std::vector<int>{74, 74, 74})) << "panel frame";
    EXPECT_EQ(picture.At(821, 288), (std::vector<int>{6, 178, 196})) << "DRY/WET arc";
    EXPECT_EQ(picture.At(691, 318), (std::vector<int>{255, 0, 0})) << "PRESSWEAVE arc";
    const std::vector<int> above = picture.At(880, 218), strip = picture.At(880, 222);
    for (int c = 0; c < 3; ++c) // black at 30 % over the meter
      EXPECT_NEAR(strip[c], 0.7 * above[c], 1.0) << "meter label strip, channel " << c;
  }
  // Traces and meters light the scope area and the meter column (silence
  // leaves about 1300 and 250 such pixels: the scope's texts and the scale).
  const Picture played(png[0]);
  int trace = 0, meter = 0;
  for (int y = 0; y < 220; ++y)
    for (int x = 0; x < 1000; ++x)
    {
      const std::vector<int> p = played.At(x, y);
      trace += x < 873 && p[1] > 150 && p[2] > 200;
      meter += x >= 876 && std::max({p[0], p[1], p[2]}) > 60;
    }
  EXPECT_GT(trace, 5000);
  EXPECT_GT(meter, 800);
}

TEST_F(EditorCommand, RefusesWithOneLineAndNoPicture)
{
  mFolder.WriteText("bad.txt", "10 param Nonsense=1\n");
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = { // exit 2: the command line
    {{"--out", "x.wav"}, 2, "'--out' is not an option of editor"},
    {{"--scale", "0.5"}, 2, "--scale needs a backing scale from 1 to 4"},
    {{"--script", mFolder.Path("missing.txt")}, 1, "cannot open the script"},
    {{"--script", mFolder.Path("bad.txt")}, 1, "line 1: unknown parameter 'Nonsense'"},
    {{"--script", mFolder.Path("steps.txt"), "--length", "0.2"}, 1, "line 2: time 300 ms is past the run's end"},
  };
  for (auto [args, exitCode, fragment] : cases)
  {
    args.insert(args.end(), {"--png", mFolder.Path("out.png")});
    const pw::test::HostRun run = Run(args);
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
    EXPECT_EQ(mFolder.Entries(), (std::vector<std::string>{"bad.txt", "steps.txt"})) << fragment;
  }
}

// Steps between two slices (of 512 frames: at 96 and 106.7 ms) run before
// the later one, so three steps at 100 ms act as the last two of them do at
// 99 and 101 ms.
TEST_F(EditorCommand, StepsAtTheSameTimeAllRunInTheirOrder)
{
  std::vector<std::string> png;
  for (const char* script : {"100 param Ratio=10\n100 param Threshold=-30\n100 param Ratio=20\n",
                             "99 param Threshold=-30\n101 param Ratio=20\n", "99 param Threshold=-30\n101 param Ratio=10\n"})
  {
    mFolder.WriteText("same.txt", script);
    const pw::test::HostRun run =
      Run({"--script", mFolder.Path("same.txt"), "--length", "0.2", "--png", mFolder.Path("p.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    png.push_back(mFolder.ReadText("p.png"));
  }
  EXPECT_EQ(png[0], png[1]) << "every step runs, the later Ratio last";
  EXPECT_NE(png[1], png[2]) << "the pictures show the ratio";
}

TEST(EditorScript, RefusesBadLinesLeavingTheStepsAsTheyWere)
{
  std::vector<ScriptStep> steps(1);
  for (const char* text : {"x click 1 2", "1 click nan 2", "1 drag 1 2 3", "1 wheel 1 2 3 4", "1 key ab", "1 param =3",
                           "1 jump", "5 key a\n4 key b", "1 key \x01", "1 key \x7F", "1 key \xC3", "1 key \xC3\xA9",
                           "1 key Space", "1 key enter", "1 key left right"})
  {
    std::istringstream in(text);
    const Status status = ParseEditorScript(in, "s", 10.0, steps);
    EXPECT_EQ(status.Message().rfind("'s' line ", 0), 0u) << text;
    if (std::string(text).find("key") != std::string::npos && std::string(text).find('\n') == std::string::npos)
      EXPECT_NE(status.Message().find("key needs one printable character or a key name (space, tab,"), std::string::npos)
        << status.Message();
  }
  EXPECT_EQ(steps.size(), 1u);
}

TEST(EditorScript, KeysArePrintableCharactersOrNamedKeysAndStepsMayShareATime)
{
  std::istringstream in("5 key a\n5 key ~\n5 key space\n7 key left\n7 key escape\n");
  std::vector<ScriptStep> steps;
  ASSERT_TRUE(ParseEditorScript(in, "s", 10.0, steps));
  std::vector<std::tuple<double, std::string, int, std::string>> got;
  for (const ScriptStep& step : steps)
  {
    ScriptKey key;
    EXPECT_TRUE(ScriptKeyFor(step.text, key)) << step.text;
    got.emplace_back(step.timeMs, step.text, key.keyCode, key.characters);
  }
  EXPECT_EQ(got, (std::vector<std::tuple<double, std::string, int, std::string>>{
                   {5.0, "a", 0, "a"},
                   {5.0, "~", 0xFFFF, "~"},
                   {5.0, "space", 49, " "},
                   {7.0, "left", 123, "\xEF\x9C\x82"},
                   {7.0, "escape", 53, "\x1B"}}));
}

std::vector<AudioUnitEventType> sEvents;
void Record(void*, void*, const AudioUnitEvent* event, UInt64, float) { sEvents.push_back(event->mEventType); }

class ProductEditor : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (pw::test::kPressweaveBundle.empty())
      GTEST_SKIP() << "the component was not built";
    ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
    ASSERT_TRUE(mComponent.Open(pw::test::kPressweaveBundle, HostIdentity{}));
    mSession = std::make_unique<RenderSession>(mComponent.Unit());
    ASSERT_TRUE(mSession->Configure(SessionSettings{}));
    ASSERT_TRUE(mEditor.Open(mComponent.Unit(), 1.0));
  }
  void TearDown() override { PWShimRunLoopSetVirtualClock(false); } // members close in reverse order
  void Pass(bool idle) // the unit's 20 ms idle when asked, then frames
  {
    ASSERT_GE(PWShimRunLoopAdvance(idle ? 0.02 : 0.0), 0);
    mEditor.Advance(20.0);
  }
  std::vector<unsigned char> RatioKnob()
  {
    EXPECT_TRUE(mEditor.WritePng(mFolder.Path("w.png")));
    return Picture(mFolder.ReadText("w.png")).Rows({502, 244, 591, 396});
  }
  float Value(AudioUnitParameterID id)
  {
    AudioUnitParameterValue value = 0;
    return AudioUnitGetParameter(mComponent.Unit(), id, kAudioUnitScope_Global, 0, &value) == noErr ? value : -1.0f;
  }
  TempFolder mFolder;
  LoadedComponent mComponent;
  std::unique_ptr<RenderSession> mSession;
  HostEditor mEditor;
};

TEST_F(ProductEditor, HostAutomationShowsInItsControlAfterTheNextIdle)
{
  Pass(true);
  const std::vector<unsigned char> before = RatioKnob();
  ASSERT_EQ(AudioUnitSetParameter(mComponent.Unit(), 2, kAudioUnitScope_Global, 0, 30.0f, 0), noErr);
  Pass(false);
  EXPECT_EQ(RatioKnob(), before) << "nothing reaches the editor before its idle";
  Pass(true);
  EXPECT_NE(RatioKnob(), before);
}

TEST_F(ProductEditor, ADraggedKnobChangesItsParameterWithinAGesture)
{
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Record, nullptr, nullptr, nullptr, 0.0f, 0.0f, &listener), noErr);
  for (AudioUnitEventType type : {0u, 1u, 2u}) // value, begin, end of PRESSWEAVE (8)
  {
    AudioUnitEvent event{type, {{mComponent.Unit(), 8, kAudioUnitScope_Global, 0}}};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
  }
  sEvents.clear();
  Pass(true);
  const float before = Value(8);
  ASSERT_TRUE(mEditor.Deliver({0.0, ScriptAction::Drag, 733.0f, 330.0f, 733.0f, 290.0f, 0.0f, {}, {}, 0}));
  Pass(true);
  EXPECT_GT(Value(8), before) << "dragging up turns the knob up";
  ASSERT_GE(sEvents.size(), 3u);
  EXPECT_EQ(std::make_tuple(sEvents.front(), sEvents[1], sEvents.back()), std::make_tuple(1u, 0u, 2u));
  AUListenerDispose(listener);
}

TEST_F(ProductEditor, AStateWithScaleOneAndAHalfResizesTheOpenEditor)
{
  ComponentState state;
  ASSERT_TRUE(SaveUnitState(mComponent.Unit(), state));
  ASSERT_GE(state.data.size(), 12u);
  const float scale = 1.5f;
  std::memcpy(state.data.data() + 8, &scale, sizeof scale); // width, height, then the draw scale
  Status restored = Status::Ok();
  mEditor.RunEvent([&] { restored = RestoreUnitState(mComponent.Unit(), mComponent.Info(), state, "the state"); });
  ASSERT_TRUE(restored) << restored.Message();
  EXPECT_EQ(std::make_pair(mEditor.Width(), mEditor.Height()), std::make_pair(1500.0, 600.0));
}

} // namespace
