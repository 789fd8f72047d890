#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace pwtest;

namespace {

// Also records the dash of every stroke (count:first length).
struct DashCanvas : RecordingCanvas
{
  using RecordingCanvas::RecordingCanvas;
  void PathStroke(const IPattern& p, float t, const IStrokeOptions& o, const IBlend* b) override
  {
    RecordingCanvas::PathStroke(p, t, o, b);
    log.back() += " dash " + std::to_string(o.mDash.GetCount()) + ":" + std::to_string(int(o.mDash.GetArray()[0]));
  }
};

struct Drawing : testing::Test
{
  TestGDelegate dlg;
  DashCanvas rec{dlg};
  ICanvas& g = rec; // the base's overloads, not the recorder's
  const IColor k = COLOR_BLACK;
  const std::string S = "Stroke[255,0,0,0]1 dash 0:0", F = "Fill[255,0,0,0]";

  Log Run(const std::function<void()>& op) { return rec.log.clear(), op(), rec.log; }
};

// To a thousandth, without negative zeros: turned corners carry rounding.
std::string Rounded(const IRECT& r)
{
  auto f = [](float v) { return std::round(v * 1000.0f) / 1000.0f + 0.0f; };
  return Str(IRECT(f(r.L), f(r.T), f(r.R), f(r.B)));
}

APIBitmap gStrip(1, 6, 12 * 96, 1.0f, 1.0f); // 96 frames of 6 x 12, stacked
const IBitmap kFont(&gStrip, 96, false, "font");

} // namespace

TEST_F(Drawing, ShapesBuildOnePathAndPaintItOnce)
{
  EXPECT_EQ(Run([&] { g.DrawRect(k, IRECT(0, 0, 10, 10)); }),
            (Log{"Clear", "MoveTo(0,0)", "LineTo(10,0)", "LineTo(10,10)", "LineTo(0,10)", "Close", S}));
  EXPECT_EQ(Run([&] { g.FillRoundRect(k, IRECT(0, 0, 10, 10), 0, 0, 0, 0); }),
            Run([&] { g.FillRect(k, IRECT(0, 0, 10, 10)); }));
  // radii top-left, top-right, bottom-left, bottom-right
  EXPECT_EQ(Run([&] { g.DrawRoundRect(k, IRECT(0, 0, 20, 10), 1, 2, 3, 4); }),
            (Log{"Clear", "MoveTo(0,1)", "Arc(1,1,1,270,360)", "Arc(18,2,2,0,90)", "Arc(16,6,4,90,180)",
                 "Arc(3,7,3,180,270)", "Close", S}));
  EXPECT_EQ(Run([&] { g.FillCircle(k, 10, 10, 5); }), (Log{"Clear", "MoveTo(10,5)", "Arc(10,10,5,0,360)", "Close", F}));
  EXPECT_EQ(Run([&] { g.FillArc(k, 5, 5, 3, 0, 90); }), (Log{"Clear", "MoveTo(5,5)", "Arc(5,5,3,0,90)", "Close", F}));
  EXPECT_EQ(Run([&] { g.DrawEllipse(k, IRECT(0, 0, 20, 10)); }),
            (Log{"Clear", "Transform(1,0,0,1,10,5)", "Transform(1,0,0,1,10,5)", "Transform(10,0,0,5,10,5)",
                 "MoveTo(0,-1)", "Arc(0,0,1,0,360)", "Close", "Transform(1,0,0,1,0,0)", S}));
  EXPECT_EQ(Run([&] { g.DrawRadialLine(k, 10, 10, 90, 2, 5); })[2], "LineTo(15,10)");
  EXPECT_EQ(Run([&] { g.DrawDottedRect(k, IRECT(0, 0, 10, 10), nullptr, 1, 3); }).back(),
            "Stroke[255,0,0,0]1 dash 1:3");
  float xs[] = {1, 2}, ys[] = {3, 4};
  EXPECT_EQ(Run([&] { g.FillConvexPolygon(k, xs, ys, 0); g.DrawConvexPolygon(k, xs, ys, -1); }), Log{});
  // a zero radius adds nothing, so the restore pops the caller's own transform
  EXPECT_EQ(Run([&] {
              g.PathTransformSave();
              g.PathTransformTranslate(3, 4);
              g.FillEllipse(k, 0, 0, 0, 5);
              g.PathTransformRestore();
            }),
            (Log{"Transform(1,0,0,1,3,4)", "Clear", F, "Transform(1,0,0,1,0,0)"}));
}

TEST_F(Drawing, LinesAcrossGridsAndDataPlots)
{
  EXPECT_EQ(Run([&] { g.DrawHorizontalLine(k, IRECT(0, 0, 100, 50), 0.25f); })[1], "MoveTo(0,37.5)");
  EXPECT_EQ(Run([&] { g.DrawVerticalLine(k, IRECT(0, 0, 99, 50), 0.5f); })[1], "MoveTo(49,0)");
  EXPECT_EQ(Run([&] { g.DrawLineAcross(k, IRECT(0, 0, 99, 50), EDirection::Vertical, 1.5f); })[2], "LineTo(99,50)");
  Log grid{"Clear"};
  for (std::string v : {"25", "50", "75"})
    grid.insert(grid.end(), {"MoveTo(" + v + ",0)", "LineTo(" + v + ",100)"});
  for (std::string v : {"25", "50", "75"})
    grid.insert(grid.end(), {"MoveTo(0," + v + ")", "LineTo(100," + v + ")"});
  grid.push_back(S);
  EXPECT_EQ(Run([&] { g.DrawGrid(k, IRECT(0, 0, 100, 100), 25, 25); }), grid);
  EXPECT_EQ(Run([&] { g.DrawGrid(k, IRECT(0, 0, 100, 100), 1, 100); }), (Log{"Clear", S}));
  float y[] = {0.5f, 1.0f, 0.0f}, x[] = {0.7f, 0.2f, 0.9f};
  const IColor fill = COLOR_WHITE;
  EXPECT_EQ(Run([&] { g.DrawData(k, IRECT(0, 0, 100, 10), y, 3, nullptr, nullptr, 1, &fill); }),
            (Log{"Clear", "MoveTo(0,5)", "LineTo(50,0)", "LineTo(100,10)", "Fill[255,255,255,255]", S}));
  const Log withX = Run([&] { g.DrawData(k, IRECT(0, 0, 100, 10), y, 2, x); });
  EXPECT_EQ(withX[1] + withX[2], "MoveTo(0,5)LineTo(20,0)"); // the first x is always L
  EXPECT_EQ(Run([&] { g.DrawData(k, IRECT(0, 0, 100, 10), y, 0); }), Log{});
}

TEST_F(Drawing, TextIsSkippedWhenEmptyAndRotatedBoxesAreAligned)
{
  const IRECT r(1, 2, 3, 4);
  EXPECT_EQ(Run([&] {
              g.DrawText(DEFAULT_TEXT, "", r);
              g.DrawText(DEFAULT_TEXT, nullptr, r);
              g.DrawText(DEFAULT_TEXT, "ab", 5, 6);
              g.DrawMultiLineText(DEFAULT_TEXT, "ab", r);
            }),
            (Log{"Text(ab)(5,6,5,6)", "Text(Unsupported)(1,2,3,4)"}));
  const IText turned = DEFAULT_TEXT.WithAngle(90).WithAlign(EAlign::Near).WithVAlign(EVAlign::Top);
  const IRECT bounds(0, 0, 100, 100);
  double tx = 7, ty = 8;
  IRECT box(10, 0, 30, 10);
  g.CalculateTextRotation(DEFAULT_TEXT, bounds, box, tx, ty);
  EXPECT_EQ(Str(box) + std::to_string(tx), "(10,0,30,10)7.000000");
  g.CalculateTextRotation(turned, bounds, box, tx, ty);
  EXPECT_EQ(Rounded(box) + " " + std::to_string(tx) + " " + std::to_string(ty), "(-10,10,0,30) 10.000000 -10.000000");
  IRECT measured(10, 0, 30, 10);
  g.DoMeasureTextRotation(turned, bounds, measured);
  EXPECT_EQ(Rounded(measured), "(0,0,10,20)");
  EXPECT_EQ(Run([&] { g.DoTextRotation(turned, bounds, IRECT(10, 0, 30, 10)); }).front(), "Transform(1,0,0,1,10,-10)");
}

TEST_F(Drawing, BitmapFramesFitsAndTurns)
{
  APIBitmap strip(1, 30, 90, 1.0f, 1.0f), wide(1, 90, 30, 1.0f, 1.0f), plain(1, 50, 20, 1.0f, 2.0f);
  const IBitmap vertical(&strip, 3, false, "v"), horizontal(&wide, 3, true, "h"), image(&plain, 1, false, "p");
  const IRECT r(0, 0, 30, 30);
  EXPECT_EQ(Run([&] {
              for (int frame : {0, 3, 8})
                g.DrawBitmap(vertical, r, frame, nullptr);
              g.DrawBitmap(horizontal, r, 2, nullptr);
            }),
            (Log{"Bitmap(0,0,30,30)@0,0", "Bitmap(0,0,30,30)@0,60", "Bitmap(0,0,30,30)@0,60",
                 "Bitmap(0,0,30,30)@30,0"}));
  EXPECT_EQ(Run([&] { g.DrawFittedBitmap(image, IRECT(10, 10, 110, 50)); }),
            (Log{"Transform(1,0,0,1,10,10)", "Transform(2,0,0,2,10,10)", "Bitmap(0,0,50,20)@0,0",
                 "Transform(1,0,0,1,0,0)"}));
  // 50 x 20 points at draw scale 2 is 25 x 10
  EXPECT_EQ(Run([&] { g.DrawRotatedBitmap(image, 50, 60, 0); })[2], "Bitmap(-12.5,-5,12.5,5)@0,0");
  EXPECT_EQ(Run([&] { g.DrawFittedBitmap(IBitmap(), r); g.DrawRotatedBitmap(IBitmap(), 1, 1, 0); }), Log{});
  IText far = DEFAULT_TEXT.WithAlign(EAlign::Far), near = DEFAULT_TEXT.WithAlign(EAlign::Near);
  const IRECT narrow(0, 0, 10, 50);
  // bitmap-font text: A is frame 34 (srcY 33 x 12), B frame 35
  EXPECT_EQ(Run([&] { g.DrawBitmapedText(kFont, IRECT(0, 0, 100, 20), far, nullptr, "AB", false, false, 6, 12, 0); }),
            (Log{"Bitmap(88,0,94,12)@0,396", "Bitmap(94,0,100,12)@0,408"}));
  // one cell per line in width 10: every character on its own line
  EXPECT_EQ(Run([&] { g.DrawBitmapedText(kFont, narrow, near, nullptr, "ABC", false, true, 6, 12, 0); }),
            (Log{"Bitmap(0,0,6,12)@0,396", "Bitmap(0,12,6,24)@0,408", "Bitmap(0,24,6,36)@0,420"}));
  EXPECT_EQ(Run([&] { g.DrawBitmapedText(kFont, narrow, near, nullptr, "ABC", false, false, 6, 12, 0); }).size(), 1u);
  EXPECT_EQ(Run([&] { g.DrawBitmapedText(kFont, narrow, near, nullptr, "ABC", true, true, 0, 12, 0); }), Log{});
}
