#pragma once
// Test doubles for the drawing context: a recording back end that logs every
// path primitive, paint, transform and clip as text, with deterministic text
// measuring; a headless window a test ticks like the platform's frame timer;
// a control that logs what reaches it; and a graphics delegate.

#include "ICanvas.h"
#include "IGEditorDelegate.h"

#include <string>
#include <vector>

namespace pwtest {

using namespace weft::canvas;
using Log = std::vector<std::string>;

std::string Str(const IRECT& r);
std::string Str(const IColor& c);

class RecordingCanvas : public ICanvas
{
public:
  RecordingCanvas(weft::IGEditorDelegate& dlg, int w = 1000, int h = 400, int fps = 60, float scale = 1.0f)
  : ICanvas(dlg, w, h, fps, scale)
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
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  // The headless window: opening lays out the controls like a platform view.
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mWindowOpen ? this : nullptr; }
  bool GetTextFromClipboard(LOOM_String&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override { return kNoResult; }
  void PromptForFile(LOOM_String&, LOOM_String&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(LOOM_String&, IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(IColor&, const char*, IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*, ETextStyle) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool&) override { return nullptr; }
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
  std::vector<IStrokeOptions> strokeOptions; // one per PathStroke, in order
  float windowScale = 1.0f;
  float mouseX = 0.0f, mouseY = 0.0f;

private:
  bool mWindowOpen = false;
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

// A graphics delegate that logs editor-size requests and parameter traffic;
// its make-graphics function makes a RecordingCanvas of 1000 x 400.
class TestGDelegate : public weft::IGEditorDelegate
{
public:
  explicit TestGDelegate(int nParams = 4);

  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  void OnMidiMsgUI(const weft::IMidiMsg&) override { log.push_back("OnMidiMsgUI"); }

  RecordingCanvas* UI() const { return static_cast<RecordingCanvas*>(GetUI()); }

  Log log;
  int layouts = 0;
};

} // namespace pwtest
