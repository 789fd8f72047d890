// Compiled with -mavx512f (see CMakeLists.txt); holds nothing else, so no
// inline function built for AVX-512 here can stand in for another file's copy.
#if defined(PW_HAVE_LIBMVEC) && defined(__x86_64__)
#include "VectorPowKernels.h"

#include <immintrin.h>

// libmvec's eight-lane AVX-512 pow, named by the vector function ABI.
extern "C" __m512d _ZGVeN8vv_pow(__m512d x, __m512d y) noexcept;

namespace pressweave::detail {

int PowLanesAVX512(const double* base, double exponent, double* out, int n) noexcept
{
  const __m512d y = _mm512_set1_pd(exponent);
  int i = 0;
  for (; i + 8 <= n; i += 8)
    _mm512_storeu_pd(out + i, _ZGVeN8vv_pow(_mm512_loadu_pd(base + i), y));
  return i;
}

} // namespace pressweave::detail
#endif
