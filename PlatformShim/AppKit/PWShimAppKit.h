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

// Calls made of the workspace and of dragging out, one line each:
// "openURL <absolute string>", "openFile <path>", "select <path> in <root>",
// "drag <items> <first item's file URL> at <x> <y> <w> <h>",
// "dragAnimates <0|1>", "dragFormation <n>".
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
