// OpenType fonts with CFF outlines through the public font loading, drawn
// on the screen of the Metal stand-in: every installed TeX Gyre face
// (Debian's fonts-texgyre) loads, measures and draws "O" as a ring around
// an empty counter. Variable fonts (CFF2 outlines) are refused.

#include "../Drawing/VG/CffTestFonts.h"
#include "../Drawing/VectorCanvasStubs.h"
#include "PresentedFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace pwtest;

namespace {

constexpr const char* kTexGyreDir = "/usr/share/texmf/fonts/opentype/public/tex-gyre";
constexpr int kW = 120, kH = 100;

// The platform half finds font files by their path.
struct FileFontCanvas : StubCanvas
{
  FileFontCanvas() : StubCanvas(kW, kH, 1.0f) {}
  PlatformFontPtr LoadPlatformFont(const char*, const char* path) override { return std::make_unique<FileFont>(path); }
};

struct TextControl : IControl
{
  TextControl(const IText& text, const char* str) : IControl(IRECT(0, 0, kW, kH)), text(text), str(str) {}
  void Draw(ICanvas& g) override
  {
    g.FillRect(COLOR_WHITE, mRECT);
    g.DrawText(text, str, mRECT);
  }
  IText text;
  const char* str;
};

// Ink: pixels darker than mid-grey, row by row.
using Ink = std::vector<std::vector<bool>>;

Ink DrawnInk(FileFontCanvas& g, CAMetalLayer* layer)
{
  const std::vector<uint8_t> bgra = DrawAndReadFrame(g, layer, kW, kH);
  Ink ink(kH, std::vector<bool>(kW));
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) ink[y][x] = bgra[(y * kW + x) * 4 + 1] < 128;
  return ink;
}

// The runs of ink along a row (dy 0) or a column (dx 0) from (x, y).
int InkRuns(const Ink& ink, int x, int y, int dx, int dy)
{
  int runs = 0;
  for (bool was = false; x >= 0 && x < kW && y >= 0 && y < kH; x += dx, y += dy)
  {
    runs += ink[y][x] && !was;
    was = ink[y][x];
  }
  return runs;
}

TEST(OpenTypeFonts, EveryTexGyreFaceLoadsMeasuresAndDrawsARingAroundAnEmptyCounter)
{
  int faces = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(kTexGyreDir, ec))
  {
    if (e.path().extension() != ".otf")
      continue;
    faces++;
    const std::string id = e.path().stem().string(), png = ::testing::TempDir() + id + ".png";
    SCOPED_TRACE(id + ", image " + png);
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    CAMetalLayer* layer = [[CAMetalLayer alloc] init];
    layer.drawableSize = CGSizeMake(kW, kH);
    {
      FileFontCanvas g;
      g.OnViewInitialized(layer), g.DrawResize();
      ASSERT_TRUE(g.LoadFont(id.c_str(), e.path().c_str()));
      const IText text(72, COLOR_BLACK, id.c_str(), EAlign::Near, EVAlign::Top);
      IRECT measured(0, 0, kW, kH); // where the control draws it
      EXPECT_GT(g.MeasureText(text, "O", measured), 30.0f);
      g.AttachControl(new TextControl(text, "O"));
      const Ink ink = DrawnInk(g, layer);
      PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str());
      // The ink's box lies inside the measured one.
      int left = kW, right = -1, top = kH, bottom = -1;
      for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++)
          if (ink[y][x]) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      ASSERT_GT(right - left, 20) << "no ring drawn";
      EXPECT_TRUE(left >= measured.L - 2 && right <= measured.R + 2 && top >= measured.T - 2 && bottom <= measured.B + 2)
          << left << "," << top << " " << right << "," << bottom << " in " << measured.L << "," << measured.T << " "
          << measured.R << "," << measured.B;
      // Through the middle, across and down: ring, counter, ring.
      const int cx = (left + right) / 2, cy = (top + bottom) / 2;
      EXPECT_FALSE(ink[cy][cx]) << "ink in the counter";
      EXPECT_EQ(InkRuns(ink, left, cy, 1, 0), 2);
      EXPECT_EQ(InkRuns(ink, cx, top, 0, 1), 2);
      g.OnViewDestroyed();
    }
    [layer release];
    [pool release];
  }
  EXPECT_EQ(faces, 33) << "fonts-texgyre's OpenType faces in " << kTexGyreDir;
}

TEST(OpenTypeFonts, AVariableFontIsRefusedWithFontLoadingsMessage)
{
  const std::string path = ::testing::TempDir() + "variable.otf";
  const cfftest::Bytes font = cfftest::Font(cfftest::DefaultSpec(), nullptr, "CFF2");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(font.data()), std::streamsize(font.size()));
  FileFontCanvas g;
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(g.LoadFont("variable", path.c_str()));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Could not locate font " + path + "\n");
}

} // namespace
