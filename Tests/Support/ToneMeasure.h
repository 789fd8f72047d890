#pragma once
// The frequency of a steady tone in x[from, to): whole cycles between its
// first and last interpolated upward zero crossings; 0 without two.

#include <cstddef>

namespace pw::test {

template <class Samples>
double MeasureHz(const Samples& x, std::size_t from, std::size_t to, double sampleRate)
{
  double first = -1.0, last = -1.0;
  int cycles = -1;
  for (std::size_t i = from + 1; i < to && i < x.size(); ++i)
    if (x[i - 1] < 0 && x[i] >= 0)
    {
      last = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
      if (first < 0)
        first = last;
      ++cycles;
    }
  return cycles > 0 ? cycles * sampleRate / (last - first) : 0.0;
}

} // namespace pw::test
