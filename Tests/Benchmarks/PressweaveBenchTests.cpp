// Runs the real pressweave-bench briefly: its output is the benchmarks'
// report, and the component's own output joins it only with --verbose.

#include "HostRunner.h"

#include <gtest/gtest.h>

using namespace pw::test;

#ifndef PW_BENCH_EXECUTABLE
#define PW_BENCH_EXECUTABLE ""
#endif

TEST(PressweaveBench, PrintsOnlyTheBenchmarksReportUnlessVerbose)
{
  const std::string bench = PW_BENCH_EXECUTABLE;
  if (bench.empty())
    GTEST_SKIP() << "pressweave-bench is not built";
  TempFolder folder;
  const std::vector<std::string> one = {"--benchmark_filter=BM_Meters/signal:0$", "--benchmark_min_time=0.001"};
  const HostRun quiet = RunProgram(bench, one, folder);
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_NE(quiet.out.find("BM_Meters/signal:0 "), std::string::npos) << quiet.out;
  EXPECT_EQ(quiet.out.find("CHANNEL IO"), std::string::npos) << quiet.out;
  EXPECT_EQ(quiet.out.rfind("---", 0), 0u) << "the report's table comes first:\n" << quiet.out;

  std::vector<std::string> verboseArgs = one;
  verboseArgs.insert(verboseArgs.begin(), "--verbose");
  const HostRun verbose = RunProgram(bench, verboseArgs, folder);
  ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
  EXPECT_NE(verbose.out.find("CHANNEL IO PARSER"), std::string::npos) << verbose.out;
  EXPECT_NE(verbose.out.find("BM_Meters/signal:0 "), std::string::npos) << verbose.out;
}
