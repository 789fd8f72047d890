// `pressweave-host validate`: the real executable on the product, on the
// test component and on a deliberately broken one; in this process, the
// channel-layout rules and the phase lines.

#include "ChannelLayouts.h"
#include "HostRunner.h"
#include "ValidationPhase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace pw::test;
using pw::host::ChannelCapabilities;
using pw::host::PhaseResult;

namespace {

const std::vector<std::string> kPhaseNames = {"open and close",
                                              "default formats",
                                              "required properties",
                                              "parameters",
                                              "channel configurations",
                                              "render slices",
                                              "bypass",
                                              "class-info state",
                                              "uninitialize and initialize",
                                              "uninitialized render", "channel pairs",
                                              "last render error", "render matrix", "slicing",
                                              "CoreFoundation objects"};

class ValidateCommandTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kHost.empty() || kTestBundle.empty() || kBrokenBundle.empty())
      GTEST_SKIP() << "the host or the test components are not built";
  }

  // fault, when given, is the broken component's PW_TEST_BROKEN_FAULT; its
  // deliberate leak must not stop a sanitizer build's leak checker at exit.
  HostRun Validate(const std::string& bundle, const char* fault = nullptr) const
  {
    std::vector<std::pair<std::string, std::string>> environment;
    if (fault)
    {
      const char* asan = std::getenv("ASAN_OPTIONS");
      environment = {{"PW_TEST_BROKEN_FAULT", fault},
                     {"ASAN_OPTIONS", std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0"}};
    }
    return RunProgram(kHost, {"validate", bundle}, mFolder, environment);
  }

  // Every phase reported once, in order, exactly those in failed failing;
  // answers the phase lines.
  std::vector<std::string> ExpectPhases(const HostRun& run, const std::vector<std::string>& failed) const
  {
    EXPECT_EQ(run.exitCode, failed.empty() ? 0 : 1) << run.out;
    EXPECT_EQ(run.err, failed.empty() ? "" : "pressweave-host: validation failed: " + std::to_string(failed.size()) +
                                               " of 15 phases failed\n");
    EXPECT_EQ(run.out.find("all 15 phases passed\n") != std::string::npos, failed.empty()) << run.out;
    std::vector<std::string> lines;
    std::istringstream stream(run.out);
    for (std::string line; std::getline(stream, line);)
      if (line.rfind("PASS  ", 0) == 0 || line.rfind("FAIL  ", 0) == 0)
        lines.push_back(line);
    EXPECT_EQ(lines.size(), kPhaseNames.size()) << run.out;
    for (std::size_t i = 0; i < std::min(lines.size(), kPhaseNames.size()); ++i)
    {
      const bool fails = std::find(failed.begin(), failed.end(), kPhaseNames[i]) != failed.end();
      EXPECT_EQ(lines[i].substr(0, kPhaseNames[i].size() + 7), (fails ? "FAIL  " : "PASS  ") + kPhaseNames[i] + ":");
    }
    lines.resize(kPhaseNames.size());
    return lines;
  }

  TempFolder mFolder;
};

// The line of the phase named name.
std::string LineOf(const std::vector<std::string>& lines, const std::string& name)
{
  return lines[static_cast<std::size_t>(std::find(kPhaseNames.begin(), kPhaseNames.end(), name) - kPhaseNames.begin())];
}

} // namespace

TEST_F(ValidateCommandTest, PressweaveAndTheTestComponentPassEveryPhase)
{
  ExpectPhases(Validate(kTestBundle), {});
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  const HostRun run = Validate(kPressweaveBundle);
  const std::vector<std::string> lines = ExpectPhases(run, {});
  EXPECT_EQ(run.out.rfind("validating Corvantis x Lumidrake: Pressweave (", 0), 0u) << run.out;
  EXPECT_EQ(LineOf(lines, "parameters").rfind("PASS  parameters: 14 parameters", 0), 0u) << LineOf(lines, "parameters");
  EXPECT_NE(LineOf(lines, "channel configurations").find("12 legal layouts initialise and render, 24 illegal ones"),
            std::string::npos);
  EXPECT_EQ(run.out.find("CHANNEL IO PARSER"), std::string::npos) << "the component's own output is silenced";
}

TEST_F(ValidateCommandTest, EachFaultFailsExactlyThePhasesThatCheckIt)
{
  // No fault named: a render that ignores the maximum frames. The reason is
  // in the first failed phase's line.
  const struct { const char* fault; std::vector<std::string> failed; const char* reason; } cases[] = {
    {nullptr, {"render slices", "uninitialize and initialize"},
     "FAIL  render slices: a slice of 4097 frames (one above the maximum) answers status 0, expected -10851"},
    {"bypass", {"bypass"}, "bypassed, frame 1 of channel 0 is "},
    {"nan", {"parameters"}, "parameter 0 'Gain': setting nan answers status 0"},
    {"restore", {"class-info state"}, "a dictionary with another type is refused but changes the instance"},
    // One ClassInfo read in the properties phase; the class-info phase reads
    // it once per observation (saved, before and after each of ten damaged
    // dictionaries, after the restore).
    {"leak", {"CoreFoundation objects"}, "1 by required properties, 13 by class-info state"},
    {"lasterror", {"last render error"}, "LastRenderError after the failure and a good slice answers status 0"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.fault ? c.fault : "maximum frames");
    const std::vector<std::string> lines = ExpectPhases(Validate(kBrokenBundle, c.fault), c.failed);
    EXPECT_NE(LineOf(lines, c.failed[0]).find(c.reason), std::string::npos) << LineOf(lines, c.failed[0]);
  }
}

TEST_F(ValidateCommandTest, ABundleThatDoesNotOpenFailsEveryPhaseAsNotRun)
{
  const std::vector<std::string> lines =
    ExpectPhases(Validate(mFolder.Path("None.component")),
                 std::vector<std::string>(kPhaseNames.begin(), kPhaseNames.end() - 1));
  EXPECT_EQ(LineOf(lines, "open and close"), "FAIL  open and close: cannot open the component: no component bundle at '" +
                                                mFolder.Path("None.component") + "'");
  EXPECT_EQ(LineOf(lines, "bypass"), "FAIL  bypass: not run: the component did not open");
}

// ---- in this process --------------------------------------------------------------

// The product's rules are checked by validating it; a wildcard is not among them.
TEST(ChannelLayoutRules, AWildcardPairMatchesAnyInputTotal)
{
  ChannelCapabilities caps;
  caps.mainChannels = caps.sidechainChannels = caps.outputChannels = 2;
  caps.pairs = {{-1, 2}};
  EXPECT_TRUE(caps.IsLegal({1, 0, 2}));
  EXPECT_TRUE(caps.IsLegal({2, 1, 2}));
  EXPECT_FALSE(caps.IsLegal({2, 0, 1}));
}

TEST(ValidationPhaseLine, PassShowsTheSummaryAndFailTheFirstReasons)
{
  PhaseResult phase("render slices");
  phase.SetSummary("all slices render");
  EXPECT_EQ(phase.Line(), "PASS  render slices: all slices render");
  EXPECT_TRUE(phase.Expect(true, "unused"));
  EXPECT_FALSE(phase.Expect(false, "one"));
  for (const char* reason : {"two", "three\nlines", "four", "five", "six"})
    phase.Fail(reason);
  EXPECT_EQ(phase.Line(), "FAIL  render slices: one; two; three lines; four (and 2 more)");
  EXPECT_EQ(phase.Failures().size(), 6u);
}
