// Compiled with -mavx2 (see CMakeLists.txt); holds nothing else, so no inline
// function built for AVX2 here can stand in for another file's copy.
#if defined(PW_HAVE_LIBMVEC) && defined(__x86_64__)
#include "VectorPowKernels.h"

#include <immintrin.h>

// libmvec's four-lane AVX2 pow, named by the vector function ABI.
extern "C" __m256d _ZGVdN4vv_pow(__m256d x, __m256d y) noexcept;

namespace pressweave::detail {

// Only loads, the calls and stores: nothing a compiler could contract into a
// fused multiply-add.
int PowLanesAVX2(const double* base, double exponent, double* out, int n) noexcept
{
  const __m256d y = _mm256_set1_pd(exponent);
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(out + i, _ZGVdN4vv_pow(_mm256_loadu_pd(base + i), y));
  return i;
}

} // namespace pressweave::detail
#endif
