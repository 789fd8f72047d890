#pragma once
// A vector drawing context over the renderer's recording backend: the GPU
// backend's target binding, clearing, read-back and context creation are
// supplied here and logged; resources are looked up in one folder.

#include "ICanvasVector.h"
#include "IGEditorDelegate.h"
#include "RecordingBackend.h"

#include <string>
#include <vector>

namespace pwtest {

using namespace weft::canvas;

struct GpuLog
{
  std::vector<int> binds;                 // image of each bound target, 0 the screen
  std::vector<int> reads;                 // image of each read-back
  int createFlags = 0;
  std::string resourceDir;                // LocateResource looks here
};
GpuLog& Gpu();

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

class VectorCanvas : private DelegateHolder, public ICanvasVector
{
public:
  // withView: the view's layer is the backend, and the main target exists.
  explicit VectorCanvas(bool withView = true, int w = 200, int h = 100, float scale = 1.0f);
  ~VectorCanvas() override;

  pw::test::RecordingBackend backend;
  using ICanvasVector::PrepareAndMeasureText;

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
  explicit FileFont(const char* path);
  IFontDataPtr GetFontData() override;

private:
  std::vector<unsigned char> mBytes;
};

} // namespace pwtest
