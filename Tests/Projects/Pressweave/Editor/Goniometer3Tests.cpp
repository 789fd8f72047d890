#include <functional>
#include "EditorTestRig.h"
#include "Goniometer3.h"
#include "PressweaveColors.h"

using namespace pressweave;
using namespace pwtest;

using Gonio = Goniometer3<2, 64, 128>;

struct GonioTest : CanvasFixture
{
  Gonio gonio{IRECT(875, 281, 1000, 398), Colors::EQ_PR, 1, 512, 44100.0f};

  // Sends messages with frame n (counted over all of them) as (l, r).
  void Send(int messages, const std::function<void(int, float&, float&)>& frame, Gonio* target = nullptr)
  {
    for (int m = 0; m < messages; ++m)
    {
      Gonio::Record rec;
      for (int s = 0; s < 128; ++s)
        frame(sent + s, rec.vals[0][s], rec.vals[1][s]);
      sent += 128;
      (target ? *target : gonio).OnMsgFromDelegate(0, sizeof(rec), &rec);
    }
  }
  int sent = 0;
};

TEST_F(GonioTest, MonoLiesOnTheVerticalAxisAndOppositePhaseMeasuresOne)
{
  const struct { float l, r, measured; } cases[] = {{0.5f, 0.5f, 0}, {0.5f, -0.5f, 1}, {0.0f, 0, 0}, {-0.0f, 0, 1}};
  for (const auto& c : cases)
  {
    Gonio fresh(IRECT(0, 0, 100, 100), COLOR_WHITE, 1, 1, 44100.0f);
    Send(22, [&](int, float& a, float& b) { a = c.l, b = c.r; }, &fresh);
    EXPECT_EQ(fresh.GetCorrelationMeasured(), c.measured) << c.l << " " << c.r;
  }
  Send(1, [](int, float& a, float& b) { a = b = 0.5f; });
  const Gonio::PointData& p = gonio.GetRingPoint(0);
  EXPECT_TRUE(std::fabs(p.x) < 1e-6f && std::fabs(p.y - std::sqrt(0.5f)) < 1e-6f);
}

TEST_F(GonioTest, TheWindowClosesAtFrame2757AndDividesInFloatingPoint)
{
  Send(22, [](int n, float& a, float& b) { a = 1.0f, b = n == 2756 ? -1.0f : 1.0f; });
  EXPECT_FLOAT_EQ(gonio.GetCorrelationMeasured(), 1.0f / 2757);
}

TEST_F(GonioTest, ShortRefusedAndDisabledMessages)
{
  Gonio one(IRECT(0, 0, 100, 100), COLOR_WHITE, 1, 0, -1.0f); // ring of 1, rate 44100
  EXPECT_EQ(one.GetRingSize(), 1);
  Gonio::Record rec;
  std::fill(&rec.vals[0][0], &rec.vals[0][0] + 256, 0.5f);
  one.OnMsgFromDelegate(1, sizeof(rec), &rec);
  one.SetDisabled(true);
  one.OnMsgFromDelegate(0, sizeof(rec), &rec);
  one.SetDisabled(false);
  EXPECT_EQ(one.GetTrailPoint(0).y, 0.0f);
  for (int m = 0; m < 4; ++m) // 512 frames: the trail wraps to entry 12
    one.OnMsgFromDelegate(0, sizeof(rec), &rec);
  EXPECT_NEAR(one.GetTrailPoint(0).y, std::sqrt(0.5f), 1e-6f); // straight into the trail
  const char shortMsg[10] = {1, 2, 3};
  one.OnMsgFromDelegate(0, sizeof(shortMsg), shortMsg);
  EXPECT_TRUE(one.GetTrailPoint(12).y == 0.0f && one.GetTrailPoint(139).y == 0.0f); // 128 silent frames
  EXPECT_NEAR(one.GetTrailPoint(140).y, std::sqrt(0.5f), 1e-6f);
}

TEST_F(GonioTest, WarningShowsFromTheFifteenthDrawAndFadesOverTwenty)
{
  Send(22, [](int, float& a, float& b) { a = 0.5f, b = -0.5f; });
  int draws = 0;
  while (!gonio.IsAntiphase() && draws < 100)
    gonio.Draw(g), ++draws;
  EXPECT_EQ(draws, 15);
  EXPECT_TRUE(Has("Text(antiphase)(910,378,990,388)"));
  Send(22, [](int, float& a, float& b) { a = b = 0.5f; });
  do
    gonio.Draw(g);
  while (gonio.GetCorrelation() > 0.53f);
  for (draws = 1; gonio.IsAntiphase() && draws < 100;)
    gonio.Draw(g), ++draws;
  EXPECT_EQ(draws, 20);
}

TEST_F(GonioTest, TrailDecaysAndItsEndsAreNeverJoined)
{
  Send(8, [](int n, float& a, float& b) { a = std::sin(n * 0.1f), b = std::cos(n * 0.1f); });
  gonio.Draw(g);
  EXPECT_FLOAT_EQ(gonio.GetTrailPoint(0).opacity, 0.955f);
  EXPECT_EQ(Count("Stroke" + Str(Colors::EQ_PR.WithOpacity(0.955f)) + "1"), 499u);
  EXPECT_TRUE(Has("MoveTo(937.5,281)") && Has("LineTo(937.5,398)") && Has("MoveTo(879,339.5)")); // cross
  EXPECT_TRUE(Has("LineTo(908.25,310.25)") && Has("LineTo(966.75,368.75)") && Has("MoveTo(879,388)"));
}

