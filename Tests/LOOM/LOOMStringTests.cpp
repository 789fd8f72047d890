#include "LOOM_String.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
std::string Text(const LOOM_String& s) { return std::string(s.Get()); }

TEST(LOOMStringSet, NeverSetOrNullSetStringReadsAsEmptyTextNotNull)
{
  LOOM_String s;
  const LOOM_String& cs = s;
  EXPECT_STREQ(cs.Get(), "");
  EXPECT_STREQ(s.Get(), "");
  s.Set("abc");
  s.Set(static_cast<const char*>(nullptr));
  EXPECT_STREQ(s.Get(), "");
  s.Set("q");
  s.Set(static_cast<const LOOM_String*>(nullptr));
  EXPECT_EQ(s.GetLength(), 0);
}

TEST(LOOMStringSet, SetTakesTextUpToMaximumLengthReusingTheBuffer)
{
  const char raw[4] = {'w', 'x', 'y', 'z'}; // not NUL-terminated
  EXPECT_EQ(Text(LOOM_String(raw, 4)), "wxyz");
  LOOM_String s("abcdef", 3);
  EXPECT_EQ(s.GetLength(), 3);
  s.Set("whole", -4);
  EXPECT_EQ(Text(s), "whole");
  const char* before = s.Get();
  const LOOM_String other("hello");
  s.Set(&other, 4);
  EXPECT_EQ(Text(s), "hell");
  EXPECT_EQ(s.Get(), before);
  s.Set(s.Get() + 1); // overlapping tail of itself
  EXPECT_EQ(Text(s), "ell");
}

TEST(LOOMStringSet, CopyAndAssignmentDuplicateTheText)
{
  LOOM_String a("first");
  LOOM_String b(a);
  LOOM_String c("something longer than first");
  c = a;
  a.Set("changed");
  EXPECT_EQ(Text(b), "first");
  EXPECT_EQ(c.GetLength(), 5);
  const LOOM_String& alias = c;
  c = alias;
  EXPECT_EQ(Text(c), "first");
  c = LOOM_String();
  EXPECT_STREQ(c.Get(), "");
}

TEST(LOOMStringAppend, AppendAddsAtTheMeasuredEndAndIgnoresNullOrEmptyText)
{
  LOOM_String s("abc");
  s.Append("defgh", 2);
  EXPECT_EQ(Text(s), "abcde");
  s.Get()[2] = '\0'; // cut inside the buffer: the measured end moves
  s.Append("Z");
  s.Append(nullptr);
  s.Append("");
  s.Insert("", 0);
  EXPECT_EQ(Text(s), "abZ");
  EXPECT_EQ(s.GetLength(), 3);

  LOOM_String never;
  never.Insert("", 0);
  never.Insert(nullptr, 0);
  never.Append("");
  EXPECT_STREQ(never.Get(), "");
}

TEST(LOOMStringInsert, PositionIsClampedToTheTextAndTheRestMovesUp)
{
  struct Row { const char* text; int position, maxLen; const char* expected; };
  const Row rows[] = {{"ab", 99, 0, "xyzab"}, {"ab", -3, 0, "abxyz"}, {"big ", 1, 0, "xbig yz"}, {"!!!", 3, 1, "xyz!"}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(r.expected);
    LOOM_String s("xyz");
    s.Insert(r.text, r.position, r.maxLen);
    EXPECT_EQ(Text(s), r.expected);
  }
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

TEST(LOOMStringInsert, AppendingOrInsertingItselfSurvivesAMovingBuffer)
{
  std::string expectedAppend;
  for (int i = 0; i < 120; ++i)
    expectedAppend += static_cast<char>('a' + i % 26);
  std::string expectedInsert = expectedAppend;
  LOOM_String appended(expectedAppend.c_str());
  LOOM_String inserted(expectedInsert.c_str()); // rounds 1 to 3 outgrow the allocation
  for (int round = 0; round < 4; ++round)
  {
    SCOPED_TRACE(round);
    appended.Append(appended.Get());
    expectedAppend += expectedAppend;
    ASSERT_EQ(Text(appended), expectedAppend);
    inserted.Insert(inserted.Get(), 1);
    expectedInsert.insert(1, expectedInsert);
    ASSERT_EQ(Text(inserted), expectedInsert);
  }
}

TEST(LOOMStringDeleteSub, DeletesInsideTheTextOnlyCuttingTheCountAtTheEnd)
{
  struct Row { int position, count; const char* expected; };
  const Row rows[] = {{1, 100, "a"},      {2, 3, "abf"},     {6, 1, "abcdef"},
                      {-1, 2, "abcdef"}, {2, 0, "abcdef"}, {2, -3, "abcdef"}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(testing::Message() << r.position << ", " << r.count);
    LOOM_String s("abcdef");
    s.DeleteSub(r.position, r.count);
    EXPECT_EQ(Text(s), r.expected);
    EXPECT_EQ(s.GetLength(), static_cast<int>(std::string(r.expected).size()));
  }
  LOOM_String never;
  never.DeleteSub(0, 1);
  LOOM_String empty("");
  empty.DeleteSub(0, 1);
  EXPECT_STREQ(never.Get(), "");
  EXPECT_STREQ(empty.Get(), "");
}

TEST(LOOMStringSetLen, ShorteningCutsGrowingKeepsTheTerminatorAndImpossibleLengthsFail)
{
  LOOM_String s("abcdef");
  ASSERT_TRUE(s.SetLen(2));
  EXPECT_EQ(Text(s), "ab");
  ASSERT_TRUE(s.SetLen(300));
  EXPECT_EQ(s.Get()[300], '\0');
  ASSERT_TRUE(s.SetLen(-5));
  EXPECT_STREQ(s.Get(), "");

  LOOM_String keep("keep");
  EXPECT_FALSE(keep.SetLen(INT_MAX));
  EXPECT_FALSE(keep.SetLen(INT_MAX - 1));
  EXPECT_EQ(Text(keep), "keep");
}

TEST(LOOMStringFormat, ResultIsCutToTheMaximumUnlessItIsZeroAndRepeatedFormattingReusesTheBuffer)
{
  LOOM_String s;
  const std::string longText(1000, 'q');
  s.SetFormatted(0, "%s|%d", longText.c_str(), 42);
  EXPECT_EQ(Text(s), longText + "|42");
  s.SetFormatted(5, "%d", 1234567);
  EXPECT_EQ(s.GetLength(), 5);
  s.AppendFormatted(3, " dB%s", " extra");
  EXPECT_EQ(Text(s), "12345 dB");
  const char* buffer = s.Get();
  for (int i = 0; i < 100; ++i)
  {
    s.SetFormatted(32, "%s=%.2f", "gain", i / 4.0);
    ASSERT_EQ(s.Get(), buffer);
  }
  EXPECT_EQ(Text(s), "gain=24.75");
}

TEST(LOOMStringFileExt, ExtensionComesFromTheFinalPathComponentOnly)
{
  struct Row { const char *path, *ext, *withoutExt; };
  const Row rows[] = {
    {"a/b.c.d", ".d", "a/b.c"}, {"dir.old/file", "", "dir.old/file"}, {"dir.old\\file", "", "dir.old\\file"}};
  for (const Row& r : rows)
  {
    SCOPED_TRACE(r.path);
    LOOM_String s(r.path);
    EXPECT_STREQ(s.get_fileext(), r.ext);
    EXPECT_EQ(s.get_fileext(), s.Get() + s.GetLength() - std::string(r.ext).size());
    EXPECT_EQ(s.remove_fileext(), *r.ext != '\0');
    EXPECT_EQ(Text(s), r.withoutExt);
  }
  EXPECT_STREQ(LOOM_String().get_fileext(), "");
}

TEST(LOOMFastString, LengthIsTheBufferSizeLessTheTerminatorAndSetLenFills)
{
  LOOM_FastString s;
  EXPECT_STREQ(s.Get(), "");
  s.Set("path/to", 4);
  s.Append("/x");
  EXPECT_EQ(s.GetLength(), 6);
  const LOOM_FastString copy(s);
  ASSERT_TRUE(s.SetLen(9, false, '-'));
  EXPECT_STREQ(s.Get(), "path/x---");
  ASSERT_TRUE(s.SetLen(1, false, '-'));
  EXPECT_EQ(s.GetLength(), 1);
  EXPECT_STREQ(copy.Get(), "path/x");
}
} // namespace
