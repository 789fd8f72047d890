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
  Recipe cid, cidRanges;
  cid.cid = cidRanges.cid = true;
  cidRanges.fdOfGlyph = {1, 1, 0, 0}; // 'H' first of its range
  // A 1-byte Private size makes room for another Top DICT entry.
  auto topDict = [](const Bytes& more) {
    return [more](Bytes& f, size_t cff, const Layout& l) {
      Put(&Layout::topDict, 0, Bytes{151, 29} + Be(l.privateDict, 4) + Bytes{18} + more)(f, cff, l);
    };
  };
  // The plain fonts, and fonts whole at the edges of what the checks take.
  const std::vector<Damage> fonts = {
    {"plain", false, {}, {}},
    {"cid-keyed", false, cid, {}},
    {"header-of-5-bytes", false, {}, [](Bytes& f, size_t cff, const Layout&) {
       const Bytes name = {0, /* Name INDEX */ 0, 1, 1, 1, 6, 'T', 'e', 's', 't', 's'};
       f[cff + 2] = 5, std::copy(name.begin(), name.end(), f.begin() + cff + 4); }},
    {"name-offset-size-4", false, {}, [](Bytes& f, size_t cff, const Layout&) {
       const Bytes name = {0, 1, 4, 0, 0, 0, 1, 0, 0, 0, 1};
       std::copy(name.begin(), name.end(), f.begin() + cff + 4); }},
    {"private-dict-to-table-end", false, {}, [](Bytes& f, size_t cff, const Layout& l) {
       Put(&Layout::topDict, 1, Be(f.size() - cff - l.privateDict, 4))(f, cff, l); }},
    {"charstring-type-2", false, {}, topDict({141, 139, 12, 6})},
    {"real-ending-in-its-high-nibble", false, {}, topDict({30, 0xF0, 139, 15})},
    {"fdselect-without-fdarray", false, {}, topDict({140, 139, 12, 37})},
    {"cid-fdselect-format-0-to-table-end", false, cid, [](Bytes& f, size_t cff, const Layout& l) { // 'H' reads 0 at the end
       Put(&Layout::topDict, 8, Be(f.size() - cff - 3, 4))(f, cff, l), f[f.size() - 3] = 0, f[f.size() - 2] = f[f.size() - 1] = 1; }},
    {"cid-glyph-first-of-its-range", false, cidRanges, {}},
  };
  for (const Damage& d : fonts)
  {
    Atlas a;
    ASSERT_EQ(a.Add(d.Make()), 0) << d.name;
    const FNTglyphEntry *o = a.Glyph('O'), *h = a.Glyph('H'), *i = a.Glyph('I');
    ASSERT_TRUE(o && h && i);
    EXPECT_TRUE(o->x1 - o->x0 == 24 + 4 && o->y1 - o->y0 == 28 + 4) << d.name;
    EXPECT_TRUE(a.Ink(*o, 3, 14) == 255 && a.Ink(*o, 20, 14) == 255 && a.Ink(*o, 12, 14) == 0) << d.name;
    EXPECT_TRUE(a.Ink(*h, 2, 14) == 255 && a.Ink(*h, 14, 14) == 255 && a.Ink(*h, 8, 14) == 0) << d.name;
    EXPECT_GT(a.InkIn(*i), 0) << d.name;
    EXPECT_TRUE(a.Drawable(3) && !a.Drawable(4)) << d.name << ": 4 charstrings";
    if (d.patch)
      continue;
    // The glyph source's buffers, bounded by the table.
    Layout l;
    const int table = int(CffTable(d.recipe, &l).size());
    const stbtt_fontinfo& f = a.stash->fonts[0]->font;
    EXPECT_TRUE(f.cff.size == table && f.gsubrs.size == int(l.charstrings - l.gsubrs) &&
                f.charstrings.size == int(l.privateDict - l.charstrings)) << d.name;
    EXPECT_TRUE(f.subrs.size == (d.recipe.cid ? 0 : int(Index(d.recipe.subrs).size())) &&
                f.fontdicts.size == (d.recipe.cid ? int(l.fdselect - l.fdarray) : 0) &&
                f.fdselect.size == (d.recipe.cid ? table - int(l.fdselect) : 0)) << d.name;
  }
}

TEST(FontValidatorCFF, EachTableDamageRefusesTheFontAndEachCharstringDamageBlanksOnlyThatGlyph)
{
  for (const Damage& d : All())
  {
    Atlas a;
    const auto started = std::chrono::steady_clock::now();
    const Bytes font = d.Make();
    const int id = a.Add(font);
    FNTfaceCheck check;
    if (d.refused)
    {
      EXPECT_TRUE(id == -1 && a.stash->nfonts == 0) << d.name;
      EXPECT_EQ(fnt__checkFace(font.data(), int(font.size()), 0, &check), -1) << d.name << ": refused by the check itself";
      continue;
    }
    ASSERT_EQ(id, 0) << d.name;
    const FNTglyphEntry* blank = a.Glyph(d.codepoint);
    ASSERT_TRUE(blank) << d.name;
    EXPECT_TRUE(blank->x1 - blank->x0 == 4 && blank->y1 - blank->y0 == 4 && a.InkIn(*blank) == 0) << d.name;
    EXPECT_EQ(blank->xadv, 320) << d.name << ": the advance is kept";
    EXPECT_FALSE(a.Drawable(blank->index)) << d.name;
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
  auto glyph = [](const Bytes& charstring) {
    Recipe recipe;
    return recipe.charstrings[1] = charstring, recipe;
  };
  auto run = [](int count, const Bytes& b) {
    Bytes r;
    while (count--)
      r += b;
    return r;
  };
  const Bytes zero = CS({0}), move = CS({0, 0, kRmoveto});
  auto operands = [&](int n) { return drawable(glyph(move + run(n, CS({1})) + CS({kRlineto, kEndchar}))); };
  // n stems in hstems of up to 24; implicit: the last ones are the hint mask's vstems.
  auto stems = [&](int n, bool implicit = false) {
    std::vector<int> cs;
    for (int i = 0; i < n; i += 24)
    {
      cs.insert(cs.end(), std::min(48, 2 * (n - i)), 1);
      if (!implicit || i + 24 < n)
        cs.push_back(kHstem);
    }
    cs.push_back(kHintmask), cs.insert(cs.end(), (n + 7) / 8, kOp | 0xFF);
    return cs.push_back(kEndchar), drawable(glyph(CS(cs)));
  };
  auto nesting = [&](int depth) { return drawable(FanOut(depth, CS({kReturn}), 1)); };
  auto coordinate = [&](int y) { return drawable(glyph(CS({0, 0, kRmoveto, 0, y - 30000, 0, 30000, kRlineto, kEndchar}))); };
  // Subroutine n of count, after the bias.
  auto subr = [&](int count, int n) {
    Recipe recipe = glyph(CS({0, 0, kRmoveto, n, kCallsubr, kEndchar}));
    return recipe.subrs.assign(count, CS({kReturn})), drawable(recipe);
  };
  // Glyph 1 calls leaf, calls times, after its moveto and pad.
  auto fan = [&](const Bytes& leaf, int calls, const Bytes& pad) {
    Recipe recipe = FanOut(2, leaf, calls);
    return recipe.charstrings[1] = move + pad + CS({-107, kCallsubr, kEndchar}), drawable(recipe);
  };
  // 712 leaves of 23 zero-length lines and the moveto: 16377 vertices.
  auto vertices = [&](const Bytes& pad) { return fan(run(46, zero) + CS({kRlineto, kReturn}), 712, pad); };
  // 1260 leaves of 8 curves: 65527 operands and operators with the rest.
  auto work = [&](const Bytes& pad) { return fan(run(48, zero) + CS({kRrcurveto, kReturn}), 1260, pad); };
  EXPECT_TRUE(operands(48) && !operands(49));
  EXPECT_TRUE(stems(FNT_MAX_CFF_STEMS) && !stems(FNT_MAX_CFF_STEMS + 1) && !stems(FNT_MAX_CFF_STEMS + 2));
  EXPECT_TRUE(stems(FNT_MAX_CFF_STEMS, true) && !stems(FNT_MAX_CFF_STEMS + 1, true) && stems(9) && stems(1, true));
  EXPECT_TRUE(nesting(10) && !nesting(11));
  EXPECT_TRUE(coordinate(32767) && !coordinate(32768));
  EXPECT_TRUE(subr(1239, -107) && subr(1239, 1131) && !subr(1239, 1132) && !subr(1239, -108));
  EXPECT_TRUE(subr(1240, -1131) && subr(1240, 108) && !subr(1240, 109) && !subr(1240, -1132));
  EXPECT_TRUE(subr(33899, -1131) && subr(33899, 32767) && !subr(33899, -1132));
  EXPECT_TRUE(subr(33900, -32768) && subr(33900, 1131) && !subr(33900, 1132));
  EXPECT_TRUE(vertices(run(14, zero) + CS({kRlineto})) && !vertices(run(16, zero) + CS({kRlineto})));
  EXPECT_TRUE(vertices(run(42, zero) + CS({kRrcurveto})) && !vertices(run(48, zero) + CS({kRrcurveto})));
  EXPECT_TRUE(vertices(run(7, move)) && !vertices(run(8, move))) << "moves";
  EXPECT_TRUE(vertices(run(10, zero) + CS({1, 0, kRlineto})) && !vertices(run(12, zero) + CS({1, 0, kRlineto}))) << "closed at the end";
  EXPECT_FALSE(vertices(run(12, zero) + CS({0, 1, kRlineto})));
  EXPECT_TRUE(vertices(CS({1, 0, kRlineto, 0, 0, kRmoveto}) + run(8, zero) + CS({kRlineto}))) << "closed by the move";
  EXPECT_FALSE(vertices(CS({1, 0, kRlineto, 0, 0, kRmoveto}) + run(10, zero) + CS({kRlineto})));
  EXPECT_TRUE(work(run(8, zero) + CS({kRrcurveto})) && !work(run(9, zero) + CS({kRrcurveto})));
}

// Charstrings run as the glyph source runs them: each operator short of
// its operands, and pens that stay within 16 bits only when each operator
// moves along its own axes.
TEST(FontValidatorCFF, EachOperatorTakesItsOperandsAndMovesAlongItsAxes)
{
  auto drawable = [](const Bytes& charstring) {
    Recipe recipe;
    recipe.charstrings[1] = charstring;
    Atlas a;
    return a.Add(Font(recipe)) == 0 && a.Drawable(1);
  };
  const Bytes eightStems = CS(std::vector<int>(16, 1)) + CS({kHstem}), stems24 = CS(std::vector<int>(48, 1)) + CS({kHstem});
  const Bytes stems96 = stems24 + stems24 + stems24 + stems24;
  const std::pair<bool, Bytes> rows[] = {
    {false, CS({5, kRmoveto, kEndchar})}, {false, CS({kVmoveto, kEndchar})}, {false, CS({kHmoveto, kEndchar})},
    {false, CS({0, 0, kRmoveto, 5, kRlineto, kEndchar})}, {false, CS({0, 0, kRmoveto, kHlineto, kEndchar})},
    {false, CS({0, 0, kRmoveto, 1, 1, 1, kVhcurveto, kEndchar})},
    {false, CS({0, 30000, kRmoveto, 0, 0, 0, 0, 5000, kVhcurveto, kEndchar})}, // a fifth bends the last curve's end
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, kRrcurveto, kEndchar})},
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, kRcurveline, kEndchar})},
    {true, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, kRcurveline, kEndchar})}, // a curve and a line
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, kRlinecurve, kEndchar})},
    {true, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, kRlinecurve, kEndchar})}, // a line and a curve
    {false, CS({0, 0, kRmoveto, 1, 1, 1, kVvcurveto, kEndchar})},
    {false, CS({kCallsubr, kEndchar})}, {false, CS({0, 0, kRmoveto, kReturn, kEndchar})},
    {false, CS({0, 0, kRmoveto})}, {false, CS({0, 0, kRmoveto, kEscape, kOp | 0x26, kEndchar})},
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x22, kEndchar})},                  // hflex
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x23, kEndchar})}, // flex
    {true, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x23, kEndchar})},
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x24, kEndchar})}, // hflex1
    {true, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x24, kEndchar})},
    {false, CS({0, 0, kRmoveto, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, kEscape, kOp | 0x25, kEndchar})}, // flex1
    // 32-bit operands in 16.16; 31 and 255 are no DICT-style operands here.
    {true, CS({kOp | 255, kOp | 0x7F, kOp | 0xFF, kOp | 0, kOp | 0, 0, kRmoveto, kEndchar})}, // 32767
    // Axes, from (30000, 0): 5000 more fits in y only.
    {true, CS({30000, 0, kRmoveto, 5000, kVlineto, kEndchar})}, {false, CS({30000, 0, kRmoveto, 5000, kHlineto, kEndchar})},
    {true, CS({30000, 0, kRmoveto, 5000, 0, 0, 0, kVhcurveto, kEndchar})},
    {false, CS({30000, 0, kRmoveto, 5000, 0, 0, 0, kHvcurveto, kEndchar})},
    {true, CS({30000, 0, kRmoveto, 5000, 0, 0, 0, kVvcurveto, kEndchar})},
    {false, CS({30000, 0, kRmoveto, 5000, 0, 0, 0, kHhcurveto, kEndchar})},
    {false, CS({30000, 0, kRmoveto, 5000, 0, 0, 0, 0, kVvcurveto, kEndchar})}, // an odd one out is dx1
    {true, CS({30000, 0, kRmoveto, 2000, 0, 0, 0, 0, 0, 0, 0, 0, kVvcurveto, kEndchar})}, // of the first curve only
    {true, CS({0, 30000, kRmoveto, 0, 0, 2000, 0, 0, 0, 0, kEscape, kOp | 0x22, kEndchar})}, // hflex returns to y
    {true, CS({0, 0, kRmoveto, 0, 30000, 0, 0, 0, 0, 0, 0, 0, kEscape, kOp | 0x24, 0, 30000, kRlineto, kEndchar})},
    {true, CS({-30000, 0, kRmoveto, 30000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000, kEscape, kOp | 0x25, 0, 30000, kRlineto, kEndchar})},
    {true, CS({0, -30000, kRmoveto, 0, 30000, 0, 0, 0, 0, 0, 0, 0, 0, 30000, kEscape, kOp | 0x25, 30000, 0, kRlineto, kEndchar})},
    {true, CS({-30000, -30000, kRmoveto, 30000, 30000, 0, 0, 0, 0, 0, 0, 0, 0, 30000, kEscape, kOp | 0x25, 30000, 0, kRlineto, kEndchar})},
    // Each point of each kind within 16 bits.
    {true, CS({0, -30000, kRmoveto, 0, -2767, kRlineto, kEndchar})}, {false, CS({0, -30000, kRmoveto, 0, -2768, kRlineto, kEndchar})},
    {true, CS({30000, 0, kRmoveto, 2767, 0, kRmoveto, kEndchar})}, {false, CS({30000, 0, kRmoveto, 2768, 0, kRmoveto, kEndchar})},
    {false, CS({0, 30000, kRmoveto, 0, 2768, kRmoveto, kEndchar})}, {false, CS({30000, 0, kRmoveto, 2768, 0, kRlineto, kEndchar})},
    {true, CS({30000, 30000, kRmoveto, 2767, 2767, 0, 0, 0, 0, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 2768, 0, -2768, 0, 0, 0, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 0, 2768, 0, -2768, 0, 0, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 0, 0, 2768, 0, -2768, 0, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 0, 0, 0, 2768, 0, -2768, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 0, 0, 0, 0, 2768, 0, kRrcurveto, kEndchar})},
    {false, CS({30000, 30000, kRmoveto, 0, 0, 0, 0, 0, 2768, kRrcurveto, kEndchar})},
    {true, stems96 + CS({kEndchar})}, {false, stems96 + CS({1, 1, kHstem, kEndchar})}, // stems without a mask
    // A hint mask after the first one, or after a move, has no implicit vstems.
    {true, eightStems + CS({kHintmask, kOp | 0xFF, 1, 1, kHintmask, kOp | 0xFF, 0, 0, kRmoveto, kEndchar})},
    {true, eightStems + CS({0, 0, kRmoveto, 1, 1, kHintmask, kOp | 0xFF, kEndchar})},
    {true, eightStems + CS({0, kVmoveto, 1, 1, kHintmask, kOp | 0xFF, kEndchar})},
    {true, eightStems + CS({0, kHmoveto, 1, 1, kHintmask, kOp | 0xFF, kEndchar})},
  };
  for (const auto& [drawn, charstring] : rows)
    EXPECT_EQ(drawable(charstring), drawn) << testing::PrintToString(charstring);
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
