// The host's test instrument: the synthesiser frame's sine instrument as a
// music device ('aumu', subtype TSyn, manufacturer PWts) with no input bus,
// a stereo output and MIDI input, behind PWTestSynth_Factory and
// PWTestSynth_Entry.

#include "IWeftAU.h"
#include "IWeftAUFactory.h"
#include "TestInstrument.h"

#include <cstdio>

namespace pw::test {

class PWTestSynthPlugin final : public weft::IWeftAU
{
public:
  explicit PWTestSynthPlugin(const weft::InstanceInfo& info)
  : IWeftAU(info, weft::Config(0, 0, "0-2", "PWTestSynth", "Test Synth", "Pressweave Tests", 0x010203,
                               'T' << 24 | 'S' << 16 | 'y' << 8 | 'n', 'P' << 24 | 'W' << 16 | 't' << 8 | 's', 0,
                               true, false, false, true, weft::IWeftProcessor::kPlugTypeInstrument, false, 0, 0,
                               false, 0, 0, 0, 0, "com.pressweave.tests.PWTestSynth", ""))
  {}

  // Set-up thread: the host changed the rate or slice size, or reset.
  void OnReset() override { mInstrument.Prepare(GetSampleRate(), GetBlockSize()); }
  void OnActivate(bool active) override
  {
    IWeftAU::OnActivate(active);
    if (active)
      OnReset();
  }

  // Render thread.
  void ProcessMidiMsg(const weft::IMidiMsg& msg) override { mInstrument.AddMidi(msg); }
  void ProcessBlock(double**, double** outputs, int nFrames) override
  {
    mInstrument.Process(outputs, MaxNChannels(weft::kOutput), nFrames);
  }

  // Main thread: the synthesiser's report lines.
  void OnIdle() override { mInstrument.Synth().WriteReports(stdout); }

private:
  TestInstrument mInstrument;
};

} // namespace pw::test

IWEFT_AU_VIEW_CLASS(PWTestSynth, pw::test::PWTestSynthPlugin)
IWEFT_AU_ENTRY_POINTS(PWTestSynth, pw::test::PWTestSynthPlugin, true)
