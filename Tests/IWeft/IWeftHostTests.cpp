#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
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
  {"reaper", 1, "reaper"},
  {"protools", 2, "protools"},
  {"cubase", 3, "cubase"},
  {"nuendo", 4, "nuendo"},
  {"cakewalk", 5, "cakewalk"},
  {"vegas", 6, "vegas"},
  {"fruity", 7, "fruity"},
  {"samplitude", 8, "samplitude"},
  {"live", 9, "live"},
  {"tracktion", 10, "tracktion"},
  {"ntracks", 11, "ntracks"},
  {"melodyne", 12, "melodyne"},
  {"vstmanlib", 13, "vstmanlib"},
  {"aulab", 14, "aulab"},
  {"forte", 15, "forte"},
  {"chainer", 16, "chainer"},
  {"audition", 17, "audition"},
  {"orion", 18, "orion"},
  {"bias", 19, "bias"},
  {"sawstudio", 20, "sawstudio"},
  {"logic", 21, "logic"},
  {"garageband", 22, "garageband"},
  {"digital", 23, "digital"},
  {"audiomulch", 25, "audiomulch"},
  {"presonus", 26, "presonus"},
  {"vst3plugintesthost", 27, "vst3plugintesthost"},
  {"ardour", 28, "ardour"},
  {"renoise", 29, "renoise"},
  {"openmpt", 30, "OpenMPT"},
  {"wavelab elements", 32, "wavelab elements"},
  {"wavelab", 31, "wavelab"},
  {"twistedwave", 33, "twistedwave"},
  {"bitwig studio", 34, "bitwig studio"},
  {"reason", 36, "reason"},
  {"gwvst", 37, "gwvst"},
  {"waveform", 38, "waveform"},
  {"audacity", 39, "audacity"},
  {"acoustica", 40, "acoustica"},
  {"plugindoctor", 41, "plugindoctor"},
  {"izotope rx", 42, "izotope rx"},
  {"savihost", 43, "savihost"},
  {"blue cat's vst host", 44, "blue cat's vst host"},
  {"mixbus", 45, "mixbus"},
  {"standalone", 24, "standalone"},
  {"www", 35, "www"},
};

std::string Upper(const char* s)
{
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string HostName(int number)
{
  LOOM_String str;
  GetHostNameStr(static_cast<EHost>(number), str);
  return str.Get();
}

} // namespace

TEST(HostTableTest, CoversEveryKnownNumberOnce)
{
  bool seen[46] = {};
  for (const KnownHost& h : kKnownHosts)
  {
    ASSERT_GE(h.number, 1);
    ASSERT_LE(h.number, 45);
    EXPECT_FALSE(seen[h.number]) << h.number;
    seen[h.number] = true;
  }
  EXPECT_EQ(sizeof(kKnownHosts) / sizeof(kKnownHosts[0]), 45u);
}

TEST(LookUpHostTest, EveryKnownTextGivesItsNumberInAnyCase)
{
  for (const KnownHost& h : kKnownHosts)
  {
    EXPECT_EQ(LookUpHost(h.text), h.number) << h.text;
    EXPECT_EQ(LookUpHost(Upper(h.text).c_str()), h.number) << h.text;
    const std::string embedded = "com.example." + Upper(h.text) + " 12.3";
    EXPECT_EQ(LookUpHost(embedded.c_str()), h.number) << embedded;
  }
}

TEST(LookUpHostTest, WorkedExamples)
{
  EXPECT_EQ(LookUpHost("REAPER64"), kHostReaper);
  EXPECT_EQ(LookUpHost("Pro Tools"), kHostUnknown) << "the space breaks \"protools\"";
  EXPECT_EQ(LookUpHost("WaveLab Elements 11"), kHostWaveLabElements);
  EXPECT_EQ(LookUpHost("WaveLab Pro"), kHostWaveLab);
  EXPECT_EQ(LookUpHost("Logic Pro Standalone"), kHostLogic);
  EXPECT_EQ(LookUpHost("com.apple.logic10"), 21);
  EXPECT_EQ(LookUpHost("OpenMPT"), kHostOpenMPT);
}

TEST(LookUpHostTest, EarlierTableEntriesWinOverLaterOnes)
{
  EXPECT_EQ(LookUpHost("Deliverance Audio"), kHostAbletonLive) << "\"live\" inside a word";
  EXPECT_EQ(LookUpHost("Standalone WWW"), kHostStandalone);
  EXPECT_EQ(LookUpHost("www.reaper.fm"), kHostReaper);
  EXPECT_EQ(LookUpHost("Reason Live"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Cubase Nuendo"), kHostCubase);
}

TEST(LookUpHostTest, EmptyNullAndUnmatchedNamesAreUnknown)
{
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
  EXPECT_EQ(LookUpHost("com.example.SomeHost"), kHostUnknown);
  EXPECT_EQ(LookUpHost("wave lab"), kHostUnknown);
}

TEST(LookUpHostTest, OnlyTheFirst255BytesOfALongNameAreSearched)
{
  const std::string pad(250, 'x');
  EXPECT_EQ(LookUpHost((pad + "REAPER").c_str()), kHostUnknown) << "cut after \"REAPE\"";
  EXPECT_EQ(LookUpHost((std::string(249, 'x') + "Cubase").c_str()), kHostCubase);
  EXPECT_EQ(LookUpHost((std::string(4000, 'x') + "cubase").c_str()), kHostUnknown);
  EXPECT_EQ(LookUpHost(("bitwig studio" + std::string(4000, 'x')).c_str()), kHostBitwig);
}

TEST(GetHostNameStrTest, EveryKnownNumberGivesItsName)
{
  for (const KnownHost& h : kKnownHosts)
    EXPECT_EQ(HostName(h.number), h.name) << h.number;
}

TEST(GetHostNameStrTest, OpenMPTKeepsItsCapitals)
{
  EXPECT_EQ(HostName(kHostOpenMPT), "OpenMPT");
}

TEST(GetHostNameStrTest, UnknownUninitAndOutOfRangeNumbersGiveUnknown)
{
  for (int number : {0, -1, 46, 1000, -7})
    EXPECT_EQ(HostName(number), "Unknown") << number;
}

TEST(GetHostNameStrTest, OverwritesWhateverTheStringHeld)
{
  LOOM_String str{"previous host name that is rather long"};
  GetHostNameStr(kHostWWW, str);
  EXPECT_STREQ(str.Get(), "www");
}

TEST(ToLowerTest, LowersAsciiAndLeavesOtherBytesAlone)
{
  char out[32];
  ToLower(out, "ReAPER 6.0 \xC3\x84!", sizeof(out));
  EXPECT_STREQ(out, "reaper 6.0 \xC3\x84!");
}

TEST(ToLowerTest, CutsToTheDestinationAndTerminates)
{
  char out[5];
  std::memset(out, '#', sizeof(out));
  ToLower(out, "ABCDEFG", sizeof(out));
  EXPECT_STREQ(out, "abcd");

  char one[1] = {'#'};
  ToLower(one, "ABC", 1);
  EXPECT_EQ(one[0], '\0');
}

TEST(ToLowerTest, NullSourceGivesEmptyText)
{
  char out[4] = {'#', '#', '#', '#'};
  ToLower(out, nullptr, sizeof(out));
  EXPECT_EQ(out[0], '\0');
}
