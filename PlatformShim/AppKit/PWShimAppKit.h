#pragma once
// How a host or test drives the AppKit stand-in. Product code never calls
// these. Main thread only.

#import <AppKit/AppKit.h>

// A host window whose frame (screen coordinates, origin at the bottom left)
// is frame, at backing scale; its content view, of the frame's size, is
// where an editor view goes. The caller owns the window.
PWAPPKIT_EXTERN NSWindow* PWShimAppKitMakeWindow(NSRect frame, CGFloat scale);
// A new backing scale: every view in the window gets
// viewDidChangeBackingProperties.
PWAPPKIT_EXTERN void PWShimAppKitSetBackingScale(NSWindow* window, CGFloat scale);
// The system appearance (light at start): every view in the window gets
// viewDidChangeEffectiveAppearance.
PWAPPKIT_EXTERN void PWShimAppKitSetDarkAppearance(NSWindow* window, BOOL dark);
PWAPPKIT_EXTERN void PWShimAppKitSetMainScreen(NSRect frame, CGFloat scale); // 1440 x 900 at 1 at start
PWAPPKIT_EXTERN void PWShimAppKitSetMouseLocation(NSPoint location);

// Calls made of the workspace, of dragging out and of wrapping graphics
// contexts, one line each: "openURL <absolute string>", "openFile <path>",
// "select <path> in <root>", "drag <items> <first item's file URL> at <x> <y>
// <w> <h>", "dragAnimates <0|1>", "dragFormation <n>", "graphicsContext
// flipped <0|1>".
PWAPPKIT_EXTERN NSArray* PWShimAppKitCalls(void);
PWAPPKIT_EXTERN void PWShimAppKitClearCalls(void);
// What the workspace's open and select calls answer (true at start).
PWAPPKIT_EXTERN void PWShimAppKitSetWorkspaceAnswer(BOOL answer);

// Drags paths (nil: a pasteboard without file names) onto view at point
// (window coordinates) and drops them there when the view accepts the drag.
// Answers the view's drop result, false when it refused the drag.
PWAPPKIT_EXTERN BOOL PWShimAppKitDropFiles(NSView* view, NSArray* paths, NSPoint point);

// Tooltip rectangles registered with a view, as NSValue rects, in order.
PWAPPKIT_EXTERN NSArray* PWShimAppKitToolTipRects(NSView* view);

// Advances the virtual clock by ms and fires each repeating timer added to a
// run loop (in any mode) once per whole interval that ended in that time.
// The timers still run on GNUstep's real-time run loop when it runs.
PWAPPKIT_EXTERN void PWShimAppKitRunFor(double ms);
// Last duration set in an animation group (-1 before any).
PWAPPKIT_EXTERN double PWShimAppKitLastAnimationDuration(void);

// Input, dispatched as AppKit does: a mouse-down to the view under the point,
// drags and the up to the view that took the down, moves and the wheel to
// the view under the point, enter and exit to the owners of the tracking
// areas the point entered or left; keys to the window's first responder.
// Points are in editor coordinates of the flipped view editorView at scale:
// (x, y) becomes (x * scale, y * scale) in the view, then window
// coordinates; the mouse location moves there too. clicks below 1 count as 1
// on a down and 0 otherwise.
typedef enum
{
  PWShimMouseLeftDown,
  PWShimMouseLeftUp,
  PWShimMouseLeftDrag,
  PWShimMouseRightDown,
  PWShimMouseRightUp,
  PWShimMouseRightDrag,
  PWShimMouseMove,
  PWShimMouseWheel
} PWShimMouseAction;
PWAPPKIT_EXTERN void PWShimAppKitMouse(NSView* editorView, double scale, PWShimMouseAction action, double x, double y,
                                       NSInteger clicks, NSEventModifierFlags modifiers);
// The same with a tablet subtype and a wheel delta.
PWAPPKIT_EXTERN void PWShimAppKitMouseEx(NSView* editorView, double scale, PWShimMouseAction action, double x,
                                         double y, NSInteger clicks, NSEventModifierFlags modifiers,
                                         NSEventSubtype subtype, double deltaY);
// A key down or up; characters may be nil. Goes to the window's first
// responder (or the window).
PWAPPKIT_EXTERN void PWShimAppKitKey(NSWindow* window, BOOL down, unsigned short keyCode, NSString* characters,
                                     NSEventModifierFlags modifiers);

// Types text into the text field that is its window's first responder, one
// UTF-16 unit at a time, each through the field's formatter; answers how
// many were taken (-1: no field is being edited). Return commits: the
// delegate hears controlTextDidEndEditing:. Focus loss is
// [window makeFirstResponder:nil].
PWAPPKIT_EXTERN NSInteger PWShimAppKitType(NSWindow* window, NSString* text);
PWAPPKIT_EXTERN void PWShimAppKitPressReturn(NSWindow* window);

// Cursors: the name of a cursor ("arrow", "IBeam", "crosshair", "resizeUp",
// "resizeLeftRight", "resizeUpDown", "operationNotAllowed", "pointingHand",
// "busyButClickable", "windowResizeNorth", "windowResizeNorthWestSouthEast",
// "windowResizeNorthEastSouthWest", "windowResizeEastWest",
// "windowResizeNorthSouth", "help", "image" for one made from an image).
PWAPPKIT_EXTERN NSString* PWShimAppKitCursorName(NSCursor* cursor);
PWAPPKIT_EXTERN void PWShimAppKitSetCursorOffersPrivate(BOOL offers); // on at start
PWAPPKIT_EXTERN void PWShimAppKitSetHelpCursorShown(BOOL shown);
// An image for a file path, of size points; its pixels are opaque white.
PWAPPKIT_EXTERN void PWShimAppKitRegisterImage(NSString* path, NSSize size);

// Menus: the next pop-ups choose along path (item indices, into submenus),
// or cancel when path is nil (as at start). A path that does not end at an
// item with an action chooses nothing. Each pop-up is recorded:
// "popup <items> positioning <index|-1> at <x> <y>".
PWAPPKIT_EXTERN void PWShimAppKitSetMenuAnswer(NSArray* path);
PWAPPKIT_EXTERN NSMenu* PWShimAppKitLastMenu(void); // nil before any

// Alerts answer button index (0 first; 0 at start), recorded
// "alert <message> | <informative> | <button titles, comma separated>".
PWAPPKIT_EXTERN void PWShimAppKitSetAlertAnswer(NSInteger button);
// Panels answer path (nil: cancel, as at start). Recorded:
// "panel save|open <modal|sheet> dir <path> name <name> types <t,t> files <0|1> dirs <0|1> title <title>".
PWAPPKIT_EXTERN void PWShimAppKitSetPanelAnswer(NSString* path);
// The shared colour panel takes color and sends its action to its target.
PWAPPKIT_EXTERN void PWShimAppKitChangeColor(NSColor* color);
