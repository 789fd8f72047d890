// pressweave-host editor through the real executable and the product's
// component: the picture's size at each backing scale, the same bytes for
// the same command, and one clear refusal with no picture left behind.

#include "EditorScript.h"
#include "HostRunner.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <sstream>

namespace {

using pw::test::kHost;
using pw::test::kPressweaveBundle;
using pw::test::RunProgram;
using pw::test::TempFolder;

struct Picture
{
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
};

Picture ReadPng(const std::string& path)
{
  Picture picture;
  int channels = 0;
  unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 4);
  if (data)
    picture.rgba.assign(data, data + 4 * picture.width * picture.height);
  stbi_image_free(data);
  return picture;
}

class EditorCommand : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kHost.empty() || kPressweaveBundle.empty())
      GTEST_SKIP() << "the host or the component was not built";
  }
  pw::test::HostRun Run(std::vector<std::string> args)
  {
    args.insert(args.begin(), {"editor", "--bundle", kPressweaveBundle});
    return RunProgram(kHost, args, mFolder);
  }
  TempFolder mFolder;
};

TEST_F(EditorCommand, WritesTheWindowAtTheBackingScaleTheSameEachTime)
{
  const std::string script = mFolder.Path("steps.txt");
  mFolder.WriteText("steps.txt", "# a host automates the threshold\n300 param Threshold=-20\n");
  for (const auto& [scale, width, height] : {std::tuple{"1", 1000, 400}, std::tuple{"2", 2000, 800}})
  {
    const std::string a = mFolder.Path(std::string("a") + scale + ".png");
    const std::string b = mFolder.Path(std::string("b") + scale + ".png");
    const pw::test::HostRun first = Run({"--scale", scale, "--length", "0.5", "--script", script, "--png", a});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("wrote " + a), std::string::npos) << first.out;
    ASSERT_EQ(Run({"--scale", scale, "--length", "0.5", "--script", script, "--png", b}).exitCode, 0);
    const Picture picture = ReadPng(a);
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_EQ(mFolder.ReadText(std::string("a") + scale + ".png"), mFolder.ReadText(std::string("b") + scale + ".png"));
  }
}

TEST_F(EditorCommand, RefusesWithOneLineAndNoPicture)
{
  mFolder.WriteText("bad-line.txt", "10 click 5\n");
  mFolder.WriteText("bad-param.txt", "10 param Nonsense=1\n");
  mFolder.WriteText("late.txt", "2500 key a\n");
  const std::vector<std::string> scripts = {"bad-line.txt", "bad-param.txt", "late.txt"};
  struct Case
  {
    std::vector<std::string> args;
    int exitCode; // 2: the command line, 1: the run
    std::string fragment;
  } cases[] = {
    {{"--out", "x.wav"}, 2, "'--out' is not an option of editor"},
    {{"--scale", "0.5"}, 2, "--scale needs a backing scale from 1 to 4"},
    {{"--script", mFolder.Path("missing.txt")}, 1, "cannot open the script"},
    {{"--script", mFolder.Path("bad-line.txt")}, 1, "line 1: click needs X Y"},
    {{"--script", mFolder.Path("bad-param.txt")}, 1, "line 1: unknown parameter 'Nonsense'"},
    {{"--script", mFolder.Path("late.txt")}, 1, "line 1: time 2500 ms is past the run's end"},
    {{"--param", "Ratio=500"}, 1, "Ratio"},
    {{"--in", mFolder.Path("missing.wav")}, 1, "missing.wav"},
  };
  for (Case& c : cases)
  {
    c.args.insert(c.args.end(), {"--png", mFolder.Path("out.png")});
    const pw::test::HostRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.fragment << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(c.fragment), std::string::npos) << run.err;
    EXPECT_EQ(mFolder.Entries(), scripts) << c.fragment;
  }
}

TEST(EditorScript, ReadsEachActionAndRefusesBadLines)
{
  std::istringstream good("0 click 10 20\n# note\n\n5 drag 1 2 3 4\n5 wheel 7 8 -1.5\n9 key q\n"
                          "9 param Sidechain Mode=Compressor \n");
  std::vector<pw::host::ScriptStep> steps;
  ASSERT_TRUE(pw::host::ParseEditorScript(good, "s", 10.0, steps)) << "good script";
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[1].action, pw::host::ScriptAction::Drag);
  EXPECT_EQ(steps[1].y1, 4.0f);
  EXPECT_EQ(steps[1].line, 4);
  EXPECT_EQ(steps[2].delta, -1.5f);
  EXPECT_EQ(steps[3].text, "q");
  EXPECT_EQ(steps[4].text, "Sidechain Mode");
  EXPECT_EQ(steps[4].value, "Compressor");

  const std::pair<const char*, const char*> bad[] = {
    {"x click 1 2", "line 1: needs a time"},          {"-1 key a", "needs a time"},
    {"1 click 1", "click needs X Y"},                 {"1 drag 1 2 3", "drag needs X0 Y0 X1 Y1"},
    {"1 wheel 1 2 3 4", "wheel needs X Y DELTA"},     {"1 key ab", "key needs one character"},
    {"1 param =3", "param needs NAME=VALUE"},         {"1 jump", "unknown action 'jump'"},
    {"5 key a\n4 key b", "line 2: time goes back"},   {"11 key a", "time 11 ms is past the run's end"},
    {"1 click nan 2", "click needs X Y"},
  };
  for (const auto& [text, fragment] : bad)
  {
    std::istringstream in(text);
    const pw::host::Status status = pw::host::ParseEditorScript(in, "s", 10.0, steps);
    EXPECT_FALSE(status) << text;
    EXPECT_NE(status.Message().find(fragment), std::string::npos) << status.Message();
    EXPECT_EQ(status.Message().rfind("'s' line ", 0), 0u) << status.Message();
  }
  EXPECT_EQ(steps.size(), 5u) << "a refused script leaves the steps as they were";
}

} // namespace
