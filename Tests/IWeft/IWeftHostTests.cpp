#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "IWeftHost.h"
#include "LOOM_String.h"

using namespace weft;

namespace {

struct KnownHost
{
  const char* text; // searched for in the lower-cased name
  int number;
  const char* name; // given back for the number
};

// The published identification table, in the order the names are tested.
const KnownHost kKnownHosts[] = {
  {"reaper", 1, "reaper"},         {"protools", 2, "protools"},       {"cubase", 3, "cubase"},
  {"nuendo", 4, "nuendo"},         {"cakewalk", 5, "cakewalk"},       {"vegas", 6, "vegas"},
  {"fruity", 7, "fruity"},         {"samplitude", 8, "samplitude"},   {"live", 9, "live"},
  {"tracktion", 10, "tracktion"},  {"ntracks", 11, "ntracks"},        {"melodyne", 12, "melodyne"},
  {"vstmanlib", 13, "vstmanlib"},  {"aulab", 14, "aulab"},            {"forte", 15, "forte"},
  {"chainer", 16, "chainer"},      {"audition", 17, "audition"},      {"orion", 18, "orion"},
  {"bias", 19, "bias"},            {"sawstudio", 20, "sawstudio"},    {"logic", 21, "logic"},
  {"garageband", 22, "garageband"}, {"digital", 23, "digital"},       {"audiomulch", 25, "audiomulch"},
  {"presonus", 26, "presonus"},    {"vst3plugintesthost", 27, "vst3plugintesthost"},
  {"ardour", 28, "ardour"},        {"renoise", 29, "renoise"},        {"openmpt", 30, "OpenMPT"},
  {"wavelab elements", 32, "wavelab elements"},                       {"wavelab", 31, "wavelab"},
  {"twistedwave", 33, "twistedwave"}, {"bitwig studio", 34, "bitwig studio"}, {"reason", 36, "reason"},
  {"gwvst", 37, "gwvst"},          {"waveform", 38, "waveform"},      {"audacity", 39, "audacity"},
  {"acoustica", 40, "acoustica"},  {"plugindoctor", 41, "plugindoctor"}, {"izotope rx", 42, "izotope rx"},
  {"savihost", 43, "savihost"},    {"blue cat's vst host", 44, "blue cat's vst host"},
  {"mixbus", 45, "mixbus"},        {"standalone", 24, "standalone"},  {"www", 35, "www"},
};
static_assert(sizeof(kKnownHosts) / sizeof(kKnownHosts[0]) == 45, "one row per known host");

std::string Upper(const char* s)
{
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The name given for number, written over a string that held another name.
std::string HostName(int number)
{
  LOOM_String str{"previous host name that is rather long"};
  GetHostNameStr(static_cast<EHost>(number), str);
  return str.Get();
}

} // namespace

TEST(HostTableTest, EveryKnownTextGivesItsNumberInAnyCaseAndTheNumberGivesItsNameAndOthersAreUnknown)
{
  bool seen[46] = {};
  for (const KnownHost& h : kKnownHosts)
  {
    SCOPED_TRACE(h.text);
    ASSERT_TRUE(h.number >= 1 && h.number <= 45 && !seen[h.number]) << "each number once";
    seen[h.number] = true;
    EXPECT_EQ(LookUpHost(("com.example." + Upper(h.text) + " 12.3").c_str()), h.number);
    EXPECT_EQ(HostName(h.number), h.name);
  }
  for (int number : {0, -1, 46})
    EXPECT_EQ(HostName(number), "Unknown") << number;
}

TEST(LookUpHostTest, WorkedNamesFollowTableOrderAndOnlyTheFirst255Bytes)
{
  const struct { std::string name; int expected; } cases[] = {
    {"Pro Tools", kHostUnknown},             // the space breaks "protools"
    {"Deliverance Audio", kHostAbletonLive}, // "live" inside a word
    {"Logic Pro Standalone", kHostLogic},    {"www.reaper.fm", kHostReaper},
    {std::string(250, 'x') + "REAPER", kHostUnknown}, // cut after "REAPE"
    {std::string(249, 'x') + "Cubase", kHostCubase},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LookUpHost(c.name.c_str()), c.expected) << c.name.substr(0, 40);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

