// scripts/run as a user calls it from a folder of their own, rendering with
// the host program this build made (PW_RUN_HOST: nothing is installed or
// built).

#include "HostRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace pw::test;

TEST(RunScript, TakesRelativePathsFromTheFolderItWasCalledFrom)
{
  const char* source = std::getenv("PW_SOURCE_DIR");
  if (kHost.empty() || kPressweaveBundle.empty() || !source)
    GTEST_SKIP() << "the host, the component or the source folder is not known";
  TempFolder folder;
  WriteWav(folder.Path("x.wav"), Signal(2, 4800, 220.0, 0.5f));
  WriteWav(folder.Path("kick.wav"), Signal(1, 2400, 60.0, 0.9f));

  const HostRun run = RunProgram(std::string(source) + "/scripts/run",
                                 {"--in", "x.wav", "--sidechain", "kick.wav", "--out", "y.wav"}, folder,
                                 {{"PW_RUN_HOST", kHost}}, folder.Root());
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\nwrote y.wav\n"), std::string::npos) << run.out;
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"kick.wav", "x.wav", "y.wav"}));
  const Channels out = ReadAudio(folder.Path("y.wav"));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].size(), 4800u);
  EXPECT_FALSE(std::filesystem::exists(std::string(source) + "/y.wav")) << "nothing lands in the repository";
}
