#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "IWeftProcessor.h"
#include "IWeftProcessorTestUtils.h"

using pw::test::CaptureReport;
using pw::test::kProductIOStr;
using pw::test::TestProcessorBase;
using weft::IOConfig;
using weft::IWeftProcessor;
using weft::kInput;
using weft::kOutput;

namespace {

struct ParseResult
{
  int nConfigs = 0;
  int totalNInChans = -1;
  int totalNOutChans = -1;
  int totalNInBuses = -1;
  int totalNOutBuses = -1;
  std::string report;
};

ParseResult Parse(const char* text, LOOM_PtrList<IOConfig>& list)
{
  ParseResult r;
  r.report = CaptureReport([&] {
    r.nConfigs = IWeftProcessor::ParseChannelIOStr(text, list, r.totalNInChans, r.totalNOutChans, r.totalNInBuses,
                                                   r.totalNOutBuses);
  });
  return r;
}

std::vector<int> BusCounts(const IOConfig& config, weft::ERoute direction)
{
  std::vector<int> counts;
  for (int bus = 0; bus < config.NBuses(direction); ++bus)
    counts.push_back(config.GetBusInfo(direction, bus)->NChans());
  return counts;
}

std::unique_ptr<TestProcessorBase> MakeProcessor(const char* text)
{
  std::unique_ptr<TestProcessorBase> p;
  CaptureReport([&] { p = std::make_unique<TestProcessorBase>(text); });
  return p;
}

class ChannelIOParserTest : public ::testing::Test
{
protected:
  ~ChannelIOParserTest() override { mList.Empty(true); }
  LOOM_PtrList<IOConfig> mList;
};

} // namespace

TEST_F(ChannelIOParserTest, ProductStringGivesEightConfigurationsWithTheirBuses)
{
  const ParseResult r = Parse(kProductIOStr, mList);
  ASSERT_EQ(r.nConfigs, 8);
  ASSERT_EQ(mList.GetSize(), 8);

  const std::vector<std::pair<std::vector<int>, std::vector<int>>> expected = {
    {{1}, {1}}, {{1, 1}, {1}}, {{1, 2}, {1}}, {{1, 2}, {2}},
    {{2, 1}, {1}}, {{2, 1}, {2}}, {{2}, {2}}, {{2, 2}, {2}}};
  for (int i = 0; i < 8; ++i)
  {
    SCOPED_TRACE(i);
    EXPECT_EQ(BusCounts(*mList.Get(i), kInput), expected[i].first);
    EXPECT_EQ(BusCounts(*mList.Get(i), kOutput), expected[i].second);
    EXPECT_EQ(mList.Get(i)->GetBusInfo(kInput, 0)->GetDirection(), kInput);
  }
  EXPECT_EQ(r.totalNInChans, 4);
  EXPECT_EQ(r.totalNOutChans, 2);
  EXPECT_EQ(r.totalNInBuses, 2);
  EXPECT_EQ(r.totalNOutBuses, 1);
}

TEST_F(ChannelIOParserTest, ReportForTheProductStringIsPrintedExactly)
{
  const char* expected =
    "\nBEGIN IWEFT CHANNEL IO PARSER --------------------------------------------------\n"
    "Channel I/O #1 - 1-1\n"
    "               - input bus count: 1, output bus count 1\n"
    "               - channel count on input bus 1: 1\n"
    "               - channel count on output bus 1: 1\n"
    "               - input channel count across all buses: 1, output channel count across all buses 1\n\n"
    "Channel I/O #2 - 1.1-1\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 1\n"
    "               - channel count on input bus 2: 1\n"
    "               - channel count on output bus 1: 1\n"
    "               - input channel count across all buses: 2, output channel count across all buses 1\n\n"
    "Channel I/O #3 - 1.2-1\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 1\n"
    "               - channel count on input bus 2: 2\n"
    "               - channel count on output bus 1: 1\n"
    "               - input channel count across all buses: 3, output channel count across all buses 1\n\n"
    "Channel I/O #4 - 1.2-2\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 1\n"
    "               - channel count on input bus 2: 2\n"
    "               - channel count on output bus 1: 2\n"
    "               - input channel count across all buses: 3, output channel count across all buses 2\n\n"
    "Channel I/O #5 - 2.1-1\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 2\n"
    "               - channel count on input bus 2: 1\n"
    "               - channel count on output bus 1: 1\n"
    "               - input channel count across all buses: 3, output channel count across all buses 1\n\n"
    "Channel I/O #6 - 2.1-2\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 2\n"
    "               - channel count on input bus 2: 1\n"
    "               - channel count on output bus 1: 2\n"
    "               - input channel count across all buses: 3, output channel count across all buses 2\n\n"
    "Channel I/O #7 - 2-2\n"
    "               - input bus count: 1, output bus count 1\n"
    "               - channel count on input bus 1: 2\n"
    "               - channel count on output bus 1: 2\n"
    "               - input channel count across all buses: 2, output channel count across all buses 2\n\n"
    "Channel I/O #8 - 2.2-2\n"
    "               - input bus count: 2, output bus count 1\n"
    "               - channel count on input bus 1: 2\n"
    "               - channel count on input bus 2: 2\n"
    "               - channel count on output bus 1: 2\n"
    "               - input channel count across all buses: 4, output channel count across all buses 2\n\n"
    "8 I/O configs detected\n"
    "Total # in chans: 4, Total # out chans: 2 \n\n"
    "END IWEFT CHANNEL IO PARSER --------------------------------------------------\n";
  EXPECT_EQ(Parse(kProductIOStr, mList).report, expected);
}

TEST_F(ChannelIOParserTest, WildcardOnBothSidesGivesNegativeTotalsButZeroMaxima)
{
  const ParseResult r = Parse("*-*", mList);
  ASSERT_EQ(r.nConfigs, 1);
  EXPECT_EQ(mList.Get(0)->GetTotalNChannels(kInput), -64);
  EXPECT_EQ(mList.Get(0)->GetTotalNChannels(kOutput), -64);
  EXPECT_TRUE(mList.Get(0)->ContainsWildcard(kInput));
  EXPECT_EQ(r.totalNInChans, 0);
  EXPECT_EQ(r.totalNOutChans, 0);
  EXPECT_EQ(r.totalNInBuses, 1);
  EXPECT_EQ(r.totalNOutBuses, 1);
}

TEST_F(ChannelIOParserTest, ZeroInputSideAndMissingOutputSideGiveNoBuses)
{
  const ParseResult r = Parse("0-2 2", mList);
  ASSERT_EQ(r.nConfigs, 2);
  EXPECT_EQ(mList.Get(0)->NBuses(kInput), 0);
  EXPECT_EQ(BusCounts(*mList.Get(0), kOutput), std::vector<int>{2});
  EXPECT_EQ(BusCounts(*mList.Get(1), kInput), std::vector<int>{2});
  EXPECT_EQ(mList.Get(1)->NBuses(kOutput), 0);
  EXPECT_NE(r.report.find("Channel I/O #2 - 2-\n"), std::string::npos);
}

TEST_F(ChannelIOParserTest, EmptyOrNullTextGivesNoConfigurations)
{
  EXPECT_EQ(Parse("", mList).nConfigs, 0);
  const ParseResult r = Parse(nullptr, mList);
  EXPECT_EQ(r.nConfigs, 0);
  EXPECT_NE(r.report.find("0 I/O configs detected\n"), std::string::npos);
}

// Malformed strings are programming errors: debug builds stop at the
// assertion, release builds print the error and leave the configuration out.
TEST_F(ChannelIOParserTest, MalformedConfigurationsAreReportedAndLeftOut)
{
  const struct
  {
    const char* text;
    const char* error;
    int nKept;
  } cases[] = {
    {"1-1 1-1", "Error: Duplicate IO string. 1-1\n", 1},
    {"1.0-1 2-2", "Error: with multiple Input buses you can't define one with no channels!\n", 1},
    {"1-x", "Error: something wrong in the Output part of this io string: x.\n", 0},
    {"*-* 1-1", "Error: You can only have a single IO config when using wild cards.\n", 1},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.text);
#ifdef NDEBUG
    const ParseResult r = Parse(c.text, mList);
    EXPECT_EQ(r.nConfigs, c.nKept);
    EXPECT_NE(r.report.find(c.error), std::string::npos);
    mList.Empty(true);
#else
    int nIn = 0, nOut = 0, nInBuses = 0, nOutBuses = 0;
    EXPECT_DEATH(IWeftProcessor::ParseChannelIOStr(c.text, mList, nIn, nOut, nInBuses, nOutBuses), "assertion failed");
#endif
  }
}

TEST(IOConfigTest, OutOfRangeBusQueriesAreSafe)
{
  IOConfig config;
  ASSERT_TRUE(config.AddBusInfo(kInput, 2));
  ASSERT_TRUE(config.AddBusInfo(kInput, -64));
  EXPECT_FALSE(config.AddBusInfo(static_cast<weft::ERoute>(2), 1));
  EXPECT_EQ(config.NChansOnBusSAFE(kInput, 1), -64);
  EXPECT_EQ(config.NChansOnBusSAFE(kInput, 2), 0);
  EXPECT_EQ(config.NChansOnBusSAFE(kInput, -1), 0);
  EXPECT_EQ(config.NChansOnBusSAFE(kOutput, 0), 0);
  EXPECT_EQ(config.NBuses(static_cast<weft::ERoute>(-1)), 0);
  EXPECT_EQ(config.GetTotalNChannels(kInput), -62);
  EXPECT_TRUE(config.ContainsWildcard(kInput));
  EXPECT_FALSE(config.ContainsWildcard(kOutput));
  EXPECT_DEBUG_DEATH(config.GetBusInfo(kInput, 2), "index >= 0 && index < mBusInfo\\[direction\\].GetSize\\(\\)");
}

class ProductIOTest : public ::testing::Test
{
protected:
  std::unique_ptr<TestProcessorBase> mP = MakeProcessor(kProductIOStr);
};

TEST_F(ProductIOTest, ChannelRecordsMatchTheLargestTotals)
{
  EXPECT_EQ(mP->NIOConfigs(), 8);
  EXPECT_EQ(mP->MaxNChannels(kInput), 4);
  EXPECT_EQ(mP->MaxNChannels(kOutput), 2);
  EXPECT_EQ(mP->MaxNChannels(static_cast<weft::ERoute>(2)), 0);
  EXPECT_NE(mP->GetIOConfig(7), nullptr);
  EXPECT_EQ(mP->GetIOConfig(8), nullptr);
  EXPECT_EQ(mP->GetIOConfig(-1), nullptr);
}

TEST_F(ProductIOTest, LegalIOAcceptsExactlyTheConfigurationTotals)
{
  const std::set<std::pair<int, int>> legal = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {4, 2}};
  for (int nIn = 0; nIn <= 5; ++nIn)
  {
    for (int nOut = 0; nOut <= 3; ++nOut)
      EXPECT_EQ(mP->LegalIO(nIn, nOut), legal.count({nIn, nOut}) == 1) << nIn << "-" << nOut;
  }
}

TEST_F(ProductIOTest, NegativeCountInLegalIOMatchesAnyTotal)
{
  EXPECT_TRUE(mP->LegalIO(-1, 2));
  EXPECT_TRUE(mP->LegalIO(-1, 1));
  EXPECT_FALSE(mP->LegalIO(-1, 3));
  EXPECT_TRUE(mP->LegalIO(4, -1));
  EXPECT_FALSE(mP->LegalIO(5, -1));
  EXPECT_TRUE(mP->LegalIO(-1, -1));
}

TEST_F(ProductIOTest, BusMaximaReportTheLastConfigurationWithTheMostBuses)
{
  int idx = -1;
  EXPECT_EQ(mP->MaxNBuses(kInput, &idx), 2);
  EXPECT_EQ(idx, 7);
  EXPECT_EQ(mP->MaxNBuses(kOutput, &idx), 1);
  EXPECT_EQ(idx, 7);
  EXPECT_EQ(mP->MaxNBuses(kOutput), 1);

  EXPECT_EQ(mP->MaxNChannelsForBus(kInput, 0), 2);
  EXPECT_EQ(mP->MaxNChannelsForBus(kInput, 1), 2);
  EXPECT_EQ(mP->MaxNChannelsForBus(kOutput, 0), 2);
  EXPECT_EQ(mP->MaxNChannelsForBus(kOutput, 1), 0);
  EXPECT_EQ(mP->MaxNChannelsForBus(kInput, -1), 0);
  EXPECT_FALSE(mP->HasWildcardBus(kInput));
}

TEST_F(ProductIOTest, ConfigurationIsFoundByItsBusChannelCounts)
{
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({1}, {1}), 0);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2, 1}, {2}), 5);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2, 2}, {2}), 7);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2}, {1}), -1);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2, 2}, {}), -1);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({}, {}), -1);
}

TEST(ProcessorIOTest, TiesInBusCountGoToTheLaterConfiguration)
{
  const auto p = MakeProcessor("1.1-1 2.2-2 1-1");
  int idx = -1;
  EXPECT_EQ(p->MaxNBuses(kInput, &idx), 2);
  EXPECT_EQ(idx, 1);
  EXPECT_EQ(p->MaxNBuses(kOutput, &idx), 1);
  EXPECT_EQ(idx, 2);
}

TEST(ProcessorIOTest, WildcardConfigurationHasNoChannelRecords)
{
  const auto p = MakeProcessor("*-*");
  EXPECT_EQ(p->MaxNChannels(kInput), 0);
  EXPECT_EQ(p->MaxNChannels(kOutput), 0);
  EXPECT_TRUE(p->HasWildcardBus(kInput));
  EXPECT_EQ(p->MaxNChannelsForBus(kInput, 0), -1);
  EXPECT_EQ(p->MaxNChannelsForBus(kOutput, 0), -1);
  EXPECT_TRUE(p->LegalIO(-64, -64));
  EXPECT_FALSE(p->InitLatencyDelay());
}

TEST(ProcessorIOTest, NoConfigurationsAnswerEveryQueryWithNothing)
{
  const auto p = MakeProcessor("");
  int idx = -1;
  EXPECT_EQ(p->MaxNBuses(kInput, &idx), 0);
  EXPECT_EQ(idx, 0);
  EXPECT_FALSE(p->HasWildcardBus(kInput));
  EXPECT_EQ(p->MaxNChannelsForBus(kInput, 0), 0);
  EXPECT_FALSE(p->LegalIO(-1, -1));
}

TEST(ProcessorIOTest, BusNamesFollowDirectionAndBusCount)
{
  const auto p = MakeProcessor("1-1");
  LOOM_String name;
  const auto nameOf = [&](weft::ERoute direction, int busIdx, int nBuses) {
    p->GetBusName(direction, busIdx, nBuses, name);
    return std::string(name.Get());
  };
  EXPECT_EQ(nameOf(kInput, 0, 1), "Input");
  EXPECT_EQ(nameOf(kInput, 0, 2), "Main");
  EXPECT_EQ(nameOf(kInput, 1, 2), "Aux");
  EXPECT_EQ(nameOf(kInput, 2, 3), "Input 2");
  EXPECT_EQ(nameOf(kOutput, 0, 1), "Output");
  EXPECT_EQ(nameOf(kOutput, 0, 2), "Output 0");
  EXPECT_EQ(nameOf(static_cast<weft::ERoute>(5), 0, 1), "");
}
