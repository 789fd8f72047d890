// OpenType fonts with CFF outlines through the public font loading, drawn
// on the screen of the Metal stand-in: every installed TeX Gyre face
// (Debian's fonts-texgyre) loads, measures and draws "O" as a ring around
// an empty counter. Variable fonts (CFF2 outlines) are refused.

#include "../Drawing/VG/CffTestFonts.h"
#include "../Drawing/VectorCanvasStubs.h"
#include "ITextControl.h"
#include "PresentedFrame.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace pwtest;

namespace {

constexpr int kW = 120, kH = 100;

// The platform half finds font files by their path.
struct FileFontCanvas : StubCanvas
{
  FileFontCanvas() : StubCanvas(kW, kH, 1.0f) {}
  PlatformFontPtr LoadPlatformFont(const char*, const char* path) override { return std::make_unique<FileFont>(path); }
};

TEST(OpenTypeFonts, EveryTexGyreFaceLoadsMeasuresAndDrawsARingAroundAnEmptyCounter)
{
  const auto faces = cfftest::TexGyreFaces();
  EXPECT_EQ(faces.size(), 33u) << "fonts-texgyre's OpenType faces in " << cfftest::kTexGyreDir;
  for (const auto& face : faces)
  {
    const std::string id = face.stem().string(), png = ::testing::TempDir() + id + ".png";
    SCOPED_TRACE(id + ", image " + png);
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    CAMetalLayer* layer = [[CAMetalLayer alloc] init];
    layer.drawableSize = CGSizeMake(kW, kH);
    {
      FileFontCanvas g;
      g.OnViewInitialized(layer), g.DrawResize();
      ASSERT_TRUE(g.LoadFont(id.c_str(), face.c_str()));
      const IText text(72, COLOR_BLACK, id.c_str(), EAlign::Near, EVAlign::Top);
      IRECT measured(0, 0, kW, kH); // where the control draws it
      EXPECT_GT(g.MeasureText(text, "O", measured), 30.0f);
      g.AttachControl(new ITextControl(IRECT(0, 0, kW, kH), "O", text, COLOR_WHITE));
      const std::vector<uint8_t> bgra = DrawAndReadFrame(g, layer, kW, kH);
      auto ink = [&](int x, int y) { return bgra[(y * kW + x) * 4 + 1] < 128; }; // darker than mid-grey
      PWMTLWriteTexturePNG(layer.pwPresentedTexture, png.c_str());
      // The ink's box lies inside the measured one.
      int left = kW, right = -1, top = kH, bottom = -1;
      for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++)
          if (ink(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      ASSERT_GT(right - left, 20) << "no ring drawn";
      EXPECT_TRUE(measured.GetPadded(2).Contains(IRECT(left, top, right, bottom))) << left << "," << top << " " << right << "," << bottom;
      // Through the middle, across and down: ring, counter, ring.
      const int cx = (left + right) / 2, cy = (top + bottom) / 2;
      int across = 0, down = 0; // runs of ink
      for (int x = left; x <= right; x++) across += ink(x, cy) && (x == left || !ink(x - 1, cy));
      for (int y = top; y <= bottom; y++) down += ink(cx, y) && (y == top || !ink(cx, y - 1));
      EXPECT_FALSE(ink(cx, cy)) << "ink in the counter";
      EXPECT_TRUE(across == 2 && down == 2) << across << " runs across, " << down << " down";
      g.OnViewDestroyed();
    }
    [layer release];
    [pool release];
  }
}

TEST(OpenTypeFonts, AVariableFontIsRefusedWithFontLoadingsMessage)
{
  const std::string path = ::testing::TempDir() + "variable.otf";
  const cfftest::Bytes font = cfftest::Font({}, "CFF2");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(font.data()), std::streamsize(font.size()));
  FileFontCanvas g;
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(g.LoadFont("variable", path.c_str()));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Could not locate font " + path + "\n");
}

} // namespace
