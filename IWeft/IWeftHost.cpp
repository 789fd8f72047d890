#include "IWeftHost.h"

#include <cctype>
#include <cstring>

#include "LOOM_String.h"

namespace weft {
namespace {

struct HostEntry
{
  const char* match; // lower case, searched for in the lower-cased name
  EHost host;
  const char* name; // given back for the number
};

// In the order of the tests: names that contain an earlier entry's text
// ("wavelab elements" holds "wavelab") must come first, and the generic
// "standalone" and "www" come after every application name.
constexpr HostEntry kHostTable[] = {
  {"reaper", kHostReaper, "reaper"},
  {"protools", kHostProTools, "protools"},
  {"cubase", kHostCubase, "cubase"},
  {"nuendo", kHostNuendo, "nuendo"},
  {"cakewalk", kHostCakewalk, "cakewalk"},
  {"vegas", kHostVegas, "vegas"},
  {"fruity", kHostFruityLoops, "fruity"},
  {"samplitude", kHostSamplitude, "samplitude"},
  {"live", kHostAbletonLive, "live"},
  {"tracktion", kHostTracktion, "tracktion"},
  {"ntracks", kHostNTracks, "ntracks"},
  {"melodyne", kHostMelodyne, "melodyne"},
  {"vstmanlib", kHostVSTManLib, "vstmanlib"},
  {"aulab", kHostAULab, "aulab"},
  {"forte", kHostForte, "forte"},
  {"chainer", kHostChainer, "chainer"},
  {"audition", kHostAudition, "audition"},
  {"orion", kHostOrion, "orion"},
  {"bias", kHostBias, "bias"},
  {"sawstudio", kHostSAWStudio, "sawstudio"},
  {"logic", kHostLogic, "logic"},
  {"garageband", kHostGarageBand, "garageband"},
  {"digital", kHostDigitalPerformer, "digital"},
  {"audiomulch", kHostAudioMulch, "audiomulch"},
  {"presonus", kHostPreSonus, "presonus"},
  {"vst3plugintesthost", kHostVST3TestHost, "vst3plugintesthost"},
  {"ardour", kHostArdour, "ardour"},
  {"renoise", kHostRenoise, "renoise"},
  {"openmpt", kHostOpenMPT, "OpenMPT"},
  {"wavelab elements", kHostWaveLabElements, "wavelab elements"},
  {"wavelab", kHostWaveLab, "wavelab"},
  {"twistedwave", kHostTwistedWave, "twistedwave"},
  {"bitwig studio", kHostBitwig, "bitwig studio"},
  {"reason", kHostReason, "reason"},
  {"gwvst", kHostGoldWave, "gwvst"},
  {"waveform", kHostWaveform, "waveform"},
  {"audacity", kHostAudacity, "audacity"},
  {"acoustica", kHostAcoustica, "acoustica"},
  {"plugindoctor", kHostPluginDoctor, "plugindoctor"},
  {"izotope rx", kHostIZotopeRX, "izotope rx"},
  {"savihost", kHostSAVIHost, "savihost"},
  {"blue cat's vst host", kHostBlueCat, "blue cat's vst host"},
  {"mixbus", kHostMixbus, "mixbus"},
  {"standalone", kHostStandalone, "standalone"},
  {"www", kHostWWW, "www"},
};

constexpr const char* kUnknownHostName = "Unknown";

} // namespace

void ToLower(char* dest, const char* src, int destSize) noexcept
{
  if (!dest || destSize < 1)
    return;
  int i = 0;
  if (src)
  {
    for (; i < destSize - 1 && src[i] != '\0'; ++i)
      dest[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(src[i])));
  }
  dest[i] = '\0';
}

EHost LookUpHost(const char* hostName) noexcept
{
  if (!hostName)
    return kHostUnknown;

  char lower[kMaxHostNameLen];
  ToLower(lower, hostName, kMaxHostNameLen);

  for (const HostEntry& entry : kHostTable)
  {
    if (std::strstr(lower, entry.match))
      return entry.host;
  }
  return kHostUnknown;
}

void GetHostNameStr(EHost host, LOOM_String& str)
{
  for (const HostEntry& entry : kHostTable)
  {
    if (entry.host == host)
    {
      str.Set(entry.name);
      return;
    }
  }
  str.Set(kUnknownHostName);
}

} // namespace weft
