#pragma once
// The editor-view factory a host finds through the CocoaUI property: an
// NSObject conforming to AUCocoaUIBase. IWEFT_AU_VIEW_FACTORY(Prefix) defines
// the class Prefix_View in the component that uses it (once, in one
// Objective-C++ file of the component only: classes are process-wide, so the
// same class must never be linked into a program that also loads the
// component). Main thread.

#import <AudioUnit/AUCocoaUIView.h>

namespace weft {
class IWeftAU;

// Fetches the plug-in object through the private property of unit into
// plug (left as it was when the unit does not answer), then opens its
// editor. Answers the editor's view, or nil when there is no plug-in object
// or it has no editor.
NSView* IWeftAUViewForUnit(AudioUnit unit, IWeftAU*& plug);
} // namespace weft

#define IWEFT_AU_VIEW_FACTORY(Prefix)                                                                            \
  __attribute__((visibility("default"))) @interface Prefix##_View : NSObject <AUCocoaUIBase>                     \
  {                                                                                                              \
    weft::IWeftAU* mPlug;                                                                                        \
  }                                                                                                              \
  @end                                                                                                           \
  @implementation Prefix##_View                                                                                  \
  -(id)init                                                                                                      \
  {                                                                                                              \
    mPlug = nullptr;                                                                                             \
    return [super init];                                                                                         \
  }                                                                                                              \
  -(NSView*)uiViewForAudioUnit : (AudioUnit)inAudioUnit withSize : (NSSize)inPreferredSize                      \
  {                                                                                                              \
    (void)inPreferredSize;                                                                                       \
    return weft::IWeftAUViewForUnit(inAudioUnit, mPlug);                                                         \
  }                                                                                                              \
  -(unsigned)interfaceVersion                                                                                    \
  {                                                                                                              \
    return 0;                                                                                                    \
  }                                                                                                              \
  -(NSString*)description                                                                                        \
  {                                                                                                              \
    return @#Prefix " View";                                                                                     \
  }                                                                                                              \
  @end
