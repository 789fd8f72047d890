#pragma once
// The Cocoa-UI protocol a host speaks to an Audio Unit's view factory: the
// class named by the CocoaUI property (31) conforms to it. Objective-C++ only.

#import <AppKit/AppKit.h>

#include <AudioToolbox/AUComponent.h>

@protocol AUCocoaUIBase
// The version of this protocol the factory implements.
- (unsigned)interfaceVersion;
// A new view showing inAudioUnit's editor, or nil; the host embeds it and
// removes it again when it is done. The size is the host's preference.
- (NSView*)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize;
@end
