// pressweave-host editor through the real executable and the product's
// component, and the script it reads.

#include "EditorScript.h"
#include "HostRunner.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <sstream>

namespace {

using pw::test::TempFolder;

class EditorCommand : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (pw::test::kHost.empty() || pw::test::kPressweaveBundle.empty())
      GTEST_SKIP() << "the host or the component was not built";
    mFolder.WriteText("steps.txt", "# a host automates the threshold\n300 param Threshold=-20\n");
  }
  pw::test::HostRun Run(std::vector<std::string> args)
  {
    args.insert(args.begin(), {"editor", "--bundle", pw::test::kPressweaveBundle});
    return pw::test::RunProgram(pw::test::kHost, args, mFolder);
  }
  TempFolder mFolder;
};

TEST_F(EditorCommand, WritesTheWindowAtTheBackingScaleTheSameEachTime)
{
  for (const auto& [scale, width, height] : {std::tuple{"1", 1000, 400}, std::tuple{"2", 2000, 800}})
  {
    std::string pictures[2];
    for (std::string& picture : pictures)
    {
      const pw::test::HostRun run =
        Run({"--scale", scale, "--length", "0.5", "--script", mFolder.Path("steps.txt"), "--png", mFolder.Path("p.png")});
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_NE(run.out.find("wrote " + mFolder.Path("p.png")), std::string::npos) << run.out;
      picture = mFolder.ReadText("p.png");
    }
    int w = 0, h = 0, n = 0;
    EXPECT_TRUE(stbi_info_from_memory(reinterpret_cast<const unsigned char*>(pictures[0].data()),
                                      static_cast<int>(pictures[0].size()), &w, &h, &n));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(width, height));
    EXPECT_EQ(pictures[0], pictures[1]) << "the same command writes the same bytes";
  }
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
    {{"--in", mFolder.Path("missing.wav")}, 1, "missing.wav"},
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

TEST(EditorScript, ReadsEachActionAndRefusesBadLines)
{
  std::istringstream good("0 click 10 20\n\n5 drag 1 2 3 4\n5 wheel 7 8 -1.5\n9 key q\n9 param Sidechain Mode=Combined \n");
  std::vector<pw::host::ScriptStep> steps;
  ASSERT_TRUE(pw::host::ParseEditorScript(good, "s", 10.0, steps));
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(std::make_tuple(steps[1].action, steps[1].y1, steps[1].line), std::make_tuple(pw::host::ScriptAction::Drag, 4.0f, 3));
  EXPECT_EQ(std::make_tuple(steps[2].delta, steps[3].text), std::make_tuple(-1.5f, std::string("q")));
  EXPECT_EQ(std::make_pair(steps[4].text, steps[4].value), std::make_pair(std::string("Sidechain Mode"), std::string("Combined")));
  const std::pair<const char*, const char*> bad[] = {
    {"x click 1 2", "line 1: needs a time"}, {"1 click nan 2", "click needs X Y"}, {"1 drag 1 2 3", "drag needs X0 Y0 X1 Y1"},
    {"1 wheel 1 2 3 4", "wheel needs X Y DELTA"}, {"1 key ab", "key needs one character"},
    {"1 param =3", "param needs NAME=VALUE"}, {"1 jump", "unknown action 'jump'"}, {"5 key a\n4 key b", "line 2: time goes back"},
  };
  for (const auto& [text, fragment] : bad)
  {
    std::istringstream in(text);
    const pw::host::Status status = pw::host::ParseEditorScript(in, "s", 10.0, steps);
    EXPECT_NE(status.Message().find(fragment), std::string::npos) << text << ": " << status.Message();
  }
  EXPECT_EQ(steps.size(), 5u) << "a refused script leaves the steps as they were";
}

} // namespace
