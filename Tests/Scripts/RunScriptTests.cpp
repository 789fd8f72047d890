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
  const std::string source = std::getenv("PW_SOURCE_DIR") ? std::getenv("PW_SOURCE_DIR") : "";
  if (kHost.empty() || kPressweaveBundle.empty() || source.empty())
    GTEST_SKIP() << "the host, the component or the source folder is not known";
  TempFolder folder;
  WriteWav(folder.Path("x.wav"), Signal(2, 4800, 220.0, 0.5f));
  const HostRun run = RunProgram(source + "/scripts/run", {"--in", "x.wav", "--out", "y.wav"}, folder,
                                 {{"PW_RUN_HOST", kHost}}, folder.Root());
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\nwrote y.wav\n"), std::string::npos) << run.out;
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"x.wav", "y.wav"}));
  EXPECT_EQ(ReadAudio(folder.Path("y.wav")).at(0).size(), 4800u);
  EXPECT_FALSE(std::filesystem::exists(source + "/y.wav")) << "nothing lands in the repository";
}
