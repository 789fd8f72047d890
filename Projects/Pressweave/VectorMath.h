#pragma once
// Small vector helpers for the engine's block loops.
//
// pow over a block of bases with one exponent. Where glibc's vector maths
// library (libmvec) and AVX2 or AVX-512 are available it computes four or
// eight at once, each within 1e-15 relative of std::pow (glibc states 1 ulp
// for its vector pow);
// elsewhere it is std::pow, sample by sample. No allocation; any thread.

#include <cmath>
#include <cstring>

namespace pressweave {

// Two doubles in one register (GCC and Clang vector extension; SSE2 on
// x86-64, NEON on arm64). Each lane does exactly the scalar arithmetic, so
// results are the same bits; comparisons give lane masks and `?:` selects
// without a branch.
typedef double Pair __attribute__((vector_size(16)));

inline Pair Splat(double v) noexcept
{
  return Pair{v, v};
}

// |x| per lane, by the sign bit as std::fabs does (so -0 gives +0).
inline Pair Abs(Pair x) noexcept
{
  typedef long long Bits __attribute__((vector_size(16)));
  return reinterpret_cast<Pair>(reinterpret_cast<Bits>(x) & Bits{0x7fffffffffffffffLL, 0x7fffffffffffffffLL});
}

inline double Abs(double x) noexcept
{
  return std::fabs(x);
}

// v as a double or as a Pair of v: lets one template serve both.
template <class T>
T Broadcast(double v) noexcept;
template <>
inline double Broadcast<double>(double v) noexcept
{
  return v;
}
template <>
inline Pair Broadcast<Pair>(double v) noexcept
{
  return Splat(v);
}

inline Pair LoadPair(const double* p) noexcept
{
  Pair v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

inline void StorePair(double* p, Pair v) noexcept
{
  std::memcpy(p, &v, sizeof(v));
}

// out[i] = pow(base[i], exponent) for i < n; out may be base.
void PowBlock(const double* base, double exponent, double* out, int n) noexcept;

// True when PowBlock takes the vector path on this machine.
bool PowBlockIsVectorised() noexcept;

} // namespace pressweave
