#pragma once
// The editor's Cocoa view: a CAMetalLayer the vector context draws on, a
// repeating frame timer at the editor's frame rate, the drawable kept at
// frame x backing scale, appearance, mouse tracking, tooltips, dropped files
// and file drags out. Objective-C++ only. Main thread only.

#import <AppKit/AppKit.h>

#include "ICanvasMac.h"
#include "IRECTList.h"

#include <functional>

namespace weft::canvas {
// The view rectangle of editor bounds at g's draw scale: left and top
// floored, right and bottom ceiled (32-bit floats).
NSRect ToNSRect(ICanvas* g, const IRECT& bounds);
} // namespace weft::canvas

@interface ICanvasView_vPressweave_au : NSView <NSDraggingSource>
{
  NSTimer* mTimer; // owned by the run loop; nil when stopped
  NSTrackingArea* mTrackingArea;
  id mTextFieldView;
  id mMoveCursor;
  float mPrevX, mPrevY;
  bool mMouseOutDuringDrag;
  weft::canvas::IRECTList* mDirtyRects; // owned
  std::function<void(const weft::canvas::IColor&)>* mColorPickerFunc; // owned
  weft::canvas::ICanvasMac* mGraphics; // not owned; null once detached
  BOOL mObservingFrame;
}
- (id)initWithICanvas:(weft::canvas::ICanvasMac*)pGraphics;
// Forgets the context: afterwards removal, ticks and resizes do nothing.
- (void)detachFromICanvas;
- (void)setTimer;
- (void)killTimer;
- (void)onTimer:(NSTimer*)timer;
- (void)render;
- (void)activateGLContext;
- (void)deactivateGLContext;
- (void)swapBuffers;
- (void)frameDidChange:(NSNotification*)notification;
- (BOOL)acceptsFirstMouse:(NSEvent*)event;
- (void)registerToolTip:(weft::canvas::IRECT)bounds;
- (NSString*)view:(NSView*)view
  stringForToolTip:(NSToolTipTag)tag
             point:(NSPoint)point
          userData:(void*)data;
- (NSDragOperation)draggingEntered:(id<NSDraggingInfo>)sender;
- (BOOL)performDragOperation:(id<NSDraggingInfo>)sender;
@end
