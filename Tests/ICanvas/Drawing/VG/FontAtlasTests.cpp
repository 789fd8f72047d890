#include "FontAtlasDetail.h"
#include "FontTestFonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

struct Recorder
{
  std::vector<std::pair<int, int>> errors;
  int drawnVerts = 0;
  bool refuseResize = false;
};

FNTatlas* MakeAtlas(Recorder& rec, int w, int h, unsigned char flags)
{
  FNTatlasParams params{};
  params.width = w;
  params.height = h;
  params.flags = flags;
  params.userPtr = &rec;
  params.renderResize = [](void* up, int, int) { return static_cast<Recorder*>(up)->refuseResize ? 0 : 1; };
  params.renderDraw = [](void* up, const float*, const float*, const unsigned int*, int n) {
    static_cast<Recorder*>(up)->drawnVerts += n;
  };
  FNTatlas* stash = fntCreateInternal(&params);
  fntSetErrorCallback(stash, [](void* up, int e, int v) { static_cast<Recorder*>(up)->errors.emplace_back(e, v); }, &rec);
  return stash;
}

class FontAtlas : public ::testing::Test
{
protected:
  void SetUp() override
  {
    stash = MakeAtlas(rec, 512, 512, FNT_ZERO_TOPLEFT);
    ASSERT_NE(stash, nullptr);
    ASSERT_EQ(fntAddFont(stash, "sans", kRobotoPath, 0), roboto);
  }
  void TearDown() override { fntDeleteInternal(stash); }

  FNTfontSlot* Font() const { return stash->fonts[roboto]; }
  unsigned char Pixel(int x, int y) const { return stash->texData[x + y * stash->params.width]; }

  Recorder rec;
  FNTatlas* stash = nullptr;
  const int roboto = 0;
};

TEST(FontAtlasPacker, SkylinePlacesEachRectangleAtTheLowestTopEdgeNarrowerNodeOnTies)
{
  FNTskyline* sky = fnt__allocAtlas(16, 8, 1);
  struct Step { int w, h, x, y; };
  // Expected positions follow from the skyline drawn after each step.
  const Step steps[] = {
    {8, 2, 0, 0},   // (0,2,8) (8,0,8)
    {3, 3, 8, 0},   // (0,2,8) (8,3,3) (11,0,5)
    {5, 2, 11, 0},  // (0,2,8) (8,3,3) (11,2,5)
    {2, 1, 11, 2},  // ties at top 3 with the wider first node: narrower wins
    {16, 5, 0, 3},  // reaches the full height, allowed on a node narrower than the width
  };
  for (const Step& s : steps)
  {
    int x = -1, y = -1;
    ASSERT_EQ(fnt__atlasAddRect(sky, s.w, s.h, &x, &y), 1) << s.w << "x" << s.h;
    EXPECT_EQ(x, s.x) << s.w << "x" << s.h;
    EXPECT_EQ(y, s.y) << s.w << "x" << s.h;
  }
  int x, y;
  EXPECT_EQ(fnt__atlasAddRect(sky, 1, 1, &x, &y), 0);
  ASSERT_EQ(fnt__atlasExpand(sky, 20, 8), 1);
  EXPECT_EQ(fnt__atlasAddRect(sky, 4, 8, &x, &y), 1);
  EXPECT_EQ(x, 16);
  fnt__deleteAtlas(sky);
}

TEST_F(FontAtlas, FirstGlyphIsPackedRightOfTheWhiteBlock)
{
  EXPECT_EQ(Pixel(0, 0), 255);
  EXPECT_EQ(Pixel(1, 1), 255);
  EXPECT_EQ(Pixel(2, 0), 0);
  FNTtextCursor it;
  FNTglyphQuad q;
  ASSERT_EQ(fntTextIterInit(stash, &it, 0, 0, "H", nullptr, FNT_GLYPH_BITMAP_REQUIRED), 1);
  ASSERT_EQ(fntTextIterNext(stash, &it, &q), 1);
  ASSERT_NE(it.prevGlyphIndex, -1);
  // The quad skips the glyph's blank one-pixel frame.
  EXPECT_FLOAT_EQ(q.s0, 3.0f / 512);
  EXPECT_FLOAT_EQ(q.t0, 1.0f / 512);
  EXPECT_EQ(fntTextIterNext(stash, &it, &q), 0);
}

TEST_F(FontAtlas, DebugViewDrawsTheAtlasAndOneLinePerSkylineNode)
{
  fntDrawText(stash, 0, 20, "debug", nullptr);
  rec.drawnVerts = 0;
  fntDrawDebug(stash, 0, 0);
  EXPECT_EQ(rec.drawnVerts, 6 * (2 + stash->atlas->nnodes));
}

TEST_F(FontAtlas, GlyphsSharingAHashChainAreEachFoundAgain)
{
  EXPECT_EQ(fnt__hashint(0x41), 4294765453u);
  EXPECT_EQ(fnt__hashint(0x4E2D), 2522353489u);
  // '"' and 'T' share chain, as do '$' and '0'.
  EXPECT_EQ(fnt__hashint('"') & 255, fnt__hashint('T') & 255);
  fntDrawText(stash, 0, 20, "\"T$0", nullptr);
  const int count = Font()->nglyphs;
  EXPECT_EQ(count, 4);
  for (unsigned int cp : {'"', 'T', '$', '0'})
  {
    FNTglyphEntry* g = fnt__getGlyph(stash, Font(), cp, 120, 0, FNT_GLYPH_BITMAP_REQUIRED);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->codepoint, cp);
  }
  EXPECT_EQ(Font()->nglyphs, count);
}

TEST_F(FontAtlas, GlyphsBelowTwoTenthsOfAPixelAreNotMadeAndHugeSizesSaturate)
{
  EXPECT_NE(fnt__getGlyph(stash, Font(), 'A', 15, 0, FNT_GLYPH_BITMAP_REQUIRED), nullptr);
  EXPECT_EQ(fnt__getGlyph(stash, Font(), 'A', 1, 0, FNT_GLYPH_BITMAP_REQUIRED), nullptr);
  // Sizes beyond what tenths of a pixel in a short hold are measured at the largest.
  fntSetSize(stash, 3276.7f);
  const float largest = fntTextBounds(stash, 0, 0, "i", nullptr, nullptr);
  fntSetSize(stash, 1e6f);
  EXPECT_GT(largest, 0);
  EXPECT_EQ(fntTextBounds(stash, 0, 0, "i", nullptr, nullptr), largest);
}

TEST_F(FontAtlas, BlurIsCappedAtTwentyWithAMarginOfTwentyTwo)
{
  EXPECT_EQ(fnt__blurAlpha(1), 50287);
  EXPECT_EQ(fnt__blurAlpha(2), 42998);
  EXPECT_EQ(fnt__blurAlpha(20), 10976);
  FNTglyphEntry plain = *fnt__getGlyph(stash, Font(), 'o', 200, 0, FNT_GLYPH_BITMAP_REQUIRED);
  FNTglyphEntry* blurred = fnt__getGlyph(stash, Font(), 'o', 200, 30, FNT_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(blurred, nullptr);
  EXPECT_EQ(blurred->blur, 20);
  EXPECT_EQ((blurred->x1 - blurred->x0) - (plain.x1 - plain.x0), 2 * (22 - 2));
  EXPECT_EQ(blurred->xoff, plain.xoff - 20);
  // The padded border is blank; the blurred ink still reaches the centre.
  const int cx = (blurred->x0 + blurred->x1) / 2, cy = (blurred->y0 + blurred->y1) / 2;
  EXPECT_EQ(Pixel(blurred->x0, cy), 0);
  EXPECT_EQ(Pixel(cx, blurred->y1 - 1), 0);
  EXPECT_GT(Pixel(cx, blurred->y0 + 22), 0);
}

TEST_F(FontAtlas, ScratchOverflowReportsTheLevelAskedForAndFallsBackToTheHeap)
{
  stash->nscratch = 0;
  void* first = fnt__tmpalloc(1, stash);
  EXPECT_EQ(first, stash->scratch);
  EXPECT_EQ(stash->nscratch, 16);
  void* big = fnt__tmpalloc(95990, stash);
  ASSERT_NE(big, nullptr);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0], std::make_pair(int(FNT_SCRATCH_FULL), 96016));
  EXPECT_EQ(stash->nscratch, 16);
  fnt__tmpfree(first, stash); // a no-op inside the scratch buffer
  fnt__tmpfree(big, stash);   // released (the leak checker watches)
  EXPECT_EQ(fnt__tmpalloc(95984, stash), stash->scratch + 16);
}

TEST_F(FontAtlas, FallbackFontsRenderMissingGlyphsUpToTwentyFallbacks)
{
  const int cjk = fntAddFont(stash, "cjk", kCjkPath, 0);
  ASSERT_EQ(cjk, 1);
  EXPECT_EQ(fnt__getGlyph(stash, Font(), 0x4E2D, 160, 0, FNT_GLYPH_BITMAP_OPTIONAL)->index, 0);
  EXPECT_EQ(fntAddFallbackFont(stash, roboto, cjk), 1);
  EXPECT_NE(fnt__getGlyph(stash, Font(), 0x4E2D, 170, 0, FNT_GLYPH_BITMAP_REQUIRED)->index, 0);
  for (int i = 1; i < 20; i++)
    EXPECT_EQ(fntAddFallbackFont(stash, roboto, cjk), 1);
  EXPECT_EQ(fntAddFallbackFont(stash, roboto, cjk), 0);
  EXPECT_EQ(fntAddFallbackFont(stash, roboto, 7), 0); // no such font
}

TEST_F(FontAtlas, FontsAreFoundByExactNameAndBadDataIsRefused)
{
  EXPECT_EQ(fntGetFontByName(stash, "sans"), roboto);
  EXPECT_EQ(fntGetFontByName(stash, "san"), -1);
  EXPECT_EQ(fntGetFontByName(stash, nullptr), -1);
  EXPECT_EQ(fntAddFont(stash, "x", "/nonexistent.ttf", 0), -1);
  EXPECT_EQ(fntAddFont(stash, "x", kRobotoPath, 1), -1); // not a collection
  // A truncated copy: its table directory points past the data.
  std::vector<unsigned char> part(Font()->data, Font()->data + 200);
  EXPECT_EQ(fntAddFontMem(stash, "x", part.data(), 200, 0, 0), -1);
  unsigned char junk[64] = {1, 2, 3};
  EXPECT_EQ(fntAddFontMem(stash, "x", junk, sizeof(junk), 0, 0), -1);
  // With freeData the refused bytes are the atlas's to free (the leak checker watches).
  EXPECT_EQ(fntAddFontMem(stash, "x", static_cast<unsigned char*>(calloc(64, 1)), 64, 0, 1), -1);
  EXPECT_EQ(stash->nfonts, 1);
  float asc = 0, desc = 0, lineh = 0;
  fntSetSize(stash, 24);
  fntVertMetrics(stash, &asc, &desc, &lineh);
  EXPECT_FLOAT_EQ(asc, 1900.0f / 2400 * 24); // hhea 1900 / -500, no line gap
  EXPECT_FLOAT_EQ(desc, -500.0f / 2400 * 24);
  EXPECT_FLOAT_EQ(lineh, 24);
}

TEST_F(FontAtlas, MeasuredGlyphIsPlacedInItsOwnEntryWhenDrawn)
{
  fntTextBounds(stash, 0, 0, "W", nullptr, nullptr);
  ASSERT_EQ(Font()->nglyphs, 1);
  EXPECT_LT(Font()->glyphs[0].x0, 0);
  fntDrawText(stash, 0, 0, "W", nullptr);
  EXPECT_EQ(Font()->nglyphs, 1);
  EXPECT_GE(Font()->glyphs[0].x0, 0);
}

// An editor resized by dragging measures its labels at a new size on every
// step. Measured-only entries go when they exceed their budget and are made
// again alike; placed glyphs keep their place in the atlas.
TEST_F(FontAtlas, GlyphsOnlyMeasuredStayWithinTheirBudgetOverAMillionMeasurementsAtNewSizes)
{
  auto measuredAndDrawn = [&] {
    std::vector<float> out(4);
    fntSetSize(stash, 13.0f);
    out.push_back(fntTextBounds(stash, 3, 20, "Pressweave -12.5 dB", nullptr, out.data()));
    FNTtextCursor it;
    FNTglyphQuad q;
    fntTextIterInit(stash, &it, 3, 20, "Sidechain", nullptr, FNT_GLYPH_BITMAP_REQUIRED);
    while (fntTextIterNext(stash, &it, &q))
      out.insert(out.end(), {q.x0, q.y0, q.s0, q.t0, q.x1, q.y1, q.s1, q.t1});
    return out;
  };
  const std::vector<float> before = measuredAndDrawn();
  const int bound = Font()->nglyphs - Font()->nmeasured + FNT_MAX_MEASURED_GLYPHS;
  int most = 0;
  for (int m = 0; m < 1000000 && most <= bound; m++)
  {
    // 31 letters in turn, each at a size a tenth of a pixel above the last: no two alike.
    const char text[2] = {char('A' + m % 31), 0};
    fntSetSize(stash, (2.5f + m / 31) / 10.0f);
    fntTextBounds(stash, 0, 0, text, nullptr, nullptr);
    most = std::max(most, Font()->nglyphs);
  }
  EXPECT_EQ(most, bound) << "the budget is reached, never passed";
  EXPECT_EQ(measuredAndDrawn(), before);
}

// The budget counts entries never placed: at it nothing is dropped, one past
// it they all go and caching starts over from that glyph. Entries placed,
// whether measured first or not, are kept and found again.
TEST_F(FontAtlas, MeasuredOnlyEntriesAreDroppedOnePastTheirBudgetAndCachingGoesOn)
{
  ASSERT_EQ(fntResetAtlas(stash, 20, 512), 1); // one 12-pixel glyph a row beside the white block
  fntTextBounds(stash, 0, 0, "AB", nullptr, nullptr);
  fntDrawText(stash, 0, 0, "ABCD", nullptr);
  const int placed = 4;
  ASSERT_EQ(Font()->nglyphs, placed);
  ASSERT_EQ(Font()->glyphs[1].x0, 0) << "B under the white block";
  // Measures n new glyphs ('a' to 'z' at ever new sizes); the entries beside the first four.
  int sizes = 0;
  auto measure = [&](int n) {
    for (int end = sizes + n; sizes < end; sizes++)
      fnt__getGlyph(stash, Font(), 'a' + sizes % 26, short(100 + sizes / 26), 0, FNT_GLYPH_BITMAP_OPTIONAL);
    return Font()->nglyphs - placed;
  };
  EXPECT_EQ(measure(FNT_MAX_MEASURED_GLYPHS), FNT_MAX_MEASURED_GLYPHS) << "at the budget";
  fntDrawText(stash, 0, 0, "E", nullptr); // placing a new glyph drops nothing
  EXPECT_EQ(measure(0), FNT_MAX_MEASURED_GLYPHS + 1);
  EXPECT_EQ(measure(1), 2) << "one past: E and the new entry";
  EXPECT_EQ(measure(2), 4) << "cached again";
  fntDrawText(stash, 0, 0, "ABCDE", nullptr);
  EXPECT_EQ(measure(0), 4) << "placed entries found again";
  ASSERT_EQ(fntResetAtlas(stash, 512, 512), 1);
  EXPECT_EQ(measure(FNT_MAX_MEASURED_GLYPHS) + placed, FNT_MAX_MEASURED_GLYPHS) << "after a reset";
}

TEST_F(FontAtlas, IteratorStopsAtInvalidBytesAndNeverRepeatsAGlyph)
{
  struct Case { const char* text; int glyphs; };
  const Case cases[] = {{"AB", 2}, {"A\xFF" "BC", 1}, {"AB\xE2\x82", 2}, {"\xE2\x82\xAC" "A", 2}};
  for (const Case& c : cases)
  {
    rec.drawnVerts = 0;
    fntDrawText(stash, 0, 20, c.text, nullptr);
    EXPECT_EQ(rec.drawnVerts, 6 * c.glyphs) << c.text;
  }
  FNTtextCursor it;
  FNTglyphQuad q;
  fntTextIterInit(stash, &it, 0, 20, "A\xE2\x82", nullptr, FNT_GLYPH_BITMAP_REQUIRED);
  fntTextIterNext(stash, &it, &q);
  ASSERT_EQ(fntTextIterNext(stash, &it, &q), 1);
  EXPECT_EQ(it.codepoint, FNT_NO_CODEPOINT);
  EXPECT_EQ(it.prevGlyphIndex, -1);
  EXPECT_EQ(q.x1 - q.x0, 0.0f);
  EXPECT_EQ(fntTextIterNext(stash, &it, &q), 0);
}

TEST(FontAtlasOrigin, BottomLeftOriginFlipsQuadsAndAlignment)
{
  Recorder rec;
  FNTatlas* top = MakeAtlas(rec, 256, 256, FNT_ZERO_TOPLEFT);
  FNTatlas* bottom = MakeAtlas(rec, 256, 256, FNT_ZERO_BOTTOMLEFT);
  FNTglyphQuad qt, qb;
  FNTtextCursor it;
  for (auto [stash, q] : {std::make_pair(top, &qt), std::make_pair(bottom, &qb)})
  {
    ASSERT_EQ(fntAddFont(stash, "sans", kRobotoPath, 0), 0);
    fntSetAlign(stash, FNT_ALIGN_LEFT | FNT_ALIGN_TOP);
    fntTextIterInit(stash, &it, 10, 100, "g", nullptr, FNT_GLYPH_BITMAP_REQUIRED);
    fntTextIterNext(stash, &it, q);
  }
  // Mirror images about y = 100: the top-aligned glyph hangs below the
  // line from the top left and above it from the bottom left.
  EXPECT_GT(qt.y1, qt.y0);
  EXPECT_LT(qb.y1, qb.y0);
  EXPECT_NEAR(qt.y0 - 100, 100 - qb.y0, 1.0f);
  EXPECT_NEAR(qt.y1 - qt.y0, qb.y0 - qb.y1, 0.0f);
  EXPECT_FLOAT_EQ(qt.x0, qb.x0);
  float miny, maxy;
  fntLineBounds(bottom, 100, &miny, &maxy);
  EXPECT_FLOAT_EQ(maxy - miny, 12.0f);
  fntDeleteInternal(top);
  fntDeleteInternal(bottom);
}

TEST_F(FontAtlas, StateStackReportsOverflowAndUnderflow)
{
  fntPopState(stash);
  for (int i = 1; i < 20; i++)
    fntPushState(stash);
  EXPECT_EQ(rec.errors.size(), 1u);
  fntPushState(stash);
  ASSERT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(rec.errors[0].first, FNT_STATES_UNDERFLOW);
  EXPECT_EQ(rec.errors[1].first, FNT_STATES_OVERFLOW);
  EXPECT_EQ(stash->nstates, 20);
}

TEST_F(FontAtlas, ResetDropsGlyphsAndAFailedResetChangesNothing)
{
  fntDrawText(stash, 0, 20, "abc", nullptr);
  ASSERT_EQ(Font()->nglyphs, 3);
  EXPECT_EQ(fntResetAtlas(stash, 40000, 512), 0);
  rec.refuseResize = true;
  EXPECT_EQ(fntResetAtlas(stash, 256, 128), 0);
  rec.refuseResize = false;
  EXPECT_EQ(Font()->nglyphs, 3);
  EXPECT_EQ(stash->atlas->width, 512);
  ASSERT_EQ(fntResetAtlas(stash, 256, 128), 1);
  int w = 0, h = 0;
  fntGetAtlasSize(stash, &w, &h);
  EXPECT_EQ(w * 1000 + h, 256128);
  EXPECT_EQ(Font()->nglyphs, 0);
  EXPECT_EQ(Pixel(1, 1), 255);
  int dirty[4];
  ASSERT_EQ(fntValidateTexture(stash, dirty), 1);
  EXPECT_EQ(dirty[2], 2); // only the white block so far
  EXPECT_EQ(dirty[3], 2);
  EXPECT_EQ(fntValidateTexture(stash, dirty), 0);
  fntDrawText(stash, 0, 20, "abc", nullptr);
  EXPECT_EQ(Font()->nglyphs, 3);
}

TEST_F(FontAtlas, AtlasFullCallbackMayGrowTheAtlasForTheRetry)
{
  fntResetAtlas(stash, 32, 32);
  fntSetSize(stash, 60); // "M" needs more than 32 pixels
  fntSetErrorCallback(stash, [](void* up, int error, int) {
    if (error == FNT_ATLAS_FULL)
      fntExpandAtlas(static_cast<FNTatlas*>(up), 256, 256);
  }, stash);
  const unsigned char white = Pixel(0, 0);
  fntDrawText(stash, 0, 50, "M", nullptr);
  EXPECT_EQ(Font()->nglyphs, 1);
  EXPECT_GE(Font()->glyphs[0].x0, 0);
  EXPECT_EQ(stash->params.width, 256);
  EXPECT_EQ(Pixel(0, 0), white); // pixels kept through the expansion
  EXPECT_EQ(fntExpandAtlas(stash, 10, 10), 1); // never shrinks
  EXPECT_EQ(stash->params.height, 256);
}

} // namespace
