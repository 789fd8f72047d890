#include "ValidationPhase.h"

#include <cstdio>

namespace pw::host {

std::string PhaseResult::Line() const
{
  if (Passed())
    return "PASS  " + mName + (mSummary.empty() ? std::string() : ": " + mSummary);
  std::string line = "FAIL  " + mName + ": ";
  for (std::size_t i = 0; i < mFailures.size() && i < kShownReasons; ++i)
    line += (i ? "; " : "") + mFailures[i];
  if (mFailures.size() > kShownReasons)
    line += " (and " + std::to_string(mFailures.size() - kShownReasons) + " more)";
  // One line, whatever the component's names hold.
  for (char& c : line)
    if (c == '\n' || c == '\r')
      c = ' ';
  return line;
}

std::string StatusText(long status)
{
  return "status " + std::to_string(status);
}

std::string ValueText(double value)
{
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

} // namespace pw::host
