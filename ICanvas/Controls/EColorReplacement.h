#pragma once
// How a widget recolours the SVG image it draws: not at all, or the given
// colour replaces every fill paint, or every stroke paint.

#include <cstdint>

namespace weft::canvas {

enum class EColorReplacement : int32_t
{
  None = 0,
  Fill,
  Stroke
};

} // namespace weft::canvas
