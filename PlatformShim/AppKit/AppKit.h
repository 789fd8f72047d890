#pragma once
// The AppKit stand-in: what the editor view and its drawing context call.
// Views form a tree inside windows with flipped coordinate conversions;
// frames post the frame-changed notification; windows and the main screen
// have a position and a backing scale; the pasteboard, the workspace and
// dragging out record what they are asked. Hooks for hosts and tests are in
// PWShimAppKit.h. Main thread only.

#import <Foundation/Foundation.h>

#include <CoreGraphics/CoreGraphics.h>

#define PWAPPKIT_EXPORT __attribute__((visibility("default")))
#define PWAPPKIT_EXTERN extern "C" __attribute__((visibility("default")))

@class CALayer, NSWindow, NSScreen, NSView, NSEvent, NSImage, NSPasteboard, NSAppearance, NSDraggingSession;

typedef NSInteger NSToolTipTag;
typedef NSString* NSPasteboardType;
typedef NSString* NSAppearanceName;
typedef NSUInteger NSDragOperation;
enum
{
  NSDragOperationNone = 0,
  NSDragOperationCopy = 1,
  NSDragOperationGeneric = 4
};
typedef NSInteger NSDraggingContext;
typedef NSInteger NSDraggingFormation;
enum
{
  NSDraggingFormationDefault = 0,
  NSDraggingFormationNone = 1
};
typedef NSUInteger NSTrackingAreaOptions;
enum
{
  NSTrackingMouseEnteredAndExited = 0x01,
  NSTrackingActiveAlways = 0x80,
  NSTrackingEnabledDuringMouseDrag = 0x400
};
typedef NSInteger NSViewLayerContentsRedrawPolicy;
enum
{
  NSViewLayerContentsRedrawDuringViewResize = 2
};

PWAPPKIT_EXTERN double NSAppKitVersionNumber;
PWAPPKIT_EXTERN NSString* const NSViewFrameDidChangeNotification;
PWAPPKIT_EXTERN NSPasteboardType const NSPasteboardTypeString;
PWAPPKIT_EXTERN NSPasteboardType const NSPasteboardTypeFileURL;
PWAPPKIT_EXTERN NSPasteboardType const NSFilenamesPboardType;
PWAPPKIT_EXTERN NSAppearanceName const NSAppearanceNameAqua;
PWAPPKIT_EXTERN NSAppearanceName const NSAppearanceNameDarkAqua;

PWAPPKIT_EXTERN BOOL NSApplicationLoad(void);

typedef NSUInteger NSEventType;
enum
{
  NSEventTypeLeftMouseDown = 1,
  NSEventTypeLeftMouseUp = 2,
  NSEventTypeRightMouseDown = 3,
  NSEventTypeRightMouseUp = 4,
  NSEventTypeMouseMoved = 5,
  NSEventTypeLeftMouseDragged = 6,
  NSEventTypeRightMouseDragged = 7,
  NSEventTypeMouseEntered = 8,
  NSEventTypeMouseExited = 9,
  NSEventTypeKeyDown = 10,
  NSEventTypeKeyUp = 11,
  NSEventTypeScrollWheel = 22
};
typedef NSUInteger NSEventModifierFlags;
enum
{
  NSEventModifierFlagShift = 1 << 17,
  NSEventModifierFlagControl = 1 << 18,
  NSEventModifierFlagOption = 1 << 19,
  NSEventModifierFlagCommand = 1 << 20
};
typedef short NSEventSubtype;
enum
{
  NSEventSubtypeMouseEvent = 0,
  NSEventSubtypeTabletPoint = 1
};

// Events not handled go on to the next responder; a key event that no
// responder takes is recorded ("unhandled keyDown|keyUp <key code>").
PWAPPKIT_EXPORT @interface NSResponder : NSObject
- (NSResponder*)nextResponder;
- (BOOL)acceptsFirstResponder;
- (BOOL)becomeFirstResponder;
- (BOOL)resignFirstResponder;
- (void)mouseDown:(NSEvent*)event;
- (void)rightMouseDown:(NSEvent*)event;
- (void)mouseUp:(NSEvent*)event;
- (void)rightMouseUp:(NSEvent*)event;
- (void)mouseDragged:(NSEvent*)event;
- (void)rightMouseDragged:(NSEvent*)event;
- (void)mouseMoved:(NSEvent*)event;
- (void)mouseEntered:(NSEvent*)event;
- (void)mouseExited:(NSEvent*)event;
- (void)scrollWheel:(NSEvent*)event;
- (void)keyDown:(NSEvent*)event;
- (void)keyUp:(NSEvent*)event;
@end

PWAPPKIT_EXPORT @interface NSApplication : NSResponder
+ (NSApplication*)sharedApplication;
- (NSEvent*)currentEvent; // nil: no event is being handled
@end
PWAPPKIT_EXTERN NSApplication* NSApp;

PWAPPKIT_EXPORT @interface NSEvent : NSObject
{
@public // to the stand-in
  NSEventType _type;
  NSPoint _location; // window coordinates
  NSEventModifierFlags _modifiers;
  NSInteger _clickCount;
  unsigned short _keyCode;
  NSString* _characters;
  NSString* _charactersIgnoringModifiers;
  NSEventSubtype _subtype;
  CGFloat _deltaY;
  NSWindow* _window; // not owned
}
+ (NSPoint)mouseLocation; // global, origin at the bottom left of the main screen
- (NSEventType)type;
- (NSPoint)locationInWindow;
- (NSEventModifierFlags)modifierFlags;
- (NSInteger)clickCount;
- (unsigned short)keyCode;
- (NSString*)characters;
- (NSString*)charactersIgnoringModifiers;
- (NSEventSubtype)subtype;
- (CGFloat)deltaY;
- (NSWindow*)window;
@end

PWAPPKIT_EXPORT @interface NSAppearance : NSObject
{
  NSString* _name;
}
+ (NSAppearance*)appearanceNamed:(NSAppearanceName)name;
- (NSAppearanceName)name;
@end

// Images: file images exist only for the paths a test registered
// (PWShimAppKitRegisterImage); otherwise initByReferencingFile: answers nil.
PWAPPKIT_EXPORT @interface NSImage : NSObject
{
@public // to the stand-in
  NSSize _size;
  NSString* _file;
  NSMutableArray* _representations;
  CGImageRef _rendered; // the last CGImageForProposedRect:
}
- (id)initByReferencingFile:(NSString*)path;
- (id)initWithSize:(NSSize)size;
- (NSSize)size;
- (void)setSize:(NSSize)size;
- (BOOL)isValid;
- (void)addRepresentation:(id)representation;
- (NSArray*)representations;
// The image rendered to rect's size in pixels (a file image), valid until
// the next call, or null.
- (CGImageRef)CGImageForProposedRect:(NSRect*)rect context:(id)context hints:(NSDictionary*)hints;
@end

PWAPPKIT_EXPORT @interface NSScreen : NSObject
{
@public // to the stand-in
  NSRect _frame;
  CGFloat _scale;
}
+ (NSScreen*)mainScreen;
- (NSRect)frame;
- (CGFloat)backingScaleFactor;
@end

PWAPPKIT_EXPORT @interface NSTrackingArea : NSObject
{
  NSRect _rect;
  NSTrackingAreaOptions _options;
  id _owner;
}
- (id)initWithRect:(NSRect)rect options:(NSTrackingAreaOptions)options owner:(id)owner userInfo:(NSDictionary*)info;
- (NSRect)rect;
- (NSTrackingAreaOptions)options;
- (id)owner;
@end

PWAPPKIT_EXPORT @interface NSView : NSResponder
{
@public // to the stand-in
  NSRect _frame;
  NSView* _superview;         // not owned
  NSWindow* _window;          // not owned; set on a window's content view
  NSMutableArray* _subviews;  // owned
  NSMutableArray* _toolTips;  // owned: NSValue rects
  NSMutableArray* _trackingAreas;
  NSArray* _draggedTypes;
  CALayer* _layer;            // owned
  BOOL _hidden, _wantsLayer, _postsFrameChanges;
  NSViewLayerContentsRedrawPolicy _redrawPolicy;
}
- (id)initWithFrame:(NSRect)frame;
- (NSRect)frame;
- (NSRect)bounds;
- (void)setFrame:(NSRect)frame;
- (void)setFrameSize:(NSSize)size;
- (void)setFrameOrigin:(NSPoint)origin;
- (BOOL)postsFrameChangedNotifications;
- (void)setPostsFrameChangedNotifications:(BOOL)posts;
- (NSView*)superview;
- (NSArray*)subviews;
- (NSWindow*)window;
- (void)addSubview:(NSView*)view;
- (void)removeFromSuperview;
- (BOOL)isFlipped;
- (BOOL)isOpaque;
- (BOOL)isHidden;
- (void)setHidden:(BOOL)hidden;
- (BOOL)wantsLayer;
- (void)setWantsLayer:(BOOL)wants;
- (CALayer*)layer;
- (void)setLayer:(CALayer*)layer;
- (NSViewLayerContentsRedrawPolicy)layerContentsRedrawPolicy;
- (void)setLayerContentsRedrawPolicy:(NSViewLayerContentsRedrawPolicy)policy;
- (void)registerForDraggedTypes:(NSArray*)types;
- (NSArray*)registeredDraggedTypes;
- (NSPoint)convertPoint:(NSPoint)point fromView:(NSView*)view; // nil: window coordinates
- (NSPoint)convertPoint:(NSPoint)point toView:(NSView*)view;
- (NSToolTipTag)addToolTipRect:(NSRect)rect owner:(id)owner userData:(void*)data;
- (void)removeAllToolTips;
- (NSArray*)trackingAreas;
- (void)addTrackingArea:(NSTrackingArea*)area;
- (void)removeTrackingArea:(NSTrackingArea*)area;
- (void)updateTrackingAreas;
- (void)viewDidMoveToWindow;
- (void)viewDidChangeBackingProperties;
- (void)viewDidChangeEffectiveAppearance;
- (NSAppearance*)effectiveAppearance;
- (void)drawRect:(NSRect)rect;
- (NSDraggingSession*)beginDraggingSessionWithItems:(NSArray*)items event:(NSEvent*)event source:(id)source;
@end

PWAPPKIT_EXPORT @interface NSWindow : NSResponder
{
@public // to the stand-in
  NSRect _frame;
  CGFloat _scale;
  NSView* _contentView; // owned
  NSResponder* _firstResponder;
  BOOL _acceptsMouseMoved;
}
- (NSRect)frame;
- (CGFloat)backingScaleFactor;
- (NSView*)contentView;
- (void)setContentView:(NSView*)view;
- (BOOL)makeFirstResponder:(NSResponder*)responder;
- (NSResponder*)firstResponder;
- (BOOL)acceptsMouseMovedEvents;
- (void)setAcceptsMouseMovedEvents:(BOOL)accepts;
- (NSRect)convertRectFromScreen:(NSRect)rect;
- (NSRect)convertRectToScreen:(NSRect)rect;
- (void)makeKeyAndOrderFront:(id)sender;
@end

PWAPPKIT_EXPORT @interface NSAnimationContext : NSObject
{
  NSTimeInterval _duration;
}
+ (void)beginGrouping;
+ (void)endGrouping;
+ (NSAnimationContext*)currentContext;
- (NSTimeInterval)duration;
- (void)setDuration:(NSTimeInterval)duration;
@end

// A drawing context around a CoreGraphics context (retained). There is no
// current one until a host or test makes one current, as AppKit does while
// a view draws. Each graphicsContextWithCGContext:flipped: is recorded
// ("graphicsContext flipped <0|1>").
PWAPPKIT_EXPORT @interface NSGraphicsContext : NSObject
{
  CGContextRef _context;
  BOOL _flipped;
}
+ (NSGraphicsContext*)currentContext;
+ (void)setCurrentContext:(NSGraphicsContext*)context;
+ (NSGraphicsContext*)graphicsContextWithCGContext:(CGContextRef)context flipped:(BOOL)flipped;
- (CGContextRef)CGContext;
- (BOOL)isFlipped;
@end

PWAPPKIT_EXPORT @interface NSPasteboard : NSObject
{
  NSMutableDictionary* _items; // type -> NSString or property list
  NSInteger _changeCount;
}
+ (NSPasteboard*)generalPasteboard;
+ (NSPasteboard*)pasteboardWithUniqueName;
- (NSInteger)clearContents;
- (NSArray*)types;
- (BOOL)setString:(NSString*)string forType:(NSPasteboardType)type;
- (NSString*)stringForType:(NSPasteboardType)type;
- (BOOL)setPropertyList:(id)list forType:(NSPasteboardType)type;
- (id)propertyListForType:(NSPasteboardType)type;
// NSURLs: file URLs as NSPasteboardTypeFileURL strings; false for anything else.
- (BOOL)writeObjects:(NSArray*)objects;
@end

PWAPPKIT_EXPORT @interface NSPasteboardItem : NSObject
{
  NSMutableDictionary* _items;
}
- (BOOL)setString:(NSString*)string forType:(NSPasteboardType)type;
- (NSString*)stringForType:(NSPasteboardType)type;
@end

PWAPPKIT_EXPORT @interface NSDraggingItem : NSObject
{
  id _writer;
  NSRect _frame;
  id _contents;
}
- (id)initWithPasteboardWriter:(id)writer;
- (void)setDraggingFrame:(NSRect)frame contents:(id)contents;
- (NSRect)draggingFrame;
- (id)item;
@end

PWAPPKIT_EXPORT @interface NSDraggingSession : NSObject
{
  BOOL _animates;
  NSDraggingFormation _formation;
}
- (BOOL)animatesToStartingPositionsOnCancelOrFail;
- (void)setAnimatesToStartingPositionsOnCancelOrFail:(BOOL)animates;
- (NSDraggingFormation)draggingFormation;
- (void)setDraggingFormation:(NSDraggingFormation)formation;
@end

@protocol NSDraggingInfo <NSObject>
- (NSPasteboard*)draggingPasteboard;
- (NSPoint)draggingLocation; // window coordinates
@end

@protocol NSDraggingSource <NSObject>
- (NSDragOperation)draggingSession:(NSDraggingSession*)session
  sourceOperationMaskForDraggingContext:(NSDraggingContext)context;
@end

PWAPPKIT_EXPORT @interface NSWorkspace : NSObject
+ (NSWorkspace*)sharedWorkspace;
- (BOOL)openURL:(NSURL*)url;
- (BOOL)openFile:(NSString*)path;
- (BOOL)selectFile:(NSString*)path inFileViewerRootedAtPath:(NSString*)root;
- (NSImage*)iconForFile:(NSString*)path;
@end

#import <AppKit/AppKitControls.h>
