#include "VectorMath.h"

#include <cmath>

// Only gcc: clang 14 calls the library's vector functions with a different
// register convention and gets wrong results, so it keeps the scalar loop.
#if defined(PW_HAVE_LIBMVEC) && defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#define PW_VECTOR_POW 1
#endif

namespace pressweave {

namespace {

void PowScalar(const double* base, double exponent, double* out, int n) noexcept
{
  for (int i = 0; i < n; ++i)
    out[i] = std::pow(base[i], exponent);
}

#ifdef PW_VECTOR_POW
#pragma GCC push_options
#pragma GCC target("avx2")
// libmvec's four-lane AVX2 pow, named by the vector function ABI.
extern "C" __m256d _ZGVdN4vv_pow(__m256d x, __m256d y);

// Only loads, the calls and stores (here and below): nothing a compiler could
// contract into a fused multiply-add.
void PowAVX2(const double* base, double exponent, double* out, int n) noexcept
{
  const __m256d y = _mm256_set1_pd(exponent);
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(out + i, _ZGVdN4vv_pow(_mm256_loadu_pd(base + i), y));
  PowScalar(base + i, exponent, out + i, n - i);
}
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
// The eight-lane AVX-512 pow of the same library.
extern "C" __m512d _ZGVeN8vv_pow(__m512d x, __m512d y);

void PowAVX512(const double* base, double exponent, double* out, int n) noexcept
{
  const __m512d y = _mm512_set1_pd(exponent);
  int i = 0;
  for (; i + 8 <= n; i += 8)
    _mm512_storeu_pd(out + i, _ZGVeN8vv_pow(_mm512_loadu_pd(base + i), y));
  PowAVX2(base + i, exponent, out + i, n - i);
}
#pragma GCC pop_options
#endif

} // namespace

bool PowBlockIsVectorised() noexcept
{
#ifdef PW_VECTOR_POW
  // Reads what libgcc's start-up code found; no initialisation happens here.
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

void PowBlock(const double* base, double exponent, double* out, int n) noexcept
{
#ifdef PW_VECTOR_POW
  if (__builtin_cpu_supports("avx512f"))
  {
    PowAVX512(base, exponent, out, n);
    return;
  }
  if (PowBlockIsVectorised())
  {
    PowAVX2(base, exponent, out, n);
    return;
  }
#endif
  PowScalar(base, exponent, out, n);
}

} // namespace pressweave
