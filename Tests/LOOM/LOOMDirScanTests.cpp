#include "LOOM_DirScan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

// A temporary tree, built once for the suite:
//   root/file.txt
//   root/sub/            root/sub/inner.txt
//   root/sub/self -> .   root/sub/up -> ..   root/sub/top -> /
//   root/linkdir -> sub  root/linkfile -> file.txt  root/dangling -> missing
//   root/linkup -> ..    root/alias -> <absolute root>/sub
class LOOMDirScanTree : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    std::string templ = (fs::temp_directory_path() / "loomdirscan.XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    sRoot = templ;
    const fs::path root(sRoot);
    std::ofstream(root / "file.txt") << "x";
    fs::create_directory(root / "sub");
    std::ofstream(root / "sub" / "inner.txt") << "y";
    fs::create_directory_symlink(".", root / "sub" / "self");
    fs::create_directory_symlink("..", root / "sub" / "up");
    fs::create_directory_symlink("/", root / "sub" / "top");
    fs::create_directory_symlink("sub", root / "linkdir");
    fs::create_symlink("file.txt", root / "linkfile");
    fs::create_symlink("missing", root / "dangling");
    fs::create_directory_symlink("..", root / "linkup");
    fs::create_directory_symlink(root / "sub", root / "alias");
  }

  static void TearDownTestSuite()
  {
    std::error_code ec;
    fs::remove_all(sRoot, ec);
  }

  // Every entry of path with its GetCurrentIsDirectory result.
  static std::map<std::string, int> ScanKinds(const std::string& path)
  {
    std::map<std::string, int> kinds;
    LOOM_DirScan scan;
    for (int r = scan.First(path.c_str()); r == 0; r = scan.Next())
      kinds[scan.GetCurrentFN()] = scan.GetCurrentIsDirectory();
    return kinds;
  }

  static int OpenFileCount()
  {
    int n = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
    {
      (void)entry;
      ++n;
    }
    return n;
  }

  static std::string sRoot;
};

std::string LOOMDirScanTree::sRoot;

TEST_F(LOOMDirScanTree, EveryEntryIsListedOnceThenTheEndIsReported)
{
  LOOM_DirScan scan;
  std::multiset<std::string> names;
  int r = scan.First(sRoot.c_str());
  ASSERT_EQ(r, 0);
  for (; r == 0; r = scan.Next())
    names.insert(scan.GetCurrentFN());
  EXPECT_EQ(r, 1);
  const std::multiset<std::string> expected{".",       "..",       "file.txt", "sub",   "linkdir",
                                            "linkfile", "dangling", "linkup",   "alias"};
  EXPECT_EQ(names, expected);
  EXPECT_STREQ(scan.GetCurrentFN(), "");
  EXPECT_EQ(scan.GetCurrentIsDirectory(), 0);
  EXPECT_EQ(scan.Next(), 1);
}

TEST_F(LOOMDirScanTree, EntriesAreClassifiedByWhatTheyName)
{
  const std::map<std::string, int> kinds = ScanKinds(sRoot);
  const std::map<std::string, int> expected{{".", 1},        {"..", 1},       {"file.txt", 0},
                                            {"sub", 1},      {"linkdir", 2},  {"linkfile", 0},
                                            {"dangling", 0}, {"linkup", 4},   {"alias", 2}};
  EXPECT_EQ(kinds, expected);
}

TEST_F(LOOMDirScanTree, LinksToTheScannedDirectoryOrItsAncestorsGiveFour)
{
  const std::map<std::string, int> kinds = ScanKinds(sRoot + "/sub");
  EXPECT_EQ(kinds.at("self"), 4);
  EXPECT_EQ(kinds.at("up"), 4);
  EXPECT_EQ(kinds.at("top"), 4);
  EXPECT_EQ(kinds.at("inner.txt"), 0);
}

TEST_F(LOOMDirScanTree, AncestorLinksAreFoundThroughALinkedLeadingPath)
{
  const std::map<std::string, int> kinds = ScanKinds(sRoot + "/alias");
  EXPECT_EQ(kinds.at("self"), 4);
  EXPECT_EQ(kinds.at("up"), 4);
}

TEST_F(LOOMDirScanTree, TrailingSeparatorIsDroppedFromFullNames)
{
  for (const std::string suffix : {"/", "\\", ""})
  {
    LOOM_DirScan scan;
    ASSERT_EQ(scan.First((sRoot + suffix).c_str()), 0) << "suffix '" << suffix << "'";
    for (int r = 0; r == 0; r = scan.Next())
    {
      LOOM_String full;
      scan.GetCurrentFullFN(full);
      EXPECT_EQ(std::string(full.Get()), sRoot + "/" + scan.GetCurrentFN()) << "suffix '" << suffix << "'";
    }
  }
}

TEST_F(LOOMDirScanTree, RootScanGivesSlashFollowedByTheName)
{
  LOOM_DirScan scan;
  ASSERT_EQ(scan.First("/"), 0);
  bool sawDirectory = false;
  for (int r = 0; r == 0; r = scan.Next())
  {
    LOOM_String full;
    scan.GetCurrentFullFN(full);
    EXPECT_EQ(std::string(full.Get()), std::string("/") + scan.GetCurrentFN());
    sawDirectory = sawDirectory || scan.GetCurrentIsDirectory() == 1;
  }
  EXPECT_TRUE(sawDirectory);
}

TEST_F(LOOMDirScanTree, RepeatedFirstClosesThePreviousDirectory)
{
  const int before = OpenFileCount();
  {
    LOOM_DirScan scan;
    for (int i = 0; i < 50; ++i)
      ASSERT_EQ(scan.First(i % 2 ? sRoot.c_str() : (sRoot + "/sub").c_str()), 0);
    EXPECT_EQ(OpenFileCount(), before + 1);
  }
  EXPECT_EQ(OpenFileCount(), before);
}

TEST(LOOMDirScan, EmptyPathIsRefused)
{
  LOOM_DirScan scan;
  EXPECT_EQ(scan.First(""), -1);
  EXPECT_EQ(scan.First(nullptr), -1);
  EXPECT_EQ(scan.Next(), -1);
}

TEST(LOOMDirScan, NextWithoutAnOpenDirectoryIsRefused)
{
  LOOM_DirScan scan;
  EXPECT_EQ(scan.Next(), -1);
  ASSERT_EQ(scan.First("/"), 0);
  scan.Close();
  EXPECT_EQ(scan.Next(), -1);
  EXPECT_STREQ(scan.GetCurrentFN(), "");
}

TEST(LOOMDirScan, MissingDirectoryReportsOneAndHasNoEntry)
{
  LOOM_DirScan scan;
  EXPECT_EQ(scan.First("/nonexistent-loom-dirscan-path/child"), 1);
  EXPECT_STREQ(scan.GetCurrentFN(), "");
  EXPECT_EQ(scan.GetCurrentIsDirectory(), 0);
  EXPECT_EQ(scan.Next(), -1);
}
} // namespace
