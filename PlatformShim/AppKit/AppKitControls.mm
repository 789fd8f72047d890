#import "PWShimAppKit.h"

#include <dispatch/dispatch.h>
#include <objc/runtime.h>

#include <Block.h>
#include <cstring>

#include <cmath>
#include <set>

void PWShimAppKitRecordCall(NSString* line);

namespace {
BOOL sOffersPrivate = YES;
BOOL sHelpShown = NO;
NSCursor* sCurrentCursor;    // retained
NSArray* sMenuAnswer;        // retained; nil cancels
NSMenu* sLastMenu;           // retained
NSInteger sAlertAnswer = 0;
NSString* sPanelAnswer;      // retained; nil cancels
NSColorPanel* sColorPanel;   // the shared colour panel, once made; kept for the process
NSView* sMouseDownView;      // retained from a down to its up
std::set<const void*> sInside; // tracking areas the mouse is in

NSString* Joined(NSArray* parts)
{
  return parts ? [parts componentsJoinedByString:@","] : @"";
}

// The deepest visible view of the window under a point in window coordinates.
NSView* ViewAt(NSView* view, NSPoint point)
{
  if (!view || [view isHidden])
    return nil;
  const NSPoint local = [view convertPoint:point fromView:nil];
  if (!NSPointInRect(local, [view bounds]))
    return nil;
  NSArray* subviews = [view subviews];
  for (NSUInteger i = [subviews count]; i > 0; i--)
  {
    if (NSView* hit = ViewAt([subviews objectAtIndex:i - 1], point))
      return hit;
  }
  return view;
}

NSEvent* MakeEvent(NSEventType type, NSWindow* window, NSPoint location, NSEventModifierFlags modifiers)
{
  NSEvent* event = [[[NSEvent alloc] init] autorelease];
  event->_type = type;
  event->_window = window;
  event->_location = location;
  event->_modifiers = modifiers;
  return event;
}

// Enter and exit for the tracking areas of every view of the window.
void Track(NSWindow* window, NSPoint point, NSEventModifierFlags modifiers)
{
  NSMutableArray* views = [NSMutableArray array];
  NSMutableArray* stack = [NSMutableArray arrayWithObject:[window contentView]];
  while ([stack count])
  {
    NSView* view = [stack lastObject];
    [stack removeLastObject];
    [views addObject:view];
    [stack addObjectsFromArray:[view subviews]];
  }
  for (NSView* view in views)
  {
    const NSPoint local = [view convertPoint:point fromView:nil];
    for (NSTrackingArea* area in [NSArray arrayWithArray:[view trackingAreas]])
    {
      const bool inside = NSPointInRect(local, [area rect]);
      const bool was = sInside.count(area) > 0;
      if (inside == was)
        continue;
      if (inside)
        sInside.insert(area);
      else
        sInside.erase(area);
      NSEvent* event = MakeEvent(inside ? NSEventTypeMouseEntered : NSEventTypeMouseExited, window, point, modifiers);
      if (inside)
        [[area owner] mouseEntered:event];
      else
        [[area owner] mouseExited:event];
    }
  }
}

NSTextField* EditedField(NSWindow* window)
{
  id responder = [window firstResponder];
  return [responder isKindOfClass:[NSTextField class]] && [responder currentEditor] ? responder : nil;
}
} // namespace

PWAPPKIT_EXTERN void PWShimAppKitMouseEx(NSView* editorView, double scale, PWShimMouseAction action, double x,
                                         double y, NSInteger clicks, NSEventModifierFlags modifiers,
                                         NSEventSubtype subtype, double deltaY)
{
  NSWindow* window = [editorView window];
  if (!window)
    return;
  const NSPoint point = [editorView convertPoint:NSMakePoint(x * scale, y * scale) toView:nil];
  const NSRect onScreen = [window convertRectToScreen:NSMakeRect(point.x, point.y, 0, 0)];
  PWShimAppKitSetMouseLocation(onScreen.origin);
  const bool down = action == PWShimMouseLeftDown || action == PWShimMouseRightDown;
  static const NSEventType types[] = {NSEventTypeLeftMouseDown, NSEventTypeLeftMouseUp, NSEventTypeLeftMouseDragged,
                                      NSEventTypeRightMouseDown, NSEventTypeRightMouseUp,
                                      NSEventTypeRightMouseDragged, NSEventTypeMouseMoved, NSEventTypeScrollWheel};
  NSEvent* event = MakeEvent(types[action], window, point, modifiers);
  event->_clickCount = down ? (clicks < 1 ? 1 : clicks) : (clicks < 0 ? 0 : clicks);
  event->_subtype = subtype;
  event->_deltaY = deltaY;
  NSView* target = sMouseDownView && !down ? sMouseDownView : ViewAt([window contentView], point);
  if (action != PWShimMouseLeftUp && action != PWShimMouseRightUp)
    Track(window, point, modifiers);
  switch (action)
  {
    case PWShimMouseLeftDown:
    case PWShimMouseRightDown:
      [sMouseDownView release];
      sMouseDownView = [target retain];
      action == PWShimMouseLeftDown ? [target mouseDown:event] : [target rightMouseDown:event];
      break;
    case PWShimMouseLeftUp:
    case PWShimMouseRightUp:
      action == PWShimMouseLeftUp ? [target mouseUp:event] : [target rightMouseUp:event];
      [sMouseDownView release];
      sMouseDownView = nil;
      Track(window, point, modifiers);
      break;
    case PWShimMouseLeftDrag: [target mouseDragged:event]; break;
    case PWShimMouseRightDrag: [target rightMouseDragged:event]; break;
    case PWShimMouseMove: [target mouseMoved:event]; break;
    case PWShimMouseWheel: [target scrollWheel:event]; break;
  }
}

PWAPPKIT_EXTERN void PWShimAppKitMouse(NSView* editorView, double scale, PWShimMouseAction action, double x, double y,
                                       NSInteger clicks, NSEventModifierFlags modifiers)
{
  PWShimAppKitMouseEx(editorView, scale, action, x, y, clicks, modifiers, NSEventSubtypeMouseEvent, 0.0);
}

PWAPPKIT_EXTERN void PWShimAppKitKey(NSWindow* window, BOOL down, unsigned short keyCode, NSString* characters,
                                     NSEventModifierFlags modifiers)
{
  NSEvent* event = MakeEvent(down ? NSEventTypeKeyDown : NSEventTypeKeyUp, window, NSMakePoint(0, 0), modifiers);
  event->_keyCode = keyCode;
  event->_characters = [characters copy];
  event->_charactersIgnoringModifiers = [characters copy];
  NSResponder* responder = [window firstResponder] ? [window firstResponder] : window;
  down ? [responder keyDown:event] : [responder keyUp:event];
}

PWAPPKIT_EXTERN NSInteger PWShimAppKitType(NSWindow* window, NSString* text)
{
  NSTextField* field = EditedField(window);
  if (!field)
    return -1;
  NSInteger taken = 0;
  for (NSUInteger i = 0; i < [text length]; i++)
  {
    NSString* candidate = [[field stringValue] stringByAppendingString:[text substringWithRange:NSMakeRange(i, 1)]];
    NSString* replacement = nil;
    NSString* error = nil;
    NSFormatter* formatter = [field formatter];
    if (formatter && ![formatter isPartialStringValid:candidate newEditingString:&replacement errorDescription:&error])
      continue;
    [field setStringValue:candidate];
    taken++;
  }
  return taken;
}

PWAPPKIT_EXTERN void PWShimAppKitPressReturn(NSWindow* window)
{
  NSTextField* field = EditedField(window);
  id delegate = [field delegate];
  if ([delegate respondsToSelector:@selector(controlTextDidEndEditing:)])
    [delegate controlTextDidEndEditing:[NSNotification notificationWithName:@"NSControlTextDidEndEditingNotification"
                                                                      object:field]];
}

PWAPPKIT_EXTERN void PWShimAppKitSetCursorOffersPrivate(BOOL offers)
{
  sOffersPrivate = offers;
}

PWAPPKIT_EXTERN void PWShimAppKitSetHelpCursorShown(BOOL shown)
{
  sHelpShown = shown;
}

PWAPPKIT_EXTERN NSString* PWShimAppKitCursorName(NSCursor* cursor)
{
  return cursor ? cursor->_name : nil;
}

PWAPPKIT_EXTERN void PWShimAppKitSetMenuAnswer(NSArray* path)
{
  [sMenuAnswer release];
  sMenuAnswer = [path copy];
}

PWAPPKIT_EXTERN NSMenu* PWShimAppKitLastMenu(void)
{
  return sLastMenu;
}

PWAPPKIT_EXTERN void PWShimAppKitSetAlertAnswer(NSInteger button)
{
  sAlertAnswer = button;
}

PWAPPKIT_EXTERN void PWShimAppKitSetPanelAnswer(NSString* path)
{
  [sPanelAnswer release];
  sPanelAnswer = [path copy];
}

PWAPPKIT_EXTERN void PWShimAppKitChangeColor(NSColor* color)
{
  NSColorPanel* panel = [NSColorPanel sharedColorPanel];
  [panel setColor:color];
  if ([panel target] && [panel action])
    [[panel target] performSelector:[panel action] withObject:panel];
}

@implementation NSCursor
+ (BOOL)respondsToSelector:(SEL)selector
{
  const char* name = sel_getName(selector);
  if (name[0] == '_' || !strcmp(name, "busyButClickableCursor") || !strcmp(name, "helpCursorShown"))
    return sOffersPrivate;
  return [super respondsToSelector:selector];
}
+ (NSCursor*)named:(NSString*)name
{
  static NSMutableDictionary* cursors = [[NSMutableDictionary alloc] init];
  NSCursor* cursor = [cursors objectForKey:name];
  if (!cursor)
  {
    cursor = [[[NSCursor alloc] initWithImage:nil hotSpot:NSMakePoint(0, 0)] autorelease];
    [cursor->_name release];
    cursor->_name = [name copy];
    [cursors setObject:cursor forKey:name];
  }
  return cursor;
}
+ (NSCursor*)arrowCursor { return [self named:@"arrow"]; }
+ (NSCursor*)IBeamCursor { return [self named:@"IBeam"]; }
+ (NSCursor*)crosshairCursor { return [self named:@"crosshair"]; }
+ (NSCursor*)resizeUpCursor { return [self named:@"resizeUp"]; }
+ (NSCursor*)resizeLeftRightCursor { return [self named:@"resizeLeftRight"]; }
+ (NSCursor*)resizeUpDownCursor { return [self named:@"resizeUpDown"]; }
+ (NSCursor*)operationNotAllowedCursor { return [self named:@"operationNotAllowed"]; }
+ (NSCursor*)pointingHandCursor { return [self named:@"pointingHand"]; }
+ (NSCursor*)busyButClickableCursor { return [self named:@"busyButClickable"]; }
+ (NSCursor*)_windowResizeNorthCursor { return [self named:@"windowResizeNorth"]; }
+ (NSCursor*)_windowResizeNorthWestSouthEastCursor { return [self named:@"windowResizeNorthWestSouthEast"]; }
+ (NSCursor*)_windowResizeNorthEastSouthWestCursor { return [self named:@"windowResizeNorthEastSouthWest"]; }
+ (NSCursor*)_windowResizeEastWestCursor { return [self named:@"windowResizeEastWest"]; }
+ (NSCursor*)_windowResizeNorthSouthCursor { return [self named:@"windowResizeNorthSouth"]; }
+ (NSCursor*)_helpCursor { return [self named:@"help"]; }
+ (BOOL)helpCursorShown { return sHelpShown; }
+ (void)_setHelpCursor:(BOOL)on { sHelpShown = on; }
+ (NSCursor*)currentCursor { return sCurrentCursor ? sCurrentCursor : [self arrowCursor]; }
- (id)initWithImage:(NSImage*)image hotSpot:(NSPoint)hotSpot
{
  if ((self = [super init]))
  {
    _name = @"image";
    _image = [image retain];
    _hotSpot = hotSpot;
  }
  return self;
}
- (void)dealloc
{
  [_name release];
  [_image release];
  [super dealloc];
}
- (NSImage*)image { return _image; }
- (NSPoint)hotSpot { return _hotSpot; }
- (void)set
{
  [self retain];
  [sCurrentCursor release];
  sCurrentCursor = self;
}
@end

@implementation NSBitmapImageRep
- (id)initWithCGImage:(CGImageRef)image
{
  if (!image)
  {
    [self release];
    return nil;
  }
  if ((self = [super init]))
  {
    _image = CGImageRetain(image);
    _size = NSMakeSize(CGImageGetWidth(image), CGImageGetHeight(image));
  }
  return self;
}
- (void)dealloc
{
  CGImageRelease(_image);
  [super dealloc];
}
- (CGImageRef)CGImage { return _image; }
- (NSInteger)pixelsWide { return static_cast<NSInteger>(CGImageGetWidth(_image)); }
- (NSInteger)pixelsHigh { return static_cast<NSInteger>(CGImageGetHeight(_image)); }
- (NSSize)size { return _size; }
- (void)setSize:(NSSize)size { _size = size; }
@end

@implementation NSColor
+ (NSColor*)colorWithDeviceRed:(CGFloat)red green:(CGFloat)green blue:(CGFloat)blue alpha:(CGFloat)alpha
{
  NSColor* color = [[[NSColor alloc] init] autorelease];
  color->_rgba[0] = red, color->_rgba[1] = green, color->_rgba[2] = blue, color->_rgba[3] = alpha;
  return color;
}
- (CGFloat)redComponent { return _rgba[0]; }
- (CGFloat)greenComponent { return _rgba[1]; }
- (CGFloat)blueComponent { return _rgba[2]; }
- (CGFloat)alphaComponent { return _rgba[3]; }
@end

@implementation NSFont
+ (NSFont*)fontWithDescriptor:(id)descriptor size:(CGFloat)size
{
  if (!descriptor)
    return nil;
  NSFont* font = [[[NSFont alloc] init] autorelease];
  font->_descriptor = CFRetain(descriptor);
  font->_size = size;
  return font;
}
+ (NSFont*)systemFontOfSize:(CGFloat)size
{
  NSFont* font = [[[NSFont alloc] init] autorelease];
  font->_size = size > 0 ? size : [self systemFontSize];
  return font;
}
+ (CGFloat)systemFontSize { return 13.0; }
- (void)dealloc
{
  if (_descriptor)
    CFRelease(_descriptor);
  [super dealloc];
}
- (id)fontDescriptor { return (id)_descriptor; }
- (CGFloat)pointSize { return _size; }
@end

@implementation NSMenuItem
+ (NSMenuItem*)separatorItem
{
  NSMenuItem* item = [[[NSMenuItem alloc] initWithTitle:@"" action:nullptr keyEquivalent:@""] autorelease];
  item->_separator = YES;
  return item;
}
- (id)initWithTitle:(NSString*)title action:(SEL)action keyEquivalent:(NSString*)key
{
  (void)key;
  if ((self = [super init]))
  {
    _title = [title copy];
    _action = action;
    _enabled = YES;
  }
  return self;
}
- (void)dealloc
{
  [_title release];
  [_submenu release];
  [super dealloc];
}
- (NSString*)title { return _title; }
- (SEL)action { return _action; }
- (id)target { return _target; }
- (void)setTarget:(id)target { _target = target; }
- (NSMenu*)submenu { return _submenu; }
- (void)setSubmenu:(NSMenu*)submenu
{
  [submenu retain];
  [_submenu release];
  _submenu = submenu;
}
- (NSMenu*)menu { return _menu; }
- (BOOL)isSeparatorItem { return _separator; }
- (NSInteger)indentationLevel { return _indentation; }
- (void)setIndentationLevel:(NSInteger)level { _indentation = level; }
- (BOOL)isEnabled { return _enabled; }
- (void)setEnabled:(BOOL)enabled { _enabled = enabled; }
- (NSControlStateValue)state { return _state; }
- (void)setState:(NSControlStateValue)state { _state = state; }
@end

@implementation NSMenu
- (id)initWithTitle:(NSString*)title
{
  if ((self = [super init]))
  {
    _title = [title copy];
    _items = [[NSMutableArray alloc] init];
    _autoenables = YES;
  }
  return self;
}
- (void)dealloc
{
  for (NSMenuItem* item in _items)
    item->_menu = nil;
  [_title release];
  [_items release];
  [super dealloc];
}
- (void)setAutoenablesItems:(BOOL)autoenables { _autoenables = autoenables; }
- (BOOL)autoenablesItems { return _autoenables; }
- (void)addItem:(NSMenuItem*)item
{
  if (!item)
    return;
  [_items addObject:item];
  item->_menu = self;
}
- (NSInteger)numberOfItems { return static_cast<NSInteger>([_items count]); }
- (NSMenuItem*)itemAtIndex:(NSInteger)index
{
  return index >= 0 && index < [self numberOfItems] ? [_items objectAtIndex:static_cast<NSUInteger>(index)] : nil;
}
- (NSInteger)indexOfItem:(NSMenuItem*)item
{
  const NSUInteger index = [_items indexOfObjectIdenticalTo:item];
  return index == NSNotFound ? -1 : static_cast<NSInteger>(index);
}
- (BOOL)popUpMenuPositioningItem:(NSMenuItem*)item atLocation:(NSPoint)location inView:(NSView*)view
{
  (void)view;
  [self retain];
  [sLastMenu release];
  sLastMenu = self;
  PWShimAppKitRecordCall([NSString stringWithFormat:@"popup %ld positioning %ld at %g %g", (long)[self numberOfItems],
                                                    (long)[self indexOfItem:item], location.x, location.y]);
  NSMenu* menu = self;
  NSMenuItem* chosen = nil;
  for (NSNumber* index in sMenuAnswer)
  {
    chosen = [menu itemAtIndex:[index integerValue]];
    menu = [chosen submenu];
    if (!chosen)
      break;
  }
  if (!chosen || [chosen submenu] || ![chosen isEnabled] || ![chosen action])
    return NO;
  [[chosen target] performSelector:[chosen action] withObject:chosen];
  return YES;
}
@end

@implementation NSText
- (void)dealloc
{
  [_insertionPointColor release];
  [super dealloc];
}
- (NSColor*)insertionPointColor { return _insertionPointColor; }
- (void)setInsertionPointColor:(NSColor*)color
{
  [color retain];
  [_insertionPointColor release];
  _insertionPointColor = color;
}
@end

@implementation NSCell
- (id)init { return [self initTextCell:@""]; }
- (id)initTextCell:(NSString*)text
{
  if ((self = [super init]))
    _string = [text copy];
  return self;
}
- (void)dealloc
{
  [_string release];
  [_font release];
  [super dealloc];
}
- (NSString*)stringValue { return _string; }
- (void)setStringValue:(NSString*)string
{
  string = [string copy];
  [_string release];
  _string = string;
}
- (NSFont*)font { return _font; }
- (void)setFont:(NSFont*)font
{
  [font retain];
  [_font release];
  _font = font;
}
- (void)setEditable:(BOOL)editable { _editable = editable; }
- (void)setDrawsBackground:(BOOL)draws { _drawsBackground = draws; }
- (void)setLineBreakMode:(NSLineBreakMode)mode { _lineBreak = mode; }
- (NSLineBreakMode)lineBreakMode { return _lineBreak; }
- (void)setAllowsEditingTextAttributes:(BOOL)allows { _editsAttributes = allows; }
- (NSSize)cellSize
{
  const CGFloat size = _font ? [_font pointSize] : [NSFont systemFontSize];
  return NSMakeSize(0, std::ceil(size * 1.2) + 4);
}
- (NSRect)drawingRectForBounds:(NSRect)rect { return rect; }
- (void)selectWithFrame:(NSRect)rect
                 inView:(NSView*)view
                 editor:(NSText*)editor
               delegate:(id)delegate
                  start:(NSInteger)start
                 length:(NSInteger)length
{
  (void)view, (void)delegate, (void)start, (void)length;
  [editor setFrame:rect];
}
- (void)editWithFrame:(NSRect)rect inView:(NSView*)view editor:(NSText*)editor delegate:(id)delegate event:(NSEvent*)event
{
  (void)view, (void)delegate, (void)event;
  [editor setFrame:rect];
}
@end

@implementation NSTextFieldCell
@end

@implementation NSTextField
- (id)initWithFrame:(NSRect)frame
{
  if ((self = [super initWithFrame:frame]))
  {
    _cell = [[NSTextFieldCell alloc] initTextCell:@""];
    _bordered = YES;
  }
  return self;
}
- (void)dealloc
{
  [_cell release];
  [_formatter release];
  [_textColor release];
  [_backgroundColor release];
  [_editor release];
  [super dealloc];
}
- (BOOL)acceptsFirstResponder { return YES; }
// Editing starts: the cell places a new field editor over the field.
- (BOOL)becomeFirstResponder
{
  [_editor release];
  _editor = [[NSText alloc] initWithFrame:[self bounds]];
  [_cell selectWithFrame:[self bounds] inView:self editor:_editor delegate:self start:0 length:0];
  return YES;
}
- (BOOL)resignFirstResponder
{
  if (!_editor)
    return YES;
  [_editor release];
  _editor = nil;
  if ([_delegate respondsToSelector:@selector(controlTextDidEndEditing:)])
    [_delegate controlTextDidEndEditing:[NSNotification notificationWithName:@"NSControlTextDidEndEditingNotification"
                                                                      object:self]];
  return YES;
}
- (id)cell { return _cell; }
- (void)setCell:(NSCell*)cell
{
  [cell retain];
  [_cell release];
  _cell = (NSTextFieldCell*)cell;
}
- (NSString*)stringValue { return [_cell stringValue] ? [_cell stringValue] : @""; }
- (void)setStringValue:(NSString*)string { [_cell setStringValue:string]; }
- (NSFont*)font { return [_cell font]; }
- (void)setFont:(NSFont*)font { [_cell setFont:font]; }
- (NSTextAlignment)alignment { return _alignment; }
- (void)setAlignment:(NSTextAlignment)alignment { _alignment = alignment; }
- (NSFormatter*)formatter { return _formatter; }
- (void)setFormatter:(NSFormatter*)formatter
{
  [formatter retain];
  [_formatter release];
  _formatter = formatter;
}
- (id)delegate { return _delegate; }
- (void)setDelegate:(id)delegate { _delegate = delegate; }
- (NSColor*)textColor { return _textColor; }
- (void)setTextColor:(NSColor*)color
{
  [color retain];
  [_textColor release];
  _textColor = color;
}
- (NSColor*)backgroundColor { return _backgroundColor; }
- (void)setBackgroundColor:(NSColor*)color
{
  [color retain];
  [_backgroundColor release];
  _backgroundColor = color;
}
- (void)setBordered:(BOOL)bordered { _bordered = bordered; }
- (void)setFocusRingType:(NSFocusRingType)type { _focusRing = type; }
- (NSText*)currentEditor { return _editor; }
@end

@implementation NSAlert
- (id)init
{
  if ((self = [super init]))
    _buttons = [[NSMutableArray alloc] init];
  return self;
}
- (void)dealloc
{
  [_message release];
  [_informative release];
  [_buttons release];
  [super dealloc];
}
- (void)setMessageText:(NSString*)text
{
  text = [text copy];
  [_message release];
  _message = text;
}
- (void)setInformativeText:(NSString*)text
{
  text = [text copy];
  [_informative release];
  _informative = text;
}
- (id)addButtonWithTitle:(NSString*)title
{
  [_buttons addObject:title ? title : @""];
  return nil;
}
- (NSModalResponse)runModal
{
  PWShimAppKitRecordCall(
    [NSString stringWithFormat:@"alert %@ | %@ | %@", _message ? _message : @"", _informative ? _informative : @"",
                               Joined(_buttons)]);
  return NSAlertFirstButtonReturn + sAlertAnswer;
}
@end

@implementation NSSavePanel
+ (NSSavePanel*)savePanel { return [[[self alloc] init] autorelease]; }
- (id)init
{
  if ((self = [super init]))
    _files = YES;
  return self;
}
- (void)dealloc
{
  [_types release];
  [_directory release];
  [_url release];
  [_name release];
  [_title release];
  [super dealloc];
}
- (void)setAllowedFileTypes:(NSArray*)types
{
  types = [types copy];
  [_types release];
  _types = types;
}
- (void)setDirectoryURL:(NSURL*)url
{
  [url retain];
  [_directory release];
  _directory = url;
}
- (void)setNameFieldStringValue:(NSString*)name
{
  name = [name copy];
  [_name release];
  _name = name;
}
- (void)setTitle:(NSString*)title
{
  title = [title copy];
  [_title release];
  _title = title;
}
- (void)setAllowsOtherFileTypes:(BOOL)allows { _otherTypes = allows; }
- (void)setLevel:(NSInteger)level { _level = level; }
- (void)setCanCreateDirectories:(BOOL)can { _createDirectories = can; }
- (NSURL*)URL { return _url; }
- (NSModalResponse)answer:(NSString*)how
{
  PWShimAppKitRecordCall([NSString
    stringWithFormat:@"panel %@ %@ dir %@ name %@ types %@ files %d dirs %d title %@",
                     [self isKindOfClass:[NSOpenPanel class]] ? @"open" : @"save", how,
                     _directory ? [_directory path] : @"", _name ? _name : @"", Joined(_types), _files ? 1 : 0,
                     _directories ? 1 : 0, _title ? _title : @""]);
  [_url release];
  _url = sPanelAnswer ? [[NSURL fileURLWithPath:sPanelAnswer] retain] : nil;
  return _url ? NSModalResponseOK : NSModalResponseCancel;
}
- (NSModalResponse)runModal { return [self answer:@"modal"]; }
- (void)beginSheetModalForWindow:(NSWindow*)window completionHandler:(void (^)(NSModalResponse))handler
{
  (void)window;
  const NSModalResponse response = [self answer:@"sheet"];
  void (^copied)(NSModalResponse) = Block_copy(handler);
  [self retain];
  dispatch_async(dispatch_get_main_queue(), ^{
    if (copied)
      copied(response);
    Block_release(copied);
    [self release];
  });
}
@end

@implementation NSOpenPanel
+ (NSOpenPanel*)openPanel { return [[[self alloc] init] autorelease]; }
- (void)setCanChooseFiles:(BOOL)can { _files = can; }
- (void)setCanChooseDirectories:(BOOL)can { _directories = can; }
- (void)setResolvesAliases:(BOOL)resolves { _aliases = resolves; }
- (NSArray*)URLs { return _url ? [NSArray arrayWithObject:_url] : [NSArray array]; }
@end

@implementation NSColorPanel
+ (NSColorPanel*)sharedColorPanel
{
  if (!sColorPanel)
    sColorPanel = [[NSColorPanel alloc] init];
  return sColorPanel;
}
+ (BOOL)sharedColorPanelExists { return sColorPanel != nil; }
- (void)dealloc
{
  [_color release];
  [super dealloc];
}
- (id)target { return _target; }
- (void)setTarget:(id)target { _target = target; }
- (SEL)action { return _action; }
- (void)setAction:(SEL)action { _action = action; }
- (void)setShowsAlpha:(BOOL)shows { _showsAlpha = shows; }
- (NSColor*)color { return _color; }
- (void)setColor:(NSColor*)color
{
  [color retain];
  [_color release];
  _color = color;
}
- (void)orderFront:(id)sender
{
  (void)sender;
  _visible = YES;
}
- (void)close { _visible = NO; }
- (BOOL)isVisible { return _visible; }
@end
