// Runs the real pressweave-bench briefly: its output is the benchmarks'
// report, and the component's own output joins it only with --verbose.

#include "HostRunner.h"

#include <gtest/gtest.h>

TEST(PressweaveBench, PrintsOnlyTheBenchmarksReportUnlessVerbose)
{
  const pw::test::TempFolder folder;
  const std::vector<std::string> one = {"--benchmark_filter=BM_Meters/signal:0$", "--benchmark_min_time=0.001"};
  const pw::test::HostRun quiet = pw::test::RunProgram(PW_BENCH_EXECUTABLE, one, folder);
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.out.rfind("---", 0), 0u) << "the report's table and nothing before it:\n" << quiet.out;
  EXPECT_NE(quiet.out.find("\nBM_Meters/signal:0 "), std::string::npos) << quiet.out;
  EXPECT_EQ(quiet.out.find("CHANNEL IO"), std::string::npos) << quiet.out;

  std::vector<std::string> verbose = one;
  verbose.push_back("--verbose");
  const pw::test::HostRun loud = pw::test::RunProgram(PW_BENCH_EXECUTABLE, verbose, folder);
  ASSERT_EQ(loud.exitCode, 0) << loud.err;
  EXPECT_NE(loud.out.find("CHANNEL IO PARSER"), std::string::npos) << loud.out;
  EXPECT_NE(loud.out.find("\nBM_Meters/signal:0 "), std::string::npos) << loud.out;
}
