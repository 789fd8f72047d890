#include "IBitmapControl.h"
#include "ISVGControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pwtest;

TEST(ImageControls, BitmapIsOneFrameAtItsPointAndBackgroundsBecomeControlZero)
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  g.RetainBitmap(IBitmap(new APIBitmap(1, 30, 200, 1.0f, 1.0f), 4, false, "strip.png"), "strip.png"); // cache-owned
  auto* c = new IBitmapControl(10, 20, g.LoadBitmap("strip.png", 4), kNoParameter, EBlend::Add);
  g.AttachControl(c); // reloaded from the cache for the screen scale
  c->SetValue(1.0);
  g.log.clear();
  c->Draw(g);
  EXPECT_EQ(g.log, Log({"Bitmap(10,20,40,70)@0,150"})) << "frame 4 of 4, one frame's size at (10, 20)";
  EXPECT_EQ(c->GetBlend().mMethod, EBlend::Add);

  g.AttachSVGBackground("no-such-file.svg");
  g.AttachBackground("strip.png");
  ASSERT_TRUE(dynamic_cast<IBitmapControl*>(g.GetControl(0)) && dynamic_cast<ISVGControl*>(g.GetControl(1)));
  EXPECT_EQ(Str(g.GetControl(1)->GetRECT()) + Str(g.GetControl(0)->GetRECT()), "(0,0,1000,400)(0,0,30,200)");
  IBitmapControl missing(0, 0, IBitmap());
  g.log.clear();
  missing.Draw(g);
  g.GetControl(1)->Draw(g);
  EXPECT_TRUE(g.log.empty()) << "a missing bitmap or SVG draws nothing";
}

TEST(ImageControls, SVGIsScaledIntoTheControlAndRenderedOnceIntoItsLayer)
{
  TestGDelegate dlg;
  RecordingCanvas g{dlg};
  const char* text = "<svg width=\"10\" height=\"10\"><rect x=\"0\" y=\"0\" width=\"10\" height=\"10\"/></svg>";
  const ISVG image = g.LoadSVG("square", static_cast<const void*>(text), static_cast<int>(std::strlen(text)));
  ISVGControl direct(IRECT(0, 0, 20, 20), image);
  direct.Draw(g);
  EXPECT_EQ(Shapes(g.log), Log({"Fill[255,0,0,0](0,0,20,20)"}));
  auto* layered = static_cast<ISVGControl*>(g.AttachControl(new ISVGControl(IRECT(0, 0, 20, 20), image, true)));
  for (size_t fills : {1u, 0u})
  {
    g.log.clear();
    layered->SetDirty(false);
    g.Tick();
    EXPECT_EQ(g.Only("Fill").size(), fills) << "drawn into the layer the first time only";
    EXPECT_EQ(g.Only("Bitmap").size(), 1u);
  }
}
