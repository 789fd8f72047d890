#pragma once
// Data providers: bytes read from a file URL when made, or caller's bytes
// handed back to a release function when the provider dies.

#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>

#include <stddef.h>

typedef struct CGDataProvider* CGDataProviderRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

// Null when the URL is not a readable file.
CF_EXPORT CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url);
// Null for null data with a size.
CF_EXPORT CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                                         CGDataProviderReleaseDataCallback releaseData);
CF_EXPORT CFDataRef CGDataProviderCopyData(CGDataProviderRef provider);
CF_EXPORT CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
CF_EXPORT void CGDataProviderRelease(CGDataProviderRef provider); // null ignored
