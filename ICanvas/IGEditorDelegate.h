#pragma once
// The editor delegate of a plug-in whose editor is drawn with the graphics
// core. It owns the editor's drawing context (ICanvas) while a window is
// open, makes it through the make-graphics function and lays it out through
// the layout function that the plug-in registers, and keeps the editor's
// size and draw scale across window closings and in the editor-state chunk.
//
// The class lives in namespace weft, beside its base IEditorDelegate, so that
// weft::IPluginBase derives from it directly; the drawing context belongs to
// weft::canvas.
//
// Threads: everything here runs on the main (UI) thread. The host binding
// opens and closes the window there, and the plug-in's timer delivers
// values and messages there.

#include "IEditorDelegate.h"

#include <functional>
#include <utility>

namespace weft::canvas {
class ICanvas;
} // namespace weft::canvas

namespace weft {

class IGEditorDelegate : public IEditorDelegate
{
public:
  // Makes the editor's drawing context; the delegate owns the result.
  using MakeGraphicsFunc = std::function<canvas::ICanvas*()>;
  // Fills a freshly opened (or resized) context with its controls.
  using LayoutFunc = std::function<void(canvas::ICanvas*)>;

  explicit IGEditorDelegate(int nParams);
  // Destroys an editor that is still open.
  ~IGEditorDelegate() override;

  // Set once by the plug-in's constructor; both live as long as the delegate.
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

  // The open editor's context, null while no window is open.
  canvas::ICanvas* GetUI() const noexcept { return mContext; }

  // Size in points and draw scale kept while no editor exists; applied when
  // the window next opens. 0 until a window closed or a state was read.
  int GetLastWidth() const noexcept { return mLastWidth; }
  int GetLastHeight() const noexcept { return mLastHeight; }
  float GetLastScale() const noexcept { return mLastScale; }

  // Appends int32 width, int32 height (points) and float32 draw scale, 12
  // bytes in the machine's (little-endian) order. True when all three were
  // appended; on failure the chunk is left as it was.
  bool SerializeEditorSize(IByteChunk& chunk) const;
  // Reads the 12-byte record at startPos; returns startPos + 12. Returns -1
  // and changes nothing when the chunk ends early, when width or height is
  // negative, or when the scale is negative or not finite. Without an editor
  // the size is kept for the next opening; an open editor is resized to it
  // unless width, height or scale is 0.
  int UnserializeEditorSize(const IByteChunk& chunk, int startPos);

  void* OpenWindow(void* pParent) override;
  // Ignored while a close is already under way.
  void CloseWindow() override;
  void OnParentWindowResize(int width, int height) override;
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;
  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;
  // SerializeEditorSize.
  bool SerializeEditorState(IByteChunk& chunk) const override;
  // UnserializeEditorSize.
  int UnserializeEditorState(const IByteChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  // The make-graphics function's result, or null when none is set.
  virtual canvas::ICanvas* CreateGraphics();
  // Runs the layout function on pUI when one is set.
  virtual void LayoutUI(canvas::ICanvas* pUI);

protected:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;

private:
  // The open editor, owned; null while no window is open.
  canvas::ICanvas* mContext = nullptr;
  int mLastWidth = 0;
  int mLastHeight = 0;
  float mLastScale = 0.0f;
  bool mClosing = false;
};

} // namespace weft
