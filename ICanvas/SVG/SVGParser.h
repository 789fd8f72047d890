#pragma once
// Reads an SVG document into an SVGImage: the basic shapes, paths (every
// command, arcs included), groups with transforms, presentation attributes
// and style declarations, colours, linear and radial gradients, viewBox
// and length units. Text, images, clipping, masks, markers and <use> are
// not drawn.

#include "SVGImage.h"

#include <memory>

namespace weft::svg {

// text: a zero-terminated document. units: the unit of the result's
// coordinates and size ("px", "pt", "pc", "mm", "cm" or "in"; anything else
// is taken as px); dpi: pixels per inch, relating the physical units to
// pixels. Null for a null text, malformed XML or a root other than <svg>.
std::unique_ptr<SVGImage> ParseSVG(const char* text, const char* units = "px", float dpi = 96.0f);

// Frees an image made by ParseSVG (for owners that keep a raw pointer).
void DeleteSVG(SVGImage* pImage) noexcept;

} // namespace weft::svg
