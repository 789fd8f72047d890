#include "TestCanvas.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace pwtest {

namespace {

std::string Fmt(const char* format, double a, double b)
{
  char buf[96];
  std::snprintf(buf, sizeof(buf), format, a, b);
  return buf;
}

class TestBitmap : public APIBitmap
{
public:
  TestBitmap(int w, int h, float scale, float drawScale) : APIBitmap(1, w, h, scale, drawScale) {}
};

} // namespace

std::string Str(const IRECT& r)
{
  char buf[96];
  std::snprintf(buf, sizeof(buf), "(%g,%g,%g,%g)", r.L, r.T, r.R, r.B);
  return buf;
}

std::string Str(const IColor& c)
{
  char buf[64];
  std::snprintf(buf, sizeof(buf), "[%d,%d,%d,%d]", c.A, c.R, c.G, c.B);
  return buf;
}

Log Shapes(const Log& log)
{
  Log out;
  double m[6] = {1, 0, 0, 1, 0, 0}, a[6];
  float box[4] = {};
  bool any = false;
  auto add = [&](double x, double y) {
    const float px = static_cast<float>(m[0] * x + m[2] * y + m[4]), py = static_cast<float>(m[1] * x + m[3] * y + m[5]);
    box[0] = any ? std::min(box[0], px) : px, box[1] = any ? std::min(box[1], py) : py;
    box[2] = any ? std::max(box[2], px) : px, box[3] = any ? std::max(box[3], py) : py;
    any = true;
  };
  for (const std::string& e : log)
  {
    if (std::sscanf(e.c_str(), "Transform(%lf,%lf,%lf,%lf,%lf,%lf)", &a[0], &a[1], &a[2], &a[3], &a[4], &a[5]) == 6)
      std::copy(a, a + 6, m);
    else if (std::sscanf(e.c_str(), "Arc(%lf,%lf,%lf", &a[0], &a[1], &a[2]) == 3)
      add(a[0] - a[2], a[1] - a[2]), add(a[0] + a[2], a[1] + a[2]);
    else if (e.find("To(") != std::string::npos && std::sscanf(e.c_str() + e.find('('), "(%lf,%lf)", &a[0], &a[1]) == 2)
      add(a[0], a[1]); // MoveTo, LineTo, and the end points of curves
    else if (e.compare(0, 4, "Fill") == 0 || e.compare(0, 6, "Stroke") == 0)
    {
      const size_t mark = std::min(e.find('~'), e.size());
      out.push_back(e.substr(0, mark) + Str(any ? IRECT(box[0], box[1], box[2], box[3]) : IRECT()) + e.substr(mark));
    }
    any = any && e != "Clear" && e.compare(0, 4, "Fill") != 0 && e.compare(0, 6, "Stroke") != 0;
  }
  return out;
}

std::vector<IMouseInfo> At(float x, float y, IMouseMod mod, float dX, float dY)
{
  IMouseInfo info;
  info.x = x, info.y = y, info.dX = dX, info.dY = dY, info.ms = mod;
  return {info};
}

IRECTList RecordingCanvas::Tick()
{
  IRECTList rects;
  if (IsDirty(rects))
  {
    SetAllControlsClean();
    Draw(rects);
  }
  return rects;
}

Log RecordingCanvas::Only(const std::string& prefix) const
{
  Log out;
  for (const std::string& entry : log)
  {
    if (entry.compare(0, prefix.size(), prefix) == 0)
      out.push_back(entry);
  }
  return out;
}

void RecordingCanvas::BeginFrame()
{
  ICanvas::BeginFrame();
  log.push_back("BeginFrame");
}

void RecordingCanvas::DrawBitmap(const IBitmap&, const IRECT& bounds, int srcX, int srcY, const IBlend*)
{
  log.push_back("Bitmap" + Str(bounds) + Fmt("@%g,%g", srcX, srcY));
}

void RecordingCanvas::PathArc(float cx, float cy, float r, float a1, float a2, EWinding)
{
  log.push_back(Fmt("Arc(%g,%g", cx, cy) + Fmt(",%g,%g", r, a1) + Fmt(",%g)", a2, 0));
}

void RecordingCanvas::PathMoveTo(float x, float y) { log.push_back(Fmt("MoveTo(%g,%g)", x, y)); }
void RecordingCanvas::PathLineTo(float x, float y) { log.push_back(Fmt("LineTo(%g,%g)", x, y)); }
void RecordingCanvas::PathCubicBezierTo(float, float, float, float, float x2, float y2)
{
  log.push_back(Fmt("CubicTo(%g,%g)", x2, y2));
}
void RecordingCanvas::PathQuadraticBezierTo(float, float, float x2, float y2)
{
  log.push_back(Fmt("QuadTo(%g,%g)", x2, y2));
}

void RecordingCanvas::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                 const IBlend* pBlend)
{
  strokeOptions.push_back(options);
  const std::string blend = logBlend && pBlend ? Fmt("~%g", pBlend->mWeight, 0) : "";
  log.push_back("Stroke" + Str(pattern.GetStop(0).mColor) + Fmt("%g", thickness, 0) + blend);
}

void RecordingCanvas::PathFill(const IPattern& pattern, const IFillOptions&, const IBlend* pBlend)
{
  log.push_back("Fill" + Str(pattern.GetStop(0).mColor) + (logBlend && pBlend ? Fmt("~%g", pBlend->mWeight, 0) : ""));
}

void RecordingCanvas::PathTransformSetMatrix(const IMatrix& m)
{
  log.push_back(Fmt("Transform(%g,%g", m.mXX, m.mYX) + Fmt(",%g,%g", m.mXY, m.mYY) + Fmt(",%g,%g)", m.mTX, m.mTY));
}

void RecordingCanvas::GetMouseLocation(float& x, float& y) const
{
  x = mouseX;
  y = mouseY;
}

void* RecordingCanvas::OpenWindow(void*)
{
  if (mWindowOpen)
    return this;
  mWindowOpen = true;
  log.push_back("OpenWindow");
  GetDelegate()->LayoutUI(this);
  return this;
}

void RecordingCanvas::CloseWindow()
{
  mWindowOpen = false;
  log.push_back("CloseWindow");
}

void RecordingCanvas::PlatformResize(bool parentHasResized)
{
  log.push_back(parentHasResized ? "PlatformResize(1)" : "PlatformResize(0)");
}

APIBitmap* RecordingCanvas::CreateAPIBitmap(int w, int h, float scale, double drawScale, bool)
{
  return new TestBitmap(w, h, scale, static_cast<float>(drawScale));
}

float RecordingCanvas::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  const float w = static_cast<float>(std::strlen(str)) * text.mSize * 0.5f;
  bounds = IRECT(0.0f, 0.0f, w, text.mSize);
  return w;
}

void RecordingCanvas::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend*)
{
  textColors.push_back(text.mFGColor);
  log.push_back(std::string("Text(") + str + ")" + Str(bounds));
}

void RecordingCanvas::CreatePlatformTextEntry(int paramIdx, const IText&, const IRECT&, int length, const char* str)
{
  log.push_back("PlatformText(" + std::to_string(paramIdx) + "," + std::to_string(length) + "," + str + ")");
  if (textSync)
    SetControlValueAfterTextEdit(textReply.c_str());
}

IPopupMenu* RecordingCanvas::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT&, bool& isAsync)
{
  log.push_back(std::string("PlatformMenu(") + menu.GetRootTitle() + "," + std::to_string(menu.NItems()) + ")");
  menu.SetChosenItemIdx(menuChoice);
  mPendingMenu = (isAsync = menuAsync) ? &menu : nullptr;
  return menuAsync || menuChoice < 0 ? nullptr : &menu;
}

void RecordingCanvas::CompletePlatformMenu()
{
  IPopupMenu* pMenu = std::exchange(mPendingMenu, nullptr);
  SetControlValueAfterPopupMenu(menuChoice < 0 ? nullptr : pMenu);
}

void LogControl::Draw(ICanvas& g)
{
  Add("Draw");
  g.FillRect(COLOR_RED, mRECT);
}

void LogControl::OnMsgFromDelegate(int msgTag, int dataSize, const void*)
{
  Add("OnMsg(" + std::to_string(msgTag) + "," + std::to_string(dataSize) + ")");
}

TestGDelegate::TestGDelegate(int nParams) : IGEditorDelegate(nParams)
{
  SetEditorSize(1000, 400);
  SetSizeConstraints(333, 3000, 133, 1200);
  SetMakeGraphicsFunc([this]() -> ICanvas* { return new RecordingCanvas(*this); });
  SetLayoutFunc([this](ICanvas*) { ++layouts; });
}

bool TestGDelegate::EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize)
{
  log.push_back("EditorResizeFromUI(" + std::to_string(viewWidth) + "," + std::to_string(viewHeight) + "," +
                std::to_string(needsPlatformResize) + ")");
  return true;
}

void TestGDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  log.push_back("FromUI(" + std::to_string(paramIdx) + "," + std::to_string(normalizedValue) + ")");
  IGEditorDelegate::SendParameterValueFromUI(paramIdx, normalizedValue);
}

} // namespace pwtest
