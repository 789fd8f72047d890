// Damaged fonts against the atlas: refused whole when a required table
// does not fit, drawn with a blank glyph when one outline does not, drawn
// unkerned when a kerning table does not; pens the glyph quads cannot hold
// are refused. Fonts are exact-size copies, so that a sanitizer build sees
// any read past them.

#include "DamagedFonts.h"
#include "FontAtlasDetail.h"
#include "VGText.h"
#include "RecordingBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace {

using damaged::Bytes;

// An exact-size copy of the font, for an owner that frees it.
unsigned char* Copy(const Bytes& font)
{
  auto* copy = static_cast<unsigned char*>(malloc(font.size()));
  memcpy(copy, font.data(), font.size());
  return copy;
}

struct Atlas
{
  Atlas() { params.width = params.height = 512, params.flags = FNT_ZERO_TOPLEFT, stash = fntCreateInternal(&params); }
  ~Atlas() { fntDeleteInternal(stash); }
  int Add(const Bytes& font, int face = 0) { return fntAddFontMem(stash, "font", Copy(font), int(font.size()), face, 1); }
  FNTglyphEntry* Glyph(int font, uint32_t cp, short tenths = 400)
  { return fnt__getGlyph(stash, stash->fonts[font], cp, tenths, 0, FNT_GLYPH_BITMAP_REQUIRED); }
  int InkIn(const FNTglyphEntry& g) const
  {
    int ink = 0;
    for (int y = g.y0; y < g.y1; y++)
      for (int x = g.x0; x < g.x1; x++) ink += stash->texData[x + y * stash->params.width];
    return ink;
  }
  int Width(int font, uint32_t cp) { const FNTglyphEntry* g = Glyph(font, cp); return g ? g->x1 - g->x0 : -1; }
  FNTatlasParams params{};
  FNTatlas* stash;
};

Bytes Roboto() { return damaged::ReadFile(kRobotoPath); }

TEST(FontValidator, PackerRefusesRectanglesOfNoOrNegativeSize)
{
  FNTskyline* sky = fnt__allocAtlas(16, 16, 4);
  int x = -1, y = -1;
  for (auto [w, h] : {std::pair(0, 4), std::pair(4, 0), std::pair(-3, 4), std::pair(4, -1)})
    EXPECT_EQ(fnt__atlasAddRect(sky, w, h, &x, &y), 0) << w << "x" << h;
  EXPECT_EQ(sky->nnodes, 1); // the skyline is untouched
  EXPECT_EQ(fnt__atlasAddRect(sky, 1, 1, &x, &y), 1);
  fnt__deleteAtlas(sky);
}

// A damaged glyph is judged once, on first use: a blank square of the
// margin (2 pixels each side) with its advance kept; the verdict, not the
// bytes, decides from then on, and the font's other glyphs draw as before.
TEST(FontValidator, EachFontWideDamageRefusesTheFontAndEachOutlineDamageBlanksOnlyThatGlyph)
{
  Atlas good;
  ASSERT_EQ(good.Add(Roboto()), 0);
  for (const damaged::Damage& d : damaged::All())
  {
    Bytes font = Roboto();
    d.apply(font);
    Atlas a;
    const int id = a.Add(font);
    if (d.refused)
    {
      EXPECT_TRUE(id == -1 && a.stash->nfonts == 0) << d.name;
      continue;
    }
    ASSERT_EQ(id, 0) << d.name;
    unsigned char* verdicts = a.stash->fonts[0]->glyphChecks;
    const int g = damaged::GlyphOf(font, d.codepoint), o = damaged::GlyphOf(font, 'o');
    EXPECT_EQ(verdicts[g], FNT_GLYPH_UNCHECKED) << d.name;
    const FNTglyphEntry* blank = a.Glyph(id, d.codepoint);
    const FNTglyphEntry* intact = good.Glyph(0, d.codepoint);
    ASSERT_TRUE(blank && intact) << d.name;
    EXPECT_TRUE(blank->x1 - blank->x0 == 4 && blank->y1 - blank->y0 == 4 && a.InkIn(*blank) == 0) << d.name;
    EXPECT_EQ(blank->xadv, intact->xadv) << d.name;
    EXPECT_EQ(a.Width(id, 'o'), good.Width(0, 'o')) << d.name;
    EXPECT_TRUE(verdicts[g] == FNT_GLYPH_DAMAGED && verdicts[o] == FNT_GLYPH_DRAWABLE) << d.name;
    verdicts[o] = FNT_GLYPH_DAMAGED;
    EXPECT_EQ(a.InkIn(*a.Glyph(id, 'o', 300)), 0) << d.name;
  }
}

// Pen advance of text at 40 pixels, measured and drawn alike.
float Advance(Atlas& a, const char* text)
{
  fntSetSize(a.stash, 40.0f);
  const float measured = fntTextBounds(a.stash, 0, 50, text, nullptr, nullptr);
  EXPECT_EQ(fntDrawText(a.stash, 0, 50, text, nullptr), measured) << text;
  return measured;
}

// Roboto with its own GPOS set aside and, as its last table, a kern or GPOS
// pairing A then V by -360 units whose 16-bit field at `at` (0: none) is
// set to value, cut to at most length bytes.
Bytes KernedAV(const char* tag, size_t at = 0, uint16_t value = 0, size_t length = SIZE_MAX)
{
  Bytes font = Roboto();
  damaged::Retag(font, "GPOS", "GPOX");
  const int l = damaged::GlyphOf(font, 'A'), r = damaged::GlyphOf(font, 'V');
  Bytes table = tag[0] == 'k' ? damaged::KernTable(l, r, -360) : damaged::GposTable(l, r, -360);
  if (at)
    damaged::Put16(table, at, value);
  table.resize(std::min(table.size(), length));
  damaged::LastTableAs(font, tag, table);
  return font;
}

// -360 units are -6 pixels at 40 pixels (1 / 60 of a unit), -5 once rounded.
TEST(FontValidator, AFontWithADamagedKerningTableLoadsAndDrawsUnkerned)
{
  Atlas good;
  ASSERT_EQ(good.Add(Roboto()), 0);
  const float unkerned = Advance(good, "A") + Advance(good, "V");
  Bytes kernBesideGpos = KernedAV("kern");
  damaged::Retag(kernBesideGpos, "GPOX", "GPOS");
  damaged::Put32(kernBesideGpos, damaged::Record(kernBesideGpos, "GPOS") + 12, 6); // shorter than its header
  Bytes gposBesideKern = KernedAV("GPOS");
  damaged::Retag(gposBesideKern, "GPOX", "kern");
  damaged::Put32(gposBesideKern, damaged::Record(gposBesideKern, "kern") + 12, 3); // shorter than its header
  const struct { const char* name; Bytes font; float kerning; } cases[] = {
    {"whole GPOS", KernedAV("GPOS"), -5},
    {"GPOS pair set past its end", KernedAV("GPOS", 32, 0xFFF0), 0},
    {"GPOS lookups past its end", KernedAV("GPOS", 10, 0xFFFF), 0},
    {"GPOS coverage past its end", KernedAV("GPOS", 36, 0xFFFF), 0},
    {"kern pairs past its end", KernedAV("kern", 10, 0xFFFF), 0},
    {"kern one pair past its end", KernedAV("kern", 10, 2), 0},
    {"whole kern beside a damaged GPOS", kernBesideGpos, -5},
    {"damaged kern beside a whole GPOS", gposBesideKern, -5},
  };
  for (const auto& c : cases)
  {
    Atlas a;
    ASSERT_EQ(a.Add(c.font), 0) << c.name;
    EXPECT_EQ(Advance(a, "AV"), unkerned + c.kerning) << c.name;
  }
  // Each of their structures one byte short, where the data ends.
  const std::pair<const char*, std::vector<size_t>> cuts[] = {
    {"kern", {3, 9, 11, 23}}, {"GPOS", {3, 9, 11, 13, 19, 21, 25, 37, 39, 41, 45}}};
  for (const auto& [tag, lengths] : cuts)
    for (size_t length : lengths)
    {
      Atlas a;
      ASSERT_EQ(a.Add(KernedAV(tag, 0, 0, length)), 0) << tag << " cut to " << length;
      EXPECT_EQ(Advance(a, "AV"), unkerned) << tag << " cut to " << length;
    }
}

// A Debug build's rasteriser asserts when an edge lies above the bitmap it
// is given: the bitmap follows the outline, so the glyph measures and draws
// as the intact one.
TEST(FontValidator, AGlyphWhoseOutlineLeavesItsBoxIsDrawnWholeFromItsOutline)
{
  auto measureAndDraw = [](Atlas& a, char c) {
    std::array<float, 5> out;
    const char text[2] = {c, 0};
    fntSetSize(a.stash, 40.0f);
    fntTextBounds(a.stash, 0, 50, text, nullptr, out.data());
    out[4] = float(a.InkIn(*a.Glyph(0, uint32_t(c))));
    return out;
  };
  Atlas good;
  ASSERT_EQ(good.Add(Roboto()), 0);
  // The glyph's header box (xMin, yMin, xMax, yMax). T's is (50, 0, 1175,
  // 1456): under the baseline, so that every edge lies above its top row;
  // of one unit; 100 units (over a pixel) short on each side in turn. @'s
  // (98, -453, 1753, 1431) cut to the extent of its curves' end points, the
  // control points of which reach 17 units further right.
  const struct { char c; std::array<int, 4> box; } cases[] = {
    {'T', {0, -100, 1000, 0}}, {'T', {500, 700, 501, 701}}, {'T', {150, 0, 1175, 1456}}, {'T', {50, 100, 1175, 1456}},
    {'T', {50, 0, 1075, 1456}}, {'T', {50, 0, 1175, 1356}}, {'@', {98, -453, 1736, 1431}},
  };
  for (const auto& [c, box] : cases)
  {
    Bytes font = Roboto();
    for (int k = 0; k < 4; k++)
      damaged::Put16(font, damaged::CodepointData(font, uint32_t(c)) + 2 + 2 * k, uint16_t(box[k]));
    Atlas a;
    ASSERT_EQ(a.Add(font), 0) << c << " " << testing::PrintToString(box);
    EXPECT_EQ(measureAndDraw(a, c), measureAndDraw(good, c)) << c << " " << testing::PrintToString(box);
  }
}

// Roboto's T as a sliver, the triangle (5269, 188) (25235, 188) (25236, 313),
// 19,967 units wide and 125 high, in a header box 9 units wider on the
// right; ascent 162 and descent -54 make 24 pixels 1/9 pixel a unit. Its
// steep right edge meets a pixel's side 2,219 pixels in so near its end
// that the rasteriser's round-off check trips there in a Debug build.
Bytes SliverT()
{
  Bytes font = Roboto();
  const size_t g = damaged::CodepointData(font, 'T');
  // contours, box, last point, no instructions; flags: on curve, 16-bit deltas
  const uint16_t words[] = {1, 5269, 188, 25245, 313, 2, 0};
  const int16_t deltas[] = {5269, 19966, 1, 188, 0, 125};
  for (size_t k = 0; k < 7; k++)
    damaged::Put16(font, g + 2 * k, words[k]);
  for (size_t k = 0; k < 3; k++)
    font.at(g + 14 + k) = 1;
  for (size_t k = 0; k < 6; k++)
    damaged::Put16(font, g + 17 + 2 * k, uint16_t(deltas[k]));
  damaged::Put16(font, damaged::Table(font, "hhea") + 4, 162);
  damaged::Put16(font, damaged::Table(font, "hhea") + 6, uint16_t(-54));
  return font;
}

TEST(FontValidator, ASliverGlyphDrawsWholeThoughTheRasterisersRoundOffCheckTrips)
{
  Atlas a;
  ASSERT_EQ(fntResetAtlas(a.stash, 2304, 64), 1);
  ASSERT_EQ(a.Add(SliverT()), 0);
  [[maybe_unused]] const int tripped = fnt__roundOffAsserts(); // changes only where checks are compiled in
  const FNTglyphEntry* g = a.Glyph(0, 'T', 240);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->x1 - g->x0, 2220 + 4); // pixels 585 to 2805, a margin of 2 each side
  // The column where the check trips holds the triangle's height there.
  int ink = 0;
  for (int y = g->y0; y < g->y1; y++)
    ink += a.stash->texData[g->x0 + 2 + 2217 + y * a.stash->params.width];
  EXPECT_NEAR(ink / 255.0, 125.0 / 9 * (585 + 2217 + 0.5 - 5269.0 / 9) / (19967.0 / 9), 0.05);
  EXPECT_NEAR(a.InkIn(*g) / 255.0, 19967.0 * 125 / 2 / 81, 8); // its area, to 1 / 2000
#ifndef NDEBUG
  EXPECT_GT(fnt__roundOffAsserts(), tripped); // tripped, and passed
#endif
}

#ifndef NDEBUG
// The round-off check passes by its text alone; every other check of the
// glyph source stops a Debug build, naming itself.
TEST(FontValidatorDeathTest, TheGlyphSourcesOtherAssertionsAbort)
{
  const float sy1 = 2.0f, y_final = 2.5f, area = 1.5f;
  const int x = 7, len = 7, tripped = fnt__roundOffAsserts();
  STBTT_assert(sy1 > y_final-0.01f);
  EXPECT_EQ(fnt__roundOffAsserts(), tripped + 1);
  EXPECT_DEATH(STBTT_assert(area <= 1.01f), "glyph source assertion failed: area <= 1.01f");
  EXPECT_DEATH(STBTT_assert(sy1 > y_final-0.01f && x < len), "glyph source assertion failed: sy1 > y_final");
}
#endif

TEST(FontValidator, CollectionFacesAreCheckedAtTheirOwnOffsets)
{
  const Bytes ttc = damaged::AsCollection(Roboto());
  Atlas a;
  EXPECT_EQ(a.Add(ttc, 0), 0);
  EXPECT_GT(a.InkIn(*a.Glyph(0, 'T')), 0);
  EXPECT_EQ(a.Add(ttc, 1), -1); // one face only
  Bytes bad = ttc;
  const size_t cmap = damaged::U32(bad, damaged::Record(bad, "cmap", 16) + 8);
  damaged::Put32(bad, cmap + damaged::U32(bad, cmap + 4 + 8 * 3 + 4) + 12, 0x00FFFFFF);
  EXPECT_EQ(a.Add(bad, 0), -1); // its glyph lookup would run past the table
  damaged::Put32(bad, 12, uint32_t(ttc.size() - 8)); // the face's directory past the end
  EXPECT_EQ(a.Add(bad, 0), -1);
}

TEST(FontValidator, CompositesNestedBeyondTheDepthLimitAreBlank)
{
  // Glyphs 3000.. become a chain of composites of one component each, the
  // next glyph, the last placing U+00C1 (itself a composite of simple
  // glyphs): depth + 1 levels from glyph 3000.
  for (int depth : {FNT_MAX_COMPOSITE_DEPTH - 1, FNT_MAX_COMPOSITE_DEPTH})
  {
    Bytes font = Roboto();
    const int top = damaged::GlyphOf(font, 0xC1);
    const size_t glyf = damaged::Table(font, "glyf");
    for (int i = 0; i < depth; i++)
    {
      const int next = i + 1 < depth ? 3000 + i + 1 : top;
      const uint32_t at = uint32_t(font.size() - glyf);
      font.insert(font.end(), {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, uint8_t(next >> 8), uint8_t(next), 0, 0});
      damaged::Put32(font, damaged::LocaEntry(font, 3000 + i), at);
      damaged::Put32(font, damaged::LocaEntry(font, 3000 + i) + 4, at + 16);
    }
    damaged::Put32(font, damaged::Record(font, "glyf") + 12, uint32_t(font.size() - glyf)); // glyf runs to the end
    Atlas a;
    ASSERT_EQ(a.Add(font), 0) << depth;
    const FNTfontSlot* slot = a.stash->fonts[0];
    EXPECT_EQ(fnt__checkGlyph(&slot->check, slot->data, 3000), depth < FNT_MAX_COMPOSITE_DEPTH) << depth;
  }
}

TEST(FontValidator, InstalledTrueTypeFontsLoadWithEveryGlyphDrawable)
{
  int fonts = 0;
  for (const char* dir : {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/droid",
                          "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF"})
  {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    {
      if (e.path().extension() != ".ttf")
        continue;
      Atlas a;
      ASSERT_EQ(a.Add(damaged::ReadFile(e.path().c_str())), 0) << e.path();
      const FNTfontSlot* slot = a.stash->fonts[0];
      for (int g = 0; g < slot->check.numGlyphs; g++)
        ASSERT_TRUE(fnt__checkGlyph(&slot->check, slot->data, g)) << e.path() << " glyph " << g;
      fonts++;
    }
  }
  EXPECT_GE(fonts, 3);
}

TEST(FontValidator, PensAndSpacingThatPixelsCannotHoldAreRefused)
{
  Atlas a;
  ASSERT_EQ(a.Add(Roboto()), 0);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  FNTtextCursor it;
  auto same = [](float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  for (auto [x, y] : {std::pair(nan, 0.0f), std::pair(0.0f, nan), std::pair(inf, 0.0f), std::pair(0.0f, -3e9f),
                      std::pair(2e7f, 0.0f)})
  {
    EXPECT_EQ(fntTextIterInit(a.stash, &it, x, y, "AV", nullptr, FNT_GLYPH_BITMAP_REQUIRED), 0) << x << "," << y;
    float b[4] = {1, 2, 3, 4};
    EXPECT_EQ(fntTextBounds(a.stash, x, y, "AV", nullptr, b), 0.0f);
    EXPECT_TRUE(same(b[0], x) && same(b[1], y) && same(b[2], x) && same(b[3], y)) << x << "," << y; // the pen
  }
  for (float spacing : {nan, -inf, 5e7f})
  {
    fntSetSpacing(a.stash, spacing);
    EXPECT_EQ(fntTextIterInit(a.stash, &it, 0, 0, "AV", nullptr, FNT_GLYPH_BITMAP_REQUIRED), 0) << spacing;
  }
  // Near the limit, a pen driven further by the spacing stops at it.
  fntSetSpacing(a.stash, 9e6f);
  ASSERT_EQ(fntTextIterInit(a.stash, &it, 9e6f, 0, "AVAVA", nullptr, FNT_GLYPH_BITMAP_OPTIONAL), 1);
  FNTglyphQuad q;
  while (fntTextIterNext(a.stash, &it, &q))
    EXPECT_TRUE(q.x0 <= FNT_MAX_PEN && it.nextx <= FNT_MAX_PEN) << q.x0 << " " << it.nextx;
  EXPECT_EQ(it.nextx, FNT_MAX_PEN);
}

TEST(FontValidator, TextUnderAHugeOrNaNTransformIsRasterisedAtTheLargestFontScale)
{
  pw::test::RecordingContext rc;
  const Bytes font = Roboto();
  ASSERT_EQ(vgCreateFontMem(rc.vg, "sans", Copy(font), int(font.size()), 1), 0);
  vgBeginFrame(rc.vg, 100, 100, 1.0f);
  vgFontFace(rc.vg, "sans");
  auto advanceAt = [&](float scale) {
    vgSave(rc.vg);
    vgScale(rc.vg, scale, scale);
    const float w = vgTextBounds(rc.vg, 5, 10, "AV", nullptr, nullptr);
    EXPECT_TRUE(std::isfinite(vgText(rc.vg, 5, 10, "AV", nullptr))) << scale;
    vgRestore(rc.vg);
    return w;
  };
  const float atLargest = advanceAt(4.0f);
  EXPECT_GT(atLargest, 10.0f);
  EXPECT_EQ(advanceAt(1e30f), atLargest);
  EXPECT_EQ(advanceAt(std::numeric_limits<float>::quiet_NaN()), atLargest);
  vgEndFrame(rc.vg);
}

} // namespace
