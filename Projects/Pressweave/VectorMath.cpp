#include "VectorMath.h"

#include <cmath>

#if defined(PW_HAVE_LIBMVEC) && defined(__x86_64__)
#include "VectorPowKernels.h"
#define PW_VECTOR_POW 1
#endif

namespace pressweave {

bool PowBlockIsVectorised() noexcept
{
#ifdef PW_VECTOR_POW
  // Reads what the runtime's start-up code found; no initialisation here.
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

void PowBlock(const double* base, double exponent, double* out, int n) noexcept
{
  int i = 0;
#ifdef PW_VECTOR_POW
  if (__builtin_cpu_supports("avx512f"))
    i = detail::PowLanesAVX512(base, exponent, out, n);
  if (PowBlockIsVectorised())
    i += detail::PowLanesAVX2(base + i, exponent, out + i, n - i);
#endif
  for (; i < n; ++i)
    out[i] = std::pow(base[i], exponent);
}

} // namespace pressweave
