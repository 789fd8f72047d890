#include "IBlend.h"
#include "IColor.h"
#include "IMatrix.h"
#include "IPattern.h"
#include "IStrokeFill.h"
#include "IText.h"
#include "IVStyle.h"
#include "IVec2.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace weft::canvas;
using pwtest::Str;

TEST(DrawingDefaultsTest, ColourAndBlendConstantsHaveTheirExactValues)
{
  const struct { IColor c; IColor expected; } colours[] = {
    {COLOR_TRANSPARENT, {0, 0, 0, 0}},        {COLOR_TRANSLUCENT, {10, 0, 0, 0}},
    {COLOR_BLACK, {255, 0, 0, 0}},            {COLOR_BLACK_DROP_SHADOW, {128, 0, 0, 0}},
    {COLOR_GRAY, {255, 127, 127, 127}},       {COLOR_LIGHT_GRAY, {255, 240, 240, 240}},
    {COLOR_MID_GRAY, {255, 200, 200, 200}},   {COLOR_DARK_GRAY, {255, 70, 70, 70}},
    {COLOR_WHITE, {255, 255, 255, 255}},      {COLOR_RED, {255, 255, 0, 0}},
    {COLOR_GREEN, {255, 0, 255, 0}},          {COLOR_BLUE, {255, 0, 0, 255}},
    {COLOR_YELLOW, {255, 255, 255, 0}},       {COLOR_ORANGE, {255, 255, 127, 0}},
    {COLOR_INDIGO, {255, 75, 0, 130}},        {COLOR_VIOLET, {255, 148, 0, 211}},
    {DEFAULT_SHCOLOR, {60, 0, 0, 0}},         {LED1, {255, 36, 157, 16}},
    {LED2, {255, 153, 191, 28}},              {LED3, {255, 215, 222, 37}},
    {LED4, {255, 247, 153, 33}},              {DEFAULT_BGCOLOR, COLOR_TRANSPARENT},
    {DEFAULT_FGCOLOR, COLOR_MID_GRAY},        {DEFAULT_PRCOLOR, COLOR_LIGHT_GRAY},
    {DEFAULT_FRCOLOR, COLOR_DARK_GRAY},       {DEFAULT_HLCOLOR, COLOR_TRANSLUCENT},
    {DEFAULT_X1COLOR, COLOR_BLACK},           {DEFAULT_X2COLOR, COLOR_GREEN},
    {DEFAULT_X3COLOR, COLOR_BLUE},            {DEFAULT_TEXT_FGCOLOR, COLOR_BLACK},
    {DEFAULT_TEXTENTRY_BGCOLOR, COLOR_WHITE}, {DEFAULT_TEXTENTRY_FGCOLOR, COLOR_BLACK},
  };
  for (const auto& c : colours)
    EXPECT_EQ(Str(c.c), Str(c.expected));

  const struct { IBlend b; EBlend method; float weight; } blends[] = {
    {BLEND_75, EBlend::SrcOver, 0.75f}, {BLEND_50, EBlend::SrcOver, 0.5f},  {BLEND_25, EBlend::SrcOver, 0.25f},
    {BLEND_10, EBlend::SrcOver, 0.1f},  {BLEND_05, EBlend::SrcOver, 0.05f}, {BLEND_01, EBlend::SrcOver, 0.01f},
    {BLEND_DST_IN, EBlend::DstIn, 1.0f}, {BLEND_DST_OVER, EBlend::DstOver, 1.0f},
    {IBlend(EBlend::XOR, 3.0f), EBlend::XOR, 1.0f}, {IBlend(EBlend::Add, -1.0f), EBlend::Add, 0.0f},
  };
  for (const auto& b : blends)
  {
    EXPECT_EQ(b.b.mMethod, b.method);
    EXPECT_EQ(b.b.mWeight, b.weight);
  }
  EXPECT_EQ(BlendWeight(nullptr), 1.0f);
}

TEST(DrawingDefaultsTest, TextAndStyleDefaultsMatchTheTable)
{
  EXPECT_STREQ(DEFAULT_TEXT.mFont, "Roboto-Regular");
  EXPECT_TRUE(DEFAULT_TEXT.mSize == 14.0f && DEFAULT_TEXT.mAlign == EAlign::Center &&
              DEFAULT_TEXT.mVAlign == EVAlign::Middle && DEFAULT_TEXT.mAngle == 0.0f);
  EXPECT_TRUE(DEFAULT_LABEL_TEXT.mSize == 19.0f && DEFAULT_LABEL_TEXT.mVAlign == EVAlign::Top);
  EXPECT_TRUE(DEFAULT_VALUE_TEXT.mVAlign == EVAlign::Bottom && DEFAULT_VALUE_TEXT.mAlign == EAlign::Center);

  const IVStyle& s = DEFAULT_STYLE;
  EXPECT_TRUE(s.showLabel && s.showValue && s.hideCursor && s.drawFrame && s.drawShadows);
  EXPECT_FALSE(s.emboss);
  EXPECT_TRUE(s.roundness == 0.0f && s.frameThickness == 1.0f && s.shadowOffset == 3.0f && s.widgetFrac == 1.0f &&
              s.angle == 0.0f && s.labelOrientation == EOrientation::North);
  for (int i = 0; i < kNumVColors; ++i)
    EXPECT_EQ(s.colorSpec.GetColor(EVColor(i)), IVColorSpec::GetDefaultColor(EVColor(i)));
  EXPECT_EQ(IVColorSpec::GetDefaultColor(kNumVColors), COLOR_TRANSPARENT);
  EXPECT_EQ(s.WithRoundness(1.5f).roundness, 1.0f);
  EXPECT_EQ(s.WithColor(kFR, COLOR_RED).colorSpec.GetColor(kFR), COLOR_RED);
  EXPECT_EQ(Str(s.WithColor(kNumVColors, COLOR_RED).colorSpec.GetColor(kX3)), Str(DEFAULT_X3COLOR));
}

TEST(DrawingTypesTest, FontNamesAreCopiedBoundedAndTruncated)
{
  const std::string longName(100, 'f');
  const IText text(12.0f, COLOR_RED, longName.c_str());
  EXPECT_EQ(std::strlen(text.mFont), 63u);
  EXPECT_EQ(std::string(text.mFont), longName.substr(0, 63));
  EXPECT_STREQ(IText(12.0f, EAlign::Far).mFont, "Roboto-Regular");
  EXPECT_EQ(IText(12.0f, EAlign::Far).WithAngle(45).mAngle, 45.0f);
}

TEST(DrawingTypesTest, ColourHelpersClipTruncateAndConvertCodes)
{
  EXPECT_EQ(Str(IColor::FromColorCode(0x123456)), Str(IColor(255, 18, 52, 86)));
  EXPECT_EQ(IColor::FromColorCode(0x123456, 7).A, 7);
  EXPECT_EQ(COLOR_RED.WithOpacity(2.0f).A, 255);
  EXPECT_EQ(COLOR_RED.WithOpacity(-1.0f).A, 0);
  EXPECT_EQ(COLOR_RED.WithOpacity(0.5f).A, 127);
  EXPECT_EQ(Str(COLOR_WHITE.WithContrast(-1.0f)), Str(COLOR_BLACK));
  EXPECT_EQ(Str(IColor(255, 10, 20, 200).WithContrast(0.5f)), Str(IColor(255, 137, 147, 255)));

  std::srand(1);
  for (int i = 0; i < 2000; ++i)
  {
    IColor c;
    c.Randomise(9);
    ASSERT_EQ(c.A, 9);
    ASSERT_TRUE(c.R >= 0 && c.R < 255 && c.G >= 0 && c.G < 255 && c.B >= 0 && c.B < 255);
  }
}

TEST(DrawingTypesTest, HSLAConversionsWrapClipAndRoundTrip)
{
  float h, s, l, a;
  IColor(255, 100, 100, 100).GetHSLA(h, s, l, a);
  EXPECT_EQ(h, 0.0f);
  EXPECT_EQ(s, 0.0f);
  EXPECT_FLOAT_EQ(l, 100.0f / 255.0f);
  COLOR_YELLOW.GetHSLA(h, s, l, a);
  EXPECT_FLOAT_EQ(h, 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(s, 1.0f);
  EXPECT_FLOAT_EQ(l, 0.5f);
  EXPECT_FLOAT_EQ(a, 1.0f);

  EXPECT_EQ(Str(IColor::FromHSLA(1.25f, 0.7f, 0.4f)), Str(IColor::FromHSLA(0.25f, 0.7f, 0.4f)));
  EXPECT_EQ(Str(IColor::FromHSLA(-0.25f, 0.7f, 0.4f)), Str(IColor::FromHSLA(0.75f, 0.7f, 0.4f)));
  EXPECT_EQ(Str(IColor::FromHSLA(0.3f, 1.5f, 0.4f)), Str(IColor::FromHSLA(0.3f, 1.0f, 0.4f)));
  EXPECT_GT(IColor::FromHSLA(0.3f, 0.5f, 0.5f, 1.5f).A, 255);
  EXPECT_EQ(Str(IColor::FromHSLA(0.0f, 1.0f, 0.5f)), Str(COLOR_RED));

  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51)
      {
        IColor(200, r, g, b).GetHSLA(h, s, l, a);
        const IColor back = IColor::FromHSLA(h, s, l, a);
        ASSERT_LE(std::abs(back.R - r), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(back.G - g), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(back.B - b), 1) << r << "," << g << "," << b;
        ASSERT_LE(std::abs(back.A - 200), 1);
      }
}

TEST(DrawingTypesTest, MatricesComposeArgumentFirstAndInvert)
{
  IMatrix rot;
  rot.Rotate(90.0f);
  EXPECT_NEAR(rot.mXX, 0.0, 1e-12);
  EXPECT_NEAR(rot.mYX, 1.0, 1e-12);
  EXPECT_NEAR(rot.mXY, -1.0, 1e-12);
  EXPECT_NEAR(rot.mYY, 0.0, 1e-12);

  IMatrix m;
  m.Translate(10.0f, 20.0f).Scale(2.0f, 3.0f); // scales first, translates after
  double x = 1.0, y = 1.0;
  m.TransformPoint(x, y);
  EXPECT_DOUBLE_EQ(x, 12.0);
  EXPECT_DOUBLE_EQ(y, 23.0);

  m.Rotate(30.0f).Skew(10.0f, 5.0f);
  IMatrix inverse = m;
  inverse.Invert();
  double px = 0.0, py = 0.0;
  m.TransformPoint(px, py, 3.0, -7.0);
  inverse.TransformPoint(px, py);
  EXPECT_NEAR(px, 3.0, 1e-9);
  EXPECT_NEAR(py, -7.0, 1e-9);
}

TEST(DrawingTypesTest, PatternStopsDashesAndPalettesRefuseWhatDoesNotFit)
{
  const IPattern solid(COLOR_RED);
  EXPECT_EQ(solid.mType, EPatternType::Solid);
  EXPECT_EQ(solid.mExtend, EPatternSpread::Pad);
  ASSERT_EQ(solid.NStops(), 1);
  EXPECT_EQ(solid.GetStop(0).mColor, COLOR_RED);

  // Each refusal is a caller's error: debug builds stop with its message,
  // release builds refuse or clamp.
  IPattern linear(EPatternType::Linear);
  linear.AddStop(COLOR_RED, 0.5f);
  EXPECT_DEBUG_DEATH(linear.AddStop(COLOR_BLUE, 0.5f), "!mNStops \\|\\| GetStop\\(mNStops - 1\\).mOffset < offset");
  EXPECT_DEBUG_DEATH(linear.AddStop(COLOR_BLUE, 0.25f), "mOffset < offset");
  EXPECT_EQ(linear.NStops(), 1);
  for (int i = 1; i < 16; ++i)
    linear.AddStop(COLOR_GREEN, 0.5f + 0.02f * static_cast<float>(i));
  EXPECT_EQ(linear.NStops(), 16);
  EXPECT_DEBUG_DEATH(linear.AddStop(COLOR_GREEN, 0.9f), "mType != EPatternType::Solid && mNStops < 16");
  EXPECT_EQ(linear.NStops(), 16);
  EXPECT_FLOAT_EQ(linear.GetStop(15).mOffset, 0.8f);

  const float dashes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  IStrokeOptions::DashOptions dash;
  dash.SetDash(dashes, 1.5f, 8);
  EXPECT_EQ(dash.GetCount(), 8);
  EXPECT_EQ(dash.GetArray()[7], 8.0f);
  EXPECT_DEBUG_DEATH(dash.SetDash(dashes, 1.5f, 12), "count >= 0 && count <= 8");
  EXPECT_EQ(dash.GetCount(), 8) << "release builds clamp to 8";
  EXPECT_DEBUG_DEATH(dash.SetDash(dashes, 0.0f, -3), "count >= 0 && count <= 8");
#ifdef NDEBUG
  EXPECT_EQ(dash.GetCount(), 0);
#endif

  const IVColorSpec two{COLOR_RED, COLOR_BLUE};
  EXPECT_EQ(two.GetColor(kBG), COLOR_RED);
  EXPECT_EQ(two.GetColor(kFG), COLOR_BLUE);
  EXPECT_EQ(two.GetColor(kPR), DEFAULT_PRCOLOR);
  const auto eleven = [] {
    return IVColorSpec{COLOR_RED, COLOR_RED, COLOR_RED,  COLOR_RED,   COLOR_RED,  COLOR_RED,
                       COLOR_RED, COLOR_RED, COLOR_BLUE, COLOR_GREEN, COLOR_GREEN};
  };
  EXPECT_DEBUG_DEATH(eleven(), "colors.size\\(\\) <= kNumVColors");
#ifdef NDEBUG
  EXPECT_EQ(eleven().GetColor(kX3), COLOR_BLUE) << "release builds ignore the colours past the ninth";
#endif

  EXPECT_TRUE(std::isnan(GetLineCrossing({0, 0}, {1, 1}, {0, 1}, {1, 2})));
  EXPECT_FLOAT_EQ(GetLineCrossing({0, 5}, {10, 5}, {2, 0}, {2, 10}), 0.5f);
}
