#include "FontAtlas.h"
#include "FontTestFonts.h"
#include "VGContext.h"
#include "VGText.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Keeps texture sizes and every text run's vertices.
struct TextBackend
{
  std::map<int, std::pair<int, int>> textures; // id -> size
  std::vector<std::pair<int, int>> created;
  std::vector<std::vector<VGvertex>> runs;
  std::vector<int> runImages;
  std::vector<std::string> ops;
  int nextImage = 1;

  static TextBackend& Of(void* up) { return *static_cast<TextBackend*>(up); }

  VGbackendParams Params()
  {
    VGbackendParams p{};
    p.userPtr = this;
    p.edgeAntiAlias = 1;
    p.renderCreate = [](void*) { return 1; };
    p.renderCreateTexture = [](void* up, int, int w, int h, int, const unsigned char*) {
      TextBackend& b = Of(up);
      b.textures[b.nextImage] = {w, h};
      b.created.emplace_back(w, h);
      return b.nextImage++;
    };
    p.renderDeleteTexture = [](void* up, int image) { return static_cast<int>(Of(up).textures.erase(image)); };
    p.renderUpdateTexture = [](void* up, int, int, int, int, int, const unsigned char*) {
      Of(up).ops.push_back("update");
      return 1;
    };
    p.renderGetTextureSize = [](void* up, int image, int* w, int* h) {
      *w = Of(up).textures[image].first;
      *h = Of(up).textures[image].second;
      return 1;
    };
    p.renderViewport = [](void*, float, float, float) {};
    p.renderCancel = [](void*) {};
    p.renderFlush = [](void*) {};
    p.renderTriangles = [](void* up, VGpaint* paint, VGcompositeOperationState, VGscissor*, const VGvertex* v, int n,
                           float) {
      TextBackend& b = Of(up);
      b.ops.push_back("triangles");
      b.runs.emplace_back(v, v + n);
      b.runImages.push_back(paint->image);
    };
    p.renderDelete = [](void*) {};
    return p;
  }

  size_t Vertices() const
  {
    size_t n = 0;
    for (const auto& r : runs)
      n += r.size();
    return n;
  }
};

class VGTextTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    VGbackendParams params = backend.Params();
    vg = vgCreateInternal(&params);
    ASSERT_NE(vg, nullptr);
    if (!vg->fs) // until the context makes its own atlas
    {
      FNTatlasParams ap{};
      ap.width = ap.height = 512;
      ap.flags = FNT_ZERO_TOPLEFT;
      vg->fs = ownAtlas = fntCreateInternal(&ap);
    }
    ASSERT_EQ(vgCreateFont(vg, "sans", kRobotoPath), 0);
    vgBeginFrame(vg, 800, 600, 1.0f);
  }
  void TearDown() override
  {
    if (ownAtlas)
      fntDeleteInternal(ownAtlas);
    vgDeleteInternal(vg);
  }

  std::vector<VGtextLine> Break(const char* text, float width)
  {
    std::vector<VGtextLine> rows(64);
    rows.resize(vgTextBreakLines(vg, text, nullptr, width, rows.data(), 64));
    return rows;
  }
  float Advance(const char* s, const char* e) { return vgTextBounds(vg, 0, 0, s, e, nullptr); }

  TextBackend backend;
  VGcontext* vg = nullptr;
  FNTatlas* ownAtlas = nullptr;
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
  EXPECT_TRUE(backend.runs.empty());
}

TEST_F(VGTextTest, TextUploadsTheAtlasThenDrawsTwoTransformedTrianglesPerGlyph)
{
  vgTranslate(vg, 100, 50);
  const float endX = vgText(vg, 10, 20, "Hi there", nullptr);
  EXPECT_NEAR(endX, 10 + Advance("Hi there", nullptr), 0.01f);
  ASSERT_EQ(backend.ops, (std::vector<std::string>{"update", "triangles"}));
  ASSERT_EQ(backend.runs[0].size(), 6u * 8); // the space has a (blank) quad too
  EXPECT_EQ(backend.runImages[0], vg->fontImages[0]);
  const VGvertex& v = backend.runs[0][0];
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
    backend.runs.clear();
    vgText(vg, 0, 0, "O", nullptr);
    vgRestore(vg);
    return backend.runs.at(0)[1].u - backend.runs.at(0)[0].u;
  };
  const float at4 = texWidthAt(4), at5 = texWidthAt(5);
  EXPECT_FLOAT_EQ(at5, at4);
  EXPECT_GT(at4, texWidthAt(3));
  EXPECT_NEAR(backend.runs[0][1].x - backend.runs[0][0].x, (at4 * 512) * 3 / 4, 1); // drawn at scale 3
}

TEST_F(VGTextTest, AFullAtlasGrowsThroughItsSizeChainAndCompactsAtTheEndOfTheFrame)
{
  vgFontSize(vg, 160);
  const char* text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  vgText(vg, 0, 200, text, nullptr);
  // Every glyph is drawn exactly once, whatever the flushes before growing.
  EXPECT_EQ(backend.Vertices(), 6u * 26);
  ASSERT_GE(backend.created.size(), 2u);
  EXPECT_EQ(backend.created[1], std::make_pair(1024, 512));
  EXPECT_EQ(backend.runImages.back(), vg->fontImages[vg->fontImageIdx]);
  const int newest = vg->fontImages[vg->fontImageIdx];
  vgEndFrame(vg);
  EXPECT_EQ(vg->fontImageIdx, 0);
  EXPECT_EQ(vg->fontImages[0], newest);
  EXPECT_EQ(backend.textures.count(1), 0u); // the 512 x 512 image was outgrown

  // Far larger glyphs exhaust the chain; drawing stops at the first misfit.
  vgBeginFrame(vg, 800, 600, 1.0f);
  backend.runs.clear();
  vgFontSize(vg, 1500);
  vgText(vg, 0, 1500, text, nullptr);
  EXPECT_EQ(vg->fontImageIdx, 3);
  EXPECT_EQ(backend.textures[vg->fontImages[3]], std::make_pair(2048, 2048));
  EXPECT_GT(backend.Vertices(), 0u);
  EXPECT_LT(backend.Vertices(), 6u * 26);
}

TEST_F(VGTextTest, TinyTextAndBrokenUtf8NeverGrowTheAtlas)
{
  vgFontSize(vg, 0.01f);
  EXPECT_EQ(vgText(vg, 5, 5, "tiny", nullptr), 5);
  vgFontSize(vg, 16);
  vgText(vg, 5, 5, "A\xE2\x82", nullptr);
  vgText(vg, 5, 5, "B\xFF" "CD", nullptr);
  EXPECT_EQ(backend.created.size(), 1u);
  EXPECT_EQ(backend.Vertices(), 12u);
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
  EXPECT_EQ(backend.runs.size(), 3u);
  EXPECT_EQ(vg->states[vg->nstates - 1].textAlign, VG_ALIGN_TOP);
  EXPECT_NEAR(backend.runs[2][0].x, 10, 2);
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
