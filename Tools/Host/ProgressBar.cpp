#include "ProgressBar.h"

namespace pw::host {

void ProgressBar::Update(std::int64_t done, std::int64_t total) noexcept
{
  if (!mStream || total <= 0)
    return;
  const int percent = static_cast<int>(done >= total ? 100 : done * 100 / total);
  if (percent == mShownPercent)
    return;
  mShownPercent = percent;
  char cells[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i)
    cells[i] = i < filled ? '#' : '-';
  cells[kWidth] = '\0';
  std::fprintf(mStream, "\r[%s] %3d%%", cells, percent);
  std::fflush(mStream);
}

void ProgressBar::Finish() noexcept
{
  if (!mStream || mShownPercent < 0)
    return;
  std::fprintf(mStream, "\r%*s\r", kWidth + 8, "");
  std::fflush(mStream);
  mShownPercent = -1;
}

} // namespace pw::host
