#pragma once
// A one-line progress bar, redrawn in place with a carriage return, only
// when the shown percentage changes. Null stream: draws nothing.

#include <cstdint>
#include <cstdio>

namespace pw::host {

class ProgressBar
{
public:
  static constexpr int kWidth = 40; // cells between the brackets

  explicit ProgressBar(std::FILE* stream) noexcept
  : mStream(stream)
  {}
  // Clears the bar if it is still shown.
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::int64_t done, std::int64_t total) noexcept;
  // Erases the bar, leaving the cursor at the start of the line.
  void Finish() noexcept;

private:
  std::FILE* mStream;
  int mShownPercent = -1;
};

} // namespace pw::host
