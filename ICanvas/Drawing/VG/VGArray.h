#pragma once
// Resizing of the renderer's and the font atlas's malloc'd arrays.

#include <cstdlib>

// Resizes a realloc'd array to newCapacity items. False, with the array and
// its capacity as they were, when the memory cannot be had.
template <typename T>
bool vg__resizeArray(T*& items, int& capacity, int newCapacity)
{
  auto* resized = static_cast<T*>(std::realloc(items, sizeof(T) * newCapacity));
  if (!resized)
    return false;
  items = resized;
  capacity = newCapacity;
  return true;
}
