#pragma once
// The outcome of one phase of `pressweave-host validate`: its name, what it
// checked, and every reason it failed. A phase passes when nothing failed.

#include <string>
#include <vector>

namespace pw::host {

class PhaseResult
{
public:
  // Reasons shown on the phase's line; the rest are counted.
  static constexpr std::size_t kShownReasons = 4;

  explicit PhaseResult(std::string name)
  : mName(std::move(name))
  {}

  const std::string& Name() const noexcept { return mName; }
  bool Passed() const noexcept { return mFailures.empty(); }
  const std::vector<std::string>& Failures() const noexcept { return mFailures; }

  // What the phase checked, shown when it passes.
  void SetSummary(std::string summary) { mSummary = std::move(summary); }
  void Fail(std::string reason) { mFailures.push_back(std::move(reason)); }
  // Fails with reason when condition is false; answers condition.
  bool Expect(bool condition, const std::string& reason)
  {
    if (!condition)
      Fail(reason);
    return condition;
  }

  // "PASS  name: summary" or "FAIL  name: reason; reason (and 3 more)".
  std::string Line() const;

private:
  std::string mName;
  std::string mSummary;
  std::vector<std::string> mFailures;
};

// Formatting shared by the phases.
std::string StatusText(long status);
// "%g" of value.
std::string ValueText(double value);

} // namespace pw::host
