// The scope theme's hand-over to the main thread. (Names, ranges, defaults,
// labels and value texts as a host sees them: PressweaveAUParamInfoTests.)

#include "PressweaveTestRig.h"

#include <thread>

using namespace pressweave;
using pw::test::TestPressweave;

namespace {

class PressweaveParams : public ::testing::Test
{
protected:
  TestPressweave plug;
};

TEST_F(PressweaveParams, AThemeChangeIsAppliedAtTheNextIdleTickOnTheMainThreadAndTheLatestOneWins)
{
  std::thread host([this] {
    plug.GetParam(kScopeTheme)->Set(1);
    plug.OnParamChange(kScopeTheme, weft::kHost, 0);
  });
  host.join();
  EXPECT_EQ(plug.GetScopeTheme(), 0);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 1);

  for (int theme : {3, 2})
  {
    plug.GetParam(kScopeTheme)->Set(theme);
    plug.OnParamChange(kScopeTheme);
  }
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);

  // Other parameters' changes do not apply a theme that was never announced.
  plug.GetParam(kScopeTheme)->Set(3);
  plug.OnParamChange(kScopeSync);
  plug.OnIdle();
  EXPECT_EQ(plug.GetScopeTheme(), 2);
}

} // namespace
