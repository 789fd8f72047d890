#include "ControlsFixture.h"
#include "IBButtonControl.h"
#include "IBKnobRotaterControl.h"
#include "IBMeterControl.h"
#include "IBSliderControl.h"
#include "IBSwitchControl.h"
#include "IBTextControl.h"
#include "MeterMessageFuzz.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace pwtest;
namespace fs = std::filesystem;

namespace {

// Reads a PNG's size from its header; logs each bitmap draw with the
// bitmap's scale ("Bitmap2x(...)").
class PNGCanvas : public RecordingCanvas
{
public:
  using RecordingCanvas::RecordingCanvas;
  APIBitmap* LoadAPIBitmap(const char* path, int scale, EResourceLocation, const char*) override
  {
    unsigned char head[24] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(head), 24);
    auto be = [&](int at) { return head[at] << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3]; };
    return CreateAPIBitmap(be(16), be(20), static_cast<float>(scale), 1.0, false);
  }
  void DrawBitmap(const IBitmap& b, const IRECT& r, int x, int y, const IBlend*) override
  {
    log.push_back("Bitmap" + std::to_string(int(b.GetScale())) + "x" + Str(r) + "@" + std::to_string(x) + "," + std::to_string(y));
  }
};

struct Bitmaps : testing::Test
{
  TestGDelegate dlg{4};
  PNGCanvas g{dlg};
  const IMouseMod mouse;
  fs::path dir = fs::temp_directory_path() / ("pw-bitmaps-" + std::to_string(::getpid()));

  Bitmaps() { fs::create_directories(dir); }
  ~Bitmaps() override { fs::remove_all(dir); }
  // name.png at w x h points and name@2x.png at twice that.
  IBitmap Make(const char* name, int w, int h, int frames, bool horizontal = false)
  {
    for (int s : {1, 2})
    {
      std::vector<uint8_t> px(size_t(w * s * h * s * 4), 255);
      const std::string file = (dir / (std::string(name) + (s == 2 ? "@2x.png" : ".png"))).string();
      stbi_write_png(file.c_str(), w * s, h * s, 4, px.data(), w * s * 4);
    }
    return g.LoadBitmap((dir / (std::string(name) + ".png")).string().c_str(), frames, horizontal, 1);
  }
  template <class T> T* Attach(T* c) { return static_cast<T*>(g.AttachControl(c)); }
  std::string Drawn(IControl* c) { g.log.clear(), c->Draw(g); std::string s; for (auto& e : g.log) s += e + " "; return s; }
};

} // namespace

TEST_F(Bitmaps, FramesFollowTheValueAndSwitchesStepThroughThem)
{
  const IBitmap strip = Make("strip", 10, 40, 4);
  auto* k = Attach(new IBKnobControl(IRECT(0, 0, 30, 30), strip, 0));
  std::string seen;
  for (double v : {0.0, 0.49, 0.5, 1.0})
    k->SetValue(v), seen += Drawn(k);
  EXPECT_EQ(seen, "Bitmap1x(10,10,20,20)@0,0 Bitmap1x(10,10,20,20)@0,10 Bitmap1x(10,10,20,20)@0,20 "
                  "Bitmap1x(10,10,20,20)@0,30 ") << "frame round(v x 3) + 1, centred";
  auto* s = Attach(new IBSwitchControl(0, 0, strip));
  auto* one = Attach(new IBSwitchControl(0, 0, Make("one", 10, 10, 1)));
  std::string cycle;
  for (int i = 0; i < 5; ++i)
    cycle += std::to_string(s->GetValue()).substr(0, 4) + "/" + std::to_string(int(one->GetValue())) + " ",
      s->OnMouseDown(1, 1, mouse), one->OnMouseDown(1, 1, mouse);
  EXPECT_EQ(cycle, "0.00/0 0.33/1 0.66/0 1.00/1 0.00/0 ");
}

TEST_F(Bitmaps, RotaterTurnsFromMinus130To130)
{
  auto* r = Attach(new IBKnobRotaterControl(0, 0, Make("rot", 20, 20, 1)));
  std::string seen;
  for (double v : {0.0, 1.0})
    r->SetValue(v), Drawn(r), seen += g.Only("Transform").at(1) + " ";
  EXPECT_EQ(seen, "Transform(-0.642788,-0.766044,0.766044,-0.642788,10,10) "
                  "Transform(-0.642788,0.766044,-0.766044,-0.642788,10,10) ");
}

TEST_F(Bitmaps, SliderMovesOnATrackOrAStripAsThickAsTheHandle)
{
  const IBitmap handle = Make("handle", 10, 10, 1);
  auto* h = Attach(new IBSliderControl(IRECT(0, 0, 100, 40), handle, IBitmap(), 0, EDirection::Horizontal));
  EXPECT_EQ(Str(h->GetTrackBounds()), "(0,15,100,25)");
  EXPECT_EQ(Str(h->GetHandleBounds(0.0)) + Str(h->GetHandleBounds(1.0)), "(0,15,10,25)(90,15,100,25)");
  h->OnMouseDown(95, 20, mouse), h->OnMouseUp(95, 20, mouse);
  EXPECT_GT(h->GetValue(), 0.9) << "a click on the strip moves it";
  auto* v = Attach(new IBSliderControl(0, 0, 80, handle, Make("track", 6, 60, 1), 0));
  EXPECT_EQ(Str(v->GetRECT()) + Str(v->GetTrackBounds()), "(0,0,10,80)(2,10,8,70)");
  v->SetValue(1.0);
  EXPECT_EQ(Drawn(v), "Bitmap1x(2,10,8,70)@0,0 Bitmap1x(2,10,12,20)@0,0 ") << "track, then the handle at the top";
}

TEST_F(Bitmaps, MeterMapsLevelsAndIgnoresWhatItCannotRead)
{
  auto* log = Attach(new IBMeterControl(0, 0, Make("meter", 10, 10, 1)));
  auto* lin = Attach(new IBMeterControl(IRECT(0, 0, 30, 30), Make("meter", 10, 10, 1), -60, 0, IBMeterControl::kLinearResponse));
  EXPECT_EQ(Str(lin->GetRECT()), "(10,10,20,20)");
  auto send = [&](IControl* m, float level, int tag = 0, int32_t chans = 1, int32_t offset = 0, int size = 20) {
    uint8_t msg[20];
    const int32_t head[3] = {5, chans, offset};
    const float levels[2] = {0.0f, level};
    std::memcpy(msg, head, 12), std::memcpy(msg + 12, levels, 8);
    m->OnMsgFromDelegate(tag, size, msg);
    return m->GetValue();
  };
  EXPECT_NEAR(send(log, 0.5f), 0.8997, 1e-4);
  EXPECT_EQ(send(log, 0.0f), 0.0);
  EXPECT_EQ(send(lin, 1.5f), 1.0);
  EXPECT_EQ(send(lin, -0.5f), 0.0);
  const struct { float level; int tag; int32_t chans, offset; int size; } ignored[] = {
    {0.5f, 1, 1, 0, 20}, {0.5f, 0, 1, 0, 19}, {0.5f, 0, 1, 1, 20}, {0.5f, 0, 0, 0, 20}, {0.5f, 0, 1, -1, 20},
  };
  for (const auto& c : ignored)
    EXPECT_EQ(send(lin, c.level, c.tag, c.chans, c.offset, c.size), 0.0) << c.tag << " " << c.offset << " " << c.size;
  EXPECT_EQ(send(lin, 0.5f, 0, 5, 0), 0.5) << "channel 0 read, the rest clamped away";
  EXPECT_EQ(send(lin, std::nanf("")), 0.0) << "NaN counts as 0";
  lin->SetDisabled(true);
  EXPECT_EQ(send(lin, 0.7f), 0.0);
}

TEST_F(Bitmaps, EveryWidgetDrawsItsDoubleBitmapAtScaleTwo)
{
  const IBitmap b = Make("any", 10, 20, 2);
  std::vector<IControl*> all = {Attach(new IBButtonControl(0, 0, b)), Attach(new IBSwitchControl(0, 0, b)),
                                Attach(new IBSliderControl(0, 0, 50, b, IBitmap(), kNoParameter)),
                                Attach(new IBKnobControl(0, 0, b)), Attach(new IBKnobRotaterControl(0, 0, b)),
                                Attach(new IBTextControl(IRECT(0, 0, 50, 20), b, DEFAULT_TEXT, "A", 10, 10)),
                                Attach(new IBMeterControl(0, 0, b))};
  g.SetScreenScale(2.0f);
  for (IControl* c : all)
  {
    const std::string drawn = Drawn(c);
    EXPECT_TRUE(drawn.find("Bitmap2x") != std::string::npos && drawn.find("Bitmap1x") == std::string::npos) << drawn;
  }
}

TEST(BitmapMeterFuzz, SeededMessagesKeepTheValueInRange)
{
  std::mt19937 rng(21);
  for (int i = 0; i < 2000; ++i)
  {
    std::vector<uint8_t> in(rng() % 26);
    for (uint8_t& byte : in)
      byte = static_cast<uint8_t>(rng());
    if (in.size() > 12 && i % 2)
      std::memset(in.data() + 5, 0, 8), in[1] = 0, in[5] = 1; // channel 0 of 1, tag 0
    ASSERT_TRUE(FuzzMeterMessage(in.data(), in.size())) << "input " << i << " (seed 21)";
  }
}
