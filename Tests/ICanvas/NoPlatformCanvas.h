#pragma once
// The platform operations no test double of a drawing context uses, doing
// nothing: cursor moves, tooltips, message boxes, file dialogs, URLs and
// platform fonts. Canvas is the drawing context class it derives from.

#include "ICanvas.h"

namespace pwtest {

using namespace weft::canvas;

template <class Canvas>
class NoPlatformCanvas : public Canvas
{
public:
  using Canvas::Canvas;

  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  void UpdateTooltips() override {}
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override
  {
    return kNoResult;
  }
  void PromptForFile(LOOM_String&, LOOM_String&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(LOOM_String&, IFileDialogCompletionHandlerFunc) override {}
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*, ETextStyle) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
};

} // namespace pwtest
