#pragma once
// The platform side of a vector drawing context that has no window: every
// platform operation does nothing. Tests derive their contexts from it.

#include "ICanvasVector.h"
#include "IGEditorDelegate.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace pwtest {

using namespace weft::canvas;

class TestDelegate : public weft::IGEditorDelegate
{
public:
  TestDelegate() : IGEditorDelegate(1) {}
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
};

// Made before the context that refers to it.
struct DelegateHolder
{
  TestDelegate delegate;
};

class StubCanvas : private DelegateHolder, public ICanvasVector
{
public:
  StubCanvas(int w, int h, float scale) : ICanvasVector(delegate, w, h, 60, scale) {}

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
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override
  {
    return kNoResult;
  }
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
class FileFont : public PlatformFont
{
public:
  explicit FileFont(const char* path) : PlatformFont(false)
  {
    std::ifstream in(path, std::ios::binary);
    mBytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  IFontDataPtr GetFontData() override
  {
    return std::make_unique<IFontData>(mBytes.data(), static_cast<int>(mBytes.size()), 0);
  }

private:
  std::vector<unsigned char> mBytes;
};

} // namespace pwtest
