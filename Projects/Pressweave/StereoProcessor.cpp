#include "StereoProcessor.h"

#include <cmath>

#include "IWeftUtilities.h"

namespace pressweave {

namespace {
constexpr double kPi = 3.141592653589793;
} // namespace

void StereoProcessor::setWidth(double w) noexcept
{
  if (std::isnan(w))
    return;
  mWidth = weft::Clip(w, 0.0, 4.0);
}

double StereoProcessor::getVolumeAdjustment() const noexcept
{
  return mWidth > mWidthLimit ? mWidthLimit / mWidth : 1.0;
}

double StereoProcessor::getAngleVolumeAdjustment() const noexcept
{
  const double degrees = std::fabs(mAngle * 180.0 / kPi);
  const double dip = 1.0 - 1.0 / mAngleGain;
  if (degrees <= 45.0)
    return 1.0 - (degrees / 45.0) * dip;
  if (degrees <= 90.0)
    return 1.0 / mAngleGain + ((degrees - 45.0) / 45.0) * dip;
  return 1.0;
}

void StereoProcessor::processStereo(double left, double right) noexcept
{
  mVolumeAdjustment = getVolumeAdjustment();
  mAngleVolumeAdjustment = getAngleVolumeAdjustment();

  left *= mVolumeAdjustment;
  right *= mVolumeAdjustment;

  mMid = (left + right) * 0.5;
  mSide = (left - right) * 0.5 * mWidth;

  const double l = mMid + mSide;
  const double r = mMid - mSide;
  const double c = std::cos(mAngle);
  const double s = std::sin(mAngle);

  mOutputLeft = (l * c - r * s) * mAngleVolumeAdjustment;
  mOutputRight = (l * s + r * c) * mAngleVolumeAdjustment;
}

void StereoProcess(const double* const* inputs, double* const* outputs, int nFrames, double stereoWidthPercent) noexcept
{
  if (!inputs || !outputs || nFrames < 1)
    return;
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  if (!inL || !inR || !outL || !outR)
    return;

  StereoProcessor sp;
  sp.setWidth(stereoWidthPercent / 100.0);

  // Nothing below changes within a block, so it is taken once; the per-sample
  // arithmetic is processStereo's, operation for operation.
  const double volume = sp.getVolumeAdjustment();
  const double angleVolume = sp.getAngleVolumeAdjustment();
  const double width = sp.getWidth();
  // The angle is 0 unless set otherwise: cos 1 and sin 0 exactly, no calls.
  const double angle = sp.getAngle();
  const double c = angle == 0.0 ? 1.0 : std::cos(angle);
  const double s = angle == 0.0 ? 0.0 : std::sin(angle);

  for (int i = 0; i < nFrames; ++i)
  {
    const double left = inL[i] * volume;
    const double right = inR[i] * volume;
    const double mid = (left + right) * 0.5;
    const double side = (left - right) * 0.5 * width;
    const double l = mid + side;
    const double r = mid - side;
    outL[i] = (l * c - r * s) * angleVolume;
    outR[i] = (l * s + r * c) * angleVolume;
  }
}

} // namespace pressweave
