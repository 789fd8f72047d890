#pragma once
// ICanvas: the editor's drawing context. It owns the tree of controls and
// the overlay controls (frames display, live edit, corner resizer, text
// entry, popup menu, bubbles), keeps the editor's size in points, its draw
// scale (the user's zoom) and screen scale (the display's backing scale),
// collects dirty regions and draws them, and declares the drawing and
// platform operations that a drawing back end and a platform layer
// complete. One exists per open editor window; the graphics editor delegate
// makes it through the product's make-graphics function and destroys it
// when the window closes.
//
// Threads: main (UI) thread only. The only locks taken are those of the
// process-wide bitmap and SVG caches, in the constructor and destructor.

#include "IBitmap.h"
#include "IBlend.h"
#include "IColor.h"
#include "ICanvasConstants.h"
#include "IControl.h"
#include "ILayer.h"
#include "IMatrix.h"
#include "IMouse.h"
#include "IOverlayControlBases.h"
#include "IPattern.h"
#include "IPopupMenu.h"
#include "IRECT.h"
#include "IRECTList.h"
#include "ISVG.h"
#include "IShadow.h"
#include "IStrokeFill.h"
#include "PlatformFont.h"
#include "IText.h"
#include "IVStyle.h"
#include "IWeftStructs.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <stack>
#include <unordered_map>
#include <vector>

namespace weft {
class IGEditorDelegate;
} // namespace weft

namespace weft::svg {
struct SVGPaint;
} // namespace weft::svg

namespace weft::canvas {

// The controls library's in-window presenters, the defaults of the
// Attach... templates below.
class IPopupMenuControl;
class ITextEntryControl;
class IBubbleControl;
class SVGHoleIndex;
template <class T>
class StaticStorage;

using weft::IGEditorDelegate;
using ILayerPtr = std::unique_ptr<ILayer>;
using IKeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
using IAppearanceFunc = std::function<void(EUIAppearance)>;
using IMsgBoxCompletionHandlerFunc = std::function<void(EMsgBoxResult)>;
using IFileDialogCompletionHandlerFunc = std::function<void(const LOOM_String& fileName, const LOOM_String& path)>;
using IColorPickerHandlerFunc = std::function<void(const IColor&)>;

// Seconds since the first call in the process, from a steady clock.
double GetTimestamp();
inline float DegToRad(float degrees) { return degrees * static_cast<float>(M_PI) / 180.0f; }
// n points along the ray at angle (degrees, 0 up, clockwise) from (cx, cy),
// evenly spaced from rMin to rMax; points holds n [x, y] pairs.
void RadialPoints(float angleDegrees, float cx, float cy, float rMin, float rMax, int nPoints, float (*points)[2]);

class ICanvas
{
public:
  // Sizes in points; scale is the draw scale.
  ICanvas(IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.0f);
  ICanvas(const ICanvas&) = delete;
  ICanvas& operator=(const ICanvas&) = delete;

  // ===== Virtual operations, in slot order =====

  // Frame bracket: the base BeginFrame feeds the frames display.
  virtual void BeginFrame();
  virtual void OnViewInitialized(void* /*pContext*/) {}
  virtual void OnViewDestroyed() {}
  virtual void EndFrame() {}

  // --- Drawing. Angles in degrees, 0 up, clockwise; a null blend is
  // source-over at full weight.
  virtual void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* pBlend = nullptr,
                       const IColor* pStrokeColor = nullptr, const IColor* pFillColor = nullptr);
  virtual void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                              double angle, const IBlend* pBlend = nullptr);
  // Draws the bitmap into bounds with its point (srcX, srcY) at bounds'
  // top-left corner.
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                          const IBlend* pBlend = nullptr) = 0;
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* pBlend = nullptr);
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend = nullptr);
  virtual void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                        float thickness = 1.0f);
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                              const IBlend* pBlend = nullptr, float thickness = 1.0f, float dashLen = 2.0f);
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                        float thickness = 1.0f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.0f,
                             const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR,
                             const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr,
                          float thickness = 1.0f);
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                           float thickness = 1.0f);
  virtual void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.0f,
                           const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend = nullptr,
                                 float thickness = 1.0f);
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                              float thickness = 1.0f, float dashLen = 2.0f);
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr);
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.0f,
                             const IBlend* pBlend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR,
                             const IBlend* pBlend = nullptr);
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr);
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.0f,
                           const IBlend* pBlend = nullptr);
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr);
  virtual void FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints, const IBlend* pBlend = nullptr);
  // Sets bounds to the text's rectangle and returns its width; 0 (bounds
  // untouched) for a null or empty string.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  virtual void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                                 const IBlend* pBlend = nullptr);

  virtual IColor GetPoint(int x, int y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIStr() = 0;

  // --- Bitmaps in the context's bitmap cache (BitmapCache: the process-wide
  // one unless the back end keeps its own).
  virtual IBitmap ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale);
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  virtual bool BitmapExtSupported(const char* ext) = 0;

  virtual void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.0f,
                                  float roundness = 0.0f, float blur = 10.0f, const IBlend* pBlend = nullptr);
  virtual void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                        const IBlend* pBlend = nullptr, float thickness = 1.0f);
  virtual void DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                        float* normXPoints = nullptr, const IBlend* pBlend = nullptr, float thickness = 1.0f,
                        const IColor* pFillColor = nullptr);

  // --- Fonts: true when the font was loaded under fontID.
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFont(const char* fontID, void* pData, int dataSize);
  // An installed font by family name and style.
  bool LoadFont(const char* fontID, const char* fontName, ETextStyle style);

  // --- Layers and shadows.
  virtual void ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow);
  // Copies the layer's pixels (4 bytes each, row after row); empty on failure.
  virtual void GetLayerBitmapData(const ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& data) = 0;
  virtual void ApplyShadowMask(ILayerPtr& layer, LOOM_TypedBuf<uint8_t>& mask, const IShadow& shadow) = 0;
  // Makes the top layer (or the screen) the drawing target.
  virtual void UpdateLayer() {}

  // --- Path primitives of the back end.
  virtual void PathClear() = 0;
  virtual void PathClose() = 0;
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = EWinding::CW) = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  virtual void PathSetWinding(bool /*clockwise*/) {}
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) = 0;
  // Paint the current path, then clear it unless the options preserve it.
  virtual void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                          const IBlend* pBlend = nullptr) = 0;
  virtual void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                        const IBlend* pBlend = nullptr) = 0;
  // Applies to path points added afterwards.
  virtual void PathTransformSetMatrix(const IMatrix& m) = 0;
  // Called after each region of a frame was drawn.
  virtual void CompleteRegion(const IRECT& /*bounds*/) {}
  // In untransformed points; the empty rectangle removes the clip.
  virtual void SetClipRegion(const IRECT& r) = 0;

  // --- Platform.
  virtual void AttachPlatformView(const IRECT& /*r*/, void* /*pView*/) {}
  virtual void RemovePlatformView(void* /*pView*/) {}
  virtual void HidePlatformView(void* /*pView*/, bool /*hide*/) {}
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  // Stores the kind; returns the one stored before.
  virtual ECursor SetMouseCursor(ECursor cursorType = ECursor::ARROW);
  virtual void ForceEndUserEdit() = 0;
  // The platform view, or null.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual bool GetTextFromClipboard(LOOM_String& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual bool SetFilePathInClipboard(const char* /*path*/) { return false; }
  virtual bool InitiateExternalFileDragDrop(const char* /*path*/, const IRECT& /*iconBounds*/) { return false; }
  virtual void UpdateTooltips() = 0;
  virtual EMsgBoxResult ShowMessageBox(const char* str, const char* title, EMsgBoxType type,
                                       IMsgBoxCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForFile(LOOM_String& fileName, LOOM_String& path, EFileAction action = EFileAction::Open,
                             const char* ext = "", IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForDirectory(LOOM_String& dir, IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual const char* GetPlatformAPIStr() { return ""; }
  virtual bool RevealPathInExplorerOrFinder(LOOM_String& /*path*/, bool /*select*/ = false) { return false; }
  virtual void SetWinModuleHandle(void* /*pInstance*/) {}
  virtual void* GetWinModuleHandle() { return nullptr; }
  virtual void ClientToScreen(float& /*x*/, float& /*y*/) {}
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) = 0;
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) = 0;
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, void* pData, int dataSize) = 0;
  virtual void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual const char* GetBundleID() const { return ""; }
  virtual const char* GetAppGroupID() const { return ""; }
  virtual void ActivateGLContext() {}
  virtual void DeactivateGLContext() {}
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  // The chosen menu when the platform answers at once (isAsync false), else
  // null and the choice arrives later.
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;

  // Removes every control; releases the context's hold on the caches.
  virtual ~ICanvas();

  virtual float GetNormalScale() const { return 1.0f; }
  virtual bool PlatformSupportsMultiTouch() const { return false; }
  // Multiplies window sizes before they go to the host.
  virtual float GetPlatformWindowScale() const { return 1.0f; }
  // parentHasResized: the host granted the new size.
  virtual void PlatformResize(bool /*parentHasResized*/) {}
  // Called after every size or scale change.
  virtual void DrawResize() {}
  virtual EUIAppearance GetUIAppearance() const { return EUIAppearance::Light; }

  // --- Resources. targetScale 0 means the rounded screen scale.
  virtual IBitmap LoadBitmap(const char* fileNameOrResID, int nStates = 1, bool framesAreHorizontal = false,
                             int targetScale = 0);
  virtual IBitmap LoadBitmap(const char* name, const void* pData, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0);
  virtual ISVG LoadSVG(const char* fileNameOrResID, const char* units = "px", float dpi = 72.0f);
  virtual ISVG LoadSVG(const char* name, const void* pData, int dataSize, const char* units = "px",
                       float dpi = 72.0f);
  // The file's bytes; empty on any failure.
  virtual LOOM_TypedBuf<uint8_t> LoadResource(const char* fileNameOrResID, const char* fileType);

  // Adds the gesture kind to the ones the platform recognises.
  virtual void AttachGestureRecognizer(EGestureType type);

  virtual APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                   const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale) = 0;
  virtual APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                                     bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual bool AssetsLoaded() { return true; }
  // Byte index of alpha within a pixel.
  virtual int AlphaChannel() const = 0;
  // Whether bitmap rows run bottom-up.
  virtual bool FlippedBitmap() const = 0;
  virtual float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const = 0;
  virtual void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr) = 0;
  // Screen scale x draw scale: the pixel density of bitmaps and layers.
  virtual float GetBackingPixelScale() const { return mScreenScale * mDrawScale; }

  // ===== Control tree =====

  // Takes ownership and returns ctrl; a tag above -1 must be unique: a
  // duplicate is refused (null, nothing attached, the caller keeps ctrl).
  IControl* AttachControl(IControl* pControl, int ctrlTag = kNoTag, const char* group = "");
  // Backgrounds become control 0: a bitmap at (0, 0), an SVG or a panel
  // over the whole editor.
  void AttachBackground(const char* fileName);
  void AttachSVGBackground(const char* fileName);
  void AttachPanelBackground(const IPattern& pattern);
  // Outside the control list; a second resizer is discarded (deleted).
  void AttachCornerResizer(EUIResizerMode sizeMode = EUIResizerMode::Scale, bool layoutOnResize = false,
                           const IColor& color = COLOR_TRANSLUCENT, const IColor& mouseOverColor = COLOR_BLACK,
                           const IColor& dragColor = COLOR_BLACK, float size = 20.0f);
  void AttachCornerResizer(IControl* pControl, EUIResizerMode sizeMode = EUIResizerMode::Scale,
                           bool layoutOnResize = false);
  void ShowFPSDisplay(bool enable);

  int NControls() const { return static_cast<int>(mControls.size()); }
  // Null out of range.
  IControl* GetControl(int idx) const;
  IControl* GetControlWithTag(int ctrlTag) const;
  // kNoTag when the control holds no tag.
  int GetControlTag(const IControl* pControl) const;
  IControl* GetControlWithParamIdx(int paramIdx) const;
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  bool IsInPlatformTextEntry() const { return mInTextEntry != nullptr && !mTextEntryControl; }
  // The overlays, null while absent.
  IControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IControl* GetFPSDisplay() const { return mFPSDisplay.get(); }

  // Each removal cleans up capture, mouse-over, text-entry and popup
  // references to the removed controls, detaches them from containers, and
  // marks everything dirty.
  void RemoveControl(IControl* pControl);
  void RemoveControl(int idx);
  void RemoveControlWithTag(int ctrlTag);
  // From the last index down to fromIdx inclusive.
  void RemoveControls(int fromIdx);
  // Every list control and every overlay.
  void RemoveAllControls();
  // Move, size or place a control (SetPosition, SetSize,
  // SetTargetAndDrawRECTs); everything is redrawn unless it is hidden. A
  // null control changes nothing.
  void SetControlPosition(IControl* pControl, float x, float y);
  void SetControlSize(IControl* pControl, float w, float h);
  void SetControlBounds(IControl* pControl, const IRECT& r);

  // --- Iteration, list order (index 0 first).
  void ForStandardControlsFunc(const std::function<void(IControl*)>& func);
  // The list, then frames display, live edit, corner resizer, text entry,
  // popup menu and the bubbles.
  void ForAllControlsFunc(const std::function<void(IControl*)>& func);
  template <typename T, typename... Args>
  void ForAllControls(T method, Args... args)
  {
    ForAllControlsFunc([&](IControl* pControl) { (pControl->*method)(args...); });
  }
  void ForControlWithParam(int paramIdx, const std::function<void(IControl*)>& func);
  // Once per listed parameter a control is bound to.
  void ForControlWithParam(std::initializer_list<int> params, const std::function<void(IControl*)>& func);
  // Controls whose group is not empty and equals group.
  void ForControlInGroup(const char* group, const std::function<void(IControl*)>& func);
  template <typename T, typename... Args>
  void ForMatchingControls(T method, int paramIdx, Args... args)
  {
    ForControlWithParam(paramIdx, [&](IControl* pControl) { (pControl->*method)(args...); });
  }
  void HideControl(int paramIdx, bool hide);
  void DisableControl(int paramIdx, bool disable);
  void SetPTParameterHighlight(int paramIdx, bool isHighlighted, int color);
  void SetAllControlsDirty();
  void SetAllControlsClean();
  // Every other list control bound to the caller's parameter at valIdx gets
  // the caller's value through SetValueFromDelegate.
  void UpdatePeers(IControl* pCaller, int callerValIdx);
  void StyleAllVectorControls(const IVStyle& style);

  // ===== Draw cycle =====

  // Animates every control, then adds each dirty control's padded rectangle
  // (clanked into its parent's) to rects. True when any was dirty.
  bool IsDirty(IRECTList& rects);
  // One frame over the regions; nothing at all for an empty list.
  void Draw(IRECTList& rects);
  void SetStrictDrawing(bool strict);
  bool GetStrictDrawing() const { return mStrict; }
  // The region being drawn.
  const IRECT& GetCurrentRegion() const { return mClipRECT; }

  // ===== Size and scale =====

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int WindowWidth() const { return static_cast<int>(static_cast<float>(mWidth) * mDrawScale); }
  int WindowHeight() const { return static_cast<int>(static_cast<float>(mHeight) * mDrawScale); }
  int FPS() const { return mFPS; }
  float GetDrawScale() const { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  int GetRoundedScreenScale() const { return static_cast<int>(std::ceil(mScreenScale)); }
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  IRECT GetBounds() const { return IRECT(0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight)); }
  IGEditorDelegate* GetDelegate() const { return &mDelegate; }

  void SetScreenScale(float scale);
  // Size in points (constrained by the delegate) and draw scale (clamped to
  // the limits; a non-finite scale keeps the current one).
  void Resize(int w, int h, float scale, bool needsPlatformResize = true);
  // The smaller becomes the minimum; non-finite limits are ignored.
  void SetScaleConstraints(float lo, float hi);
  void SetLayoutOnResize(bool layoutOnResize) { mLayoutOnResize = layoutOnResize; }
  bool GetLayoutOnResize() const { return mLayoutOnResize; }
  EUIResizerMode GetResizerMode() const { return mGUISizeMode; }
  bool IsDragResizing() const { return mResizingInProcess; }
  void StartDragResize() { mResizingInProcess = true; }
  // Pointer position in points.
  void OnDragResize(float x, float y);
  void EndDragResize();

  // ===== Input state =====

  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  bool ControlIsCaptured(IControl* pControl) const;
  // Holds pControl for the pointer touchID until ReleaseMouseCapture.
  void SetCapturedControl(IControl* pControl, uint64_t touchID = 0);
  // Empties the capture map; shows a cursor hidden during a drag.
  void ReleaseMouseCapture();
  // Appends the id of every touch that holds pControl.
  void GetTouches(IControl* pControl, std::vector<uint64_t>& touchIDs) const;
  void GetMouseDownPoint(float& x, float& y) const
  {
    x = mMouseDownX;
    y = mMouseDownY;
  }
  void SetMouseDownPoint(float x, float y)
  {
    mMouseDownX = x;
    mMouseDownY = y;
  }
  int GetMouseOver() const { return mMouseOverIdx; }
  IControl* GetMouseOverControl() const { return mMouseOver; }
  void SetMouseOverControl(IControl* pControl);
  void ClearMouseOver();
  // Records the control whose value is being edited in a text entry or
  // chosen in a popup menu; cleared when it goes away.
  void SetControlInTextEntry(IControl* pControl, int valIdx);
  void ClearInTextEntryControl();
  void SetControlInPopupMenu(IControl* pControl, int valIdx);
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  // Several touches may then hold controls at once.
  void EnableMultiTouch(bool enable) { mEnableMultiTouch = enable; }
  bool MultiTouchEnabled() const { return mEnableMultiTouch; }
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }
  // Enabling also switches mouse-over on.
  void EnableTooltips(bool enable);
  bool TooltipsEnabled() const { return mEnableTooltips; }

  // ===== Input dispatch (points; lists hold the mouse or one entry per
  // changed touch) =====

  // The control for a pointer: its capture, else an open popup or text
  // entry, the live-edit overlay, the corner resizer, the frames display,
  // then the topmost control of the list. With capture the control is held
  // for touchID (null when multi-touch refuses a second touch on it).
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false, uint64_t touchID = 0);
  // Index of the topmost list control hit, or -1. Control 0 never gets
  // mouse-over; while live editing, any parentless control whose rectangle
  // holds the point.
  int GetMouseControlIdx(float x, float y, bool mouseOver = false);
  // A press begins the host gesture of every bound value; a right click on
  // a bound control opens its context menu instead.
  void OnMouseDown(const std::vector<IMouseInfo>& points);
  // Ends the gestures the matching press began and releases its capture.
  void OnMouseUp(const std::vector<IMouseInfo>& points);
  void OnMouseDrag(const std::vector<IMouseInfo>& points);
  // Releases the withdrawn touches without ending their gestures.
  void OnTouchCancelled(const std::vector<IMouseInfo>& points);
  // True when a control was hit.
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  // True when a control is under the pointer.
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  // d in wheel steps; true when a control took it.
  bool OnMouseWheel(float x, float y, const IMouseMod& mod, float d);
  // A key at the pointer position: the control under the pointer (other
  // than control 0) decides first, then the key handler. True when handled.
  bool OnKeyDown(float x, float y, const IKeyPress& key);
  bool OnKeyUp(float x, float y, const IKeyPress& key);
  void OnDrop(const char* str, float x, float y);
  void OnDropMultiple(const std::vector<const char*>& paths, float x, float y);
  // The control under the gesture when it wants gestures, else the first
  // gesture region holding the point.
  void OnGestureRecognized(const IGestureInfo& info);
  void AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, IGestureFunc func);
  // True when the control under the point wants gestures or a gesture
  // region holds the point.
  bool RespondsToGesture(float x, float y);
  void ClearGestureRegions();
  // Re-applies the stored cursor.
  void OnSetCursor() { SetMouseCursor(mCursorType); }
  // Called with (key, isUp) for keys no control took.
  void SetKeyHandlerFunc(IKeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  // Plays notes from the computer keyboard (A W S E D F T G Y H U J K O L,
  // Z and X shift octaves) through the delegate and then func; takes every
  // key no control took.
  void SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg& msg)> func = nullptr);
  void SetAppearanceChangedFunc(IAppearanceFunc func) { mAppearanceChangedFunc = std::move(func); }
  void OnAppearanceChanged(EUIAppearance appearance);
  void OnGUIIdle();
  // Creates or removes the live-edit overlay.
  void EnableLiveEdit(bool enable);
  bool LiveEditEnabled() const { return mLiveEdit != nullptr; }
  // Parameter of value 0 of the control under the point, or -1; remembered
  // until read by GetLastClickedParamForPTAutomation.
  int GetParamIdxForPTAutomation(float x, float y);
  int GetLastClickedParamForPTAutomation();

  // ===== Prompts, text entry and bubbles =====

  // A menu of the display texts for an enum parameter (or a bool one with
  // display texts), else a text entry seeded with the value's display.
  void PromptUserInput(IControl& control, const IRECT& bounds, int valIdx = 0);
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0);
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, float x, float y, int valIdx = 0);
  void CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str = "",
                       int valIdx = 0);
  // Completions from the presenters.
  void SetControlValueAfterTextEdit(const char* str);
  void SetControlValueAfterPopupMenu(IPopupMenu* pMenu);
  void DeleteFromPopupMenu(IPopupMenu* pMenu, int itemIdx);
  // The control's context menu at (x, y); not shown when left empty.
  void PopupHostContextMenuForParam(IControl* pControl, int paramIdx, float x, float y);
  void PopupHostContextMenuForParam(int controlIdx, int paramIdx, float x, float y);
  const IPopupMenu& GetPromptMenu() const { return mPromptPopupMenu; }

  // In-window presenters replace the platform's menu and text field while
  // attached. The template forms make the controls library's presenters (or
  // T) with their standard arguments; the pointer forms adopt a made one.
  template <class T = IPopupMenuControl>
  void AttachPopupMenuControl(const IText& text = DEFAULT_TEXT, const IRECT& bounds = IRECT())
  {
    if (!mPopupControl)
      AttachPopupMenuControl(new T(kNoParameter, text, IRECT(), bounds));
  }
  // A second one is discarded (deleted).
  void AttachPopupMenuControl(IPopupMenuControlBase* pControl);
  void RemovePopupMenuControl();
  IPopupMenuControlBase* GetPopupMenuControl() const { return mPopupControl.get(); }
  // The in-window menu is showing, opening or closing, or a platform menu is
  // queued and not yet answered: a new menu request is then refused.
  bool PopupMenuBusy() const
  {
    return (mPopupControl && mPopupControl->GetState() != 0) || mPendingPlatformMenu != 0;
  }
  // The request number of the platform menu asked for and not yet answered,
  // 0 for none. It is set while CreatePlatformPopupMenu runs and stays set
  // when that returns with isAsync; the completion, or a dismissal (its
  // control removed, the window closed), clears it. A platform layer that
  // shows a menu later checks first that its request is still this one: a
  // request ended meanwhile may have taken its menu along.
  uint64_t GetPendingPlatformMenu() const { return mPendingPlatformMenu; }
  template <class T = ITextEntryControl>
  void AttachTextEntryControl()
  {
    if (!mTextEntryControl)
      AttachTextEntryControl(new T());
  }
  // A second one is discarded (deleted).
  void AttachTextEntryControl(ITextEntryControlBase* pControl);
  void RemoveTextEntryControl();
  ITextEntryControlBase* GetTextEntryControl() const { return mTextEntryControl.get(); }
  template <class T = IBubbleControl>
  void AttachBubbleControl(const IText& text = DEFAULT_TEXT)
  {
    AttachBubbleControl(new T(text, COLOR_WHITE, COLOR_BLACK, 5.0f));
  }
  void AttachBubbleControl(IBubbleControlBase* pControl);
  int NBubbleControls() const { return static_cast<int>(mBubbleControls.size()); }
  // Shows str in a bubble beside pCaller; with multi-touch, in the bubble of
  // the one touch that holds pCaller. Nothing without a bubble.
  void ShowBubbleControl(IControl* pCaller, float x, float y, const char* str, EDirection dir = EDirection::Horizontal,
                         IRECT minimumContentBounds = IRECT());
  // Each list control bound on value 0 gets its parameter's name as tooltip.
  void AssignParamNameToolTips();

  // ===== Path helpers and transform stack =====

  // Push and pop the path transform; restoring with an empty stack keeps it.
  void PathTransformSave();
  void PathTransformRestore();
  // Identity transform; clearStates also empties the stack.
  void PathTransformReset(bool clearStates = false);
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float x, float y);
  void PathTransformScale(float s) { PathTransformScale(s, s); }
  void PathTransformRotate(float angle);
  void PathTransformSkew(float xAngle, float yAngle);
  void PathTransformMatrix(const IMatrix& m);
  const IMatrix& GetTransform() const { return mTransform; }
  // Clips to r within the current region (or top layer); the empty
  // rectangle clips to the whole region.
  void PathClipRegion(const IRECT r = IRECT());

  // ===== Path builders and derived drawing =====
  // Builders add to the current path without clearing or painting it.

  void PathLine(float x1, float y1, float x2, float y2);
  void PathRadialLine(float cx, float cy, float angle, float rMin, float rMax);
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
  void PathRect(const IRECT& bounds);
  void PathRoundRect(const IRECT& bounds, float cornerRadius = 0.0f);
  void PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR);
  void PathConvexPolygon(float* x, float* y, int nPoints);
  void PathCircle(float cx, float cy, float r);
  void PathEllipse(const IRECT& bounds);
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.0f);
  void DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* pBlend = nullptr,
                        float thickness = 1.0f);
  void DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* pBlend = nullptr,
                          float thickness = 1.0f);
  // x and y are fractions (0..1) of the rectangle; y counts from the bottom.
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend = nullptr,
                        float thickness = 1.0f);
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend = nullptr,
                          float thickness = 1.0f);
  void DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos,
                      const IBlend* pBlend = nullptr, float thickness = 1.0f);
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* pBlend = nullptr, float thickness = 1.0f);

  // Text: nothing for a null or empty string.
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr);
  void DrawText(const IText& text, const char* str, float x, float y, const IBlend* pBlend = nullptr);
  void CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx, double& ty) const;
  void DoMeasureTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const;
  void DoTextRotation(const IText& text, const IRECT& bounds, const IRECT& rect);
  // Frame numbers count from 1.
  void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int frame = 1, const IBlend* pBlend = nullptr);
  void DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, IText& text, const IBlend* pBlend,
                        const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                        int charHeight = 12, int charOffset = 0);

  // ===== Layers =====

  void StartLayer(IControl* pControl, const IRECT& r, bool cacheable = false);
  // The layer drawn since StartLayer (or ResumeLayer), owned by the caller.
  ILayerPtr EndLayer();
  void ResumeLayer(ILayerPtr& layer);
  void PushLayer(ILayer* pLayer);
  ILayer* PopLayer();
  // Whether the cached layer can be drawn as it is.
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* pBlend = nullptr);
  void DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend);
  void DrawRotatedLayer(const ILayerPtr& layer, double angle);

  // ===== SVG =====

  // An SVG paint as a pattern: colours take the shape's opacity, gradient
  // stops stay opaque.
  static IPattern GetSVGPattern(const weft::svg::SVGPaint& paint, float opacity);

  // ===== Resources =====

  IBitmap GetScaledBitmap(IBitmap& src);
  EResourceLocation SearchImageResource(const char* name, const char* type, LOOM_String& result, int targetScale,
                                        int& sourceScale);
  APIBitmap* SearchBitmapInCache(const char* name, int targetScale, int& sourceScale);

  // ===== Accessors =====

  void SetPlatformContext(void* pContext) { mPlatformContext = pContext; }
  void* GetPlatformContext() const { return mPlatformContext; }
  void SetSharedResourcesSubPath(const char* path) { mSharedResourcesSubPath.Set(path ? path : ""); }
  const char* GetSharedResourcesSubPath() const { return mSharedResourcesSubPath.Get(); }
  const std::stack<ILayer*>& GetLayerStack() const { return mLayers; }
  // Offset of the finished frame on screen, in window points; zero unless
  // set.
  void SetTranslation(float x, float y)
  {
    mXTranslation = x;
    mYTranslation = y;
  }
  float GetXTranslation() const { return mXTranslation; }
  float GetYTranslation() const { return mYTranslation; }

  // Calls ActivateGLContext now and DeactivateGLContext when it ends.
  class ScopedGLContext
  {
  public:
    explicit ScopedGLContext(ICanvas* pGraphics) : mGraphics(pGraphics) { mGraphics->ActivateGLContext(); }
    ~ScopedGLContext() { mGraphics->DeactivateGLContext(); }
    ScopedGLContext(const ScopedGLContext&) = delete;
    ScopedGLContext& operator=(const ScopedGLContext&) = delete;

  private:
    ICanvas* mGraphics;
  };

protected:
  // Before the window goes: a menu showing in the window, or queued for the
  // platform and not yet answered, ends as a dismissal its control hears.
  void EndOpenMenus();
  // Where loaded and resampled bitmaps are looked up and kept: the
  // process-wide sBitmapCache. A back end that caches what it decodes in a
  // store of its own returns that store, so that what it holds is never
  // destroyed or cached a second time by the loading steps.
  virtual StaticStorage<APIBitmap>& BitmapCache();
  // Replays the image's visible shapes in image coordinates; a given colour
  // replaces every shape's paint of that kind.
  void DoDrawSVG(const ISVG& svg, const IBlend* pBlend, const IColor* pStrokeColor, const IColor* pFillColor);
  // Identity transform, cleared path, clip r; r becomes the current region.
  void PrepareRegion(const IRECT& r);
  // Draws every control that meets bounds.
  void Draw(const IRECT& bounds, float scale);
  void DrawControl(IControl* pControl, const IRECT& bounds, float scale);

  std::vector<std::unique_ptr<IControl>> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  std::unique_ptr<IControl> mCornerResizer;
  std::vector<std::unique_ptr<IBubbleControlBase>> mBubbleControls;
  std::unique_ptr<IPopupMenuControlBase> mPopupControl;
  std::unique_ptr<IControl> mFPSDisplay;
  std::unique_ptr<ITextEntryControlBase> mTextEntryControl;
  std::unique_ptr<IControl> mLiveEdit;
  IPopupMenu mPromptPopupMenu;
  IRECT mPerfDisplayBounds;
  LOOM_String mSharedResourcesSubPath;
  ECursor mCursorType = ECursor::ARROW;
  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.0f;
  float mDrawScale;
  std::vector<EGestureType> mRegisteredGestures;
  IRECTList mGestureRegions;
  std::unordered_map<int, IGestureFunc> mGestureRegionFuncs;
  std::unordered_map<uint64_t, IControl*> mCapturedMap;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  IControl* mInPopupMenu = nullptr;
  void* mPlatformContext = nullptr;
  bool mIsContextMenu = false;
  // The control whose OnMouseDown runs, its host gestures just begun.
  IControl* mInPress = nullptr;
  // The open menu was opened by the press that began its control's host
  // gestures: its completion ends them.
  bool mPopupEndsGesture = false;
  // The control whose menu the in-window popup holds, from the request until
  // that control goes (the popup keeps drawing the menu while it closes).
  IControl* mPopupMenuOwner = nullptr;
  // The control on its way out (ForgetControl): it opens no menu.
  IControl* mLeavingControl = nullptr;
  uint64_t mPopupMenuRequests = 0;
  uint64_t mPendingPlatformMenu = 0;
  int mTextEntryValIdx = kNoValIdx;
  int mPopupMenuValIdx = kNoValIdx;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.0f;
  float mMouseDownY = -1.0f;
  float mMinScale = DEFAULT_MIN_DRAW_SCALE;
  float mMaxScale = DEFAULT_MAX_DRAW_SCALE;
  int mLastClickedParam = kNoParameter;
  bool mEnableMouseOver = false;
  bool mStrict = false;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EUIResizerMode mGUISizeMode = EUIResizerMode::Scale;
  double mPrevTimestamp = 0.0;
  IKeyHandlerFunc mKeyHandlerFunc;
  IAppearanceFunc mAppearanceChangedFunc;
  IGEditorDelegate& mDelegate;
  bool mCursorHidden = false;
  bool mCursorLock = false;
  bool mTabletInput = false;
  float mCursorX = -1.0f;
  float mCursorY = -1.0f;
  std::stack<ILayer*> mLayers;
  IRECT mClipRECT;
  float mXTranslation = 0.0f;
  float mYTranslation = 0.0f;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;
  // DoDrawSVG's hole test, kept with its buffers from one shape to the next.
  std::unique_ptr<SVGHoleIndex> mSVGHoles;

private:
  // The end of both LoadBitmap forms: resample, cache or hand back the
  // bitmap found; pLoaded is one this call decoded.
  IBitmap FinishLoadBitmap(APIBitmap* pBitmap, std::unique_ptr<APIBitmap> pLoaded, const char* name, int nStates,
                           bool framesAreHorizontal, int targetScale);
  // Hands a platform font to the back end and caches it; prints the failure
  // message about arg and returns false otherwise.
  bool LoadFontResult(const char* fontID, const PlatformFontPtr& font, bool fromMemory, const char* arg);
  bool OnKey(float x, float y, const IKeyPress& key, bool isUp);
  // Begin or end the host gesture of every bound value, in value order.
  void InformHostOfGesture(IControl* pControl, bool begin);
  void DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);
  // Before pControl goes: the in-window popup lets go of its menu and a menu
  // it asked for and that is not yet answered ends as a dismissal.
  void EndPopupMenuOf(IControl* pControl);
  // Gives an overlay the context and the delegate.
  void AdoptOverlay(IControl* pControl);
  // Forgets every reference to pControl (and, for a container, the parent
  // links of its children) before it is destroyed.
  void ForgetControl(IControl* pControl);
  // Takes the list control at idx out of the list and destroys it.
  void DestroyControlAt(int idx);
};

} // namespace weft::canvas
