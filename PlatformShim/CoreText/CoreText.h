#pragma once
// CoreText fonts and descriptors. A font made from a graphics font describes
// itself by the family and style names of its first face (and its file's URL
// when its provider read one). Installed fonts are the faces of the files in
// the folder set by PWShimCTFontSetFolder (PWShimCoreText.h).

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

typedef const struct __CTFont* CTFontRef;
typedef const struct __CTFontDescriptor* CTFontDescriptorRef;

CF_EXPORT const CFStringRef kCTFontFamilyNameAttribute;
CF_EXPORT const CFStringRef kCTFontStyleNameAttribute;
CF_EXPORT const CFStringRef kCTFontURLAttribute;

// Null for a null graphics font.
CF_EXPORT CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform* matrix,
                                                 CTFontDescriptorRef attributes);
CF_EXPORT CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font);
// Null for anything but a dictionary.
CF_EXPORT CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes);
// The attribute's value (owned by the caller), or null.
CF_EXPORT CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute);
// The installed faces whose values of every mandatory attribute equal the
// descriptor's, in folder order; null when none does.
CF_EXPORT CFArrayRef CTFontDescriptorCreateMatchingFontDescriptors(CTFontDescriptorRef descriptor,
                                                                   CFSetRef mandatoryAttributes);
