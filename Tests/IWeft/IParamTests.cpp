#include "IParam.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "AllocationCounter.h"

using weft::IParam;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string DisplayOf(const IParam& p, double value, bool withDisplayText = true)
{
  LOOM_String s;
  p.GetDisplay(value, false, s, withDisplayText);
  return s.Get();
}

std::string Display(const IParam& p) { return DisplayOf(p, p.Value()); }

std::string JSON(const IParam& p, int idx)
{
  LOOM_String s;
  p.GetJSON(s, idx);
  return s.Get();
}

} // namespace

// --- Initialisation and copying

TEST(IParamInit, InitDoubleMapsItsFlagsRaisesAnEmptyRangeAndReplacesANonFiniteDefault)
{
  IParam p, empty;
  p.InitDouble("Mix", 25.0, -50.0, 150.0, 0.5, "%", IParam::kFlagMeta | IParam::kFlagCannotAutomate, "Main");
  EXPECT_TRUE(p.Value() == 25.0 && p.GetMeta() && !p.GetCanAutomate() && !p.GetStepped());
  empty.InitDouble("x", kNaN, 5.0, 3.0, 2.0);
  EXPECT_EQ(empty.GetMax(), 7.0);
  EXPECT_EQ(empty.Value(), 5.0);
}

TEST(IParamInit, IntEnumBoolAndPitchFormsAreSteppedByOneAndTakeTextsUpToTheLastItem)
{
  IParam i, e, b, fewer, c3, c4;
  i.InitInt("Voices", 4, 1, 16, "voices");
  e.InitEnum("Scope Sync", 3, 7, "", 0, "", "1/16", "1/8", "1/4", "1/2", "1/1", "2/1", "4/1");
  b.InitBool("Pressweave on/off", true, "state", 0, "", "off", "on");
  fewer.InitEnum("Fewer", 2, 3, "", 0, "", "first");
  c3.InitPitch("Pitch", 12, 48, 72);
  c4.InitPitch("Pitch4", 60, 0, 127, 0, "", true);
  const struct { const IParam& p; IParam::EParamType type; double max; int nTexts; const char* shown; } cases[] = {
    {i, IParam::kTypeInt, 16.0, 0, "4"},  {e, IParam::kTypeEnum, 6.0, 7, "1/2"},  {b, IParam::kTypeBool, 1.0, 2, "on"},
    {fewer, IParam::kTypeEnum, 2.0, 1, "2"}, {c3, IParam::kTypeEnum, 24.0, 25, "C 3"},
    {c4, IParam::kTypeEnum, 127.0, 128, "C 4"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.p.GetName());
    EXPECT_EQ(c.p.Type(), c.type);
    EXPECT_TRUE(c.p.GetStepped() && c.p.GetStep() == 1.0);
    EXPECT_EQ(c.p.GetMax(), c.max);
    EXPECT_EQ(c.p.NDisplayTexts(), c.nTexts);
    EXPECT_EQ(Display(c.p), c.shown);
  }
  EXPECT_STREQ(c3.GetDisplayText(13.0), "C#3");
}

TEST(IParamInit, TextsAreCutTo31BytesWithoutSplittingACharacter)
{
  const std::string longText(40, 'n');
  const std::string accented = std::string(30, 'a') + "\xC3\xA9" + "b"; // the 2-byte character crosses the limit
  IParam p;
  p.InitDouble(accented.c_str(), 0.0, 0.0, 1.0, 0.1, longText.c_str(), 0, nullptr);
  p.SetDisplayText(0.5, longText.c_str());
  EXPECT_EQ(std::string(p.GetName()), std::string(30, 'a'));
  EXPECT_EQ(std::string(p.GetLabel()), longText.substr(0, 31));
  EXPECT_EQ(std::string(p.GetDisplayText(0.5)), longText.substr(0, 31));
  EXPECT_STREQ(p.GetGroup(), "");
}

TEST(IParamCopy, CopiesTheDefinitionAndTextsButNotTheValueOutlivesItsSourceAndRenamesTheFirstOccurrence)
{
  auto source = std::make_unique<IParam>();
  source->InitDouble("Left Gain Left", -6.0, -60.0, 12.0, 0.5, "dB", IParam::kFlagStepped, "Left",
                     IParam::ShapePowCurve(2.0), IParam::kUnitDB,
                     [](double v, LOOM_String& s) { s.SetFormatted(32, "fn %.2f", v); });
  source->SetDisplayText(0.0, "unity");
  source->Set(3.0);
  IParam p;
  p.Init(*source, "Left", "Right", "Right");
  IParam unchanged, cut;
  unchanged.Init(*source, "", "Right");
  cut.Init(*source, "Left", std::string(40, 'x').c_str());
  EXPECT_STREQ(unchanged.GetName(), "Left Gain Left") << "an empty search text replaces nothing";
  EXPECT_EQ(std::string(cut.GetName()), std::string(31, 'x'));
  source.reset();
  EXPECT_STREQ(p.GetName(), "Right Gain Left");
  EXPECT_STREQ(p.GetGroup(), "Right");
  EXPECT_EQ(std::vector<double>({p.GetMin(), p.GetMax(), p.GetStep(), p.GetShapeValue(), p.Value()}),
            std::vector<double>({-60.0, 12.0, 0.5, 2.0, -6.0}));
  EXPECT_EQ(Display(p), "fn -6.00");
  EXPECT_STREQ(p.GetDisplayText(0.0), "unity");
  EXPECT_EQ(p.FromNormalized(0.5), -42.0);
  p.Init(p, "Right", "Left");
  EXPECT_STREQ(p.GetName(), "Right Gain Left") << "copying onto itself changes nothing";
}

// --- Shapes

TEST(IParamShapes, ThePowerCurveExponentPicksTheDisplayType)
{
  const struct { double exponent; IParam::EDisplayType expected; } cases[] = {
    {3.0, IParam::kDisplayCubeRoot},  {2.5, IParam::kDisplaySquareRoot},
    {1.5, IParam::kDisplayLinear},    {0.6666666666666666, IParam::kDisplayLinear},
    {0.4, IParam::kDisplaySquared},   {std::nextafter(2.0 / 3.0, 0.0), IParam::kDisplaySquared},
    {0.39, IParam::kDisplayCubed},
  };
  for (const auto& c : cases)
  {
    IParam p;
    p.InitDouble("x", 0.0, 0.0, 1.0, 0.01, "", 0, "", IParam::ShapePowCurve(c.exponent));
    EXPECT_EQ(p.DisplayType(), c.expected) << "exponent " << c.exponent;
  }
}

TEST(IParamShapes, ExponentialGivesEqualRatiosForEqualStepsAndStartsAtOneHundredMillionthForAZeroMinimum)
{
  IParam p, fromZero;
  p.InitFrequency("f", 1000.0, 20.0, 20000.0, 1.0);
  EXPECT_EQ(p.DisplayType(), IParam::kDisplayLog);
  EXPECT_NEAR(p.FromNormalized(0.5), 20.0 * std::sqrt(1000.0), 1e-9);
  EXPECT_NEAR(p.ToNormalized(200.0), 1.0 / 3.0, 1e-12);
  EXPECT_LE(p.ToNormalized(1e9), 1.0);

  fromZero.InitFrequency("f", 0.0, 0.0, 1000.0, 1.0);
  EXPECT_NEAR(fromZero.FromNormalized(0.0), 1e-8, 1e-20) << "1e-8 lies inside [0, 1000] and is not clipped";
  EXPECT_NEAR(fromZero.FromNormalized(1.0), 1000.0, 1e-9);
  EXPECT_EQ(fromZero.ToNormalized(0.0), 0.0);
}

// --- Value and Constrain

TEST(IParamValue, SteppedValuesRoundHalfAwayFromZeroThenClipAndIntTruncatesAndSaturates)
{
  IParam p, wide;
  p.InitDouble("x", 0.0, -1.0, 1.0, 0.5, "", IParam::kFlagStepped);
  const double cases[][2] = {{0.25, 0.5}, {-0.25, -0.5}, {0.74, 0.5}, {0.2, 0.0}, {7.0, 1.0}, {-7.0, -1.0}};
  for (const auto& c : cases)
  {
    p.Set(c[0]);
    EXPECT_EQ(p.Value(), c[1]) << "Set(" << c[0] << ")";
  }
  wide.InitDouble("x", 0.0, -1e12, 1e12, 0.1);
  const double ints[][2] = {{-2.7, -2}, {2.7, 2}, {1e11, INT_MAX}, {-1e11, INT_MIN}};
  for (const auto& c : ints)
  {
    wide.Set(c[0]);
    EXPECT_EQ(wide.Int(), static_cast<int>(c[1])) << c[0];
  }
}

TEST(IParamValue, NonFiniteValuesNeverReachTheValueButAnOutOfRangeDefaultDoes)
{
  IParam p, pow, outside;
  p.InitDouble("x", 0.0, -2.0, 3.0, 0.5, "", IParam::kFlagStepped);
  p.Set(1.5);
  for (double bad : {kNaN, kInf, -kInf})
  {
    p.Set(bad);
    p.SetNormalized(bad);
  }
  EXPECT_EQ(p.Value(), 1.5);
  EXPECT_EQ(p.Constrain(kNaN), -2.0);
  EXPECT_EQ(p.FromNormalized(kNaN), -2.0);
  EXPECT_EQ(p.ToNormalized(kNaN), 0.0);
  pow.InitDouble("x", 5.0, 0.0, 10.0, 0.01, "", 0, "", IParam::ShapePowCurve(0.5));
  pow.SetNormalized(-0.5); // outside the curve's domain
  EXPECT_EQ(pow.Value(), 0.0);

  outside.InitDouble("x", 5.0, 0.0, 1.0, 0.1);
  EXPECT_EQ(outside.Value(), 1.0);
  outside.SetToDefault();
  EXPECT_EQ(outside.Value(), 5.0) << "SetToDefault stores the default unconstrained";
}

TEST(IParamValue, TheValuePathDoesNotAllocate)
{
  IParam p;
  p.InitFrequency("f", 1000.0, 20.0, 20000.0, 1.0);
  double sink = 0.0;
  pw::test::AllocationCounter allocs;
  p.Set(440.0);
  p.SetNormalized(0.3);
  sink += p.Value() + p.GetNormalized() + p.FromNormalized(0.7) + p.Int() + p.Bool();
  p.SetToDefault();
  EXPECT_EQ(allocs.Count(), 0u);
  EXPECT_GT(sink, 0.0);
}

// --- Display

TEST(IParamDisplay, PrecisionFollowsTheStepAndSignFlagsNeverShowMinusZero)
{
  constexpr int kNeg = IParam::kFlagNegateDisplay;
  constexpr int kSign = IParam::kFlagSignDisplay;
  const struct { int flags; double step, value; const char* shown; } cases[] = {
    {0, 1.0, 0.5, "1"},          {0, 0.1, 0.5, "0.5"},         {0, 0.25, 0.5, "0.50"},
    {0, 0.001, 0.5, "0.500"},    {0, 1e-9, 0.5, "0.500000"},   // at most six decimals
    {0, 1.0, 2.5, "3"},          {0, 1.0, -2.5, "-3"},         {0, 1.0, -0.4, "0"},
    {0, 1.0, 1e11, "2147483647"},                              // whole numbers saturate
    {kNeg, 0.01, 0.0, "0.00"},   {kNeg, 0.01, 3.0, "-3.00"},   {kNeg, 0.01, -1.5, "1.50"},
    {kSign, 0.1, 2.5, "+2.5"},   {kSign, 0.1, 0.0, "0.0"},     {kSign, 0.1, -2.5, "-2.5"},
    {kSign | kNeg, 0.1, -2.0, "+2.0"}, {kSign, 1.0, 3.0, "3"}, // no plus on whole numbers
  };
  for (const auto& c : cases)
  {
    IParam p;
    p.InitDouble("x", 0.0, -1e12, 1e12, c.step, "", c.flags);
    EXPECT_EQ(DisplayOf(p, c.value), c.shown) << "flags " << c.flags << " step " << c.step << " value " << c.value;
  }

  IParam huge;
  huge.InitDouble("x", 1e35, 0.0, 1e40, 0.1);
  char full[64];
  std::snprintf(full, sizeof(full), "%.1f", 1e35);
  EXPECT_EQ(Display(huge), std::string(full).substr(0, 31)) << "cut to what a display field holds";
}

TEST(IParamDisplay, TheLabelFollowsTheValueUnlessADisplayTextNamesIt)
{
  IParam gain;
  gain.InitDouble("Gain", -3.0, -12.0, 12.0, 0.5, "dB");
  LOOM_String text;
  gain.GetDisplayWithLabel(text, true);
  EXPECT_STREQ(text.Get(), "-3.0 dB");

  IParam onOff;
  onOff.InitBool("Power", true, "units", 0, "", "off", "on");
  onOff.GetDisplayWithLabel(text, true);
  EXPECT_STREQ(text.Get(), "on") << "an enum or bool text carries no label";
  EXPECT_STREQ(onOff.GetLabel(), "");
}

TEST(IParamStringToValue, NumbersAreReadFromTheLeadAndConstrainedAndUnmatchedTextsGiveZero)
{
  IParam p, b, e, negated;
  p.InitDouble("x", 4.0, -50.0, 50.0, 0.5, "", IParam::kFlagStepped);
  b.InitBool("b", false);
  e.InitEnum("e", 1, 3);
  negated.InitDouble("x", 0.0, -10.0, 10.0, 0.01, "", IParam::kFlagNegateDisplay);
  const struct { const IParam& p; const char* text; double value; } cases[] = {
    {p, "12.3 dB", 12.5}, {p, "500", 50.0}, {p, "abc", 0.0}, {p, nullptr, 0.0},
    {p, "nan", 4.0}, {p, "-1e999", 4.0}, // non-finite text keeps the current value
    {negated, "-3", 3.0}, {b, "on", 1.0}, {b, "ON", 0.0}, {b, "1", 0.0}, {e, "2", 0.0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.p.StringToValue(c.text), c.value) << (c.text ? c.text : "(null)");
}

// --- JSON

TEST(IParamJSON, EachTypeIsDescribedByteForByteAndTheNameEscaped)
{
  IParam none, b, i, f, e;
  b.InitBool("On", true);
  i.InitInt("Count", 2, 1, 8);
  f.InitFrequency("Freq", 1000.0, 20.0, 20000.0, 1.0);
  e.InitEnum("Say \"hi\"\\\t", 0, {"a", "b"});
  EXPECT_EQ(JSON(none, 7), "{\"id\":7, \"name\":\"\", \"min\":0.000000, \"max\":1.000000, \"default\":0.000000, "
                           "\"display_type\":0, \"rate\":\"control\"}");
  EXPECT_EQ(JSON(b, 0), "{\"id\":0, \"name\":\"On\", \"type\":\"bool\", \"min\":0.000000, \"max\":1.000000, "
                        "\"default\":1.000000, \"display_type\":0, \"rate\":\"control\"}");
  EXPECT_EQ(JSON(i, 1), "{\"id\":1, \"name\":\"Count\", \"type\":\"int\", \"min\":1.000000, \"max\":8.000000, "
                        "\"default\":2.000000, \"display_type\":0, \"rate\":\"control\"}");
  EXPECT_EQ(JSON(f, 2), "{\"id\":2, \"name\":\"Freq\", \"type\":\"float\", \"min\":20.000000, "
                        "\"max\":20000.000000, \"default\":1000.000000, \"display_type\":1, \"rate\":\"control\"}");
  LOOM_String s("[");
  e.GetJSON(s, 0); // appended
  EXPECT_STREQ(s.Get(), "[{\"id\":0, \"name\":\"Say \\\"hi\\\"\\\\\\u0009\", \"type\":\"enum\", \"min\":0.000000, "
                        "\"max\":1.000000, \"default\":0.000000, \"display_type\":0, \"rate\":\"control\"}");
}
