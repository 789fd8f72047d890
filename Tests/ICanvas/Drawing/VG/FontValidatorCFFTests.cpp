// Fonts with CFF outlines against the atlas: made fonts and the installed
// TeX Gyre faces load and draw; damage to the CFF table refuses the font,
// damage to one charstring blanks that glyph; the interpreter's limits
// hold. Fonts are exact-size copies, so that a sanitizer build sees any
// read past them.

#include "CffTestFonts.h"
#include "FontAtlasDetail.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using cfftest::Bytes;
using cfftest::CS;
using cfftest::N;
using cfftest::O;

constexpr const char* kTexGyreDir = "/usr/share/texmf/fonts/opentype/public/tex-gyre";

struct Atlas
{
  Atlas() { params.width = params.height = 512, params.flags = FNT_ZERO_TOPLEFT, stash = fntCreateInternal(&params); }
  ~Atlas() { fntDeleteInternal(stash); }
  int Add(const Bytes& font) // an exact-size copy
  {
    auto* copy = static_cast<unsigned char*>(malloc(font.size()));
    return memcpy(copy, font.data(), font.size()), fntAddFontMem(stash, "font", copy, int(font.size()), 0, 1);
  }
  FNTglyphEntry* Glyph(uint32_t cp) { return fnt__getGlyph(stash, stash->fonts[0], cp, 400, 0, FNT_GLYPH_BITMAP_REQUIRED); }
  int Ink(const FNTglyphEntry& g, int x, int y) const { return stash->texData[g.x0 + x + (g.y0 + y) * params.width]; }
  int InkIn(const FNTglyphEntry& g) const
  {
    int ink = 0;
    for (int y = 0; y < g.y1 - g.y0; y++)
      for (int x = 0; x < g.x1 - g.x0; x++) ink += Ink(g, x, y);
    return ink;
  }
  bool Drawable(int glyph) const { return fnt__checkGlyph(&stash->fonts[0]->check, stash->fonts[0]->data, glyph) == 1; }
  FNTatlasParams params{};
  FNTatlas* stash;
};

// The ring 'O' at 40 pixels (0.04 pixels a unit), 2 pixels of margin in
// from its rectangle, its box 100..700 units wide and 0..700 high: ink on
// the ring at its middle row, none in the counter.
void ExpectRing(const Atlas& a, const FNTglyphEntry& o, const char* what)
{
  EXPECT_TRUE(o.x1 - o.x0 == 24 + 4 && o.y1 - o.y0 == 28 + 4) << what;
  EXPECT_TRUE(a.Ink(o, 2 + 3, 2 + 14) == 255 && a.Ink(o, 2 + 20, 2 + 14) == 255) << what << ": the ring";
  EXPECT_EQ(a.Ink(o, 2 + 12, 2 + 14), 0) << what << ": the counter";
}

TEST(FontValidatorCFF, AMadeFontDrawsItsRingItsSubroutinesAndItsHintedGlyph)
{
  for (bool cid : {false, true})
  {
    cfftest::Spec spec = cfftest::DefaultSpec();
    spec.cid = cid;
    Atlas a;
    ASSERT_EQ(a.Add(cfftest::Font(spec)), 0) << cid;
    const FNTglyphEntry* o = a.Glyph('O');
    ASSERT_TRUE(o);
    ExpectRing(a, *o, cid ? "CID-keyed" : "plain");
    // 'H': bars at 100..200 (local subroutine) and 400..500 (global): ink
    // in both, none between them.
    const FNTglyphEntry* h = a.Glyph('H');
    ASSERT_TRUE(h);
    EXPECT_TRUE(a.Ink(*h, 2 + 2, 2 + 14) == 255 && a.Ink(*h, 2 + 14, 2 + 14) == 255 && a.Ink(*h, 2 + 8, 2 + 14) == 0)
        << cid;
    EXPECT_GT(a.InkIn(*a.Glyph('I')), 0) << cid;
    EXPECT_EQ(a.stash->fonts[0]->font.cff.size, int(cfftest::CffTable(spec).size())) << "bounded by the table";
  }
}

TEST(FontValidatorCFF, EachTableDamageRefusesTheFontAndEachCharstringDamageBlanksOnlyThatGlyph)
{
  for (const cfftest::Damage& d : cfftest::All())
  {
    Atlas a;
    const auto started = std::chrono::steady_clock::now();
    const int id = a.Add(d.make());
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
    const uint32_t other = d.codepoint == 'O' ? 'I' : 'O';
    EXPECT_GT(a.InkIn(*a.Glyph(other)), 0) << d.name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << d.name;
  }
}

// Glyph 1 runs its operands through the interpreter, limit and one past.
TEST(FontValidatorCFF, OperandStackStemHintsNestingAndCoordinatesAreLimited)
{
  auto drawable = [](Bytes charstring, cfftest::Spec spec = cfftest::DefaultSpec()) {
    spec.charstrings[1] = std::move(charstring);
    Atlas a;
    return a.Add(cfftest::Font(spec)) == 0 && a.Drawable(1);
  };
  auto pushes = [](int n) {
    Bytes cs;
    for (int i = 0; i < n; i++) cfftest::Append(cs, CS({N(1)}));
    return cs;
  };
  for (int operands : {48, 49})
  {
    Bytes cs = CS({N(0), N(0), O(cfftest::kRmoveto)});
    cfftest::Append(cs, pushes(operands));
    cfftest::Append(cs, CS({O(cfftest::kRlineto), O(cfftest::kEndchar)}));
    EXPECT_EQ(drawable(cs), operands == 48) << operands << " operands";
  }
  for (int stems : {FNT_MAX_CFF_STEMS, FNT_MAX_CFF_STEMS + 2})
  {
    Bytes cs;
    for (int i = 0; i < stems; i += 24)
      cfftest::Append(cs, pushes(std::min(48, 2 * (stems - i)))), cfftest::Append(cs, CS({O(cfftest::kHstem)}));
    cfftest::Append(cs, CS({O(cfftest::kHintmask)}));
    cs.resize(cs.size() + (stems + 7) / 8, 0xFF);
    cfftest::Append(cs, CS({O(cfftest::kEndchar)}));
    EXPECT_EQ(drawable(cs), stems == FNT_MAX_CFF_STEMS) << stems << " stems";
  }
  // Subroutine k calls k + 1; the last returns. Nesting of 10 is the most.
  for (int depth : {10, 11})
  {
    cfftest::Spec spec = cfftest::DefaultSpec();
    spec.subrs.clear();
    for (int k = 0; k < depth - 1; k++) spec.subrs.push_back(CS({N(k + 1 - 107), O(cfftest::kCallsubr), O(cfftest::kReturn)}));
    spec.subrs.push_back(CS({O(cfftest::kReturn)}));
    EXPECT_EQ(drawable(CS({N(-107), O(cfftest::kCallsubr), O(cfftest::kEndchar)}), spec), depth == 10) << depth << " deep";
  }
  for (int y : {32767, 32768})
    EXPECT_EQ(drawable(CS({N(0), N(0), O(cfftest::kRmoveto), N(0), N(y - 30000), N(0), N(30000), O(cfftest::kRlineto), O(cfftest::kEndchar)})),
              y == 32767) << "y " << y;
}

TEST(FontValidatorCFF, CFF2OutlinesAreRefused)
{
  Atlas a;
  EXPECT_EQ(a.Add(cfftest::Font(cfftest::DefaultSpec(), nullptr, "CFF2")), -1);
  Bytes major2 = cfftest::Font(cfftest::DefaultSpec());
  major2[cfftest::CffStart(major2)] = 2;
  EXPECT_EQ(a.Add(major2), -1) << "a CFF table of major version 2";
}

TEST(FontValidatorCFF, InstalledTexGyreFacesLoadWithEveryGlyphDrawable)
{
  int faces = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(kTexGyreDir, ec))
  {
    if (e.path().extension() != ".otf")
      continue;
    Atlas a;
    std::ifstream in(e.path(), std::ios::binary);
    ASSERT_EQ(a.Add(Bytes{std::istreambuf_iterator<char>(in), {}}), 0) << e.path();
    const FNTfontSlot* slot = a.stash->fonts[0];
    EXPECT_EQ(slot->check.cff.numCharstrings, slot->check.numGlyphs) << e.path();
    for (int g = 0; g < slot->check.numGlyphs; g++)
      ASSERT_TRUE(a.Drawable(g)) << e.path() << " glyph " << g;
    faces++;
  }
  EXPECT_EQ(faces, 33) << "fonts-texgyre's OpenType faces in " << kTexGyreDir;
}

} // namespace
