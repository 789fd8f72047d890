#pragma once
// The editor's Cocoa view: a CAMetalLayer the vector context draws on, a
// repeating frame timer at the editor's frame rate, the drawable kept at
// frame x backing scale, appearance, mouse and key input, cursors, native
// menus, the text field, the colour panel, tooltips, dropped files and file
// drags out. Objective-C++ only. Main thread only.

#import <AppKit/AppKit.h>

#include "ICanvasMac.h"
#include "IRECTList.h"
#include "IPopupMenu.h"

#include <functional>

namespace weft::canvas {
// The view rectangle of editor bounds at g's draw scale: left and top
// floored, right and bottom ceiled (32-bit floats).
NSRect ToNSRect(ICanvas* g, const IRECT& bounds);

// Cocoa key code -> virtual key; 0 when not mapped.
int MacKeyCodeToVK(int code);
// The virtual key of a key event; ORs into flags 4 Shift, 8 Command,
// 16 Option, 32 Control, and 1 when the answer is a virtual-key code (Shift
// is cleared again when it is not).
int MacKeyEventToVK(NSEvent* event, int& flags);
// A new cursor (one reference) from the system's cursor artwork named name,
// drawn at scales 1 to 4 with its shadow; nil when the artwork is missing.
void MakeCursorFromName(NSCursor*& cursor, const char* name);

// Device RGB of the colour's channels / 255, and back (x 255, truncated).
NSColor* ToNSColor(const IColor& color);
IColor FromNSColor(NSColor* color);
} // namespace weft::canvas

// A native menu built from an IPopupMenu (not owned), its items aimed at the
// receiver; submenus are menus of this class too.
@interface ICanvasMenu_vPressweave_au : NSMenu
{
  weft::canvas::IPopupMenu* mIPopupMenu;
}
- (id)initWithIPopupMenuAndReceiver:(weft::canvas::IPopupMenu*)pMenu :(NSView*)pView;
- (weft::canvas::IPopupMenu*)iPopupMenu;
@end

// Records the item the user chose (nil until then).
@interface ICanvasMenuRcvr_vPressweave_au : NSView
{
  NSMenuItem* nsMenuItem;
}
- (void)onMenuSelection:(id)sender;
- (NSMenuItem*)menuItem;
@end

@interface ICanvasTextField_vPressweave_au : NSTextField
@end

// Draws its text in the vertical middle of the field.
@interface ICanvasTextFieldCell_vPressweave_au : NSTextFieldCell
{
  BOOL mIsEditingOrSelecting;
}
@end

// Accepts typed text made only of the accepted characters (nil: any), no
// longer than maxLength and of an integer value no greater than maxValue
// (0: no limit).
@interface ICanvasFormatter_vPressweave_au : NSFormatter
{
  NSCharacterSet* filterCharacterSet;
  int maxLength;
  int maxValue;
}
- (void)setAcceptableCharacterSet:(NSCharacterSet*)set;
- (void)setMaximumLength:(int)length;
- (void)setMaximumValue:(int)value;
@end

@interface ICanvasView_vPressweave_au : NSView <NSDraggingSource>
{
  NSTimer* mTimer; // owned by the run loop; nil when stopped
  NSTrackingArea* mTrackingArea;
  id mTextFieldView;
  NSCursor* mMoveCursor;
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
// The current graphics context's CoreGraphics context, re-wrapped as a
// flipped context; null while no graphics context is current. Valid while
// the current context is.
- (CGContextRef)getCGContextRef;
- (BOOL)acceptsFirstMouse:(NSEvent*)event;
- (void)registerToolTip:(weft::canvas::IRECT)bounds;
- (NSString*)view:(NSView*)view
  stringForToolTip:(NSToolTipTag)tag
             point:(NSPoint)point
          userData:(void*)data;
- (NSDragOperation)draggingEntered:(id<NSDraggingInfo>)sender;
- (BOOL)performDragOperation:(id<NSDraggingInfo>)sender;
@end

@interface ICanvasView_vPressweave_au (Input)
// Positions in editor coordinates through the context's cursor lock.
- (void)getMouseXY:(NSEvent*)event :(float&)x :(float&)y;
- (weft::canvas::IMouseInfo)getMouseLeft:(NSEvent*)event;
- (weft::canvas::IMouseInfo)getMouseRight:(NSEvent*)event;
- (void)setMouseCursor:(weft::canvas::ECursor)cursorType;
@end

@interface ICanvasView_vPressweave_au (Dialogs)

// Shows the native menu over rect (view coordinates) until it closes; the
// chosen menu (pMenu or a submenu, its chosen index set) or null.
- (weft::canvas::IPopupMenu*)createPopupMenu:(weft::canvas::IPopupMenu&)menu :(NSRect)bounds;
// Opens the text field; ignored while one is open.
- (void)createTextEntry:(int)paramIdx
                       :(const weft::canvas::IText&)text
                       :(const char*)str
                       :(int)length
                       :(NSRect)areaRect;
- (BOOL)hasTextField;
- (void)controlTextDidEndEditing:(NSNotification*)notification;
// Closes the text field without committing.
- (void)endUserInput;
- (BOOL)promptForColor:(weft::canvas::IColor&)color :(weft::canvas::IColorPickerHandlerFunc)func;
- (void)onColorPicked:(NSColorPanel*)colorPanel;
// Forgets the colour callback and leaves the colour panel's target.
- (void)endColorPicking;
@end
