#include "PressweaveDSP.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "IWeftUtilities.h"
#include "VectorMath.h"

namespace pressweave {

PressweaveDSP::PressweaveDSP() noexcept
: mLn10Hundredth(std::log(10.0) * 0.01)
{}

void PressweaveDSP::processSetup(double drive, double outputLevel, double mix, double curve, bool shaperOn,
                                 bool limitToOne) noexcept
{
  // The same arguments again (every block, as a rule) give the same fields:
  // the two exponentials are not taken again. The initial fields are those
  // of all-zero, all-off arguments.
  if (drive == mDrive && outputLevel == mOutputLevel && mix == mMix && curve == mCurve && shaperOn == mShaperOn &&
      limitToOne == mLimitToOne)
    return;
  mDrive = drive;
  mOutputLevel = outputLevel;
  mMix = mix;
  mCurve = curve;
  mShaperOn = shaperOn;
  mLimitToOne = limitToOne;

  mWet = 0.01 * mix;
  mDry = 1.0 - mWet;

  const double k = 0.01 * curve;
  mC1 = 1.5 + k;
  mC2 = -2.0 * k;
  mC3 = -0.5 + k;
  mC4 = 0.25 * k * k - 0.25 * k + 0.0625;

  mDriveGain = std::exp(drive * mLn10Hundredth);
  mOutputGain = std::exp(outputLevel * mLn10Hundredth);
  mSampleLimit = limitToOne ? 1.0 : 2.0;
}

double PressweaveDSP::getCoefficient(int index) const noexcept
{
  switch (index)
  {
    case 0: return mC1;
    case 1: return mC2;
    case 2: return mC3;
    case 3: return mC4;
    default: return 0.0;
  }
}

double PressweaveDSP::waveshaper(double x) const noexcept
{
  const double a = std::fabs(x);
  const double sign = x > 0.0 ? 1.0 : -1.0;
  double f;
  if (a > 2.0)
    f = 0.0;
  else if (a > 1.0)
    f = (2.0 * a - a * a) * mWet + a * mDry;
  else
  {
    const double a2 = a * a;
    const double a3 = a2 * a;
    const double a4 = a3 * a;
    f = (mC1 * a + mC2 * a2 + mC3 * a3 - mC4 * (a2 - 2.0 * a3 + a4)) * mWet + a * mDry;
  }
  return f * sign;
}

double PressweaveDSP::processSample(double x) const noexcept
{
  double y = weft::Clip(x * mDriveGain, -mSampleLimit, mSampleLimit);
  if (mShaperOn)
    y = waveshaper(y);
  return y * mOutputGain;
}

PressweaveAmountMapping MapPressweaveAmount(double amount) noexcept
{
  if (amount >= 0.0 && amount <= 50.0)
    return {0.0, amount / 50.0 * 100.0, 0.0};
  if (amount > 50.0 && amount <= 100.0)
    return {(amount - 50.0) * 2.0 / 100.0 * 12.0, 100.0, (amount - 50.0) / 50.0 * 50.0};
  return {0.0, 0.0, 0.0};
}

void PressweaveSetup(PressweaveDSP& dsp, double amount, bool shaperOn, int nOutputs) noexcept
{
  // One setup serves every output channel: the shaper has no per-channel state.
  if (nOutputs < 1)
    return;
  const PressweaveAmountMapping m = MapPressweaveAmount(amount);
  dsp.processSetup(m.drive, 0.0, m.mix, m.curve, shaperOn, false);
}

namespace {

// The helpers below take and return vectors of four and eight doubles, whose
// passing in registers needs AVX; each is inlined (always_inline) into one
// function built for AVX2 or AVX-512, so no such vector crosses a call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Four and eight doubles in one register (AVX2, AVX-512), for the functions
// built for those sets below; Pair (two, SSE2) everywhere else.
typedef double Quad __attribute__((vector_size(32)));
typedef double Oct __attribute__((vector_size(64)));

// The integer vector of a double vector's bits.
template <class T>
struct BitsOf;
template <>
struct BitsOf<Pair>
{
  typedef long long Type __attribute__((vector_size(16)));
};
template <>
struct BitsOf<Quad>
{
  typedef long long Type __attribute__((vector_size(32)));
};
template <>
struct BitsOf<Oct>
{
  typedef long long Type __attribute__((vector_size(64)));
};

// v in every lane of a double, Pair, Quad or Oct; |x| by the sign bit.
template <class T>
inline __attribute__((always_inline)) T Lanes(double v) noexcept
{
  if constexpr (sizeof(T) == sizeof(double))
    return v;
  else
  {
    T r;
    for (unsigned i = 0; i < sizeof(T) / sizeof(double); ++i)
      r[i] = v;
    return r;
  }
}

template <class T>
inline __attribute__((always_inline)) T Magnitude(T x) noexcept
{
  if constexpr (sizeof(T) == sizeof(double))
    return std::fabs(x);
  else
  {
    typedef typename BitsOf<T>::Type Bits;
    return reinterpret_cast<T>(reinterpret_cast<Bits>(x) & static_cast<long long>(0x7fffffffffffffffLL));
  }
}

// processSample's arithmetic, operation for operation, with selects in place
// of branches, on a double or on a vector of samples (T); the fields are
// broadcast into T once per block. Everything is inlined into its caller, so
// no vector crosses a call between code built for different sets.
template <class T>
struct Shaper
{
  T driveGain, outputGain, limit, c1, c2, c3, c4, wet, dry;

  __attribute__((always_inline)) explicit Shaper(const PressweaveDSP& dsp) noexcept
  : driveGain(Lanes<T>(dsp.getDriveGain()))
  , outputGain(Lanes<T>(dsp.getOutputGain()))
  , limit(Lanes<T>(dsp.getSampleLimit()))
  , c1(Lanes<T>(dsp.getCoefficient(0)))
  , c2(Lanes<T>(dsp.getCoefficient(1)))
  , c3(Lanes<T>(dsp.getCoefficient(2)))
  , c4(Lanes<T>(dsp.getCoefficient(3)))
  , wet(Lanes<T>(dsp.getWetShare()))
  , dry(Lanes<T>(dsp.getDryShare()))
  {}

  // std::min(std::max(x * drive, -limit), limit), NaN passing through alike.
  __attribute__((always_inline)) T Clip(T x) const noexcept
  {
    const T driven = x * driveGain;
    const T low = -limit;
    const T raised = driven < low ? low : driven;
    return limit < raised ? limit : raised;
  }

  __attribute__((always_inline)) T Shape(T x) const noexcept
  {
    const T zero = Lanes<T>(0.0), one = Lanes<T>(1.0), two = Lanes<T>(2.0);
    const T a = Magnitude(x);
    const T sign = x > zero ? one : -one;
    const T a2 = a * a;
    const T a3 = a2 * a;
    const T a4 = a3 * a;
    const T inner = (c1 * a + c2 * a2 + c3 * a3 - c4 * (a2 - two * a3 + a4)) * wet + a * dry;
    const T outer = (two * a - a * a) * wet + a * dry;
    const T f = a > two ? zero : (a > one ? outer : inner);
    return f * sign;
  }

  // in * (1 - d) + P(in) * d, P being processSample; for a mono output
  // (kMono) the shaper sees half the input and its result is doubled.
  template <bool kShaperOn, bool kMono>
  __attribute__((always_inline)) T Mix(T x, T d) const noexcept
  {
    const T one = Lanes<T>(1.0), two = Lanes<T>(2.0), half = Lanes<T>(0.5);
    T y = Clip(kMono ? half * x : x);
    if (kShaperOn)
      y = Shape(y);
    y = y * outputGain;
    return x * (one - d) + (kMono ? two * y : y) * d;
  }
};

// The whole groups of T at the front of in..in+n into out; returns how many
// samples that was.
template <class T, bool kShaperOn, bool kMono>
inline __attribute__((always_inline)) int ShapeGroups(const PressweaveDSP& dsp, const double* in, double* out, int n,
                                                     double d) noexcept
{
  constexpr int kLanes = static_cast<int>(sizeof(T) / sizeof(double));
  const Shaper<T> lanes(dsp);
  const T dd = Lanes<T>(d);
  int s = 0;
  for (; s + kLanes <= n; s += kLanes)
  {
    T x;
    std::memcpy(&x, in + s, sizeof x);
    const T y = lanes.template Mix<kShaperOn, kMono>(x, dd);
    std::memcpy(out + s, &y, sizeof y);
  }
  return s;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define PW_SHAPER_WIDE 1
template <bool kShaperOn, bool kMono>
__attribute__((target("avx512f"))) int ShapeOcts(const PressweaveDSP& dsp, const double* in, double* out, int n,
                                                 double d) noexcept
{
  return ShapeGroups<Oct, kShaperOn, kMono>(dsp, in, out, n, d);
}

template <bool kShaperOn, bool kMono>
__attribute__((target("avx2"))) int ShapeQuads(const PressweaveDSP& dsp, const double* in, double* out, int n,
                                               double d) noexcept
{
  return ShapeGroups<Quad, kShaperOn, kMono>(dsp, in, out, n, d);
}
#endif

#pragma GCC diagnostic pop

// Eights, then fours, then pairs, then one, as wide as the machine goes (a
// block's tail passes through the narrower forms, all of the same bits).
template <bool kShaperOn, bool kMono>
void ShapeBlock(const PressweaveDSP& dsp, const double* in, double* out, int n, double d) noexcept
{
  int s = 0;
#ifdef PW_SHAPER_WIDE
  if (__builtin_cpu_supports("avx512f"))
    s = ShapeOcts<kShaperOn, kMono>(dsp, in, out, n, d);
  if (__builtin_cpu_supports("avx2"))
    s += ShapeQuads<kShaperOn, kMono>(dsp, in + s, out + s, n - s, d);
#endif
  s += ShapeGroups<Pair, kShaperOn, kMono>(dsp, in + s, out + s, n - s, d);
  if (s < n)
    out[s] = Shaper<double>(dsp).template Mix<kShaperOn, kMono>(in[s], d);
}

template <bool kMono>
void ShapeChannel(const PressweaveDSP& dsp, const double* in, double* out, int n, double d) noexcept
{
  if (dsp.isShaperOn())
    ShapeBlock<true, kMono>(dsp, in, out, n, d);
  else
    ShapeBlock<false, kMono>(dsp, in, out, n, d);
}

} // namespace

void PressweaveProcess(const PressweaveDSP& dsp, const double* const* inputs, double* const* outputs, int nFrames,
                       int nOutputs, double amount, bool on, double dryWetPercent) noexcept
{
  if (amount == 0.0 || !on || !inputs || !outputs || nFrames < 1)
    return;

  const double d = dryWetPercent / 100.0;

  if (nOutputs == 1)
  {
    // The shaper sees half the input and its result is doubled.
    if (inputs[0] && outputs[0])
      ShapeChannel<true>(dsp, inputs[0], outputs[0], nFrames, d);
    return;
  }

  const int nChannels = nOutputs < 2 ? nOutputs : 2;
  for (int k = 0; k < nChannels; ++k)
  {
    if (inputs[k] && outputs[k])
      ShapeChannel<false>(dsp, inputs[k], outputs[k], nFrames, d);
  }
}

} // namespace pressweave
