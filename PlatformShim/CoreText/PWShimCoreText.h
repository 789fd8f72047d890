#pragma once
// How a host or test tells the CoreText stand-in where the installed fonts
// are. Product code never calls this.

#include <CoreFoundation/CFBase.h>

// Makes the .ttf, .otf and .ttc files directly in folderPath (UTF-8) the
// installed fonts, in file-name order, each face with the family and style
// names of its name table; null or empty forgets them. False when a given
// folder cannot be read (the fonts are forgotten then).
CF_EXPORT Boolean PWShimCTFontSetFolder(const char* folderPath);
