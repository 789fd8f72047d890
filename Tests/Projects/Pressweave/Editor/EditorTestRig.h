#pragma once
// Shared fixtures of the editor's tests: a recording drawing context and
// exact access to a meter's drawn values.

#include <gtest/gtest.h>

#include "DynamicRangeMeter.h"
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
};

struct CanvasFixture : ::testing::Test
{
  pwtest::TestGDelegate dlg;
  pwtest::RecordingCanvas g{dlg};

  bool Has(const std::string& entry) const { return std::count(g.log.begin(), g.log.end(), entry) > 0; }
  size_t Count(const std::string& prefix) const { return g.Only(prefix).size(); } // entries starting so
};

} // namespace pressweave
