#include "LOOM_String.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
std::string Text(const LOOM_String& s) { return std::string(s.Get()); }

TEST(LOOMStringSet, NeverSetStringReadsAsEmptyTextNotNull)
{
  LOOM_String s;
  const LOOM_String& cs = s;
  ASSERT_NE(cs.Get(), nullptr);
  EXPECT_STREQ(cs.Get(), "");
  ASSERT_NE(s.Get(), nullptr);
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
}

TEST(LOOMStringSet, SetTakesTextUpToMaximumLength)
{
  LOOM_String s("abcdef", 3);
  EXPECT_EQ(Text(s), "abc");
  EXPECT_EQ(s.GetLength(), 3);
  s.Set("xy", 10);
  EXPECT_EQ(Text(s), "xy");
  s.Set("whole", -4);
  EXPECT_EQ(Text(s), "whole");
  const LOOM_String other("hello");
  s.Set(&other, 4);
  EXPECT_EQ(Text(s), "hell");
}

TEST(LOOMStringSet, MaximumLengthStopsReadingAtThatManyBytes)
{
  const char raw[4] = {'w', 'x', 'y', 'z'}; // not NUL-terminated
  LOOM_String s(raw, 4);
  EXPECT_EQ(Text(s), "wxyz");
}

TEST(LOOMStringSet, NullTextEmptiesTheString)
{
  LOOM_String s("abc");
  s.Set(static_cast<const char*>(nullptr));
  EXPECT_STREQ(s.Get(), "");
  s.Set("q");
  s.Set(static_cast<const LOOM_String*>(nullptr));
  EXPECT_EQ(s.GetLength(), 0);
}

TEST(LOOMStringSet, ShorterSetReusesTheBuffer)
{
  LOOM_String s("a long piece of text");
  const char* before = s.Get();
  s.Set("ab");
  EXPECT_EQ(Text(s), "ab");
  EXPECT_EQ(s.Get(), before);
}

TEST(LOOMStringSet, SetFromATailOfItselfCopiesTheOverlappingBytes)
{
  LOOM_String s("0123456789");
  s.Set(s.Get() + 4);
  EXPECT_EQ(Text(s), "456789");
}

TEST(LOOMStringSet, CopyAndAssignmentDuplicateTheText)
{
  LOOM_String a("first");
  LOOM_String b(a);
  LOOM_String c("something longer than first");
  c = a;
  a.Set("changed");
  EXPECT_EQ(Text(b), "first");
  EXPECT_EQ(Text(c), "first");
  EXPECT_EQ(c.GetLength(), 5);
  const LOOM_String& alias = c;
  c = alias;
  EXPECT_EQ(Text(c), "first");
  c = LOOM_String();
  EXPECT_STREQ(c.Get(), "");
}

TEST(LOOMStringAppend, AppendAddsAtTheMeasuredEnd)
{
  LOOM_String s("abc");
  s.Append("defgh", 2);
  EXPECT_EQ(Text(s), "abcde");
  s.Get()[2] = '\0'; // cut inside the buffer: the measured end moves
  s.Append("Z");
  EXPECT_EQ(Text(s), "abZ");
  EXPECT_EQ(s.GetLength(), 3);
}

TEST(LOOMStringAppend, NullOrEmptyTextChangesNothingButTerminatesANeverSetString)
{
  LOOM_String never;
  never.Insert("", 0);
  never.Insert(nullptr, 0);
  EXPECT_STREQ(never.Get(), "");
  never.Append("");
  EXPECT_STREQ(never.Get(), "");
  LOOM_String t("x");
  t.Append(nullptr);
  t.Append("");
  t.Insert("", 0);
  EXPECT_EQ(Text(t), "x");
}

TEST(LOOMStringAppend, AppendingItselfDoublesTheTextEvenWhenTheBufferMoves)
{
  std::string expected;
  for (int i = 0; i < 120; ++i)
    expected += static_cast<char>('a' + i % 26);
  LOOM_String s(expected.c_str());
  for (int round = 0; round < 4; ++round)
  {
    s.Append(s.Get());
    expected += expected;
    ASSERT_EQ(Text(s), expected) << "round " << round;
  }
}

TEST(LOOMStringInsert, PositionIsClampedToTheText)
{
  LOOM_String s("xyz");
  s.Insert("ab", 99);
  EXPECT_EQ(Text(s), "xyzab");
  LOOM_String t("xyz");
  t.Insert("ab", -3);
  EXPECT_EQ(Text(t), "abxyz");
}

TEST(LOOMStringInsert, InsertInTheMiddleMovesTheRestUp)
{
  LOOM_String s("hello world");
  s.Insert("big ", 6);
  EXPECT_EQ(Text(s), "hello big world");
  s.Insert("!!!", 15, 1);
  EXPECT_EQ(Text(s), "hello big world!");
}

TEST(LOOMStringInsert, InsertingPartOfItselfUsesTheOriginalBytes)
{
  LOOM_String s("abcd");
  s.Insert(s.Get() + 2, 0); // "cd" in front
  EXPECT_EQ(Text(s), "cdabcd");
  LOOM_String t("abcd");
  t.Insert(t.Get() + 1, 2, 2); // "bc" after "ab"
  EXPECT_EQ(Text(t), "abbccd");
}

TEST(LOOMStringInsert, InsertingItselfIntoALongStringSurvivesAMovingBuffer)
{
  std::string expected(200, 'x');
  expected[0] = 'A';
  expected[199] = 'Z';
  LOOM_String s(expected.c_str()); // every round outgrows the allocation
  for (int round = 0; round < 3; ++round)
  {
    s.Insert(s.Get(), 1);
    expected.insert(1, expected);
    ASSERT_EQ(Text(s), expected) << "round " << round;
  }
}

TEST(LOOMStringDeleteSub, CountIsCutAtTheEnd)
{
  LOOM_String s("abcdef");
  s.DeleteSub(1, 100);
  EXPECT_EQ(Text(s), "a");
  EXPECT_EQ(s.GetLength(), 1);
}

TEST(LOOMStringDeleteSub, MiddleDeletionJoinsTheRest)
{
  LOOM_String s("abcdef");
  s.DeleteSub(2, 3);
  EXPECT_EQ(Text(s), "abf");
  s.Append("g");
  EXPECT_EQ(Text(s), "abfg");
}

TEST(LOOMStringDeleteSub, PositionOutsideTheTextOrEmptyCountChangesNothing)
{
  LOOM_String s("abcdef");
  s.DeleteSub(6, 1);
  s.DeleteSub(-1, 2);
  s.DeleteSub(2, 0);
  s.DeleteSub(2, -3);
  EXPECT_EQ(Text(s), "abcdef");
  LOOM_String never;
  never.DeleteSub(0, 1);
  LOOM_String empty("");
  empty.DeleteSub(0, 1);
  EXPECT_STREQ(never.Get(), "");
  EXPECT_STREQ(empty.Get(), "");
}

TEST(LOOMStringSetLen, ShorteningCutsAndGrowingKeepsTheTerminator)
{
  LOOM_String s("abcdef");
  ASSERT_TRUE(s.SetLen(2));
  EXPECT_EQ(Text(s), "ab");
  ASSERT_TRUE(s.SetLen(300));
  EXPECT_EQ(s.Get()[300], '\0');
  EXPECT_EQ(s.Get()[0], 'a');
  ASSERT_TRUE(s.SetLen(-5));
  EXPECT_STREQ(s.Get(), "");
}

TEST(LOOMStringSetLen, ImpossibleLengthFailsAndKeepsTheText)
{
  LOOM_String s("keep");
  EXPECT_FALSE(s.SetLen(INT_MAX));
  EXPECT_FALSE(s.SetLen(INT_MAX - 1));
  EXPECT_EQ(Text(s), "keep");
}

TEST(LOOMStringFormat, ResultLongerThanMaximumKeepsItsFirstCharacters)
{
  LOOM_String s;
  s.SetFormatted(5, "%d", 1234567);
  EXPECT_EQ(Text(s), "12345");
  EXPECT_EQ(s.GetLength(), 5);
}

TEST(LOOMStringFormat, SetFormattedReplacesAndAppendFormattedExtends)
{
  LOOM_String s;
  s.AppendFormatted(10, "%s", "abc");
  EXPECT_EQ(Text(s), "abc");
  s.SetFormatted(64, "%s=%.2f", "gain", 1.5);
  EXPECT_EQ(Text(s), "gain=1.50");
  s.AppendFormatted(3, " dB%s", " extra");
  EXPECT_EQ(Text(s), "gain=1.50 dB");
}

TEST(LOOMStringFormat, MaximumOfZeroKeepsTheWholeResult)
{
  std::string expected(1000, 'q');
  LOOM_String s;
  s.SetFormatted(0, "%s|%d", expected.c_str(), 42);
  EXPECT_EQ(Text(s), expected + "|42");
}

TEST(LOOMStringFormat, RepeatedFormattingReusesTheBuffer)
{
  LOOM_String s;
  s.SetFormatted(32, "%d", 1);
  const char* buffer = s.Get();
  for (int i = 0; i < 100; ++i)
  {
    s.SetFormatted(32, "value %d", i);
    ASSERT_EQ(s.Get(), buffer);
  }
  EXPECT_EQ(Text(s), "value 99");
}

TEST(LOOMStringFileExt, ExtensionOfTheFinalComponentOnly)
{
  const LOOM_String plain("dir.old/file");
  EXPECT_EQ(plain.get_fileext(), plain.Get() + plain.GetLength());
  const LOOM_String win("dir.old\\file");
  EXPECT_EQ(*win.get_fileext(), '\0');
  const LOOM_String named("a/b.c.d");
  EXPECT_STREQ(named.get_fileext(), ".d");
  const LOOM_String never;
  EXPECT_STREQ(never.get_fileext(), "");
}

TEST(LOOMStringFileExt, RemoveCutsAtTheLastDotOfTheFinalComponent)
{
  LOOM_String s("a/b.c.d");
  EXPECT_TRUE(s.remove_fileext());
  EXPECT_EQ(Text(s), "a/b.c");
  EXPECT_EQ(s.GetLength(), 5);
  LOOM_String none("dir.old/file");
  EXPECT_FALSE(none.remove_fileext());
  EXPECT_EQ(Text(none), "dir.old/file");
}

TEST(LOOMFastString, LengthIsTheBufferSizeLessTheTerminator)
{
  LOOM_FastString s;
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_STREQ(s.Get(), "");
  s.Set("path/to", 4);
  EXPECT_STREQ(s.Get(), "path");
  s.Append("/x");
  EXPECT_STREQ(s.Get(), "path/x");
  EXPECT_EQ(s.GetLength(), 6);
  const LOOM_FastString copy(s);
  s.Set("other");
  EXPECT_STREQ(copy.Get(), "path/x");
}

TEST(LOOMFastString, SetLenFillsTheNewCharacters)
{
  LOOM_FastString s("ab");
  ASSERT_TRUE(s.SetLen(5, false, '-'));
  EXPECT_STREQ(s.Get(), "ab---");
  EXPECT_EQ(s.GetLength(), 5);
  ASSERT_TRUE(s.SetLen(1, false, '-'));
  EXPECT_STREQ(s.Get(), "a");
  EXPECT_EQ(s.GetLength(), 1);
}
} // namespace
