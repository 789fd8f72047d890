#include "LOOM_String.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
std::string Text(const LOOM_String& s) { return std::string(s.Get()); }

TEST(LOOMStringSet, SetTakesTextUpToMaximumLengthReusingTheBufferEvenFromItsOwnTailAndNullReadsAsEmpty)
{
  EXPECT_STREQ(static_cast<const LOOM_String&>(LOOM_String()).Get(), "");
  const char raw[4] = {'w', 'x', 'y', 'z'}; // not NUL-terminated
  EXPECT_EQ(Text(LOOM_String(raw, 4)), "wxyz");
  LOOM_String s("whole", -4);
  EXPECT_EQ(Text(s), "whole");
  const char* before = s.Get();
  const LOOM_String other("hello");
  s.Set(&other, 4);
  EXPECT_EQ(Text(s), "hell");
  EXPECT_EQ(s.Get(), before);
  s.Set(s.Get() + 1);
  EXPECT_EQ(Text(s), "ell");

  LOOM_String copy(s), assigned("something longer");
  assigned = s;
  s.Set("changed");
  EXPECT_EQ(Text(copy), "ell");
  assigned = static_cast<const LOOM_String&>(assigned);
  EXPECT_EQ(Text(assigned), "ell");
  assigned.Set(static_cast<const char*>(nullptr));
  EXPECT_STREQ(assigned.Get(), "");
  assigned.Set("q");
  assigned.Set(static_cast<const LOOM_String*>(nullptr));
  EXPECT_EQ(assigned.GetLength(), 0);
}

TEST(LOOMStringAppend, AppendAddsAtTheMeasuredEndAndIgnoresNullOrEmptyText)
{
  LOOM_String s("abc");
  s.Append("defgh", 2);
  EXPECT_EQ(Text(s), "abcde");
  s.Get()[2] = '\0'; // cut inside the buffer: the measured end moves
  s.Append("Z");
  s.Append(nullptr);
  s.Insert("", 0);
  EXPECT_EQ(Text(s), "abZ");
  LOOM_String never;
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
    LOOM_String s("xyz");
    s.Insert(r.text, r.position, r.maxLen);
    EXPECT_EQ(Text(s), r.expected);
  }
}

TEST(LOOMStringInsert, InsertingOrAppendingItselfUsesTheOriginalBytesEvenWhenTheBufferMoves)
{
  LOOM_String t("abcd");
  t.Insert(t.Get() + 1, 2, 2); // "bc" after "ab"
  EXPECT_EQ(Text(t), "abbccd");

  std::string expectAppend(120, 'a');
  for (int i = 0; i < 120; ++i)
    expectAppend[i] = static_cast<char>('a' + i % 26);
  std::string expectInsert = expectAppend;
  LOOM_String appended(expectAppend.c_str()), inserted(expectInsert.c_str());
  for (int round = 0; round < 2; ++round) // the second round outgrows the allocation
  {
    appended.Append(appended.Get());
    expectAppend += expectAppend;
    EXPECT_EQ(Text(appended), expectAppend);
    inserted.Insert(inserted.Get(), 1);
    expectInsert.insert(1, expectInsert);
    EXPECT_EQ(Text(inserted), expectInsert);
  }
}

TEST(LOOMStringDeleteSub, DeletesInsideTheTextOnlyCuttingTheCountAtTheEnd)
{
  struct Row { int position, count; const char* expected; };
  const Row rows[] = {{1, 100, "a"}, {2, 3, "abf"}, {6, 1, "abcdef"}, {-1, 2, "abcdef"}, {2, -3, "abcdef"}};
  for (const Row& r : rows)
  {
    LOOM_String s("abcdef");
    s.DeleteSub(r.position, r.count);
    EXPECT_EQ(Text(s), r.expected) << r.position << ", " << r.count;
  }
  LOOM_String never;
  never.DeleteSub(0, 1);
  EXPECT_STREQ(never.Get(), "");
}

TEST(LOOMStringSetLen, ShorteningCutsGrowingKeepsTheTerminatorAndImpossibleLengthsFail)
{
  LOOM_String s("abcdef");
  ASSERT_TRUE(s.SetLen(2));
  EXPECT_EQ(Text(s), "ab");
  ASSERT_TRUE(s.SetLen(300));
  EXPECT_EQ(s.Get()[300], '\0');
  EXPECT_FALSE(s.SetLen(INT_MAX));
  EXPECT_EQ(s.GetLength(), 2);
}

TEST(LOOMStringFormat, ResultIsCutToTheMaximumUnlessItIsZeroAndRepeatedFormattingReusesTheBuffer)
{
  LOOM_String s;
  const std::string longText(1000, 'q');
  s.SetFormatted(0, "%s|%d", longText.c_str(), 42);
  EXPECT_EQ(Text(s), longText + "|42");
  s.SetFormatted(5, "%d", 1234567);
  s.AppendFormatted(3, " dB%s", " extra");
  EXPECT_EQ(Text(s), "12345 dB");
  const char* buffer = s.Get();
  s.SetFormatted(32, "%s=%.2f", "gain", 24.75);
  EXPECT_EQ(Text(s), "gain=24.75");
  EXPECT_EQ(s.Get(), buffer);
}

TEST(LOOMStringFileExt, ExtensionComesFromTheFinalPathComponentOnly)
{
  struct Row { const char *path, *ext, *withoutExt; };
  const Row rows[] = {
    {"a/b.c.d", ".d", "a/b.c"}, {"dir.old/file", "", "dir.old/file"}, {"dir.old\\file", "", "dir.old\\file"}};
  for (const Row& r : rows)
  {
    LOOM_String s(r.path);
    EXPECT_STREQ(s.get_fileext(), r.ext) << r.path;
    EXPECT_EQ(s.remove_fileext(), *r.ext != '\0') << r.path;
    EXPECT_EQ(Text(s), r.withoutExt);
  }
  EXPECT_STREQ(LOOM_String().get_fileext(), "");
}

TEST(LOOMFastString, LengthIsTheBufferSizeLessTheTerminatorAndSetLenFills)
{
  LOOM_FastString s;
  s.Set("path/to", 4);
  s.Append("/x");
  EXPECT_EQ(s.GetLength(), 6);
  ASSERT_TRUE(s.SetLen(8, false, '-'));
  EXPECT_STREQ(s.Get(), "path/x--");
}
} // namespace
