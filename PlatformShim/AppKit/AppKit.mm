#import "PWShimAppKit.h"

#import <QuartzCore/QuartzCore.h>

#include <objc/runtime.h>

#include <cmath>
#include <vector>

PWAPPKIT_EXTERN double NSAppKitVersionNumber = 2022.0;
PWAPPKIT_EXTERN NSString* const NSViewFrameDidChangeNotification = @"NSViewFrameDidChangeNotification";
PWAPPKIT_EXTERN NSPasteboardType const NSPasteboardTypeString = @"public.utf8-plain-text";
PWAPPKIT_EXTERN NSPasteboardType const NSPasteboardTypeFileURL = @"public.file-url";
PWAPPKIT_EXTERN NSPasteboardType const NSFilenamesPboardType = @"NSFilenamesPboardType";
PWAPPKIT_EXTERN NSAppearanceName const NSAppearanceNameAqua = @"NSAppearanceNameAqua";
PWAPPKIT_EXTERN NSAppearanceName const NSAppearanceNameDarkAqua = @"NSAppearanceNameDarkAqua";
PWAPPKIT_EXTERN NSApplication* NSApp = nil;

namespace {
NSPoint sMouse = {0, 0};
NSRect sScreenFrame = {{0, 0}, {1440, 900}};
CGFloat sScreenScale = 1.0;
BOOL sDark = NO;
BOOL sWorkspaceAnswer = YES;
double sAnimationDuration = -1.0;
NSMutableArray* sCalls;
NSMutableDictionary* sImages; // path -> NSValue size
NSGraphicsContext* sCurrentGraphicsContext; // retained

void Record(NSString* line)
{
  if (!sCalls)
    sCalls = [[NSMutableArray alloc] init];
  [sCalls addObject:line];
}

struct VirtualTimer
{
  NSTimer* timer; // retained
  double elapsedMs;
};
std::vector<VirtualTimer> sTimers;
IMP sGNUstepAddTimer;

// The view tree below view, view first.
void ForEachView(NSView* view, void (^visit)(NSView*))
{
  if (!view)
    return;
  visit(view);
  NSArray* subviews = [[view subviews] copy];
  for (NSUInteger i = 0; i < [subviews count]; i++)
    ForEachView([subviews objectAtIndex:i], visit);
  [subviews release];
}

// A point of view's coordinates in view's unflipped coordinates and back.
CGFloat Unflip(NSView* view, CGFloat y)
{
  return [view isFlipped] ? [view frame].size.height - y : y;
}

// Window coordinates -> view's unflipped coordinates.
NSPoint UnflippedFromWindow(NSView* view, NSPoint point)
{
  NSView* superview = [view superview];
  const NSRect frame = [view frame];
  if (!superview)
    return NSMakePoint(point.x - frame.origin.x, point.y - frame.origin.y);
  const NSPoint outer = UnflippedFromWindow(superview, point);
  const CGFloat bottom = [superview isFlipped] ? [superview frame].size.height - frame.origin.y - frame.size.height
                                               : frame.origin.y;
  return NSMakePoint(outer.x - frame.origin.x, outer.y - bottom);
}

NSPoint WindowFromUnflipped(NSView* view, NSPoint point)
{
  NSView* superview = [view superview];
  const NSRect frame = [view frame];
  if (!superview)
    return NSMakePoint(point.x + frame.origin.x, point.y + frame.origin.y);
  const CGFloat bottom = [superview isFlipped] ? [superview frame].size.height - frame.origin.y - frame.size.height
                                               : frame.origin.y;
  return WindowFromUnflipped(superview, NSMakePoint(point.x + frame.origin.x, point.y + bottom));
}
// As AppKit does for a view entering a window: a Metal layer's drawable
// takes the view's size in pixels, tracking areas are updated, then the view
// hears of its window.
void MovedIntoWindow(NSView* view)
{
  CALayer* layer = [view layer];
  if ([(id)layer respondsToSelector:@selector(setDrawableSize:)])
  {
    const CGFloat scale = [[view window] backingScaleFactor];
    const NSSize size = [view frame].size;
    [(CAMetalLayer*)layer setDrawableSize:CGSizeMake(size.width * scale, size.height * scale)];
  }
  [view updateTrackingAreas];
  [view viewDidMoveToWindow];
}
} // namespace

// For the rest of the stand-in (not exported).
void PWShimAppKitRecordCall(NSString* line)
{
  Record(line);
}

PWAPPKIT_EXTERN void PWShimAppKitRegisterImage(NSString* path, NSSize size)
{
  if (!sImages)
    sImages = [[NSMutableDictionary alloc] init];
  [sImages setObject:[NSValue valueWithSize:size] forKey:path];
}

PWAPPKIT_EXTERN BOOL NSApplicationLoad(void)
{
  [NSApplication sharedApplication];
  return YES;
}

@implementation NSResponder
- (NSResponder*)nextResponder { return nil; }
- (BOOL)acceptsFirstResponder { return NO; }
- (BOOL)becomeFirstResponder { return YES; }
- (BOOL)resignFirstResponder { return YES; }
- (void)mouseDown:(NSEvent*)event { [[self nextResponder] mouseDown:event]; }
- (void)rightMouseDown:(NSEvent*)event { [[self nextResponder] rightMouseDown:event]; }
- (void)mouseUp:(NSEvent*)event { [[self nextResponder] mouseUp:event]; }
- (void)rightMouseUp:(NSEvent*)event { [[self nextResponder] rightMouseUp:event]; }
- (void)mouseDragged:(NSEvent*)event { [[self nextResponder] mouseDragged:event]; }
- (void)rightMouseDragged:(NSEvent*)event { [[self nextResponder] rightMouseDragged:event]; }
- (void)mouseMoved:(NSEvent*)event { [[self nextResponder] mouseMoved:event]; }
- (void)mouseEntered:(NSEvent*)event { (void)event; }
- (void)mouseExited:(NSEvent*)event { (void)event; }
- (void)scrollWheel:(NSEvent*)event { [[self nextResponder] scrollWheel:event]; }
- (void)keyDown:(NSEvent*)event
{
  if (NSResponder* next = [self nextResponder])
    [next keyDown:event];
  else
    Record([NSString stringWithFormat:@"unhandled keyDown %u", (unsigned)[event keyCode]]);
}
- (void)keyUp:(NSEvent*)event
{
  if (NSResponder* next = [self nextResponder])
    [next keyUp:event];
  else
    Record([NSString stringWithFormat:@"unhandled keyUp %u", (unsigned)[event keyCode]]);
}
@end

@implementation NSApplication
+ (NSApplication*)sharedApplication
{
  if (!NSApp)
    NSApp = [[NSApplication alloc] init];
  return NSApp;
}
- (NSEvent*)currentEvent { return nil; }
@end

@implementation NSEvent
+ (NSPoint)mouseLocation { return sMouse; }
- (void)dealloc
{
  [_characters release];
  [_charactersIgnoringModifiers release];
  [super dealloc];
}
- (NSEventType)type { return _type; }
- (NSPoint)locationInWindow { return _location; }
- (NSEventModifierFlags)modifierFlags { return _modifiers; }
- (NSInteger)clickCount { return _clickCount; }
- (unsigned short)keyCode { return _keyCode; }
- (NSString*)characters { return _characters; }
- (NSString*)charactersIgnoringModifiers { return _charactersIgnoringModifiers; }
- (NSEventSubtype)subtype { return _subtype; }
- (CGFloat)deltaY { return _deltaY; }
- (NSWindow*)window { return _window; }
@end

@implementation NSAppearance
+ (NSAppearance*)appearanceNamed:(NSAppearanceName)name
{
  NSAppearance* appearance = [[[NSAppearance alloc] init] autorelease];
  appearance->_name = [name copy];
  return appearance;
}
- (void)dealloc
{
  [_name release];
  [super dealloc];
}
- (NSAppearanceName)name { return _name; }
@end

@implementation NSImage
- (id)init { return [self initWithSize:NSMakeSize(0, 0)]; }
- (id)initWithSize:(NSSize)size
{
  if ((self = [super init]))
  {
    _size = size;
    _representations = [[NSMutableArray alloc] init];
  }
  return self;
}
- (id)initByReferencingFile:(NSString*)path
{
  NSValue* size = path ? [sImages objectForKey:path] : nil;
  if (!size)
  {
    [self release];
    return nil;
  }
  if ((self = [self initWithSize:[size sizeValue]]))
    _file = [path copy];
  return self;
}
- (void)dealloc
{
  [_file release];
  [_representations release];
  CGImageRelease(_rendered);
  [super dealloc];
}
- (NSSize)size { return _size; }
- (void)setSize:(NSSize)size { _size = size; }
- (BOOL)isValid { return _file != nil || [_representations count] > 0; }
- (void)addRepresentation:(id)representation
{
  if (representation)
    [_representations addObject:representation];
}
- (NSArray*)representations { return _representations; }
- (CGImageRef)CGImageForProposedRect:(NSRect*)rect context:(id)context hints:(NSDictionary*)hints
{
  (void)context, (void)hints;
  const NSSize size = rect ? rect->size : _size;
  if (!_file)
    return nullptr;
  CGImageRelease(_rendered);
  _rendered = PWShimCGImageCreateFilled(static_cast<size_t>(size.width), static_cast<size_t>(size.height), 255);
  return _rendered;
}
@end

@implementation NSScreen
+ (NSScreen*)mainScreen
{
  NSScreen* screen = [[[NSScreen alloc] init] autorelease];
  screen->_frame = sScreenFrame;
  screen->_scale = sScreenScale;
  return screen;
}
- (NSRect)frame { return _frame; }
- (CGFloat)backingScaleFactor { return _scale; }
@end

@implementation NSTrackingArea
- (id)initWithRect:(NSRect)rect options:(NSTrackingAreaOptions)options owner:(id)owner userInfo:(NSDictionary*)info
{
  (void)info;
  if ((self = [super init]))
  {
    _rect = rect;
    _options = options;
    _owner = owner;
  }
  return self;
}
- (NSRect)rect { return _rect; }
- (NSTrackingAreaOptions)options { return _options; }
- (id)owner { return _owner; }
@end

@implementation NSView
- (id)init { return [self initWithFrame:NSMakeRect(0, 0, 0, 0)]; }
- (id)initWithFrame:(NSRect)frame
{
  if ((self = [super init]))
  {
    _frame = frame;
    _subviews = [[NSMutableArray alloc] init];
    _toolTips = [[NSMutableArray alloc] init];
    _trackingAreas = [[NSMutableArray alloc] init];
    _postsFrameChanges = YES;
  }
  return self;
}
- (void)dealloc
{
  for (NSUInteger i = 0; i < [_subviews count]; i++)
    ((NSView*)[_subviews objectAtIndex:i])->_superview = nil;
  [_subviews release];
  [_toolTips release];
  [_trackingAreas release];
  [_draggedTypes release];
  [_layer release];
  [super dealloc];
}
- (NSRect)frame { return _frame; }
- (NSRect)bounds { return NSMakeRect(0, 0, _frame.size.width, _frame.size.height); }
- (void)setFrame:(NSRect)frame
{
  const BOOL changed = !NSEqualRects(frame, _frame);
  _frame = frame;
  if (changed && _postsFrameChanges)
    [[NSNotificationCenter defaultCenter] postNotificationName:NSViewFrameDidChangeNotification object:self];
}
- (void)setFrameSize:(NSSize)size { [self setFrame:NSMakeRect(_frame.origin.x, _frame.origin.y, size.width, size.height)]; }
- (void)setFrameOrigin:(NSPoint)origin { [self setFrame:NSMakeRect(origin.x, origin.y, _frame.size.width, _frame.size.height)]; }
- (BOOL)postsFrameChangedNotifications { return _postsFrameChanges; }
- (void)setPostsFrameChangedNotifications:(BOOL)posts { _postsFrameChanges = posts; }
- (NSView*)superview { return _superview; }
- (NSArray*)subviews { return _subviews; }
- (NSWindow*)window { return _window ? _window : [_superview window]; }
- (void)addSubview:(NSView*)view
{
  if (!view || view == self)
    return;
  [view retain];
  if (view->_superview) // moved without the removal a host would make
    [view->_superview->_subviews removeObjectIdenticalTo:view];
  [_subviews addObject:view];
  view->_superview = self;
  [view release];
  if ([self window])
    ForEachView(view, ^(NSView* v) { MovedIntoWindow(v); });
}
- (void)removeFromSuperview
{
  NSView* superview = _superview;
  if (!superview)
    return;
  NSWindow* window = [self window];
  const BOOL hadWindow = window != nil;
  if (window && window->_firstResponder == self)
    window->_firstResponder = nil;
  [self retain];
  _superview = nil;
  [superview->_subviews removeObjectIdenticalTo:self];
  if (hadWindow)
    ForEachView(self, ^(NSView* v) { [v viewDidMoveToWindow]; });
  [self release];
}
- (BOOL)isFlipped { return NO; }
- (BOOL)isOpaque { return NO; }
- (BOOL)isHidden { return _hidden; }
- (void)setHidden:(BOOL)hidden { _hidden = hidden; }
- (BOOL)wantsLayer { return _wantsLayer; }
- (void)setWantsLayer:(BOOL)wants { _wantsLayer = wants; }
- (CALayer*)layer { return _layer; }
- (void)setLayer:(CALayer*)layer
{
  [(id)layer retain];
  [(id)_layer release];
  _layer = layer;
}
- (NSViewLayerContentsRedrawPolicy)layerContentsRedrawPolicy { return _redrawPolicy; }
- (void)setLayerContentsRedrawPolicy:(NSViewLayerContentsRedrawPolicy)policy { _redrawPolicy = policy; }
- (void)registerForDraggedTypes:(NSArray*)types
{
  [_draggedTypes release];
  _draggedTypes = [types copy];
}
- (NSArray*)registeredDraggedTypes { return _draggedTypes; }
- (NSPoint)convertPoint:(NSPoint)point fromView:(NSView*)view
{
  const NSPoint window = view ? [view convertPoint:point toView:nil] : point;
  const NSPoint local = UnflippedFromWindow(self, window);
  return NSMakePoint(local.x, Unflip(self, local.y));
}
- (NSPoint)convertPoint:(NSPoint)point toView:(NSView*)view
{
  const NSPoint window = WindowFromUnflipped(self, NSMakePoint(point.x, Unflip(self, point.y)));
  return view ? [view convertPoint:window fromView:nil] : window;
}
- (NSToolTipTag)addToolTipRect:(NSRect)rect owner:(id)owner userData:(void*)data
{
  (void)data;
  if (!owner)
    return 0;
  [_toolTips addObject:[NSValue valueWithRect:rect]];
  return static_cast<NSToolTipTag>([_toolTips count]);
}
- (void)removeAllToolTips { [_toolTips removeAllObjects]; }
- (NSArray*)trackingAreas { return _trackingAreas; }
- (void)addTrackingArea:(NSTrackingArea*)area
{
  if (area)
    [_trackingAreas addObject:area];
}
- (void)removeTrackingArea:(NSTrackingArea*)area { [_trackingAreas removeObjectIdenticalTo:area]; }
- (void)updateTrackingAreas {}
- (void)viewDidMoveToWindow {}
- (void)viewDidChangeBackingProperties {}
- (void)viewDidChangeEffectiveAppearance {}
- (NSAppearance*)effectiveAppearance
{
  return [NSAppearance appearanceNamed:sDark ? NSAppearanceNameDarkAqua : NSAppearanceNameAqua];
}
- (void)drawRect:(NSRect)rect { (void)rect; }
- (NSResponder*)nextResponder { return _superview ? (NSResponder*)_superview : (NSResponder*)_window; }
- (NSDraggingSession*)beginDraggingSessionWithItems:(NSArray*)items event:(NSEvent*)event source:(id)source
{
  (void)event;
  NSDraggingSession* session = [[[NSDraggingSession alloc] init] autorelease];
  if (![items count] || !source)
    return session;
  NSDraggingItem* first = [items objectAtIndex:0];
  const NSRect frame = [first draggingFrame];
  NSString* url = [[first item] respondsToSelector:@selector(stringForType:)]
                    ? [[first item] stringForType:NSPasteboardTypeFileURL]
                    : @"";
  Record([NSString stringWithFormat:@"drag %lu %@ at %g %g %g %g", (unsigned long)[items count], url, frame.origin.x,
                                    frame.origin.y, frame.size.width, frame.size.height]);
  return session;
}
@end

@implementation NSWindow
- (void)dealloc
{
  NSView* content = _contentView;
  _contentView = nil;
  if (content)
    content->_window = nil;
  [content release];
  [super dealloc];
}
- (NSRect)frame { return _frame; }
- (CGFloat)backingScaleFactor { return _scale; }
- (NSView*)contentView { return _contentView; }
- (void)setContentView:(NSView*)view
{
  [view retain];
  if (_contentView)
    _contentView->_window = nil;
  [_contentView release];
  _contentView = view;
  if (view)
  {
    view->_window = self;
    ForEachView(view, ^(NSView* v) { MovedIntoWindow(v); });
  }
}
- (BOOL)makeFirstResponder:(NSResponder*)responder
{
  if (responder == _firstResponder)
    return YES;
  if (_firstResponder && ![_firstResponder resignFirstResponder])
    return NO;
  _firstResponder = responder;
  [responder becomeFirstResponder];
  return YES;
}
- (void)makeKeyAndOrderFront:(id)sender
{
  (void)sender;
  Record(@"makeKeyAndOrderFront");
}
- (NSResponder*)firstResponder { return _firstResponder; }
- (BOOL)acceptsMouseMovedEvents { return _acceptsMouseMoved; }
- (void)setAcceptsMouseMovedEvents:(BOOL)accepts { _acceptsMouseMoved = accepts; }
- (NSRect)convertRectFromScreen:(NSRect)rect
{
  return NSMakeRect(rect.origin.x - _frame.origin.x, rect.origin.y - _frame.origin.y, rect.size.width, rect.size.height);
}
- (NSRect)convertRectToScreen:(NSRect)rect
{
  return NSMakeRect(rect.origin.x + _frame.origin.x, rect.origin.y + _frame.origin.y, rect.size.width, rect.size.height);
}
@end

@implementation NSAnimationContext
+ (void)beginGrouping {}
+ (void)endGrouping {}
+ (NSAnimationContext*)currentContext
{
  static NSAnimationContext* context = [[NSAnimationContext alloc] init];
  return context;
}
- (NSTimeInterval)duration { return _duration; }
- (void)setDuration:(NSTimeInterval)duration
{
  _duration = duration;
  sAnimationDuration = duration;
}
@end

@implementation NSGraphicsContext
+ (NSGraphicsContext*)currentContext { return sCurrentGraphicsContext; }
+ (void)setCurrentContext:(NSGraphicsContext*)context
{
  [context retain];
  [sCurrentGraphicsContext release];
  sCurrentGraphicsContext = context;
}
+ (NSGraphicsContext*)graphicsContextWithCGContext:(CGContextRef)context flipped:(BOOL)flipped
{
  Record([NSString stringWithFormat:@"graphicsContext flipped %d", flipped ? 1 : 0]);
  NSGraphicsContext* wrapper = [[[NSGraphicsContext alloc] init] autorelease];
  wrapper->_context = CGContextRetain(context);
  wrapper->_flipped = flipped;
  return wrapper;
}
- (void)dealloc
{
  CGContextRelease(_context);
  [super dealloc];
}
- (CGContextRef)CGContext { return _context; }
- (BOOL)isFlipped { return _flipped; }
@end

@implementation NSPasteboard
+ (NSPasteboard*)generalPasteboard
{
  static NSPasteboard* general = [[NSPasteboard alloc] init];
  return general;
}
+ (NSPasteboard*)pasteboardWithUniqueName { return [[[NSPasteboard alloc] init] autorelease]; }
- (id)init
{
  if ((self = [super init]))
    _items = [[NSMutableDictionary alloc] init];
  return self;
}
- (void)dealloc
{
  [_items release];
  [super dealloc];
}
- (NSInteger)clearContents
{
  [_items removeAllObjects];
  return ++_changeCount;
}
- (NSArray*)types { return [_items allKeys]; }
- (BOOL)setString:(NSString*)string forType:(NSPasteboardType)type { return [self setPropertyList:string forType:type]; }
- (NSString*)stringForType:(NSPasteboardType)type
{
  id value = [_items objectForKey:type];
  return [value isKindOfClass:[NSString class]] ? value : nil;
}
- (BOOL)setPropertyList:(id)list forType:(NSPasteboardType)type
{
  if (!list || !type)
    return NO;
  [_items setObject:list forKey:type];
  return YES;
}
- (id)propertyListForType:(NSPasteboardType)type { return [_items objectForKey:type]; }
- (BOOL)writeObjects:(NSArray*)objects
{
  for (NSUInteger i = 0; i < [objects count]; i++)
  {
    id object = [objects objectAtIndex:i];
    if (![object isKindOfClass:[NSURL class]] || ![object isFileURL])
      return NO;
    [_items setObject:[object absoluteString] forKey:NSPasteboardTypeFileURL];
  }
  return [objects count] > 0;
}
@end

@implementation NSPasteboardItem
- (id)init
{
  if ((self = [super init]))
    _items = [[NSMutableDictionary alloc] init];
  return self;
}
- (void)dealloc
{
  [_items release];
  [super dealloc];
}
- (BOOL)setString:(NSString*)string forType:(NSPasteboardType)type
{
  if (!string || !type)
    return NO;
  [_items setObject:string forKey:type];
  return YES;
}
- (NSString*)stringForType:(NSPasteboardType)type { return [_items objectForKey:type]; }
@end

@implementation NSDraggingItem
- (id)initWithPasteboardWriter:(id)writer
{
  if ((self = [super init]))
    _writer = [writer retain];
  return self;
}
- (void)dealloc
{
  [_writer release];
  [_contents release];
  [super dealloc];
}
- (void)setDraggingFrame:(NSRect)frame contents:(id)contents
{
  _frame = frame;
  [contents retain];
  [_contents release];
  _contents = contents;
}
- (NSRect)draggingFrame { return _frame; }
- (id)item { return _writer; }
@end

@implementation NSDraggingSession
- (BOOL)animatesToStartingPositionsOnCancelOrFail { return _animates; }
- (void)setAnimatesToStartingPositionsOnCancelOrFail:(BOOL)animates
{
  _animates = animates;
  Record([NSString stringWithFormat:@"dragAnimates %d", animates ? 1 : 0]);
}
- (NSDraggingFormation)draggingFormation { return _formation; }
- (void)setDraggingFormation:(NSDraggingFormation)formation
{
  _formation = formation;
  Record([NSString stringWithFormat:@"dragFormation %ld", (long)formation]);
}
@end

@implementation NSWorkspace
+ (NSWorkspace*)sharedWorkspace
{
  static NSWorkspace* workspace = [[NSWorkspace alloc] init];
  return workspace;
}
- (BOOL)openURL:(NSURL*)url
{
  Record([NSString stringWithFormat:@"openURL %@", [url absoluteString]]);
  return sWorkspaceAnswer;
}
- (BOOL)openFile:(NSString*)path
{
  Record([NSString stringWithFormat:@"openFile %@", path]);
  return sWorkspaceAnswer;
}
- (BOOL)selectFile:(NSString*)path inFileViewerRootedAtPath:(NSString*)root
{
  Record([NSString stringWithFormat:@"select %@ in %@", path, root]);
  return sWorkspaceAnswer;
}
- (NSImage*)iconForFile:(NSString*)path
{
  NSImage* image = [[[NSImage alloc] init] autorelease];
  image->_file = [path copy];
  image->_size = NSMakeSize(32, 32);
  return image;
}
@end

@implementation NSRunLoop (PWShimVirtualClock)
- (void)pwShimAddTimer:(NSTimer*)timer forMode:(NSString*)mode
{
  if (timer)
    sTimers.push_back({[timer retain], 0.0});
  ((void (*)(id, SEL, NSTimer*, NSString*))sGNUstepAddTimer)(self, @selector(addTimer:forMode:), timer, mode);
}
+ (void)load
{
  Method add = class_getInstanceMethod(self, @selector(addTimer:forMode:));
  sGNUstepAddTimer = method_getImplementation(add);
  method_exchangeImplementations(add, class_getInstanceMethod(self, @selector(pwShimAddTimer:forMode:)));
}
@end

PWAPPKIT_EXTERN NSWindow* PWShimAppKitMakeWindow(NSRect frame, CGFloat scale)
{
  NSWindow* window = [[NSWindow alloc] init];
  window->_frame = frame;
  window->_scale = scale;
  NSView* content = [[NSView alloc] initWithFrame:NSMakeRect(0, 0, frame.size.width, frame.size.height)];
  [window setContentView:content];
  [content release];
  return window;
}

PWAPPKIT_EXTERN void PWShimAppKitSetBackingScale(NSWindow* window, CGFloat scale)
{
  window->_scale = scale;
  ForEachView([window contentView], ^(NSView* v) { [v viewDidChangeBackingProperties]; });
}

PWAPPKIT_EXTERN void PWShimAppKitSetDarkAppearance(NSWindow* window, BOOL dark)
{
  sDark = dark;
  ForEachView([window contentView], ^(NSView* v) { [v viewDidChangeEffectiveAppearance]; });
}

PWAPPKIT_EXTERN void PWShimAppKitSetMainScreen(NSRect frame, CGFloat scale)
{
  sScreenFrame = frame;
  sScreenScale = scale;
}

PWAPPKIT_EXTERN void PWShimAppKitSetMouseLocation(NSPoint location)
{
  sMouse = location;
}

PWAPPKIT_EXTERN NSArray* PWShimAppKitCalls(void)
{
  return sCalls ? [[sCalls copy] autorelease] : [NSArray array];
}

PWAPPKIT_EXTERN void PWShimAppKitClearCalls(void)
{
  [sCalls removeAllObjects];
}

PWAPPKIT_EXTERN void PWShimAppKitSetWorkspaceAnswer(BOOL answer)
{
  sWorkspaceAnswer = answer;
}

@interface PWShimDraggingInfo : NSObject <NSDraggingInfo>
{
@public
  NSPasteboard* _pasteboard;
  NSPoint _location;
}
@end

@implementation PWShimDraggingInfo
- (void)dealloc
{
  [_pasteboard release];
  [super dealloc];
}
- (NSPasteboard*)draggingPasteboard { return _pasteboard; }
- (NSPoint)draggingLocation { return _location; }
@end

PWAPPKIT_EXTERN BOOL PWShimAppKitDropFiles(NSView* view, NSArray* paths, NSPoint point)
{
  PWShimDraggingInfo* info = [[[PWShimDraggingInfo alloc] init] autorelease];
  info->_pasteboard = [[NSPasteboard alloc] init];
  info->_location = point;
  if (paths)
    [info->_pasteboard setPropertyList:paths forType:NSFilenamesPboardType];
  else
    [info->_pasteboard setString:@"text" forType:NSPasteboardTypeString];
  typedef NSDragOperation (*Entered)(id, SEL, id);
  typedef BOOL (*Perform)(id, SEL, id);
  if (![view respondsToSelector:@selector(draggingEntered:)] ||
      ((Entered)[view methodForSelector:@selector(draggingEntered:)])(view, @selector(draggingEntered:), info) ==
        NSDragOperationNone)
    return NO;
  return ((Perform)[view methodForSelector:@selector(performDragOperation:)])(view, @selector(performDragOperation:),
                                                                             info);
}

PWAPPKIT_EXTERN NSArray* PWShimAppKitToolTipRects(NSView* view)
{
  return view ? view->_toolTips : nil;
}

PWAPPKIT_EXTERN void PWShimAppKitRunFor(double ms)
{
  for (size_t i = 0; i < sTimers.size(); i++)
  {
    const double interval = [sTimers[i].timer timeInterval] * 1000.0;
    sTimers[i].elapsedMs += ms;
    while ([sTimers[i].timer isValid] && interval > 0.0 && sTimers[i].elapsedMs >= interval)
    {
      sTimers[i].elapsedMs -= interval;
      NSTimer* timer = [sTimers[i].timer retain]; // firing may add timers
      [timer fire];
      [timer release];
    }
  }
  std::vector<VirtualTimer> valid;
  for (const VirtualTimer& t : sTimers)
  {
    if ([t.timer isValid])
      valid.push_back(t);
    else
      [t.timer release];
  }
  sTimers.swap(valid);
}

PWAPPKIT_EXTERN double PWShimAppKitLastAnimationDuration(void)
{
  return sAnimationDuration;
}
