#pragma once
// Bundles: folders with an identifier and an information dictionary, laid
// out as on the platform (resources in "Contents/Resources", the executable
// in "Contents/MacOS"). The stand-in knows only the bundles that the host
// registered through PWShimCFBundle.h, and a main bundle only when the host
// set one.
//
// The bundle calls may be made from any thread. A bundle answered by a Get
// call stays valid while it is registered; retain it to keep it longer.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFType.h>
#include <CoreFoundation/CFURL.h>

typedef struct __CFBundle* CFBundleRef;

CF_EXPORT CFTypeID CFBundleGetTypeID(void);

// The bundle of the running application; null when the host set none.
CF_EXPORT CFBundleRef CFBundleGetMainBundle(void);

// The registered bundle (or the main bundle) with identifier bundleID; null
// when there is none.
CF_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);

// The bundle's identifier, not retained for the caller; null when it has
// none or bundle is not a bundle.
CF_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);

// The bundle's information dictionary (never changed once registered), not
// retained for the caller; null when bundle is not a bundle.
CF_EXPORT CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);

// The information value under key (such as "CFBundleVersion"), not retained
// for the caller; null when absent.
CF_EXPORT CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);

// A new folder URL of the bundle; null when it has no folder.
CF_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);

// A new folder URL of the bundle's "Contents/Resources"; null when it has no
// folder.
CF_EXPORT CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);

// A new URL of "Contents/MacOS/" followed by the "CFBundleExecutable" value;
// null when the bundle has no folder or no such value.
CF_EXPORT CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);

// A new URL of the existing resource resourceName, with "." and
// resourceType appended when resourceType is given and not empty (a leading
// "." in it is not doubled), in subDirName (when given and not empty) of the
// resource folder. Null when no such file or folder exists, the bundle has no
// folder, or resourceName is not a string.
CF_EXPORT CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                           CFStringRef subDirName);
