#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
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

// The channel counts of each bus in the channel I/O text form, e.g. "2.1-2".
std::string Describe(const IOConfig& config)
{
  std::string text;
  for (weft::ERoute direction : {kInput, kOutput})
  {
    for (int bus = 0; bus < config.NBuses(direction); ++bus)
      text += (bus ? "." : "") + std::to_string(config.GetBusInfo(direction, bus)->NChans());
    text += direction == kInput ? "-" : "";
  }
  return text;
}

std::vector<std::string> Describe(const LOOM_PtrList<IOConfig>& list)
{
  std::vector<std::string> texts;
  for (int i = 0; i < list.GetSize(); ++i)
    texts.push_back(Describe(*list.Get(i)));
  return texts;
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

TEST_F(ChannelIOParserTest, ProductStringGivesEightConfigurationsWithTheirBusesAndPrintsTheExactReport)
{
  const ParseResult r = Parse(kProductIOStr, mList);
  EXPECT_EQ(r.nConfigs, 8);
  EXPECT_EQ(Describe(mList),
            (std::vector<std::string>{"1-1", "1.1-1", "1.2-1", "1.2-2", "2.1-1", "2.1-2", "2-2", "2.2-2"}));
  EXPECT_EQ(std::vector<int>({r.totalNInChans, r.totalNOutChans, r.totalNInBuses, r.totalNOutBuses}),
            std::vector<int>({4, 2, 2, 1}));

  const char* expectedReport =
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
  EXPECT_EQ(r.report, expectedReport);
}

TEST_F(ChannelIOParserTest, WildcardsZeroSidesAndEmptyTextGiveTheirBusesAndTotals)
{
  ParseResult r = Parse("*-*", mList);
  ASSERT_EQ(r.nConfigs, 1);
  EXPECT_EQ(mList.Get(0)->GetTotalNChannels(kInput), -64);
  EXPECT_EQ(mList.Get(0)->GetTotalNChannels(kOutput), -64);
  EXPECT_TRUE(mList.Get(0)->ContainsWildcard(kInput));
  EXPECT_EQ(std::vector<int>({r.totalNInChans, r.totalNOutChans, r.totalNInBuses, r.totalNOutBuses}),
            std::vector<int>({0, 0, 1, 1})) << "a wildcard counts no channels towards the maxima";
  mList.Empty(true);

  r = Parse("0-2 2", mList);
  EXPECT_EQ(r.nConfigs, 2);
  EXPECT_EQ(Describe(mList), (std::vector<std::string>{"-2", "2-"}));
  EXPECT_NE(r.report.find("Channel I/O #2 - 2-\n"), std::string::npos);
  mList.Empty(true);

  EXPECT_EQ(Parse("", mList).nConfigs, 0);
  r = Parse(nullptr, mList);
  EXPECT_EQ(r.nConfigs, 0);
  EXPECT_NE(r.report.find("0 I/O configs detected\n"), std::string::npos);
}

// Malformed strings are programming errors: debug builds stop at the
// assertion, release builds print the error and leave the configuration out.
TEST_F(ChannelIOParserTest, MalformedConfigurationsAreReportedAndLeftOut)
{
  const struct { const char* text; const char* error; int nKept; } cases[] = {
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

TEST_F(ProductIOTest, ChannelRecordsAndBusMaximaFollowTheLargestConfiguration)
{
  EXPECT_EQ(mP->NIOConfigs(), 8);
  EXPECT_EQ(mP->MaxNChannels(kInput), 4);
  EXPECT_EQ(mP->MaxNChannels(kOutput), 2);
  EXPECT_EQ(mP->MaxNChannels(static_cast<weft::ERoute>(2)), 0);
  EXPECT_NE(mP->GetIOConfig(7), nullptr);
  EXPECT_EQ(mP->GetIOConfig(8), nullptr);
  EXPECT_EQ(mP->GetIOConfig(-1), nullptr);

  int idx = -1;
  EXPECT_EQ(mP->MaxNBuses(kInput, &idx), 2);
  EXPECT_EQ(idx, 7) << "ties go to the later configuration";
  EXPECT_EQ(mP->MaxNBuses(kOutput, &idx), 1);
  EXPECT_EQ(idx, 7);
  EXPECT_EQ(mP->MaxNBuses(kOutput), 1);
  const int perBus[][3] = {{kInput, 0, 2}, {kInput, 1, 2}, {kOutput, 0, 2}, {kOutput, 1, 0}, {kInput, -1, 0}};
  for (const auto& c : perBus)
    EXPECT_EQ(mP->MaxNChannelsForBus(static_cast<weft::ERoute>(c[0]), c[1]), c[2]) << c[0] << " bus " << c[1];
  EXPECT_FALSE(mP->HasWildcardBus(kInput));
}

TEST_F(ProductIOTest, LegalIOAcceptsExactlyTheConfigurationTotalsWithNegativeMatchingAny)
{
  const std::set<std::pair<int, int>> totals = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {4, 2}};
  for (int nIn = -1; nIn <= 5; ++nIn)
  {
    for (int nOut = -1; nOut <= 3; ++nOut)
    {
      bool legal = false;
      for (const auto& t : totals)
        legal |= (nIn < 0 || t.first == nIn) && (nOut < 0 || t.second == nOut);
      EXPECT_EQ(mP->LegalIO(nIn, nOut), legal) << nIn << "-" << nOut;
    }
  }
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

TEST(ProcessorIOTest, WildcardOrNoConfigurationHasNoChannelRecords)
{
  const auto wild = MakeProcessor("*-*");
  EXPECT_EQ(wild->MaxNChannels(kInput), 0);
  EXPECT_EQ(wild->MaxNChannels(kOutput), 0);
  EXPECT_TRUE(wild->HasWildcardBus(kInput));
  EXPECT_EQ(wild->MaxNChannelsForBus(kInput, 0), -1);
  EXPECT_EQ(wild->MaxNChannelsForBus(kOutput, 0), -1);
  EXPECT_TRUE(wild->LegalIO(-64, -64));
  EXPECT_FALSE(wild->InitLatencyDelay());

  const auto none = MakeProcessor("");
  int idx = -1;
  EXPECT_EQ(none->MaxNBuses(kInput, &idx), 0);
  EXPECT_EQ(idx, 0);
  EXPECT_FALSE(none->HasWildcardBus(kInput));
  EXPECT_EQ(none->MaxNChannelsForBus(kInput, 0), 0);
  EXPECT_FALSE(none->LegalIO(-1, -1));
}

TEST(ProcessorIOTest, BusNamesFollowDirectionAndBusCount)
{
  const auto p = MakeProcessor("1-1");
  const struct
  {
    int direction, busIdx, nBuses;
    const char* name;
  } cases[] = {{kInput, 0, 1, "Input"},   {kInput, 0, 2, "Main"},      {kInput, 1, 2, "Aux"}, {kInput, 2, 3, "Input 2"},
               {kOutput, 0, 1, "Output"}, {kOutput, 0, 2, "Output 0"}, {5, 0, 1, ""}};
  for (const auto& c : cases)
  {
    LOOM_String name;
    p->GetBusName(static_cast<weft::ERoute>(c.direction), c.busIdx, c.nBuses, name);
    EXPECT_STREQ(name.Get(), c.name) << c.direction << " " << c.busIdx << "/" << c.nBuses;
  }
}
