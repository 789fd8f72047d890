#pragma once
// A vector drawing context without a window: every platform operation does
// nothing. Tests derive their contexts from it.

#include "ICanvasVector.h"
#include "IGEditorDelegate.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace pwtest {

using namespace weft::canvas;

struct DelegateHolder // made before the context that refers to it
{
  struct : weft::IGEditorDelegate
  {
    using IGEditorDelegate::IGEditorDelegate;
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
  } delegate{1};
};

class StubCanvas : private DelegateHolder, public ICanvasVector
{
public:
  StubCanvas(int w, int h, float scale) : ICanvasVector(delegate, w, h, 60, scale) {}
  StubCanvas(weft::IGEditorDelegate& dlg, int w, int h, float scale) : ICanvasVector(dlg, w, h, 60, scale) {}

  void GetMouseLocation(float& x, float& y) const override { x = y = 0.0f; }
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
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
};

// A platform font over a file's bytes (face 0).
struct FileFont : PlatformFont
{
  explicit FileFont(const char* path) : PlatformFont(false), in(path, std::ios::binary) {}
  IFontDataPtr GetFontData() override
  {
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    return std::make_unique<IFontData>(bytes.data(), static_cast<int>(bytes.size()), 0);
  }
  std::ifstream in;
};

} // namespace pwtest
