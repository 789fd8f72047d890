#pragma once
// The widget tests' fixture: a recording canvas, a hand-driven animation
// clock, 12-point texts, and parameters 0 "Attack" (0..100 ms), 1 "Mode"
// (three states), 2 "Steps" (0..4, stepped), 3 "Theme" (four states).

#include "IParam.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace pwtest {

inline double gClockMs = 0.0;

struct Widgets : testing::Test
{
  TestGDelegate dlg{4};
  RecordingCanvas g{dlg};
  const IMouseMod mouse;
  IVStyle style = IVStyle().WithDrawShadows(false);

  Widgets()
  {
    dlg.GetParam(0)->InitDouble("Attack", 10.0, 0.0, 100.0, 0.1, "ms");
    dlg.GetParam(1)->InitEnum("Mode", 0, {"STEREO", "MID", "RINGMOD"});
    dlg.GetParam(2)->InitInt("Steps", 0, 0, 4);
    dlg.GetParam(3)->InitEnum("Theme", 0, {"A", "B", "C", "D"});
    style.labelText = style.valueText = IText(12.0f, EVAlign::Top);
    IControl::SetAnimationClock([] { return gClockMs; });
  }
  ~Widgets() override { IControl::SetAnimationClock(nullptr); }

  template <class T> T* Attach(T* c) { return static_cast<T*>(g.AttachControl(c)); }
  // Paints with their boxes, then the texts.
  Log Drawn(IControl* c)
  {
    g.log.clear(), g.textColors.clear();
    c->Draw(g);
    Log out = Shapes(g.log), texts = g.Only("Text");
    out.insert(out.end(), texts.begin(), texts.end());
    return out;
  }
  void Advance(IControl* c, double ms) { gClockMs += ms, c->Animate(); }
};

} // namespace pwtest
