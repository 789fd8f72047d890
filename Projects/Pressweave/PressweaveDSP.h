#pragma once
// The "Pressweave" amount stage: a drive gain into a polynomial waveshaper,
// mixed with the unshaped signal. PressweaveDSP keeps no per-sample memory, so
// one instance serves every channel. It is owned by the plug-in; processSetup
// and processSample run on the render thread.

namespace pressweave {

class PressweaveDSP
{
public:
  PressweaveDSP() noexcept;

  // drive and outputLevel in hundredths of a decade (gain 10^(value / 100));
  // mix and curve in percent (0..100). limitToOne clips the driven sample to
  // +-1 instead of +-2.
  void processSetup(double drive, double outputLevel, double mix, double curve, bool shaperOn, bool limitToOne) noexcept;

  // Drive, clip to the sample limit, shape when the shaper is on, output gain.
  double processSample(double x) const noexcept;

  // Odd-symmetric shaper mixed by the wet and dry shares; 0 beyond |x| > 2.
  double waveshaper(double x) const noexcept;

  double getDriveGain() const noexcept { return mDriveGain; }
  double getOutputGain() const noexcept { return mOutputGain; }
  double getWetShare() const noexcept { return mWet; }
  double getDryShare() const noexcept { return mDry; }
  double getSampleLimit() const noexcept { return mSampleLimit; }
  double getCurve() const noexcept { return mCurve; }
  double getMix() const noexcept { return mMix; }
  double getDrive() const noexcept { return mDrive; }
  bool isShaperOn() const noexcept { return mShaperOn; }
  // Curve coefficients c1..c4 (index 0..3); 0 for other indices.
  double getCoefficient(int index) const noexcept;

private:
  double mDrive = 0.0;
  double mMix = 0.0; // percent
  double mCurve = 0.0;
  bool mLimitToOne = false;
  bool mShaperOn = false;
  double mOutputLevel = 0.0;
  double mDriveGain = 1.0;
  double mOutputGain = 1.0;
  double mSampleLimit = 2.0;
  double mC1 = 1.5;
  double mC2 = 0.0;
  double mC3 = -0.5;
  double mC4 = 0.0625;
  double mWet = 0.0;
  double mDry = 1.0;
  double mLn10Hundredth; // ln(10) * 0.01, set once by the constructor
};

// What the single "Pressweave" knob (0..100) sets on the shaper.
struct PressweaveAmountMapping
{
  double drive; // 0..12
  double mix;   // percent
  double curve; // 0..50
};

// 0..50 fades the shaper in (mix 0..100 %, no drive, curve 0); 50..100 adds
// drive 0..12 and curve 0..50 at full mix. Anything else maps to all 0.
PressweaveAmountMapping MapPressweaveAmount(double amount) noexcept;

// Sets up dsp from "Pressweave" (amount) and "Pressweave on/off" (shaperOn):
// output level 0, no limit to one. With nOutputs < 1 nothing is set.
void PressweaveSetup(PressweaveDSP& dsp, double amount, bool shaperOn, int nOutputs) noexcept;

// The waveshaper pass over one block, in place allowed (inputs == outputs).
// amount: "Pressweave"; on: "Pressweave on/off"; dryWetPercent: "Dry/Wet".
// Does nothing when amount is 0 or the stage is off. For nOutputs 2, each
// channel gets in * (1 - d) + P(in) * d with d = dryWetPercent / 100; for a
// mono output (nOutputs 1) the shaper sees half the input and its result is
// doubled. Channels beyond the first two, and null channels, are skipped.
// Render thread; no allocation.
void PressweaveProcess(const PressweaveDSP& dsp, const double* const* inputs, double* const* outputs, int nFrames,
                       int nOutputs, double amount, bool on, double dryWetPercent) noexcept;

} // namespace pressweave
