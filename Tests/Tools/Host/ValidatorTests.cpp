// `pressweave-host validate`: the real executable on the product, on the
// test component and on a deliberately broken one; in this process, the
// report, the channel-layout rules and the phase lines.

#include "ChannelLayouts.h"
#include "HostRunner.h"
#include "ValidationPhase.h"
#include "Validator.h"

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace pw::test;
using pw::host::BusLayout;
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
                                              "CoreFoundation objects"};

// The phase lines of a run, in order, without the heading and closing lines.
std::vector<std::string> PhaseLines(const std::string& out)
{
  std::vector<std::string> lines;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);)
    if (line.rfind("PASS  ", 0) == 0 || line.rfind("FAIL  ", 0) == 0)
      lines.push_back(line);
  return lines;
}

// The environment of a run of the broken component with fault: the
// deliberate leak must not stop a sanitizer build's leak checker at exit.
std::vector<std::pair<std::string, std::string>> FaultEnvironment(const std::string& fault)
{
  const char* asan = std::getenv("ASAN_OPTIONS");
  return {{"PW_TEST_BROKEN_FAULT", fault},
          {"ASAN_OPTIONS", std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0"}};
}

// The phase line of name, "" when there is none.
std::string LineOf(const std::vector<std::string>& lines, const std::string& name)
{
  for (const std::string& line : lines)
    if (line.compare(6, name.size() + 1, name + ":") == 0)
      return line;
  return {};
}

class ValidateCommandTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kHost.empty() || kTestBundle.empty() || kBrokenBundle.empty())
      GTEST_SKIP() << "the host or the test components are not built";
  }

  HostRun Validate(const std::string& bundle, const std::vector<std::pair<std::string, std::string>>& environment = {})
  {
    return RunProgram(kHost, {"validate", bundle}, mFolder, environment);
  }

  // Every phase reported once, in order.
  void ExpectEveryPhase(const HostRun& run)
  {
    const std::vector<std::string> lines = PhaseLines(run.out);
    ASSERT_EQ(lines.size(), kPhaseNames.size()) << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(lines[i].compare(6, kPhaseNames[i].size() + 1, kPhaseNames[i] + ":"), 0) << lines[i];
  }

  // A component that passes: exit 0, nothing on standard error, no FAIL.
  void ExpectPass(const HostRun& run)
  {
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");
    ExpectEveryPhase(run);
    EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("all 10 phases passed\n"), std::string::npos) << run.out;
  }

  // Exactly the phases failed fail; answers the lines.
  std::vector<std::string> ExpectFailures(const HostRun& run, const std::vector<std::string>& failed)
  {
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_EQ(run.err, "pressweave-host: validation failed: " + std::to_string(failed.size()) + " of 10 phases failed\n");
    ExpectEveryPhase(run);
    const std::vector<std::string> lines = PhaseLines(run.out);
    for (const std::string& name : kPhaseNames)
    {
      const bool shouldFail = std::find(failed.begin(), failed.end(), name) != failed.end();
      EXPECT_EQ(LineOf(lines, name).rfind(shouldFail ? "FAIL" : "PASS", 0), 0u) << LineOf(lines, name);
    }
    return lines;
  }

  TempFolder mFolder;
};

} // namespace

// ---- the real executable --------------------------------------------------------

TEST_F(ValidateCommandTest, PressweavePassesEveryPhase)
{
  if (kPressweaveBundle.empty())
    GTEST_SKIP() << "the Pressweave component is not built";
  const HostRun run = Validate(kPressweaveBundle);
  ExpectPass(run);
  EXPECT_EQ(run.out.rfind("validating Corvantis x Lumidrake: Pressweave (", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("PASS  parameters: 14 parameters"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("10 legal layouts initialise and render, 26 illegal ones"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("CHANNEL IO PARSER"), std::string::npos) << "the component's own output is silenced";
}

TEST_F(ValidateCommandTest, TheTestComponentPassesEveryPhase)
{
  ExpectPass(Validate(kTestBundle));
}

TEST_F(ValidateCommandTest, ARenderThatIgnoresTheMaximumFramesFailsTheRenderPhases)
{
  const std::vector<std::string> lines =
    ExpectFailures(Validate(kBrokenBundle), {"render slices", "uninitialize and initialize"});
  EXPECT_EQ(LineOf(lines, "render slices"),
            "FAIL  render slices: a slice of 4097 frames (one above the maximum) answers status 0, expected -10851");
  EXPECT_NE(LineOf(lines, "uninitialize and initialize").find("a slice of 257 frames"), std::string::npos);
}

TEST_F(ValidateCommandTest, EachFaultFailsThePhaseThatChecksIt)
{
  const struct
  {
    const char* fault;
    const char* phase;
    const char* reason;
  } cases[] = {
    {"bypass", "bypass", "bypassed, frame 1 of channel 0 is "},
    {"nan", "parameters", "parameter 0 'Gain': setting nan answers status 0"},
    {"restore", "class-info state", "a dictionary with another type is refused but changes the instance"},
    {"leak", "CoreFoundation objects", "made and never released"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.fault);
    const std::vector<std::string> lines =
      ExpectFailures(Validate(kBrokenBundle, FaultEnvironment(c.fault)), {c.phase});
    EXPECT_NE(LineOf(lines, c.phase).find(c.reason), std::string::npos) << LineOf(lines, c.phase);
  }
  ExpectPass(Validate(kBrokenBundle, FaultEnvironment("none")));
}

TEST_F(ValidateCommandTest, ALeakIsTracedToThePhasesThatLeftObjectsBehind)
{
  const std::vector<std::string> lines =
    ExpectFailures(Validate(kBrokenBundle, FaultEnvironment("leak")), {"CoreFoundation objects"});
  // One ClassInfo read in the properties phase; the class-info phase reads
  // it once per observation (saved, before, after each of ten damaged
  // dictionaries, after the restore).
  EXPECT_NE(LineOf(lines, "CoreFoundation objects").find("1 by required properties, 13 by class-info state"),
            std::string::npos)
    << LineOf(lines, "CoreFoundation objects");
}

TEST_F(ValidateCommandTest, ABundleThatDoesNotOpenFailsEveryPhaseAsNotRun)
{
  const std::vector<std::string> lines =
    ExpectFailures(Validate(mFolder.Path("None.component")),
                   {"open and close", "default formats", "required properties", "parameters",
                    "channel configurations", "render slices", "bypass", "class-info state",
                    "uninitialize and initialize"});
  EXPECT_EQ(LineOf(lines, "open and close"),
            "FAIL  open and close: cannot open the component: no component bundle at '" + mFolder.Path("None.component") +
              "'");
  EXPECT_EQ(LineOf(lines, "bypass"), "FAIL  bypass: not run: the component did not open");
}

// ---- in this process --------------------------------------------------------------

TEST(ValidateInProcess, TheReportHoldsEveryPhaseAndTheComponentIsClosedAfterwards)
{
  if (kTestBundle.empty())
    GTEST_SKIP() << "the test component is not built";
  const CFIndex liveAtStart = PWShimCFLiveObjectCount();
  const pw::host::ValidationReport report = pw::host::ValidateComponent(kTestBundle, {}, nullptr);
  EXPECT_EQ(report.componentName, "Pressweave Tests: PWTestGain");
  ASSERT_EQ(report.phases.size(), kPhaseNames.size());
  for (std::size_t i = 0; i < kPhaseNames.size(); ++i)
  {
    EXPECT_EQ(report.phases[i].Name(), kPhaseNames[i]);
    EXPECT_TRUE(report.phases[i].Passed()) << report.phases[i].Line();
  }
  EXPECT_EQ(report.FailedPhases(), 0);
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr) << "the component stayed open";
  EXPECT_EQ(PWShimCFLiveObjectCount(), liveAtStart);
}

TEST(ChannelLayoutRules, TheProductsConfigurationsAllowExactlyTenLayouts)
{
  // "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2" as totals.
  ChannelCapabilities caps;
  caps.pairs = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 1}, {3, 2}, {2, 2}, {4, 2}};
  caps.mainChannels = caps.sidechainChannels = caps.outputChannels = 2;
  std::vector<std::string> legal;
  for (const BusLayout& layout : caps.Candidates())
    if (caps.IsLegal(layout))
      legal.push_back(layout.Text());
  EXPECT_EQ(legal, (std::vector<std::string>{"1 -> 1", "1 + 1 sidechain -> 1", "1 + 1 sidechain -> 2",
                                             "1 + 2 sidechain -> 1", "1 + 2 sidechain -> 2", "2 -> 1", "2 -> 2",
                                             "2 + 1 sidechain -> 1", "2 + 1 sidechain -> 2", "2 + 2 sidechain -> 2"}));
  // Each bus from its least to one above its largest count.
  EXPECT_EQ(caps.Candidates().size(), 3u * 4u * 3u);
  BusLayout fullest;
  ASSERT_TRUE(caps.Fullest(fullest));
  EXPECT_EQ(fullest.Text(), "2 + 2 sidechain -> 2");
}

TEST(ChannelLayoutRules, NoBusTakesMoreThanItsLargestCountEvenWhenATotalMatches)
{
  ChannelCapabilities caps;
  caps.pairs = {{3, 1}};
  caps.mainChannels = 2;
  caps.sidechainChannels = 2;
  caps.outputChannels = 2;
  EXPECT_FALSE(caps.IsLegal({3, 0, 1}));
  EXPECT_TRUE(caps.IsLegal({1, 2, 1}));
  EXPECT_FALSE(caps.IsLegal({0, 3, 1})) << "the main input takes at least one channel";
  EXPECT_FALSE(caps.IsLegal({1, 2, 0}));
}

TEST(ChannelLayoutRules, AWildcardMatchesAnyTotalAndNoPairsAllowNothing)
{
  ChannelCapabilities caps;
  caps.pairs = {{-1, 2}};
  caps.mainChannels = 2;
  caps.outputChannels = 2;
  EXPECT_TRUE(caps.IsLegal({1, 0, 2}));
  EXPECT_TRUE(caps.IsLegal({2, 0, 2}));
  EXPECT_FALSE(caps.IsLegal({2, 0, 1}));
  EXPECT_EQ(caps.Candidates().size(), 3u * 1u * 3u) << "no sidechain bus: it stays at 0";
  caps.pairs.clear();
  BusLayout none;
  EXPECT_FALSE(caps.Fullest(none));
}

TEST(ValidationPhaseLine, PassShowsTheSummaryAndFailTheFirstReasons)
{
  PhaseResult phase("render slices");
  phase.SetSummary("all slices render");
  EXPECT_EQ(phase.Line(), "PASS  render slices: all slices render");
  EXPECT_TRUE(phase.Expect(true, "unused"));
  EXPECT_FALSE(phase.Expect(false, "one"));
  EXPECT_EQ(phase.Line(), "FAIL  render slices: one");
  for (const char* reason : {"two", "three", "four", "five\nsix", "seven"})
    phase.Fail(reason);
  EXPECT_EQ(phase.Line(), "FAIL  render slices: one; two; three; four (and 2 more)");
  EXPECT_EQ(phase.Failures().size(), 6u);
  PhaseResult named("parameters");
  named.Fail("parameter 0 'Two\nLines': no text");
  EXPECT_EQ(named.Line(), "FAIL  parameters: parameter 0 'Two Lines': no text");
}
