#pragma once
// Test doubles for the drawing context: a recording back end that logs every
// path primitive, paint, transform and clip as text, with deterministic text
// measuring and scriptable platform prompts; a headless window a test ticks
// like the platform's frame timer; controls that log what reaches them;
// in-window presenters; and a graphics delegate.

#include "ICanvas.h"
#include "IGEditorDelegate.h"
#include "NoPlatformCanvas.h"

#include <string>
#include <vector>

namespace pwtest {

using namespace weft::canvas;
using Log = std::vector<std::string>;

std::string Str(const IRECT& r);
std::string Str(const IColor& c);
// Each paint of a log as "Fill<colour><box>" or "Stroke<colour><thickness>
// <box>", then its blend mark: box is the bounding box of the path's points
// (arcs as full circles, curves by their end points) under the transform
// last logged.
Log Shapes(const Log& log);
// A chunk holding one editor-state record written field by field.
inline weft::IByteChunk EditorStateChunk(int width, int height, float scale)
{
  weft::IByteChunk chunk;
  chunk.Put(&width);
  chunk.Put(&height);
  chunk.Put(&scale);
  return chunk;
}
// One pointer sample (the left button by default) and a touch's modifiers.
std::vector<IMouseInfo> At(float x, float y, IMouseMod mod = IMouseMod(true), float dX = 0, float dY = 0);
inline IMouseMod Touch(uint64_t id) { return IMouseMod(true, false, false, false, false, id); }

class RecordingCanvas : public NoPlatformCanvas<ICanvas>
{
public:
  RecordingCanvas(weft::IGEditorDelegate& dlg, int w = 1000, int h = 400, int fps = 60, float scale = 1.0f)
  : NoPlatformCanvas(dlg, w, h, fps, scale)
  {}

  // One platform frame: collect dirty regions, mark all clean, draw them.
  // Returns the regions drawn.
  IRECTList Tick();

  // Only the entries that start with prefix.
  Log Only(const std::string& prefix) const;

  void BeginFrame() override;
  void EndFrame() override { log.push_back("EndFrame"); }
  void DrawBitmap(const IBitmap&, const IRECT& bounds, int srcX, int srcY, const IBlend*) override;
  IColor GetPoint(int, int) override { return COLOR_BLACK; }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "Recording"; }
  bool BitmapExtSupported(const char*) override { return true; }
  void GetLayerBitmapData(const ILayerPtr&, LOOM_TypedBuf<uint8_t>&) override {}
  void ApplyShadowMask(ILayerPtr&, LOOM_TypedBuf<uint8_t>&, const IShadow&) override {}
  void PathClear() override { log.push_back("Clear"); }
  void PathClose() override { log.push_back("Close"); }
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathCubicBezierTo(float, float, float, float, float x2, float y2) override;
  void PathQuadraticBezierTo(float, float, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options, const IBlend*) override;
  void PathFill(const IPattern& pattern, const IFillOptions&, const IBlend*) override;
  void PathTransformSetMatrix(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override { log.push_back("Clip" + Str(r)); }
  void CompleteRegion(const IRECT& r) override { log.push_back("Complete" + Str(r)); }
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide, bool lock) override { cursorLog.push_back("Cursor(" + std::to_string(hide) + "," + std::to_string(lock) + ")"); }
  // The headless window: opening lays out the controls like a platform view.
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mWindowOpen ? this : nullptr; }
  // An in-memory clipboard: false while it holds nothing.
  bool GetTextFromClipboard(LOOM_String& str) override { if (clipboardFull) str.Set(clipboard.c_str()); return clipboardFull; }
  bool SetTextInClipboard(const char* str) override { return clipboard = str ? str : "", clipboardFull = true; }
  // Logs "PromptForColor(str)"; with colorReply set it answers at once:
  // the colour is written, the handler runs and true is returned.
  bool PromptForColor(IColor& color, const char* str, IColorPickerHandlerFunc func) override
  {
    log.push_back(std::string("PromptForColor(") + (str ? str : "") + ")");
    if (colorReply && (color = colorAnswer, func))
      func(color);
    return colorReply;
  }
  // Log "PlatformText(param,length,str)" and "PlatformMenu(title,items)"; with textSync the
  // text field commits textReply; the menu chooses menuChoice (-1: none), with menuAsync later.
  void CreatePlatformTextEntry(int paramIdx, const IText&, const IRECT&, int length, const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void CompletePlatformMenu();
  float GetPlatformWindowScale() const override { return windowScale; }
  void PlatformResize(bool parentHasResized) override;
  void DrawResize() override { log.push_back("DrawResize"); }
  APIBitmap* LoadAPIBitmap(const char*, int, EResourceLocation, const char*) override { return nullptr; }
  APIBitmap* LoadAPIBitmap(const char*, const void*, int, int) override { return nullptr; }
  APIBitmap* CreateAPIBitmap(int w, int h, float scale, double drawScale, bool) override;
  bool LoadAPIFont(const char*, const PlatformFontPtr&) override { return false; }
  int AlphaChannel() const override { return 3; }
  bool FlippedBitmap() const override { return false; }
  // Each character is half the text size wide; the line is one size high.
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend*) override;

  using ICanvas::Draw;
  using ICanvas::DrawControl;

  Log log;
  // Paints given a blend end in "~<weight>" when set.
  bool logBlend = false;
  std::vector<IStrokeOptions> strokeOptions; // one per PathStroke, in order
  float windowScale = 1.0f;
  float mouseX = 0.0f, mouseY = 0.0f;
  int menuChoice = -1;
  bool menuAsync = false, textSync = false;
  std::string textReply;
  Log cursorLog;
  std::vector<IColor> textColors; // one per drawn text, in order
  bool colorReply = false, clipboardFull = false;
  IColor colorAnswer;
  std::string clipboard;

private:
  bool mWindowOpen = false;
  IPopupMenu* mPendingMenu = nullptr;
};

// Logs "<name>.<event>" into a shared log; Draw fills its rectangle.
class LogControl : public IControl
{
public:
  LogControl(Log& sink, const char* name, const IRECT& bounds, int paramIdx = kNoParameter)
  : IControl(bounds, paramIdx), mSink(sink), mName(name)
  {}
  LogControl(Log& sink, const char* name, const IRECT& bounds, std::initializer_list<int> params)
  : IControl(bounds, params), mSink(sink), mName(name)
  {}
  ~LogControl() override { Add("deleted"); }

  void Draw(ICanvas& g) override;
  void OnInit() override { Add("OnInit"); }
  void OnResize() override { Add("OnResize"); }
  void OnRescale() override { Add("OnRescale"); }
  void OnAttached() override { Add("OnAttached"); }
  void OnMidi(const weft::IMidiMsg&) override { Add("OnMidi"); }
  void OnMsgFromDelegate(int msgTag, int dataSize, const void*) override;
  bool OnKeyDown(float, float, const weft::IKeyPress&) override { Add("OnKeyDown"); return takesKeys; }
  void Add(const std::string& event) { mSink.push_back(mName + "." + event); }

  bool takesKeys = false;

private:
  Log& mSink;
  std::string mName;
};

// A LogControl that also logs "<name>.<event>" for pointer events, drops and
// prompt completions (Menu(-2): no menu); contextItems fill its context menu
// and menuOnDown, when set, opens from its mouse-down.
class InputControl : public LogControl
{
public:
  using LogControl::LogControl;
  void OnMouseDown(float, float, const IMouseMod& mod) override
  {
    Add(mod.R ? "RightDown" : "Down");
    if (menuOnDown)
      GetUI()->CreatePopupMenu(*this, *menuOnDown, mRECT);
  }
  void OnMouseUp(float, float, const IMouseMod&) override { Add("Up"); }
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override { Add("Drag"); }
  void OnMouseDblClick(float, float, const IMouseMod&) override { Add("Dbl"); }
  void OnMouseWheel(float, float, const IMouseMod&, float) override { Add("Wheel"); }
  void OnMouseOver(float, float, const IMouseMod&) override { Add("Over"); }
  void OnMouseOut() override { Add("Out"); }
  void OnTouchCancelled(float, float, const IMouseMod&) override { Add("Cancel"); }
  void OnDrop(const char* str) override { Add(std::string("Drop(") + str + ")"); }
  void CreateContextMenu(IPopupMenu& menu) override { for (const char* str : contextItems) menu.AddItem(str); }
  void OnPopupMenuSelection(IPopupMenu* pMenu, int valIdx) override
  {
    Add("Menu(" + std::to_string(pMenu ? pMenu->GetChosenItemIdx() : -2) + ")");
    IControl::OnPopupMenuSelection(pMenu, valIdx);
  }
  void OnContextSelection(int idx) override { Add("Context(" + std::to_string(idx) + ")"); }
  void OnTextEntryCompletion(const char* str, int) override { Add(std::string("Text(") + str + ")"); }
  void SetFlags(bool dblAsSingle, bool prompts, bool label) { mDblAsSingleClick = dblAsSingle, mDisablePrompt = !prompts, mPromptShowsParamLabel = label; }
  std::vector<const char*> contextItems;
  IPopupMenu* menuOnDown = nullptr;
};

// In-window presenters: the popup shows (state 2) until Choose (-1: none)
// or a dismissal; the text entry is open until Commit; each bubble logs
// "Bubble(n:str@touch)".
struct StandInPopup : IPopupMenuControlBase
{
  StandInPopup(int paramIdx, const IText&, const IRECT& collapsed, const IRECT&) : IPopupMenuControlBase(collapsed, paramIdx) {}
  void CreatePopupMenu(IPopupMenu& m, const IRECT& bounds) override { menu = &m, anchor = bounds, state = 2; }
  int GetState() const override { return state; }
  bool GetExpanded() const override { return state == 2; }
  void Draw(ICanvas&) override {}
  void OnMouseDown(float, float, const IMouseMod&) override { ++clicks; }
  void Choose(int idx) { state = 0, menu->SetChosenItemIdx(idx), GetUI()->SetControlValueAfterPopupMenu(idx < 0 ? nullptr : menu); }
  void DismissPopupMenu() override
  {
    const bool open = state != 0;
    state = 0, menu = nullptr;
    if (open)
      GetUI()->SetControlValueAfterPopupMenu(nullptr);
  }
  IPopupMenu* menu = nullptr;
  IRECT anchor;
  int state = 0, clicks = 0;
};

struct StandInTextEntry : ITextEntryControlBase
{
  StandInTextEntry() : ITextEntryControlBase(IRECT()) {}
  void CreateTextEntry(int paramIdx, const IText&, const IRECT&, int, const char* str) override { open = true, param = paramIdx, seed = str; }
  bool EditInProgress() const override { return open; }
  void Draw(ICanvas&) override {}
  void Commit(const char* str) { open = false, GetUI()->SetControlValueAfterTextEdit(str); }
  bool open = false;
  int param = -2;
  std::string seed;
};

struct StandInBubble : IBubbleControlBase
{
  explicit StandInBubble(int n) : IBubbleControlBase(IRECT()), n(n) {}
  void ShowBubble(IControl*, float, float, const char* str, EDirection, const IRECT&, uint64_t touchID) override
  {
    static_cast<RecordingCanvas*>(GetUI())->log.push_back("Bubble(" + std::to_string(n) + ":" + str + "@" + std::to_string(touch = touchID) + ")");
  }
  uint64_t GetTouchID() const override { return touch; }
  void Draw(ICanvas&) override {}
  int n;
  uint64_t touch = 0;
};

// A graphics delegate that logs editor-size requests and parameter traffic;
// its make-graphics function makes a RecordingCanvas of 1000 x 400.
class TestGDelegate : public weft::IGEditorDelegate
{
public:
  explicit TestGDelegate(int nParams = 4);

  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { log.push_back("Begin(" + std::to_string(paramIdx) + ")"); }
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { log.push_back("End(" + std::to_string(paramIdx) + ")"); }
  void SendMidiMsgFromUI(const weft::IMidiMsg& m) override
  {
    log.push_back("Midi(" + std::to_string(m.mStatus) + "," + std::to_string(m.mData1) + "," + std::to_string(m.mData2) + ")");
  }
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  void OnMidiMsgUI(const weft::IMidiMsg&) override { log.push_back("OnMidiMsgUI"); }

  RecordingCanvas* UI() const { return static_cast<RecordingCanvas*>(GetUI()); }

  Log log;
  int layouts = 0;
};

} // namespace pwtest
