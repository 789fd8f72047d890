#pragma once
// Identification of the host application from the name it reports.

#include <cstdint>

class LOOM_String;

namespace weft {

enum EHost : int32_t
{
  kHostUninit = -1, // no host identified yet
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostVegas = 6,
  kHostFruityLoops = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostTracktion = 10,
  kHostNTracks = 11,
  kHostMelodyne = 12,
  kHostVSTManLib = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostBias = 19,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostPreSonus = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMPT = 30,
  kHostWaveLab = 31,
  kHostWaveLabElements = 32,
  kHostTwistedWave = 33,
  kHostBitwig = 34,
  kHostWWW = 35, // a web browser
  kHostReason = 36,
  kHostGoldWave = 37,
  kHostWaveform = 38,
  kHostAudacity = 39,
  kHostAcoustica = 40,
  kHostPluginDoctor = 41,
  kHostIZotopeRX = 42,
  kHostSAVIHost = 43,
  kHostBlueCat = 44,
  kHostMixbus = 45
};

// Host names are lower-cased into a buffer of this many bytes (NUL included);
// longer names are cut.
static constexpr int kMaxHostNameLen = 256;

// Copies src into dest lower-cased byte by byte, at most destSize - 1 bytes,
// and always NUL-terminates (nothing is written when destSize < 1). A null
// src gives an empty text.
void ToLower(char* dest, const char* src, int destSize) noexcept;

// Looks for the known host names in the lower-cased name; the first hit in
// the table's order wins. A null or unmatched name gives kHostUnknown.
EHost LookUpHost(const char* hostName) noexcept;

// The table's name for host, or "Unknown" for kHostUninit, kHostUnknown and
// any number outside the table.
void GetHostNameStr(EHost host, LOOM_String& str);

} // namespace weft
