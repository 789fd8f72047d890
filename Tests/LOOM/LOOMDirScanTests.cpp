#include "LOOM_DirScan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
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

  // Every entry of path with its GetCurrentIsDirectory result; an entry
  // listed twice fails the test.
  static std::map<std::string, int> ScanKinds(const std::string& path)
  {
    std::map<std::string, int> kinds;
    LOOM_DirScan scan;
    int r = scan.First(path.c_str());
    EXPECT_EQ(r, 0);
    for (; r == 0; r = scan.Next())
      EXPECT_TRUE(kinds.emplace(scan.GetCurrentFN(), scan.GetCurrentIsDirectory()).second) << scan.GetCurrentFN();
    EXPECT_EQ(r, 1);
    EXPECT_STREQ(scan.GetCurrentFN(), "");
    EXPECT_EQ(scan.GetCurrentIsDirectory(), 0);
    EXPECT_EQ(scan.Next(), 1);
    return kinds;
  }

  static long OpenFileCount()
  {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  }

  static std::string sRoot;
};

std::string LOOMDirScanTree::sRoot;

TEST_F(LOOMDirScanTree, EveryEntryIsListedOnceClassifiedByWhatItNamesThenTheEndIsReported)
{
  const std::map<std::string, int> expected{{".", 1},        {"..", 1},     {"file.txt", 0},
                                            {"sub", 1},      {"linkdir", 2}, {"linkfile", 0},
                                            {"dangling", 0}, {"linkup", 4}, {"alias", 2}};
  EXPECT_EQ(ScanKinds(sRoot), expected);
}

TEST_F(LOOMDirScanTree, LinksToTheScannedDirectoryOrItsAncestorsGiveFourEvenThroughALinkedPath)
{
  const std::map<std::string, int> kinds = ScanKinds(sRoot + "/alias");
  EXPECT_EQ(kinds.at("self"), 4);
  EXPECT_EQ(kinds.at("up"), 4);
  EXPECT_EQ(kinds.at("top"), 4);
  EXPECT_EQ(kinds.at("inner.txt"), 0);
}

TEST_F(LOOMDirScanTree, FullNamesJoinTheLeadingPathWithoutItsTrailingSeparator)
{
  const std::pair<std::string, std::string> rows[] = {{sRoot + "\\", sRoot + "/"}, {sRoot, sRoot + "/"}, {"/", "/"}};
  for (const auto& r : rows)
  {
    SCOPED_TRACE(r.first);
    LOOM_DirScan scan;
    ASSERT_EQ(scan.First(r.first.c_str()), 0);
    for (int n = 0; n == 0; n = scan.Next())
    {
      LOOM_String full;
      scan.GetCurrentFullFN(full);
      EXPECT_EQ(std::string(full.Get()), r.second + scan.GetCurrentFN());
    }
  }
}

TEST_F(LOOMDirScanTree, RepeatedFirstClosesThePreviousDirectory)
{
  const long before = OpenFileCount();
  {
    LOOM_DirScan scan;
    for (int i = 0; i < 4; ++i)
      ASSERT_EQ(scan.First(i % 2 ? sRoot.c_str() : (sRoot + "/sub").c_str()), 0);
    EXPECT_EQ(OpenFileCount(), before + 1);
  }
  EXPECT_EQ(OpenFileCount(), before);
}

TEST(LOOMDirScan, EmptyPathOrNoOpenDirectoryIsRefusedAndAMissingOneHasNoEntry)
{
  LOOM_DirScan scan;
  EXPECT_EQ(scan.Next(), -1);
  EXPECT_EQ(scan.First(""), -1);
  EXPECT_EQ(scan.First(nullptr), -1);
  ASSERT_EQ(scan.First("/"), 0);
  scan.Close();
  EXPECT_EQ(scan.Next(), -1);
  EXPECT_EQ(scan.First("/nonexistent-loom-dirscan-path/child"), 1);
  EXPECT_STREQ(scan.GetCurrentFN(), "");
  EXPECT_EQ(scan.Next(), -1);
}
} // namespace
