// Fonts with CFF outlines in the atlas, added as exact-size copies so that
// a sanitizer build sees any read past them.

#include "CffTestFonts.h"
#include "FontAtlasDetail.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

using namespace cfftest;

struct Atlas
{
  Atlas() { params.width = params.height = 512, params.flags = FNT_ZERO_TOPLEFT, stash = fntCreateInternal(&params); }
  ~Atlas() { fntDeleteInternal(stash); }
  int Add(const Bytes& font)
  {
    auto* copy = static_cast<unsigned char*>(malloc(font.size()));
    return memcpy(copy, font.data(), font.size()), fntAddFontMem(stash, "font", copy, int(font.size()), 0, 1);
  }
  FNTglyphEntry* Glyph(uint32_t cp) { return fnt__getGlyph(stash, stash->fonts[0], cp, 400, 0, FNT_GLYPH_BITMAP_REQUIRED); }
  // Ink at (x, y) inside the glyph's 2-pixel margin.
  int Ink(const FNTglyphEntry& g, int x, int y) const { return stash->texData[g.x0 + 2 + x + (g.y0 + 2 + y) * params.width]; }
  int InkIn(const FNTglyphEntry& g) const
  {
    int ink = 0;
    for (int y = -2; y < g.y1 - g.y0 - 2; y++)
      for (int x = -2; x < g.x1 - g.x0 - 2; x++) ink += Ink(g, x, y);
    return ink;
  }
  bool Drawable(int glyph) const { return fnt__checkGlyph(&stash->fonts[0]->check, stash->fonts[0]->data, glyph) == 1; }
  FNTatlasParams params{};
  FNTatlas* stash;
};

// At 40 pixels (0.04 a unit), along the middle row (y 14): 'O' is 24 x 28
// pixels with ink on its ring and none in its counter; 'H' has ink in both
// bars and none between them.
TEST(FontValidatorCFF, AMadeFontDrawsItsRingItsSubroutinesAndItsHintedGlyph)
{
  for (bool cid : {false, true})
  {
    Recipe recipe;
    recipe.cid = cid;
    Atlas a;
    ASSERT_EQ(a.Add(Font(recipe)), 0) << cid;
    const FNTglyphEntry *o = a.Glyph('O'), *h = a.Glyph('H'), *i = a.Glyph('I');
    ASSERT_TRUE(o && h && i);
    EXPECT_TRUE(o->x1 - o->x0 == 24 + 4 && o->y1 - o->y0 == 28 + 4) << cid;
    EXPECT_TRUE(a.Ink(*o, 3, 14) == 255 && a.Ink(*o, 20, 14) == 255 && a.Ink(*o, 12, 14) == 0) << cid;
    EXPECT_TRUE(a.Ink(*h, 2, 14) == 255 && a.Ink(*h, 14, 14) == 255 && a.Ink(*h, 8, 14) == 0) << cid;
    EXPECT_GT(a.InkIn(*i), 0) << cid;
    EXPECT_EQ(a.stash->fonts[0]->font.cff.size, int(CffTable(recipe).size())) << "bounded by the table";
  }
}

TEST(FontValidatorCFF, EachTableDamageRefusesTheFontAndEachCharstringDamageBlanksOnlyThatGlyph)
{
  for (const Damage& d : All())
  {
    Atlas a;
    const auto started = std::chrono::steady_clock::now();
    const int id = a.Add(d.Make());
    if (d.refused)
    {
      EXPECT_TRUE(id == -1 && a.stash->nfonts == 0) << d.name;
      continue;
    }
    ASSERT_EQ(id, 0) << d.name;
    const FNTglyphEntry* blank = a.Glyph(d.codepoint);
    ASSERT_TRUE(blank) << d.name;
    EXPECT_TRUE(blank->x1 - blank->x0 == 4 && blank->y1 - blank->y0 == 4 && a.InkIn(*blank) == 0) << d.name;
    EXPECT_EQ(blank->xadv, 320) << d.name << ": the advance is kept";
    EXPECT_GT(a.InkIn(*a.Glyph(d.codepoint == 'O' ? 'I' : 'O')), 0) << d.name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << d.name;
  }
}

// Glyph 1 runs each limit through the interpreter, and one past it.
TEST(FontValidatorCFF, OperandStackStemHintsNestingAndCoordinatesAreLimited)
{
  auto drawable = [](const Recipe& recipe) {
    Atlas a;
    return a.Add(Font(recipe)) == 0 && a.Drawable(1);
  };
  auto glyph = [](const std::vector<int>& charstring) {
    Recipe recipe;
    return recipe.charstrings[1] = CS(charstring), recipe;
  };
  auto operands = [&](int n) {
    std::vector<int> cs = {0, 0, kRmoveto};
    cs.insert(cs.end(), n, 1);
    return cs.insert(cs.end(), {kRlineto, kEndchar}), drawable(glyph(cs));
  };
  auto stems = [&](int n) {
    std::vector<int> cs;
    for (int i = 0; i < n; i += 24) cs.insert(cs.end(), std::min(48, 2 * (n - i)), 1), cs.push_back(kHstem);
    cs.push_back(kHintmask), cs.insert(cs.end(), (n + 7) / 8, kOp | 0xFF);
    return cs.push_back(kEndchar), drawable(glyph(cs));
  };
  auto nesting = [&](int depth) { return drawable(FanOut(depth, CS({kReturn}), 1)); };
  auto coordinate = [&](int y) { return drawable(glyph({0, 0, kRmoveto, 0, y - 30000, 0, 30000, kRlineto, kEndchar})); };
  EXPECT_TRUE(operands(48) && !operands(49));
  EXPECT_TRUE(stems(FNT_MAX_CFF_STEMS) && !stems(FNT_MAX_CFF_STEMS + 2));
  EXPECT_TRUE(nesting(10) && !nesting(11));
  EXPECT_TRUE(coordinate(32767) && !coordinate(32768));
}

TEST(FontValidatorCFF, CFF2OutlinesAreRefused)
{
  Atlas a;
  EXPECT_EQ(a.Add(Font({}, "CFF2")), -1);
  const Damage major2{"major-2", true, {}, [](Bytes& f, size_t cff, const Layout&) { f[cff] = 2; }};
  EXPECT_EQ(a.Add(major2.Make()), -1) << "a CFF table of major version 2";
}

TEST(FontValidatorCFF, InstalledTexGyreFacesLoadWithEveryGlyphDrawable)
{
  const auto faces = TexGyreFaces();
  EXPECT_EQ(faces.size(), 33u) << "fonts-texgyre's OpenType faces in " << kTexGyreDir;
  for (const auto& face : faces)
  {
    Atlas a;
    ASSERT_EQ(a.Add(Read(face)), 0) << face;
    const FNTfontSlot* slot = a.stash->fonts[0];
    EXPECT_GT(slot->check.cff.length, 0u) << face << " read through its CFF outlines";
    for (int g = 0; g < slot->check.numGlyphs; g++)
      ASSERT_TRUE(a.Drawable(g)) << face << " glyph " << g;
  }
}

} // namespace
