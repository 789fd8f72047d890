#pragma once
// The record by which a product describes itself once, at construction, and
// the kinds of plug-in API a plug-in can be built for.
//
// A Config is filled by the product and passed by value to the API base and
// the processor; the text pointers are not copied here and must outlive the
// construction of the plug-in (string literals in practice).

namespace weft {

// The plug-in API the binary is built for.
enum EAPI
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAUv2 = 2,
  kAPIAUv3 = 3,
  kAPIAAX = 4,
  kAPIAPP = 5,
  kAPIWAM = 6,
  kAPIWEB = 7,
  kAPICLAP = 8
};

struct Config
{
  int nParams;              // parameters the editor delegate creates
  int nPresets;             // preset slots the plug-in base creates
  const char* channelIOStr; // legal channel I/O configurations, e.g. "1-1 2-2"
  const char* pluginName;   // at most 128 characters are kept
  const char* productName;  // at most 128 characters are kept
  const char* mfrName;      // at most 128 characters are kept
  int vendorVersion;        // major << 16 | minor << 8 | bugfix
  int uniqueID;             // four-character code of the plug-in
  int mfrID;                // four-character code of the maker
  int latency;              // samples
  bool plugDoesMidiIn;
  bool plugDoesMidiOut;
  bool plugDoesMPE;
  bool plugDoesChunks;      // chooses the FXP/FXB form
  int plugType;             // 0 effect, 1 instrument, 2 MIDI effect
  bool plugHasUI;
  int plugWidth;            // editor size, points
  int plugHeight;
  int plugMinWidth;         // editor size limits, points
  int plugMaxWidth;
  int plugMinHeight;
  int plugMaxHeight;
  bool plugHostResize;      // kept by the plug-in base; nothing reads it in this build
  const char* bundleID;
  const char* appGroupID;

  // The host-resize flag comes right after the editor height, ahead of the
  // size limits, although it is stored after them.
  Config(int nParams, int nPresets, const char* channelIOStr, const char* pluginName, const char* productName,
         const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidiIn,
         bool plugDoesMidiOut, bool plugDoesMPE, bool plugDoesChunks, int plugType, bool plugHasUI, int plugWidth,
         int plugHeight, bool plugHostResize, int plugMinWidth, int plugMaxWidth, int plugMinHeight,
         int plugMaxHeight, const char* bundleID, const char* appGroupID) noexcept
  : nParams(nParams)
  , nPresets(nPresets)
  , channelIOStr(channelIOStr)
  , pluginName(pluginName)
  , productName(productName)
  , mfrName(mfrName)
  , vendorVersion(vendorVersion)
  , uniqueID(uniqueID)
  , mfrID(mfrID)
  , latency(latency)
  , plugDoesMidiIn(plugDoesMidiIn)
  , plugDoesMidiOut(plugDoesMidiOut)
  , plugDoesMPE(plugDoesMPE)
  , plugDoesChunks(plugDoesChunks)
  , plugType(plugType)
  , plugHasUI(plugHasUI)
  , plugWidth(plugWidth)
  , plugHeight(plugHeight)
  , plugMinWidth(plugMinWidth)
  , plugMaxWidth(plugMaxWidth)
  , plugMinHeight(plugMinHeight)
  , plugMaxHeight(plugMaxHeight)
  , plugHostResize(plugHostResize)
  , bundleID(bundleID)
  , appGroupID(appGroupID)
  {}
};

} // namespace weft
