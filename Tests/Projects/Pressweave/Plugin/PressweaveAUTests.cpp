// Pressweave rendered as a host renders it, with a slice size of its own.
// (The render road's own checks, allocation included, are the Audio Unit
// binding's; ProcessBlock's allocation is checked in PressweaveProcessTests.)

#include "PressweaveTestRig.h"

using namespace pressweave;
using pw::test::AUHost;

namespace {

TEST(PressweaveAUHost, ALargerMaximumFramesPerSliceIsPreparedBeforeTheFirstRender)
{
  AUHost host("com.example.testhost", 2, 0);
  const UInt32 frames = 2048;
  ASSERT_EQ(pw::test::SetMaxFrames(host.unit, frames), noErr);
  ASSERT_EQ(host.Initialize(), noErr);
  EXPECT_EQ(host.plug->GetPreparedFrames(), 2048);
  EXPECT_EQ(host.plug->GetBufferManager().GetBufferSize(), 2048);

  host.mainSource.signal[0].assign(2048, 0.25f);
  host.SetParameter(kInputGain, 50.0);
  ASSERT_EQ(host.Render(2048), noErr);
  EXPECT_EQ(host.outL, std::vector<float>(2048, 0.125f));
}

} // namespace
