#include "IWeftUtilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace weft;

TEST(IWeftUtilities, DecibelConversionsMatchTwentyLog10)
{
  EXPECT_NEAR(AmpToDB(0.5), 20.0 * std::log10(0.5), 1e-12);
  EXPECT_EQ(AmpToDB(-0.5), AmpToDB(0.5)) << "the sign of the amplitude does not matter";
  EXPECT_EQ(AmpToDB(0.0), -std::numeric_limits<double>::infinity());
  EXPECT_NEAR(DBToAmp(-6.0), std::pow(10.0, -6.0 / 20.0), 1e-12);
}

TEST(IWeftUtilities, CopyTextFieldCutsAtTheFieldAndAtCharacterBoundaries)
{
  char field[8];
  CopyTextField(field, "abcdefghij");
  EXPECT_STREQ(field, "abcdefg");
  CopyTextField(field, "abcdef\xE2\x82\xAC"); // the 3-byte euro sign does not fit whole
  EXPECT_STREQ(field, "abcdef");
  CopyTextField(field, "ab\xE2\x82\xAC"); // fits exactly
  EXPECT_STREQ(field, "ab\xE2\x82\xAC");
  CopyTextField(field, nullptr);
  EXPECT_STREQ(field, "");
  CopyTextField(field, "xyz");
  CopyTextField(field, field + 1);
  EXPECT_STREQ(field, "yz");
}

TEST(IWeftUtilities, MidiNoteNamesPutMiddleCInOctave3Or4)
{
  const struct { double note; bool cents; bool middleCisC4; const char* expected; } cases[] = {
    {60.0, false, false, "C 3"}, {60.0, false, true, "C 4"},    {61.0, false, false, "C#3"},
    {59.5, false, false, "C 3"}, {71.0, false, false, "B 3"},   {127.0, false, false, "G 8"},
    {0.0, false, false, "C -2"}, {-1.0, false, false, "B -3"},  {60.25, true, false, "C 3 25"},
    {59.75, true, true, "C 4 -25"},
  };
  LOOM_String name;
  for (const auto& c : cases)
  {
    MidiNoteName(c.note, name, c.cents, c.middleCisC4);
    EXPECT_STREQ(name.Get(), c.expected) << "note " << c.note;
  }
}
