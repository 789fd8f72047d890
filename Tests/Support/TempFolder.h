#pragma once
// A fresh folder under the system's temporary folder, removed with
// everything in it when the test ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pw::test {

class TempFolder
{
public:
  TempFolder()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "pw-host-test-XXXXXX").string();
    if (mkdtemp(&pattern[0]))
      mPath = pattern;
    EXPECT_FALSE(mPath.empty()) << "cannot make a temporary folder";
  }
  ~TempFolder()
  {
    std::error_code ignored;
    if (!mPath.empty())
      std::filesystem::remove_all(mPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path(const std::string& name) const { return mPath + "/" + name; }
  const std::string& Root() const { return mPath; }

  // The names in the folder, sorted; hidden files included.
  std::vector<std::string> Entries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mPath))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void WriteText(const std::string& name, const std::string& text) const
  {
    std::ofstream(Path(name), std::ios::binary) << text;
  }

  // The file's bytes; empty when it cannot be read.
  std::string ReadText(const std::string& name) const
  {
    std::ifstream file(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  void MakeFolder(const std::string& name) const { std::filesystem::create_directories(Path(name)); }

private:
  std::string mPath;
};

} // namespace pw::test
