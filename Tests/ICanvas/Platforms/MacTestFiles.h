#pragma once
// Temporary folders for the platform layer's tests: a tree of files in a
// fresh temporary folder, bundles registered with the CoreFoundation
// stand-in, and HOME pointed into the tree.

#include <CoreFoundation/CoreFoundation.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pwtest {

struct TempTree
{
  TempTree() : root(folder.Root())
  {
    std::filesystem::create_directories(root / "home");
    savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", (root / "home").c_str(), 1);
  }
  ~TempTree()
  {
    setenv("HOME", savedHome.c_str(), 1);
    for (const std::string& id : bundles)
      PWShimCFBundleUnregister(id.c_str());
    PWShimCFBundleClearMainBundle();
  }
  // Writes bytes to root/relative (folders made as needed); the full path.
  std::string File(const std::string& relative, const std::string& bytes = "x")
  {
    const std::filesystem::path path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Path(const std::string& relative) const { return (root / relative).string(); }
  // Registers root/folder as the bundle id, with the executable "Exec".
  void Bundle(const std::string& id, const std::string& folder)
  {
    CFMutableDictionaryRef info =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(info, CFSTR("CFBundleExecutable"), CFSTR("Exec"));
    EXPECT_TRUE(PWShimCFBundleRegister(id.c_str(), Path(folder).c_str(), info));
    CFRelease(info);
    bundles.push_back(id);
  }

  pw::test::TempFolder folder;
  std::filesystem::path root;
  std::string savedHome;
  std::vector<std::string> bundles;
};

} // namespace pwtest
