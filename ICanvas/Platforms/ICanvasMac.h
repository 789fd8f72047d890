#pragma once
// ICanvasMac: the drawing context on macOS. It draws through the vector
// context and owns the editor's Cocoa view (ICanvasView_vPressweave_au),
// which it opens inside the host's parent view and closes again; converts
// between editor and screen coordinates; hides, locks and moves the cursor;
// and offers the clipboard, URLs, file drag-out, tooltips, fonts and the
// appearance; shows native menus (asynchronously, from the main queue), the
// text field, alerts and the file, folder and colour panels. Main thread
// only.

#include "ICanvasCoreText.h"
#include "ICanvasVector.h"

#include <cstdint>

namespace weft::canvas {

class ICanvasMac : public ICanvasVector
{
public:
  // Loads AppKit (for hosts that are not Cocoa applications) and retains the
  // font descriptor cache.
  ICanvasMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  ~ICanvasMac() override;
  ICanvasMac(const ICanvasMac&) = delete;
  ICanvasMac& operator=(const ICanvasMac&) = delete;

  void SetBundleID(const char* id) { mBundleID.Set(id); }
  void SetAppGroupID(const char* id) { mAppGroupID.Set(id); }
  // The system version, packed hexadecimal (0x10B0 from AppKit 1404 on,
  // 0x10A0 from 1266, below that Gestalt's or 0x1040); computed once.
  static int GetUserOSVersion();

  float MeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void AttachPlatformView(const IRECT& r, void* pView) override;
  void RemovePlatformView(void* pView) override;
  void HidePlatformView(void* pView, bool hide) override;
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  ECursor SetMouseCursor(ECursor cursorType = ECursor::ARROW) override;
  void ForceEndUserEdit() override;
  void* OpenWindow(void* pParent) override;
  // Detaches the view before removing it, so only a host's removal reaches
  // the delegate.
  void CloseWindow() override;
  void* GetWindow() override { return mView; }
  bool WindowIsOpen() override { return mView != nullptr; }
  bool GetTextFromClipboard(LOOM_String& str) override;
  bool SetTextInClipboard(const char* str) override;
  bool SetFilePathInClipboard(const char* path) override;
  // False without a view or a path.
  bool InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds) override;
  void UpdateTooltips() override;
  EMsgBoxResult ShowMessageBox(const char* str, const char* title, EMsgBoxType type,
                               IMsgBoxCompletionHandlerFunc completionHandler = nullptr) override;
  void PromptForFile(LOOM_String& fileName, LOOM_String& path, EFileAction action = EFileAction::Open,
                     const char* ext = "", IFileDialogCompletionHandlerFunc completionHandler = nullptr) override;
  void PromptForDirectory(LOOM_String& dir, IFileDialogCompletionHandlerFunc completionHandler = nullptr) override;
  bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) override;
  // False when no URL can be formed from url.
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  const char* GetPlatformAPIStr() override { return "Cocoa"; }
  bool RevealPathInExplorerOrFinder(LOOM_String& path, bool select = false) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, void* pData, int dataSize) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;
  const char* GetBundleID() const override { return mBundleID.Get(); }
  const char* GetAppGroupID() const override { return mAppGroupID.Get(); }
  void ActivateGLContext() override;
  void DeactivateGLContext() override;
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void PlatformResize(bool parentHasResized) override;
  void DrawResize() override;
  // The renderer's images, targets and fonts, made in a pool of their own.
  APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                           const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                             bool cacheable = false) override;
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  EUIAppearance GetUIAppearance() const override;

  // Screen (global, origin bottom left) <-> editor coordinates; unchanged
  // without a view.
  void ScreenToPoint(float& x, float& y) const;
  void PointToScreen(float& x, float& y) const;
  // Called by the view for every mouse event: while the cursor is hidden and
  // locked (and not with a tablet) the cursor goes back to the lock point
  // and the stored position is reported; else (x, y) is stored and reported.
  void DoCursorLock(float x, float y, float& prevX, float& prevY);
  // The editor whose window got token when it opened, while that window is
  // open; else null.
  static ICanvasMac* FromWindowToken(uint64_t token);

private:
  void StoreCursorPosition();
  void RepositionCursor(double x, double y);

  void* mView = nullptr; // ICanvasView_vPressweave_au, one reference
  uint64_t mWindowToken = 0; // 0 while no window is open
  IControl* mTextFieldControl = nullptr; // what the open text field was opened for
  int mTextFieldValIdx = kNoValIdx;
  double mCursorLockX = 0.0, mCursorLockY = 0.0;
  LOOM_String mBundleID;
  LOOM_String mAppGroupID;
};

} // namespace weft::canvas
