#pragma once
// The AppKit stand-in's cursors, colours, fonts, menus, text fields, alerts
// and panels. Menus pop up, alerts and modal panels run and the colour panel
// changes colour as a test or host scripts them (PWShimAppKit.h); a sheet
// ends when the main queue next runs. Main thread only.

@class NSMenu, NSText, NSWindow;

typedef NSInteger NSModalResponse;
enum
{
  NSModalResponseCancel = 0,
  NSModalResponseOK = 1,
  NSAlertFirstButtonReturn = 1000,
  NSAlertSecondButtonReturn = 1001,
  NSAlertThirdButtonReturn = 1002
};
typedef NSInteger NSControlStateValue;
enum
{
  NSControlStateValueOff = 0,
  NSControlStateValueOn = 1
};
typedef NSInteger NSTextAlignment;
enum
{
  NSTextAlignmentLeft = 0,
  NSTextAlignmentRight = 1,
  NSTextAlignmentCenter = 2
};
typedef NSUInteger NSLineBreakMode;
enum
{
  NSLineBreakByTruncatingTail = 4
};
typedef NSUInteger NSFocusRingType;
enum
{
  NSFocusRingTypeNone = 1
};
enum
{
  NSFloatingWindowLevel = 3
};

// Cursors. Of the shapes, those named with a leading underscore, the busy
// cursor, the help cursor's state (+helpCursorShown, +_setHelpCursor:) are
// offered only while PWShimAppKitSetCursorOffersPrivate is on, as
// +respondsToSelector: answers.
PWAPPKIT_EXPORT @interface NSCursor : NSObject
{
@public // to the stand-in
  NSString* _name;
  NSImage* _image;
  NSPoint _hotSpot;
}
+ (NSCursor*)arrowCursor;
+ (NSCursor*)IBeamCursor;
+ (NSCursor*)crosshairCursor;
+ (NSCursor*)resizeUpCursor;
+ (NSCursor*)resizeLeftRightCursor;
+ (NSCursor*)resizeUpDownCursor;
+ (NSCursor*)operationNotAllowedCursor;
+ (NSCursor*)pointingHandCursor;
+ (NSCursor*)busyButClickableCursor;
+ (NSCursor*)_windowResizeNorthCursor;
+ (NSCursor*)_windowResizeNorthWestSouthEastCursor;
+ (NSCursor*)_windowResizeNorthEastSouthWestCursor;
+ (NSCursor*)_windowResizeEastWestCursor;
+ (NSCursor*)_windowResizeNorthSouthCursor;
+ (NSCursor*)_helpCursor;
+ (BOOL)helpCursorShown;
+ (void)_setHelpCursor:(BOOL)on;
+ (NSCursor*)currentCursor;
- (id)initWithImage:(NSImage*)image hotSpot:(NSPoint)hotSpot;
- (NSImage*)image;
- (NSPoint)hotSpot;
- (void)set;
@end

PWAPPKIT_EXPORT @interface NSBitmapImageRep : NSObject
{
  CGImageRef _image; // one reference
  NSSize _size;
}
- (id)initWithCGImage:(CGImageRef)image;
- (CGImageRef)CGImage;
- (NSInteger)pixelsWide;
- (NSInteger)pixelsHigh;
- (NSSize)size;
- (void)setSize:(NSSize)size;
@end

PWAPPKIT_EXPORT @interface NSColor : NSObject
{
  CGFloat _rgba[4];
}
+ (NSColor*)colorWithDeviceRed:(CGFloat)red green:(CGFloat)green blue:(CGFloat)blue alpha:(CGFloat)alpha;
- (CGFloat)redComponent;
- (CGFloat)greenComponent;
- (CGFloat)blueComponent;
- (CGFloat)alphaComponent;
@end

PWAPPKIT_EXPORT @interface NSFont : NSObject
{
  const void* _descriptor; // CTFontDescriptorRef, retained; null for the system font
  CGFloat _size;
}
// Nil for a null descriptor.
+ (NSFont*)fontWithDescriptor:(id)descriptor size:(CGFloat)size;
+ (NSFont*)systemFontOfSize:(CGFloat)size;
+ (CGFloat)systemFontSize;
- (id)fontDescriptor; // nil for the system font
- (CGFloat)pointSize;
@end

PWAPPKIT_EXPORT @interface NSMenuItem : NSObject
{
@public // to the stand-in
  NSString* _title;
  SEL _action;
  id _target; // not owned
  NSMenu* _submenu;
  NSMenu* _menu; // not owned
  NSInteger _indentation, _state;
  BOOL _enabled, _separator;
}
+ (NSMenuItem*)separatorItem;
- (id)initWithTitle:(NSString*)title action:(SEL)action keyEquivalent:(NSString*)key;
- (NSString*)title;
- (SEL)action;
- (id)target;
- (void)setTarget:(id)target;
- (NSMenu*)submenu;
- (void)setSubmenu:(NSMenu*)submenu;
- (NSMenu*)menu;
- (BOOL)isSeparatorItem;
- (NSInteger)indentationLevel;
- (void)setIndentationLevel:(NSInteger)level;
- (BOOL)isEnabled;
- (void)setEnabled:(BOOL)enabled;
- (NSControlStateValue)state;
- (void)setState:(NSControlStateValue)state;
@end

PWAPPKIT_EXPORT @interface NSMenu : NSObject
{
  NSString* _title;
  NSMutableArray* _items;
  BOOL _autoenables;
}
- (id)initWithTitle:(NSString*)title;
- (void)setAutoenablesItems:(BOOL)autoenables;
- (BOOL)autoenablesItems;
- (void)addItem:(NSMenuItem*)item;
- (NSInteger)numberOfItems;
- (NSMenuItem*)itemAtIndex:(NSInteger)index; // nil out of range
- (NSInteger)indexOfItem:(NSMenuItem*)item;  // -1 when not in the menu
// Shows the menu until the scripted answer (PWShimAppKitSetMenuAnswer);
// YES when an item was chosen.
- (BOOL)popUpMenuPositioningItem:(NSMenuItem*)item atLocation:(NSPoint)location inView:(NSView*)view;
@end

// The field editor: what the user types goes through it.
PWAPPKIT_EXPORT @interface NSText : NSView
{
  NSColor* _insertionPointColor;
}
- (NSColor*)insertionPointColor;
- (void)setInsertionPointColor:(NSColor*)color;
@end

PWAPPKIT_EXPORT @interface NSCell : NSObject
{
@public // to the stand-in
  NSString* _string;
  NSFont* _font;
  BOOL _editable, _drawsBackground, _editsAttributes;
  NSLineBreakMode _lineBreak;
}
- (id)initTextCell:(NSString*)text;
- (NSString*)stringValue;
- (void)setStringValue:(NSString*)string;
- (NSFont*)font;
- (void)setFont:(NSFont*)font;
- (void)setEditable:(BOOL)editable;
- (void)setDrawsBackground:(BOOL)draws;
- (void)setLineBreakMode:(NSLineBreakMode)mode;
- (NSLineBreakMode)lineBreakMode;
- (void)setAllowsEditingTextAttributes:(BOOL)allows;
- (NSSize)cellSize; // height: the font's line height (1.2 x its size) + 4
- (NSRect)drawingRectForBounds:(NSRect)rect;
- (void)selectWithFrame:(NSRect)rect
                 inView:(NSView*)view
                 editor:(NSText*)editor
               delegate:(id)delegate
                  start:(NSInteger)start
                 length:(NSInteger)length;
- (void)editWithFrame:(NSRect)rect inView:(NSView*)view editor:(NSText*)editor delegate:(id)delegate event:(NSEvent*)event;
@end

PWAPPKIT_EXPORT @interface NSTextFieldCell : NSCell
{
@public // to the stand-in
  NSRect _editorFrame; // where the last select or edit placed the editor
}
@end

@protocol NSTextFieldDelegate <NSObject>
@optional
- (void)controlTextDidEndEditing:(NSNotification*)notification;
@end

// A text field: while it is its window's first responder it edits through
// its field editor; resigning ends the editing (the delegate hears
// controlTextDidEndEditing:).
PWAPPKIT_EXPORT @interface NSTextField : NSView
{
@public // to the stand-in
  NSTextFieldCell* _cell;
  NSFormatter* _formatter;
  id _delegate; // not owned
  NSColor* _textColor;
  NSColor* _backgroundColor;
  NSTextAlignment _alignment;
  NSFocusRingType _focusRing;
  BOOL _bordered;
  NSText* _editor; // while editing
}
- (id)cell;
- (void)setCell:(NSCell*)cell;
- (NSString*)stringValue;
- (void)setStringValue:(NSString*)string;
- (NSFont*)font;
- (void)setFont:(NSFont*)font;
- (NSTextAlignment)alignment;
- (void)setAlignment:(NSTextAlignment)alignment;
- (NSFormatter*)formatter;
- (void)setFormatter:(NSFormatter*)formatter;
- (id)delegate;
- (void)setDelegate:(id)delegate;
- (NSColor*)textColor;
- (void)setTextColor:(NSColor*)color;
- (NSColor*)backgroundColor;
- (void)setBackgroundColor:(NSColor*)color;
- (void)setBordered:(BOOL)bordered;
- (void)setFocusRingType:(NSFocusRingType)type;
- (NSText*)currentEditor;
@end

PWAPPKIT_EXPORT @interface NSAlert : NSObject
{
  NSString* _message;
  NSString* _informative;
  NSMutableArray* _buttons;
}
- (void)setMessageText:(NSString*)text;
- (void)setInformativeText:(NSString*)text;
- (id)addButtonWithTitle:(NSString*)title;
- (NSModalResponse)runModal;
@end

PWAPPKIT_EXPORT @interface NSSavePanel : NSObject
{
@public // to the stand-in
  NSArray* _types;
  NSURL* _directory;
  NSURL* _url;
  NSString* _name;
  NSString* _title;
  BOOL _otherTypes, _files, _directories, _aliases, _createDirectories;
  NSInteger _level;
}
+ (NSSavePanel*)savePanel;
- (void)setAllowedFileTypes:(NSArray*)types;
- (void)setDirectoryURL:(NSURL*)url;
- (void)setNameFieldStringValue:(NSString*)name;
- (void)setAllowsOtherFileTypes:(BOOL)allows;
- (void)setLevel:(NSInteger)level;
- (void)setTitle:(NSString*)title;
- (void)setCanCreateDirectories:(BOOL)can;
- (NSURL*)URL;
- (NSModalResponse)runModal;
// The handler runs with the answer when the main queue next runs.
- (void)beginSheetModalForWindow:(NSWindow*)window completionHandler:(void (^)(NSModalResponse))handler;
@end

PWAPPKIT_EXPORT @interface NSOpenPanel : NSSavePanel
+ (NSOpenPanel*)openPanel;
- (void)setCanChooseFiles:(BOOL)can;
- (void)setCanChooseDirectories:(BOOL)can;
- (void)setResolvesAliases:(BOOL)resolves;
- (NSArray*)URLs;
@end

PWAPPKIT_EXPORT @interface NSColorPanel : NSObject
{
  id _target; // not owned
  SEL _action;
  NSColor* _color;
  BOOL _showsAlpha, _visible;
}
+ (NSColorPanel*)sharedColorPanel; // made on first use
+ (BOOL)sharedColorPanelExists;
- (id)target;
- (void)setTarget:(id)target;
- (SEL)action;
- (void)setAction:(SEL)action;
- (void)setShowsAlpha:(BOOL)shows;
- (NSColor*)color;
- (void)setColor:(NSColor*)color;
- (void)orderFront:(id)sender;
- (void)close; // hides the panel
- (BOOL)isVisible;
@end
