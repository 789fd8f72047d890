#import "ICanvasMacView.h"

#include "ICanvasCoreText.h"
#include "IGEditorDelegate.h"

#include <cstdio>

using namespace weft;
using namespace weft::canvas;

NSColor* weft::canvas::ToNSColor(const IColor& color)
{
  return [NSColor colorWithDeviceRed:color.R / 255.0 green:color.G / 255.0 blue:color.B / 255.0 alpha:color.A / 255.0];
}

IColor weft::canvas::FromNSColor(NSColor* color)
{
  return IColor(static_cast<int>([color alphaComponent] * 255.0), static_cast<int>([color redComponent] * 255.0),
                static_cast<int>([color greenComponent] * 255.0), static_cast<int>([color blueComponent] * 255.0));
}

@implementation ICanvasMenu_vPressweave_au

- (id)initWithIPopupMenuAndReceiver:(IPopupMenu*)pMenu :(NSView*)pView
{
  if (!(self = [super initWithTitle:@""]))
    return nil;
  [self setAutoenablesItems:NO];
  static const char* const prefixes[] = {"%1d: ", "%02d: ", "%03d: "};
  const int prefix = pMenu->GetPrefix();
  for (int i = 0; i < pMenu->NItems(); i++)
  {
    const IPopupMenu::Item* pItem = pMenu->GetItem(i);
    NSString* text = pItem->GetText() ? [NSString stringWithUTF8String:pItem->GetText()] : nil;
    NSString* title = text ? text : @"";
    if (prefix >= 1 && prefix <= 3)
    {
      char number[32];
      std::snprintf(number, sizeof(number), prefixes[prefix - 1], i + 1);
      title = [[NSString stringWithUTF8String:number] stringByAppendingString:title];
    }
    NSMenuItem* nsItem = nil;
    if (pItem->GetIsSeparator())
      nsItem = [NSMenuItem separatorItem];
    else if (IPopupMenu* pSubmenu = pItem->GetSubmenu())
    {
      nsItem = [[[NSMenuItem alloc] initWithTitle:title action:nullptr keyEquivalent:@""] autorelease];
      ICanvasMenu_vPressweave_au* submenu = [[ICanvasMenu_vPressweave_au alloc] initWithIPopupMenuAndReceiver:pSubmenu
                                                                                                          :pView];
      [nsItem setSubmenu:submenu];
      [submenu release];
    }
    else
    {
      nsItem = [[[NSMenuItem alloc] initWithTitle:title action:@selector(onMenuSelection:) keyEquivalent:@""]
        autorelease];
      [nsItem setTarget:pView];
    }
    if (!pItem->GetIsSeparator())
    {
      [nsItem setIndentationLevel:pItem->GetIsTitle() ? 1 : 0];
      [nsItem setEnabled:pItem->GetEnabled()];
      [nsItem setState:pItem->GetChecked() ? NSControlStateValueOn : NSControlStateValueOff];
    }
    [self addItem:nsItem];
  }
  mIPopupMenu = pMenu;
  return self;
}

- (IPopupMenu*)iPopupMenu
{
  return mIPopupMenu;
}

@end

@implementation ICanvasMenuRcvr_vPressweave_au

- (void)onMenuSelection:(id)sender
{
  nsMenuItem = sender;
}

- (NSMenuItem*)menuItem
{
  return nsMenuItem;
}

@end

@implementation ICanvasTextField_vPressweave_au

- (BOOL)becomeFirstResponder
{
  const BOOL became = [super becomeFirstResponder];
  if (became)
  {
    NSText* editor = [self currentEditor];
    if ([editor respondsToSelector:@selector(setInsertionPointColor:)])
      [(id)editor setInsertionPointColor:[self textColor]];
  }
  return became;
}

@end

@implementation ICanvasTextFieldCell_vPressweave_au

- (NSRect)drawingRectForBounds:(NSRect)rect
{
  NSRect r = [super drawingRectForBounds:rect];
  if (!mIsEditingOrSelecting)
  {
    const float natural = static_cast<float>([self cellSize].height);
    const float difference = static_cast<float>(r.size.height) - natural;
    r.size.height = natural;
    r.origin.y += difference * 0.5f;
  }
  return r;
}

- (void)selectWithFrame:(NSRect)rect
                 inView:(NSView*)view
                 editor:(NSText*)editor
               delegate:(id)delegate
                  start:(NSInteger)start
                 length:(NSInteger)length
{
  const NSRect r = [self drawingRectForBounds:rect];
  mIsEditingOrSelecting = YES;
  [super selectWithFrame:r inView:view editor:editor delegate:delegate start:start length:length];
  mIsEditingOrSelecting = NO;
}

- (void)editWithFrame:(NSRect)rect inView:(NSView*)view editor:(NSText*)editor delegate:(id)delegate event:(NSEvent*)event
{
  const NSRect r = [self drawingRectForBounds:rect];
  mIsEditingOrSelecting = YES;
  [super editWithFrame:r inView:view editor:editor delegate:delegate event:event];
  mIsEditingOrSelecting = NO;
}

@end

@implementation ICanvasFormatter_vPressweave_au

- (void)dealloc
{
  [filterCharacterSet release];
  [super dealloc];
}

- (void)setAcceptableCharacterSet:(NSCharacterSet*)set
{
  [set retain];
  [filterCharacterSet release];
  filterCharacterSet = set;
}

- (void)setMaximumLength:(int)length
{
  maxLength = length;
}

- (void)setMaximumValue:(int)value
{
  maxValue = value;
}

- (NSString*)stringForObjectValue:(id)object
{
  return [object isKindOfClass:[NSString class]] ? object : nil;
}

- (BOOL)getObjectValue:(id*)object forString:(NSString*)string errorDescription:(NSString**)error
{
  (void)error;
  if (object && string)
    *object = [[string copy] autorelease];
  return YES;
}

- (BOOL)isPartialStringValid:(NSString*)partialString
            newEditingString:(NSString**)newString
            errorDescription:(NSString**)error
{
  (void)newString, (void)error;
  const NSUInteger length = [partialString length];
  if (filterCharacterSet)
  {
    for (NSUInteger i = 0; i < length; i++)
    {
      if (![filterCharacterSet characterIsMember:[partialString characterAtIndex:i]])
        return NO;
    }
  }
  if (maxLength > 0 && length > static_cast<NSUInteger>(maxLength))
    return NO;
  if (maxValue > 0 && [partialString intValue] > maxValue)
    return NO;
  return YES;
}

@end

