#pragma once
// Shared fixtures of the editor's tests: a recording drawing context and
// exact access to a meter's drawn values.

#include <gtest/gtest.h>

#include "DynamicRangeMeter.h"
#include "DynamicRangeMeter2.h"
#include "TestCanvas.h"

namespace pressweave {

// Sets what the meter's drawing reads, bypassing the analysis.
struct DynamicRangeMeterProbe
{
  static void Set(DynamicRangeMeter& m, double peak, double hold, double rms)
  {
    for (auto& ch : m.mChannels)
      ch.peakDB = peak, ch.peakHoldDB = hold, ch.rmsDB = rms;
  }
  static void SetLoudness(DynamicRangeMeter& m, double momentary, double displayed)
  {
    m.mLoudness = momentary, m.mDisplayLoudness = displayed;
  }

  static void Set(DynamicRangeMeter2& m, double peak, double hold, double rms)
  {
    for (auto& ch : m.mChannels)
      ch.peakDB = peak, ch.peakHoldDB = hold, ch.rmsDB = rms;
  }
  static void SetScale(DynamicRangeMeter2& m, double top, double bottom) { m.mScaleTop = top, m.mScaleBottom = bottom; }
  // Momentary, short-term and integrated: the new values and the previous
  // displayed ones.
  static void SetLoudness(DynamicRangeMeter2& m, const double (&values)[3], const double (&previous)[3])
  {
    for (int i = 0; i < 3; ++i)
      m.mLoudness[i] = values[i], m.mPrevLoudness[i] = previous[i];
  }
};

struct CanvasFixture : ::testing::Test
{
  pwtest::TestGDelegate dlg;
  pwtest::RecordingCanvas g{dlg};

  bool Has(const std::string& entry) const { return std::count(g.log.begin(), g.log.end(), entry) > 0; }
  size_t Count(const std::string& prefix) const { return g.Only(prefix).size(); } // entries starting so
};

} // namespace pressweave
