#pragma once
// An open editor in a host window for input and dialog tests: a control
// that logs what reaches it over most of the editor, a knob on a double
// parameter, and the delegate's gesture calls logged. Events go through the
// AppKit stand-in's hooks in editor coordinates.

#include "ICanvasMacView.h"
#include "IGEditorDelegate.h"
#include "IKnobControlBase.h"
#include "IOverlayControlBases.h"

#include <AppKit/PWShimAppKit.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace pwtest {

using Log = std::vector<std::string>;

inline std::string Mods(const weft::canvas::IMouseMod& m)
{
  return std::string(m.L ? "L" : "") + (m.R ? "R" : "") + (m.S ? "S" : "") + (m.C ? "C" : "") + (m.A ? "A" : "");
}

inline std::string Line(const char* what, float a, float b, const std::string& tail = "")
{
  char text[128];
  std::snprintf(text, sizeof(text), "%s %g %g%s%s", what, a, b, tail.empty() ? "" : " ", tail.c_str());
  return text;
}

// An in-window popup that shows nothing: state 0 is closed, any other open.
struct StandInPopup : weft::canvas::IPopupMenuControlBase
{
  StandInPopup() : IPopupMenuControlBase(weft::canvas::IRECT()) {}
  void Draw(weft::canvas::ICanvas&) override {}
  void CreatePopupMenu(weft::canvas::IPopupMenu&, const weft::canvas::IRECT&) override {}
  int GetState() const override { return state; }
  bool GetExpanded() const override { return state > 0; }
  void DismissPopupMenu() override { state = 0; }
  int state = 0;
};

struct Recorder : weft::canvas::IControl
{
  Recorder(const weft::canvas::IRECT& r, Log& log, int param = weft::kNoParameter) : IControl(r, param), log(log) {}
  void Draw(weft::canvas::ICanvas&) override {}
  void OnMouseDown(float x, float y, const weft::canvas::IMouseMod& m) override { log.push_back(Line("down", x, y, Mods(m))); }
  void OnMouseUp(float x, float y, const weft::canvas::IMouseMod& m) override { log.push_back(Line("up", x, y, Mods(m))); }
  void OnMouseDblClick(float x, float y, const weft::canvas::IMouseMod& m) override { log.push_back(Line("dbl", x, y, Mods(m))); }
  void OnMouseDrag(float, float, float dX, float dY, const weft::canvas::IMouseMod& m) override
  {
    log.push_back(Line("drag", dX, dY, Mods(m)));
  }
  void OnMouseOver(float x, float y, const weft::canvas::IMouseMod&) override { log.push_back(Line("over", x, y)); }
  void OnMouseOut() override { log.push_back("out"); }
  void OnMouseWheel(float, float, const weft::canvas::IMouseMod&, float d) override { log.push_back(Line("wheel", d, 0)); }
  bool OnKeyDown(float, float, const weft::IKeyPress& k) override
  {
    log.push_back(Line("key", k.mVK, 0, std::string("'") + k.mUTF8 + "'" + (k.mShift ? "S" : "") +
                                          (k.mControl ? "C" : "") + (k.mAlt ? "A" : "")));
    return takesKeys;
  }
  void OnPopupMenuSelection(weft::canvas::IPopupMenu* pMenu, int) override
  {
    log.push_back(pMenu ? Line("menu", pMenu->GetChosenItemIdx(), 0, pMenu->GetRootTitle()) : "menu none");
  }
  void OnTextEntryCompletion(const char* str, int) override { log.push_back(std::string("text ") + str); }
  void SetEntryLength(int n) { mTextEntryLength = n; }
  Log& log;
  bool takesKeys = true;
};

struct Knob : weft::canvas::IKnobControlBase
{
  explicit Knob(const weft::canvas::IRECT& r) : IKnobControlBase(r, 0) {}
  void Draw(weft::canvas::ICanvas&) override {}
};

struct HarnessEditor : weft::IGEditorDelegate
{
  HarnessEditor() : IGEditorDelegate(3)
  {
    GetParam(0)->InitDouble("Gain", 50, 0, 100, 0.1);
    GetParam(1)->InitInt("Steps", 2, 0, 9);
    SetMakeGraphicsFunc([this] { return new weft::canvas::ICanvasMac(*this, 1000, 400, 60, 1.0f); });
    SetLayoutFunc([this](weft::canvas::ICanvas* g) {
      g->EnableMouseOver(true);
      g->AttachPanelBackground(weft::canvas::IPattern(weft::canvas::COLOR_GRAY));
      recorder = static_cast<Recorder*>(g->AttachControl(new Recorder(weft::canvas::IRECT(0, 0, 600, 400), log)));
      knob = static_cast<Knob*>(g->AttachControl(new Knob(weft::canvas::IRECT(700, 0, 800, 100))));
    });
  }
  void BeginInformHostOfParamChangeFromUI(int idx) override { log.push_back("begin " + std::to_string(idx)); }
  void SendParameterValueFromUI(int idx, double value) override
  {
    IGEditorDelegate::SendParameterValueFromUI(idx, value);
    log.push_back("value " + std::to_string(idx));
  }
  void EndInformHostOfParamChangeFromUI(int idx) override { log.push_back("end " + std::to_string(idx)); }
  weft::canvas::ICanvasMac* Mac() const { return static_cast<weft::canvas::ICanvasMac*>(GetUI()); }
  Log log;
  Recorder* recorder = nullptr;
  Knob* knob = nullptr;
};

class MacHarness : public ::testing::Test
{
protected:
  MacHarness()
  {
    PWShimAppKitClearCalls();
    view = static_cast<NSView*>(editor.OpenWindow([host contentView]));
  }
  ~MacHarness() override
  {
    editor.CloseWindow();
    [host release];
    [pool release];
  }
  Log Take()
  {
    Log taken;
    taken.swap(editor.log);
    return taken;
  }
  static std::vector<std::string> Calls()
  {
    std::vector<std::string> lines;
    for (NSString* line in PWShimAppKitCalls())
      lines.push_back([line UTF8String]);
    PWShimAppKitClearCalls();
    return lines;
  }
  void Mouse(PWShimMouseAction action, double x, double y, NSInteger clicks = 1, NSEventModifierFlags mods = 0)
  {
    PWShimAppKitMouse(view, editor.Mac()->GetDrawScale(), action, x, y, clicks, mods);
  }
  static void RunMainQueue() { PWShimRunLoopFireDue(); }

  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSWindow* host = PWShimAppKitMakeWindow(NSMakeRect(100, 200, 1200, 600), 1.0);
  HarnessEditor editor;
  NSView* view = nil;
};

} // namespace pwtest
