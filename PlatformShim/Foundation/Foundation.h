#pragma once
// Foundation: GNUstep-base, with what it lacks added by the stand-in:
// - NSBundle's +bundleWithIdentifier: and +mainBundle answer from the
//   CoreFoundation bundle registry (PWShimCFBundle.h), so that host
//   identification and resource lookup see the same bundles; +mainBundle
//   falls back to GNUstep's own while no main bundle is registered.
// - NSHomeDirectory and NSSearchPathForDirectoriesInDomains follow $HOME
//   with the platform's folder names (Desktop, Music, Library,
//   "Library/Application Support"; the local domain under /Library, the
//   system domain under /System/Library).
// - The app-group container of NSFileManager: "Library/Group Containers/<id>"
//   under the home folder.

#include_next <Foundation/Foundation.h>

@interface NSFileManager (PWShimAppGroup)
// Nil for a nil or empty identifier.
- (NSURL*)containerURLForSecurityApplicationGroupIdentifier:(NSString*)groupIdentifier;
@end
