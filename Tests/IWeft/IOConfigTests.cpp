#include <gtest/gtest.h>

#include <memory>
#include <string>
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
  std::vector<int> totals; // in and out channels, in and out buses
  std::string report;
};

ParseResult Parse(const char* text, LOOM_PtrList<IOConfig>& list)
{
  ParseResult r;
  int nIn = -1, nOut = -1, nInBuses = -1, nOutBuses = -1;
  r.report = CaptureReport(
    [&] { r.nConfigs = IWeftProcessor::ParseChannelIOStr(text, list, nIn, nOut, nInBuses, nOutBuses); });
  r.totals = {nIn, nOut, nInBuses, nOutBuses};
  return r;
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

TEST_F(ChannelIOParserTest, EachConfigurationGetsItsBusesAndTheReportIsPrintedExactly)
{
  const ParseResult r = Parse("1-1 2.1-2", mList);
  EXPECT_EQ(r.nConfigs, 2);
  EXPECT_EQ(mList.Get(1)->GetBusInfo(kInput, 1)->NChans(), 1);
  EXPECT_EQ(r.totals, (std::vector<int>{3, 2, 2, 1}));
  EXPECT_EQ(r.report,
            "\nBEGIN IWEFT CHANNEL IO PARSER --------------------------------------------------\n"
            "Channel I/O #1 - 1-1\n"
            "               - input bus count: 1, output bus count 1\n"
            "               - channel count on input bus 1: 1\n"
            "               - channel count on output bus 1: 1\n"
            "               - input channel count across all buses: 1, output channel count across all buses 1\n\n"
            "Channel I/O #2 - 2.1-2\n"
            "               - input bus count: 2, output bus count 1\n"
            "               - channel count on input bus 1: 2\n"
            "               - channel count on input bus 2: 1\n"
            "               - channel count on output bus 1: 2\n"
            "               - input channel count across all buses: 3, output channel count across all buses 2\n\n"
            "2 I/O configs detected\n"
            "Total # in chans: 3, Total # out chans: 2 \n\n"
            "END IWEFT CHANNEL IO PARSER --------------------------------------------------\n");
}

TEST_F(ChannelIOParserTest, WildcardsAndZeroSidesGiveTheirBusesAndTotals)
{
  EXPECT_EQ(Parse("*-*", mList).totals, (std::vector<int>{0, 0, 1, 1})) << "a wildcard counts no channels";
  EXPECT_EQ(mList.Get(0)->GetTotalNChannels(kInput), -64);
  mList.Empty(true);
  const ParseResult zeroSides = Parse("0-2 2", mList);
  EXPECT_EQ(std::vector<int>({mList.Get(0)->NBuses(kInput), mList.Get(1)->NBuses(kOutput)}), std::vector<int>({0, 0}));
  EXPECT_NE(zeroSides.report.find("Channel I/O #2 - 2-\n"), std::string::npos);

  const auto wild = MakeProcessor("*-*");
  EXPECT_EQ(wild->MaxNChannelsForBus(kOutput, 0), -1);
  EXPECT_TRUE(wild->LegalIO(-64, -64));
  EXPECT_FALSE(wild->InitLatencyDelay());
  EXPECT_FALSE(MakeProcessor("")->LegalIO(-1, -1));
}

// Malformed strings are programming errors: debug builds stop at the
// assertion, release builds print the error and leave the configuration out.
TEST_F(ChannelIOParserTest, MalformedConfigurationsAreReportedAndLeftOut)
{
  const struct { const char* text; const char* error; int nKept; } cases[] = {
    {"1-1 1-1", "Error: Duplicate IO string. 1-1\n", 1},
    {"1.0-1 2-2", "Error: with multiple Input buses you can't define one with no channels!\n", 1},
    {"1-x", "Error: something wrong in the Output part of this io string: x.\n", 0},
    {"2x-2y 1-1", "Error: something wrong in the Input part of this io string: 2x.\n", 1},
    {"1--2 1-1", "Error: something wrong in the Output part of this io string: -2.\n", 1},
    {"1.2-12.2-2 1-1", "Error: something wrong in the Output part of this io string: 2-2.\n", 1},
    {"+1-1 1-1", "Error: something wrong in the Input part of this io string: +1.\n", 1},
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
  EXPECT_EQ(config.GetTotalNChannels(kInput), -62);
  EXPECT_EQ(std::vector<int>({config.NChansOnBusSAFE(kInput, 1), config.NChansOnBusSAFE(kInput, 2),
                              config.NChansOnBusSAFE(kInput, -1), config.NBuses(static_cast<weft::ERoute>(-1))}),
            std::vector<int>({-64, 0, 0, 0}));
  EXPECT_DEBUG_DEATH(config.GetBusInfo(kInput, 2), "index >= 0 && index < mBusInfo\\[direction\\].GetSize\\(\\)");
}

class ProductIOTest : public ::testing::Test
{
protected:
  std::unique_ptr<TestProcessorBase> mP = MakeProcessor(kProductIOStr);
};

TEST_F(ProductIOTest, ChannelRecordsBusMaximaLegalIOAndLookUpFollowTheConfigurations)
{
  EXPECT_EQ(mP->NIOConfigs(), 8);
  EXPECT_EQ(mP->GetIOConfig(8), nullptr);
  EXPECT_EQ(mP->MaxNChannels(kInput), 4);
  EXPECT_EQ(mP->MaxNChannels(kOutput), 2);
  int idx = -1;
  EXPECT_EQ(mP->MaxNBuses(kInput, &idx), 2);
  EXPECT_EQ(idx, 7) << "ties go to the later configuration";
  const int perBus[][3] = {{kInput, 1, 2}, {kOutput, 1, 0}, {kInput, -1, 0}};
  for (const auto& c : perBus)
    EXPECT_EQ(mP->MaxNChannelsForBus(static_cast<weft::ERoute>(c[0]), c[1]), c[2]) << c[0] << " bus " << c[1];
  // Totals: 1-1, 2-1, 3-1, 3-2, 2-2 and 4-2; a negative count matches any.
  const int legal[][3] = {{3, 2, true}, {-1, 2, true}, {-1, -1, true}, {4, 1, false}, {1, 2, false}, {5, -1, false}};
  for (const auto& c : legal)
    EXPECT_EQ(mP->LegalIO(c[0], c[1]), c[2] != 0) << c[0] << "-" << c[1];
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2, 1}, {2}), 5);
  EXPECT_EQ(mP->GetIOConfigWithChanCounts({2}, {1}), -1);
}

TEST(ProcessorIOTest, BusNamesFollowDirectionAndBusCount)
{
  const auto p = MakeProcessor("1-1");
  const struct { int direction, busIdx, nBuses; const char* name; } cases[] = {
    {kInput, 0, 1, "Input"},   {kInput, 0, 2, "Main"},      {kInput, 1, 2, "Aux"}, {kInput, 2, 3, "Input 2"},
    {kOutput, 0, 1, "Output"}, {kOutput, 0, 2, "Output 0"}, {5, 0, 1, ""}};
  for (const auto& c : cases)
  {
    LOOM_String name;
    p->GetBusName(static_cast<weft::ERoute>(c.direction), c.busIdx, c.nBuses, name);
    EXPECT_STREQ(name.Get(), c.name) << c.direction << " " << c.busIdx << "/" << c.nBuses;
  }
}
