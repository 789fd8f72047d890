#include "IEditorDelegate.h"
#include "RecordingDelegate.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

using weft::EParamSource;
using weft::IEditorDelegate;
using Log = std::vector<std::string>;
using pw::test::RecordingDelegate;

// Two parameters -12..12 in steps of 0.5 at 6 and -12: normalised 0.75 and 0.
class EditorDelegateTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    for (int i = 0; i < d.NParams(); ++i)
      d.GetParam(i)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5, "dB", weft::IParam::kFlagStepped);
    d.GetParam(0)->Set(6.0);
    d.GetParam(1)->Set(-12.0);
  }

  RecordingDelegate d{2};
};

using EditorDelegateDeathTest = EditorDelegateTest;

TEST(EParamSourceTest, NamesMatchTheTraceTable)
{
  ASSERT_EQ(weft::kNumParamSources, 7);
  EXPECT_EQ(std::vector<std::string>(weft::ParamSourceStrs, weft::ParamSourceStrs + 7),
            (std::vector<std::string>{"Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile", "Unknown"}));
}

TEST_F(EditorDelegateTest, ResetNotifiesThePluginThenTheEditorForEachParameterInOrder)
{
  d.OnParamReset(weft::kPresetRecall);
  EXPECT_EQ(d.log, (Log{"OnParamChange(0,Preset,-1)", "OnParamChange(0)", "OnParamChangeUI(0,Preset)",
                        "OnParamChange(1,Preset,-1)", "OnParamChange(1)", "OnParamChangeUI(1,Preset)"}));
}

TEST_F(EditorDelegateTest, OpeningTheWindowOrRestoringStatePushesEveryValueNormalisedInIndexOrder)
{
  const Log pushBoth = {"Send(0,0.750000,true)", "OnParamChangeUI(0,Editor Delegate)", "Send(1,0.000000,true)",
                        "OnParamChangeUI(1,Editor Delegate)"};
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  Log expected = {"OnUIOpen"};
  expected.insert(expected.end(), pushBoth.begin(), pushBoth.end());
  EXPECT_EQ(d.log, expected);
  d.log.clear();
  d.OnRestoreState();
  EXPECT_EQ(d.log, pushBoth);
}

TEST_F(EditorDelegateTest, AValueFromTheDelegateOnlyReachesTheEditorAndAValueFromTheUISetsTheParameterConstrained)
{
  d.IEditorDelegate::SendParameterValueFromDelegate(0, 0.1, true);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(0,Editor Delegate)"});
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);

  d.log.clear();
  d.SendParameterValueFromUI(1, 0.25);
  EXPECT_EQ(d.GetParam(1)->Value(), -6.0);
  EXPECT_EQ(d.log, Log{"OnParamChangeUI(1,UI)"});
  d.SendParameterValueFromUI(0, 0.51); // -12 + 0.51 * 24 = 0.24, snapped to the 0.5 step
  EXPECT_EQ(d.GetParam(0)->Value(), 0.0);
  d.SendParameterValueFromUI(0, 1.7);
  EXPECT_EQ(d.GetParam(0)->Value(), 12.0);
}

TEST_F(EditorDelegateTest, SizeConstraintsTakeEitherOrderAndAResizeOutsideThemIsClampedAndRefused)
{
  d.SetSizeConstraints(500, 100, 900, 300);
  EXPECT_EQ(std::vector<int>({d.GetMinWidth(), d.GetMaxWidth(), d.GetMinHeight(), d.GetMaxHeight()}),
            std::vector<int>({100, 500, 300, 900}));
  int w = 5, h = 50;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(100, 300));
  w = 600, h = 1000;
  EXPECT_FALSE(d.ConstrainEditorResize(w, h));
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(500, 900));
  w = 100, h = 900;
  EXPECT_TRUE(d.ConstrainEditorResize(w, h)) << "the limits themselves fit";
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(100, 900));
}

TEST_F(EditorDelegateDeathTest, AnIndexOutsideTheListGivesNoParameterAndAValueFromTheUIForItIsRefused)
{
  for (int idx : {-1, 2, INT_MIN, INT_MAX})
    EXPECT_EQ(d.GetParam(idx), nullptr) << idx;
  for (int idx : {-1, 2, INT_MAX})
    EXPECT_DEBUG_DEATH(d.SendParameterValueFromUI(idx, 0.5), "parameter index out of range");
  // Release builds take the refusal path in-process: nothing is set or sent.
  EXPECT_EQ(d.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(d.GetParam(1)->Value(), -12.0);
  EXPECT_TRUE(d.log.empty());
}

} // namespace
