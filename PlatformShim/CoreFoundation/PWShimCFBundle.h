#pragma once
// How a host tells the CoreFoundation stand-in which bundles exist. The
// platform finds bundles by itself; on Linux the host (or a test) registers
// them. Product code never calls these.
//
// Call from any thread, but not while another thread may still use a bundle
// being replaced or removed: registering over an identifier, unregistering
// and changing the main bundle release the registry's reference, and the
// bundle dies unless someone retained it.

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>

// Registers the bundle in folderPath (POSIX, UTF-8) under identifier (UTF-8),
// replacing one registered before under the same identifier. Its
// information dictionary is a copy of infoValues (CoreFoundation keys and
// values; null for none) with "CFBundleIdentifier" set to identifier. False,
// and nothing changed, when identifier or folderPath is null, empty or not
// UTF-8, infoValues is given but not a dictionary, or memory runs out.
CF_EXPORT Boolean PWShimCFBundleRegister(const char* identifier, const char* folderPath, CFDictionaryRef infoValues);

// Forgets the bundle registered under identifier. False when there is none.
CF_EXPORT Boolean PWShimCFBundleUnregister(const char* identifier);

// Makes a new main bundle, replacing any earlier one. Each argument may be
// null: without folderPath the bundle has no folder (its URL calls answer
// null); without identifier it has no identifier; without bundleVersion its
// information dictionary has no "CFBundleVersion". False, and nothing
// changed, when a given folderPath or identifier is empty, a given text is
// not UTF-8, or memory runs out.
CF_EXPORT Boolean PWShimCFBundleSetMainBundle(const char* folderPath, const char* identifier, const char* bundleVersion);

// Leaves the process without a main bundle (CFBundleGetMainBundle answers
// null), as at start.
CF_EXPORT void PWShimCFBundleClearMainBundle(void);
