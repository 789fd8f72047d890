#include "PressweaveDSP.h"

#include <algorithm>
#include <cmath>

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

// processSample's arithmetic, operation for operation, with selects in place
// of branches, on a double or on a Pair of samples (T); the fields are
// broadcast into T once per block.
template <class T>
struct Shaper
{
  T driveGain, outputGain, limit, c1, c2, c3, c4, wet, dry;

  explicit Shaper(const PressweaveDSP& dsp) noexcept
  : driveGain(Broadcast<T>(dsp.getDriveGain()))
  , outputGain(Broadcast<T>(dsp.getOutputGain()))
  , limit(Broadcast<T>(dsp.getSampleLimit()))
  , c1(Broadcast<T>(dsp.getCoefficient(0)))
  , c2(Broadcast<T>(dsp.getCoefficient(1)))
  , c3(Broadcast<T>(dsp.getCoefficient(2)))
  , c4(Broadcast<T>(dsp.getCoefficient(3)))
  , wet(Broadcast<T>(dsp.getWetShare()))
  , dry(Broadcast<T>(dsp.getDryShare()))
  {}

  // std::min(std::max(x * drive, -limit), limit), NaN passing through alike.
  T Clip(T x) const noexcept
  {
    const T driven = x * driveGain;
    const T low = -limit;
    const T raised = driven < low ? low : driven;
    return limit < raised ? limit : raised;
  }

  T Shape(T x) const noexcept
  {
    const T zero = Broadcast<T>(0.0), one = Broadcast<T>(1.0), two = Broadcast<T>(2.0);
    const T a = Abs(x);
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
  T Mix(T x, T d) const noexcept
  {
    const T one = Broadcast<T>(1.0), two = Broadcast<T>(2.0), half = Broadcast<T>(0.5);
    T y = Clip(kMono ? half * x : x);
    if (kShaperOn)
      y = Shape(y);
    y = y * outputGain;
    return x * (one - d) + (kMono ? two * y : y) * d;
  }
};

template <bool kShaperOn, bool kMono>
void ShapeBlock(const PressweaveDSP& dsp, const double* in, double* out, int n, double d) noexcept
{
  const Shaper<Pair> pairs(dsp);
  const Pair d2 = Splat(d);
  int s = 0;
  for (; s + 2 <= n; s += 2)
    StorePair(out + s, pairs.template Mix<kShaperOn, kMono>(LoadPair(in + s), d2));
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
