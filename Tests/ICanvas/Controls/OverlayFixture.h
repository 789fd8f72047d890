#pragma once
// Fixture of the in-window presenter tests: a recording canvas that logs
// every filled rectangle, round rectangle, triangle, shadow and text with its
// colour and blend weight (kerning "AV" one point tighter), 10-point texts
// five points per character, the hand-driven clock of ControlsFixture.h, and
// parameters 0 "Gain" (double), 1 "Steps" (int), 2 "Mode" (enum of three).

#include "ControlsFixture.h"

#include <cstdio>
#include <cstring>

namespace pwtest {

inline std::string W(const IBlend* b) { char s[16]; std::snprintf(s, sizeof(s), "@%g", BlendWeight(b)); return s; }

struct OverlayCanvas : RecordingCanvas
{
  using RecordingCanvas::RecordingCanvas;
  using RecordingCanvas::FillRoundRect;
  void FillRect(const IColor& c, const IRECT& r, const IBlend* b) override { shapes.push_back("Rect" + Str(r) + Str(c) + W(b)); }
  void FillRoundRect(const IColor& c, const IRECT& r, float, const IBlend* b) override { shapes.push_back("RRect" + Str(r) + Str(c) + W(b)); }
  void FillTriangle(const IColor& c, float x1, float y1, float x2, float y2, float x3, float y3, const IBlend* b) override
  {
    shapes.push_back("Tri" + Str(IRECT(x1, y1, x2, y2)) + Str(IRECT(x3, y3, 0, 0)) + Str(c) + W(b));
  }
  void DrawFastDropShadow(const IRECT& in, const IRECT& out, float, float, float, const IBlend* b) override
  {
    shapes.push_back("Shadow" + Str(in) + Str(out) + W(b));
  }
  void DoDrawText(const IText& t, const char* str, const IRECT& r, const IBlend* b) override
  {
    shapes.push_back(std::string("Text(") + str + ")" + Str(r) + Str(t.mFGColor) + W(b));
  }
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override
  {
    float w = RecordingCanvas::DoMeasureText(text, str, bounds);
    for (const char* p = str; (p = std::strstr(p, "AV")); ++p) w -= 1.0f;
    return bounds.R = w;
  }
  Log Kind(const std::string& prefix) const { Log out; for (const auto& s : shapes) if (!s.rfind(prefix, 0)) out.push_back(s); return out; }
  Log shapes;
};

struct Overlays : testing::Test
{
  TestGDelegate dlg{3};
  OverlayCanvas g{dlg};
  const IText text{10.0f};

  Overlays()
  {
    dlg.GetParam(0)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1);
    dlg.GetParam(1)->InitInt("Steps", 2, 0, 4);
    dlg.GetParam(2)->InitEnum("Mode", 0, {"x", "yy", "zzz"});
    gClockMs = 0.0;
    IControl::SetAnimationClock([] { return gClockMs; });
  }
  ~Overlays() override { IControl::SetAnimationClock(nullptr); }
  void Advance(IControl* c, double ms, int times = 1) { while (times--) gClockMs += ms, c->Animate(); }
  Log Drawn(IControl* c) { g.shapes.clear(), c->Draw(g); return g.shapes; }
  // Caller controls log into the delegate's log (which outlives them),
  // cleared of their attachment.
  InputControl* Caller(const char* name, int param, const IRECT& r = IRECT(0, 300, 10, 310))
  {
    auto* c = static_cast<InputControl*>(g.AttachControl(new InputControl(dlg.log, name, r, param)));
    dlg.log.clear();
    return c;
  }
};

} // namespace pwtest
