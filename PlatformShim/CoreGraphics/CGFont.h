#pragma once
// Graphics fonts over a data provider: made only when the bytes are a font
// whose first face can be read.

#include <CoreGraphics/CGDataProvider.h>

typedef struct CGFont* CGFontRef;

CF_EXPORT CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider);
CF_EXPORT CGFontRef CGFontRetain(CGFontRef font);
CF_EXPORT void CGFontRelease(CGFontRef font); // null ignored
