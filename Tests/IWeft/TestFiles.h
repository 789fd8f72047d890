#pragma once
// Scratch files for tests that write and read files: unique paths under the
// test temp directory, and whole-file byte reads and writes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace pw::test {

// A path that no other test (or test process) uses; the file is removed when
// the object goes away.
class TempFile
{
public:
  explicit TempFile(const char* suffix = ".bin")
  {
    static int sCount = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    mPath = testing::TempDir() + "pw_" + (info ? info->name() : "test") + "_" + std::to_string(getpid()) + "_" +
            std::to_string(++sCount) + suffix;
    std::remove(mPath.c_str());
  }
  ~TempFile() { std::remove(mPath.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const char* Path() const { return mPath.c_str(); }

private:
  std::string mPath;
};

inline std::vector<uint8_t> ReadFileBytes(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const char* path, const std::vector<uint8_t>& bytes)
{
  FILE* fp = std::fopen(path, "wb");
  ASSERT_NE(fp, nullptr) << path;
  const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
  ASSERT_EQ(written, bytes.size());
}

} // namespace pw::test
