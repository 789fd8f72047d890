// Damaged fonts against the atlas: refused whole when a font-wide table
// does not fit, drawn with a blank glyph when one outline does not; pens
// the glyph quads cannot hold are refused. Fonts are exact-size copies, so
// that a sanitizer build sees any read past them.

#include "DamagedFonts.h"
#include "FontAtlasDetail.h"
#include "VGText.h"
#include "RecordingBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <limits>
#include <string>

namespace {

using damaged::Bytes;

struct Atlas
{
  Atlas()
  {
    FNTatlasParams params{};
    params.width = params.height = 512;
    params.flags = FNT_ZERO_TOPLEFT;
    stash = fntCreateInternal(&params);
  }
  ~Atlas() { fntDeleteInternal(stash); }
  // The atlas owns an exact-size copy.
  int Add(const Bytes& font, int face = 0)
  {
    auto* copy = static_cast<unsigned char*>(malloc(font.size()));
    memcpy(copy, font.data(), font.size());
    return fntAddFontMem(stash, "font", copy, int(font.size()), face, 1);
  }
  FNTglyphEntry* Glyph(int font, uint32_t cp, short tenths = 400)
  {
    return fnt__getGlyph(stash, stash->fonts[font], cp, tenths, 0, FNT_GLYPH_BITMAP_REQUIRED);
  }
  int InkIn(const FNTglyphEntry& g) const
  {
    int ink = 0;
    for (int y = g.y0; y < g.y1; y++)
      for (int x = g.x0; x < g.x1; x++) ink += stash->texData[x + y * stash->params.width];
    return ink;
  }
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

TEST(FontValidator, EachFontWideDamageRefusesTheFontAndEachOutlineDamageBlanksOnlyThatGlyph)
{
  Atlas good;
  const int g = good.Add(Roboto());
  ASSERT_EQ(g, 0);
  for (const damaged::Damage& d : damaged::All())
  {
    Bytes font = Roboto();
    d.apply(font);
    Atlas a;
    const int id = a.Add(font);
    if (d.refused)
    {
      EXPECT_EQ(id, -1) << d.name;
      EXPECT_EQ(a.stash->nfonts, 0) << d.name;
      continue;
    }
    ASSERT_EQ(id, 0) << d.name;
    const FNTglyphEntry* blank = a.Glyph(id, d.codepoint);
    const FNTglyphEntry* intact = good.Glyph(g, d.codepoint);
    ASSERT_TRUE(blank && intact) << d.name;
    // A blank square of the margin (2 pixels each side), the advance kept.
    EXPECT_EQ(blank->x1 - blank->x0, 4) << d.name;
    EXPECT_EQ(blank->y1 - blank->y0, 4) << d.name;
    EXPECT_EQ(a.InkIn(*blank), 0) << d.name;
    EXPECT_EQ(blank->xadv, intact->xadv) << d.name;
    EXPECT_GT(good.InkIn(*intact), 0) << d.name;
    // Other glyphs of the font draw as before.
    const FNTglyphEntry* other = a.Glyph(id, 'o');
    ASSERT_NE(other, nullptr) << d.name;
    EXPECT_EQ(other->x1 - other->x0, good.Glyph(g, 'o')->x1 - good.Glyph(g, 'o')->x0) << d.name;
  }
}

TEST(FontValidator, GlyphVerdictIsReachedOnceAndKept)
{
  Bytes font = Roboto();
  for (const damaged::Damage& d : damaged::All())
    if (std::string(d.name) == "contours-past-glyph") d.apply(font);
  Atlas a;
  ASSERT_EQ(a.Add(font), 0);
  FNTfontSlot* slot = a.stash->fonts[0];
  const int t = damaged::GlyphOf(font, 'T'), o = damaged::GlyphOf(font, 'o');
  EXPECT_EQ(slot->glyphChecks[t], FNT_GLYPH_UNCHECKED);
  a.Glyph(0, 'T'), a.Glyph(0, 'o');
  EXPECT_EQ(slot->glyphChecks[t], FNT_GLYPH_DAMAGED);
  EXPECT_EQ(slot->glyphChecks[o], FNT_GLYPH_DRAWABLE);
  // The verdict, not the bytes, decides from then on.
  slot->glyphChecks[t] = FNT_GLYPH_DAMAGED;
  EXPECT_EQ(a.InkIn(*a.Glyph(0, 'T', 300)), 0);
}

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
  // A chain of composites, each placing the next glyph: U+00C1's outline
  // is reached through depth composites.
  for (int depth : {FNT_MAX_COMPOSITE_DEPTH - 1, FNT_MAX_COMPOSITE_DEPTH})
  {
    Bytes font = Roboto();
    const int top = damaged::GlyphOf(font, 0xC1);
    // Glyphs 1.. are made composites of one component, the glyph after
    // them, the last pointing at U+00C1; they borrow U+00C1's data
    // (its first component's record is rewritten).
    std::vector<int> chain;
    for (int i = 0; i < depth; i++) chain.push_back(3000 + i);
    Bytes composite = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0};
    const size_t glyf = damaged::Table(font, "glyf");
    std::vector<uint32_t> at;
    for (int i = 0; i < depth; i++)
    {
      const int next = i + 1 < depth ? chain[i + 1] : top;
      composite[12] = uint8_t(next >> 8), composite[13] = uint8_t(next);
      at.push_back(uint32_t(font.size() - glyf));
      font.insert(font.end(), composite.begin(), composite.end());
    }
    const size_t glyfRec = damaged::Record(font, "glyf");
    damaged::Put32(font, glyfRec + 12, uint32_t(font.size() - glyf)); // glyf runs to the end
    for (int i = 0; i < depth; i++)
    {
      damaged::Put32(font, damaged::LocaEntry(font, chain[i]), at[i]);
      damaged::Put32(font, damaged::LocaEntry(font, chain[i]) + 4, at[i] + 16);
    }
    Atlas a;
    ASSERT_EQ(a.Add(font), 0) << depth;
    // From glyph chain[0]: depth composites, then U+00C1, a composite of
    // simple glyphs: depth + 1 levels of composites.
    const bool drawable = fnt__checkGlyph(&a.stash->fonts[0]->check, a.stash->fonts[0]->data, chain[0]);
    EXPECT_EQ(drawable, depth < FNT_MAX_COMPOSITE_DEPTH) << depth;
  }
}

TEST(FontValidator, InstalledTrueTypeFontsLoadWithEveryGlyphDrawable)
{
  int fonts = 0;
  for (const char* dir : {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/droid",
                          "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF"})
  {
    DIR* d = opendir(dir);
    for (dirent* e = d ? readdir(d) : nullptr; e; e = readdir(d))
    {
      const std::string name = e->d_name;
      if (name.size() < 4 || name.substr(name.size() - 4) != ".ttf")
        continue;
      Atlas a;
      ASSERT_EQ(a.Add(damaged::ReadFile((std::string(dir) + "/" + name).c_str())), 0) << name;
      const FNTfontSlot* slot = a.stash->fonts[0];
      for (int g = 0; g < slot->check.numGlyphs; g++)
        ASSERT_TRUE(fnt__checkGlyph(&slot->check, slot->data, g)) << name << " glyph " << g;
      fonts++;
    }
    if (d) closedir(d);
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
  auto* copy = static_cast<unsigned char*>(malloc(font.size()));
  memcpy(copy, font.data(), font.size());
  ASSERT_EQ(vgCreateFontMem(rc.vg, "sans", copy, int(font.size()), 1), 0);
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
