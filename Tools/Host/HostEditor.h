#pragma once
// The editor in a host window, opened as a host opens an Audio Unit's
// Cocoa view: the CocoaUI property names the factory class, which is found
// by name in the Objective-C runtime, asked for a view of the unit, and the
// view goes into a host window's content view at a backing scale. Main
// thread. Plain C++ interface; the Objective-C side is in HostEditor.mm.

#include "EditorScript.h"
#include "HostStatus.h"

#include <AudioToolbox/AUComponent.h>

#include <functional>
#include <string>

namespace pw::host {

class HostEditor
{
public:
  HostEditor() = default;
  // Removes the view when it is still in the window.
  ~HostEditor() { Close(); }
  HostEditor(const HostEditor&) = delete;
  HostEditor& operator=(const HostEditor&) = delete;

  // Fails with a one-line reason when the unit names no factory, the class
  // is not loaded, or the factory answers no view.
  Status Open(AudioUnit unit, double backingScale);
  bool IsOpen() const noexcept { return mView != nullptr; }
  // The view's size in points.
  double Width() const noexcept;
  double Height() const noexcept;
  // Runs fn as one event of the application (in its own autorelease pool):
  // how a host calls the unit while its editor is open.
  void RunEvent(const std::function<void()>& fn);
  // Advances the window's timers (the frame timer) by ms on the virtual clock.
  void Advance(double ms);
  // A click, drag, wheel or key of a script, at points of the view from its
  // top left, through the window as AppKit dispatches events.
  Status Deliver(const ScriptStep& step);
  // Writes what the window shows, at the backing scale (all pixels 0 before
  // the editor's first frame). The file appears whole or not at all.
  Status WritePng(const std::string& path) const;
  // Removes the view from the window (the editor closes with it) and
  // releases the window.
  void Close() noexcept;

private:
  void* mWindow = nullptr; // NSWindow*, owned
  void* mView = nullptr;   // NSView*, one reference
};

} // namespace pw::host
