#include "FontTestFonts.h"
#include "RecordingBackend.h"
#include "VGContext.h"
#include "VGText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace {

class VGTextTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(vg, nullptr);
    ASSERT_EQ(vgCreateFont(vg, "sans", kRobotoPath), 0);
    vgBeginFrame(vg, 800, 600, 1.0f);
    backend.calls.clear();
  }

  std::vector<const pw::test::RecordedCall*> Runs() const { return backend.Calls("triangles"); }
  size_t Vertices() const
  {
    const auto runs = Runs();
    return std::accumulate(runs.begin(), runs.end(), size_t(0), [](size_t n, auto* r) { return n + r->verts.size(); });
  }
  std::vector<std::pair<int, int>> Created() const
  {
    std::vector<std::pair<int, int>> sizes;
    for (const auto* c : backend.Calls("create-texture"))
      sizes.emplace_back(c->w, c->h);
    return sizes;
  }
  std::vector<VGtextLine> Break(const char* text, float width)
  {
    std::vector<VGtextLine> rows(64);
    rows.resize(vgTextBreakLines(vg, text, nullptr, width, rows.data(), 64));
    return rows;
  }
  float Advance(const char* s, const char* e) { return vgTextBounds(vg, 0, 0, s, e, nullptr); }

  pw::test::RecordingContext rc;
  pw::test::RecordingBackend& backend = rc.backend;
  VGcontext* vg = rc.vg;
};

TEST_F(VGTextTest, WithoutAFontEveryCallHasItsNeutralResult)
{
  EXPECT_EQ(vgFindFont(vg, nullptr), -1);
  EXPECT_EQ(vgAddFallbackFontId(vg, 0, -1), 0);
  vgFontFace(vg, "missing");
  EXPECT_EQ(vgText(vg, 7, 9, "abc", nullptr), 7);
  EXPECT_EQ(vgTextBounds(vg, 0, 0, "abc", nullptr, nullptr), 0);
  VGtextLine row;
  EXPECT_EQ(vgTextBreakLines(vg, "abc", nullptr, 100, &row, 1), 0);
  float b[4] = {1, 1, 1, 1}, asc = 5;
  vgTextBoxBounds(vg, 3, 3, 100, "abc", nullptr, b);
  EXPECT_EQ(b[0] + b[1] + b[2] + b[3], 0);
  vgTextMetrics(vg, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, 5);
  vgFontFaceId(vg, 9); // no such font either: still nothing written
  vgScale(vg, 2, 2);
  b[0] = b[1] = b[2] = b[3] = 1;
  vgTextMetrics(vg, &asc, nullptr, nullptr);
  EXPECT_EQ(vgTextBounds(vg, 0, 0, "abc", nullptr, b), 0);
  EXPECT_EQ(asc + b[0] + b[1] + b[2] + b[3], 9);
  EXPECT_TRUE(Runs().empty());
}

TEST_F(VGTextTest, TextUploadsTheAtlasThenDrawsTwoTransformedTrianglesPerGlyph)
{
  vgTranslate(vg, 100, 50);
  const float endX = vgText(vg, 10, 20, "Hi there", nullptr);
  EXPECT_NEAR(endX, 10 + Advance("Hi there", nullptr), 0.01f);
  ASSERT_EQ(backend.Ops(), (std::vector<std::string>{"update-texture", "triangles"}));
  ASSERT_EQ(Runs()[0]->verts.size(), 6u * 8); // the space has a (blank) quad too
  EXPECT_EQ(Runs()[0]->paint.image, vg->fontImages[0]);
  const VGvertex& v = Runs()[0]->verts[0];
  EXPECT_NEAR(v.x, 110, 2); // 'H' starts near the pen, moved by the translation
  EXPECT_GT(v.y, 50);
  EXPECT_LT(v.y, 70);
  EXPECT_EQ(vg->textTriCount, 16);
}

TEST_F(VGTextTest, GlyphsAreRasterisedAtMostAtFourTimesTheirSize)
{
  auto texWidthAt = [&](float scale) {
    vgSave(vg);
    vgScale(vg, scale, scale);
    backend.calls.clear();
    vgText(vg, 0, 0, "O", nullptr);
    vgRestore(vg);
    return Runs().at(0)->verts[1].u - Runs().at(0)->verts[0].u;
  };
  const float at4 = texWidthAt(4), at5 = texWidthAt(5);
  EXPECT_FLOAT_EQ(at5, at4);
  EXPECT_GT(at4, texWidthAt(3));
  EXPECT_NEAR(Runs()[0]->verts[1].x - Runs()[0]->verts[0].x, (at4 * 512) * 3 / 4, 1); // drawn at scale 3
}

TEST_F(VGTextTest, AFullAtlasGrowsThroughItsSizeChainAndCompactsAtTheEndOfTheFrame)
{
  vgFontSize(vg, 160);
  const char* text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  vgText(vg, 0, 200, text, nullptr);
  // Every glyph is drawn exactly once, whatever the flushes before growing.
  EXPECT_EQ(Vertices(), 6u * 26);
  ASSERT_EQ(Created(), (std::vector<std::pair<int, int>>{{1024, 512}}));
  EXPECT_EQ(Runs().back()->paint.image, vg->fontImages[vg->fontImageIdx]);
  const int newest = vg->fontImages[vg->fontImageIdx];
  vgEndFrame(vg);
  EXPECT_EQ(vg->fontImageIdx, 0);
  EXPECT_EQ(vg->fontImages[0], newest);
  EXPECT_EQ(backend.textures.count(1), 0u); // the 512 x 512 image was outgrown

  // Far larger glyphs exhaust the chain; drawing stops at the first misfit.
  vgBeginFrame(vg, 800, 600, 1.0f);
  backend.calls.clear();
  vgFontSize(vg, 1500);
  vgText(vg, 0, 1500, text, nullptr);
  EXPECT_EQ(vg->fontImageIdx, 3);
  EXPECT_EQ(Created(), (std::vector<std::pair<int, int>>{{1024, 1024}, {2048, 1024}, {2048, 2048}}));
  EXPECT_GT(Vertices(), 0u);
  EXPECT_LT(Vertices(), 6u * 26);
}

TEST_F(VGTextTest, TinyTextAndBrokenUtf8NeverGrowTheAtlas)
{
  vgFontSize(vg, 0.01f);
  EXPECT_EQ(vgText(vg, 5, 5, "tiny", nullptr), 5);
  vgFontSize(vg, 16);
  vgText(vg, 5, 5, "A\xE2\x82", nullptr);
  vgText(vg, 5, 5, "B\xFF" "CD", nullptr);
  EXPECT_TRUE(Created().empty());
  EXPECT_EQ(Vertices(), 12u);
}

TEST_F(VGTextTest, GlyphPositionsFollowThePenAndRespectTheLimit)
{
  VGglyphPlace pos[3];
  pos[0].str = nullptr;
  EXPECT_EQ(vgTextGlyphPositions(vg, 10, 0, "Hello", nullptr, pos, 0), 0);
  EXPECT_EQ(pos[0].str, nullptr);
  const char* text = "Hello";
  ASSERT_EQ(vgTextGlyphPositions(vg, 10, 0, text, nullptr, pos, 3), 3);
  EXPECT_FLOAT_EQ(pos[0].x, 10);
  for (int i = 0; i < 3; i++)
  {
    EXPECT_EQ(pos[i].str, text + i);
    EXPECT_LE(pos[i].minx, pos[i].x);
    EXPECT_GT(pos[i].maxx, pos[i].x);
  }
  EXPECT_NEAR(pos[2].x, 10 + Advance(text, text + 2), 0.01f);
}

TEST_F(VGTextTest, LineBreaksFollowNewlinesAndKeepRowsWithinTheWidth)
{
  struct Case { const char* text; float width; std::vector<std::string> rows; };
  const Case cases[] = {
    {"one\r\ntwo", 500, {"one", "two"}},
    {"one\n\ntwo", 500, {"one", "", "two"}},
    {"  lead and trail  ", 500, {"lead and trail"}},
    {"hello world again", 60, {"hello", "world", "again"}},
    {"0000000000", 3.5f * Advance("0", nullptr), {"000", "000", "000", "0"}}, // digits share one advance
  };
  for (const Case& c : cases)
  {
    std::vector<std::string> got;
    for (const VGtextLine& r : Break(c.text, c.width))
    {
      got.emplace_back(r.start, r.end);
      EXPECT_NEAR(r.width, Advance(r.start, r.end), 0.01f) << c.text;
      EXPECT_LE(r.width, c.width) << c.text;
    }
    EXPECT_EQ(got, c.rows) << c.text;
  }
}

TEST_F(VGTextTest, CjkTextBreaksBetweenAnyTwoCharacters)
{
  ASSERT_EQ(vgCreateFont(vg, "cjk", kCjkPath), 1);
  vgFontFace(vg, "cjk");
  const std::string text = "\xE4\xB8\xAD\xE6\x96\x87\xE6\x96\x87\xE5\xAD\x97\xE5\xAD\x97"; // 5 characters
  const float one = Advance(text.c_str(), text.c_str() + 3);
  const std::vector<VGtextLine> rows = Break(text.c_str(), one * 2.5f);
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); i++)
  {
    EXPECT_EQ(rows[i].start, text.c_str() + 6 * i);
    EXPECT_NEAR(rows[i].width, i < 2 ? 2 * one : one, 0.5f);
  }
}

TEST_F(VGTextTest, TextBoxAlignsEachRowAndItsBoundsCoverEveryRow)
{
  const char* text = "mmm mmm mmm";
  const float width = Advance("mmm", nullptr) + 1;
  const std::vector<VGtextLine> rows = Break(text, width);
  ASSERT_EQ(rows.size(), 3u);
  float b[4];
  vgTextAlign(vg, VG_ALIGN_RIGHT | VG_ALIGN_TOP);
  vgTextBoxBounds(vg, 10, 20, width, text, nullptr, b);
  float lineh;
  vgTextMetrics(vg, nullptr, nullptr, &lineh);
  EXPECT_NEAR(b[1], 20, 0.01f);
  EXPECT_NEAR(b[3], 20 + 3 * lineh, 0.01f);
  EXPECT_NEAR(b[2], 10 + width, 2); // right-aligned rows end at the box's edge
  // A wrapped row's ink starts at its own start, not its predecessor's.
  EXPECT_NEAR(rows[1].minx, 0, 2);
  EXPECT_NEAR(b[0], 10 + width - std::max({rows[0].width, rows[1].width, rows[2].width}), 2);

  vgTextAlign(vg, VG_ALIGN_TOP); // no horizontal flag: left
  vgTextBox(vg, 10, 20, width, text, nullptr);
  ASSERT_EQ(Runs().size(), 3u);
  EXPECT_EQ(vg->states[vg->nstates - 1].textAlign, VG_ALIGN_TOP);
  EXPECT_NEAR(Runs()[2]->verts[0].x, 10, 2);
}

TEST_F(VGTextTest, MetricsAndBoundsAreInUserUnitsAtAnyScale)
{
  float plain[3], scaled[3], b[4];
  vgTextMetrics(vg, &plain[0], &plain[1], &plain[2]);
  EXPECT_NEAR(plain[0], 16 * 1900.0f / 2400, 0.01f);
  vgScale(vg, 2, 2);
  vgBeginFrame(vg, 800, 600, 2.0f);
  vgScale(vg, 2, 2);
  vgTextMetrics(vg, &scaled[0], &scaled[1], &scaled[2]);
  for (int i = 0; i < 3; i++)
    EXPECT_NEAR(scaled[i], plain[i], 0.05f);
  const float adv = vgTextBounds(vg, 5, 40, "Box", nullptr, b);
  EXPECT_NEAR(b[1], 40 - plain[0], 0.05f);
  EXPECT_NEAR(b[3] - b[1], plain[2], 0.05f);
  EXPECT_NEAR(b[0], 5, 2);
  EXPECT_NEAR(b[2], 5 + adv, 2);
}

} // namespace
