#pragma once
// Pointer input records handed from the platform view to the drawing
// context: the modifier state, one pointer sample and a recognised gesture.

#include "ICanvasConstants.h"

#include <cstdint>

namespace weft::canvas {

struct IMouseMod
{
  bool L = false; // left button
  bool R = false; // right button
  bool S = false; // shift
  bool C = false; // control (command)
  bool A = false; // alt (option)
  uint64_t touchID = 0; // 0 for the mouse; each touch has its own id
  float touchRadius = 0.0f;

  constexpr IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false,
                      uint64_t touch = 0)
  : L(l), R(r), S(s), C(c), A(a), touchID(touch)
  {}

  constexpr bool IsTouch() const { return touchID > 0; }
};

struct IMouseInfo
{
  float x = 0.0f;
  float y = 0.0f;
  float dX = 0.0f; // movement since the previous sample (drags only)
  float dY = 0.0f;
  IMouseMod ms;
};

struct IGestureInfo
{
  float x = 0.0f;
  float y = 0.0f;
  float scale = 0.0f;    // pinch
  float velocity = 0.0f; // pinch and rotate
  float angle = 0.0f;    // rotate, degrees
  EGestureType type = EGestureType::Unknown;
};

} // namespace weft::canvas
