#pragma once
// One legal channel I/O configuration: per direction, an ordered list of
// buses with their channel counts. Built once at construction of the
// processor (main thread) and read-only afterwards, so any thread may query
// it.

#include "LOOM_PtrList.h"

namespace weft {

// Direction of a bus or channel; every per-direction array is indexed by it.
enum ERoute
{
  kInput = 0,
  kOutput = 1
};

constexpr int kNumRoutes = 2;

// Direction names used in messages.
inline constexpr const char* const RoutingDirStrs[kNumRoutes] = {"Input", "Output"};

// True for kInput and kOutput; anything else is refused by every query.
constexpr bool IsValidRoute(int direction) noexcept { return direction == kInput || direction == kOutput; }

// A wildcard bus ("*" in the channel I/O text) is stored with this count.
constexpr int kWildcardNChans = -64;

class IBusInfo
{
public:
  IBusInfo(ERoute direction, int nChans) noexcept : mDirection(direction), mNChans(nChans) {}

  ERoute GetDirection() const noexcept { return mDirection; }
  // Negative for a wildcard bus.
  int NChans() const noexcept { return mNChans; }

private:
  ERoute mDirection;
  int mNChans;
};

class IOConfig
{
public:
  IOConfig() = default;
  ~IOConfig();

  IOConfig(const IOConfig&) = delete;
  IOConfig& operator=(const IOConfig&) = delete;

  // Appends a bus. False (nothing added) for an invalid direction or when the
  // list could not grow.
  bool AddBusInfo(ERoute direction, int nChans);

  // Asserts on an index outside 0..NBuses-1; release builds return null.
  const IBusInfo* GetBusInfo(ERoute direction, int index) const;

  // The bus's channel count, 0 for an index out of range.
  int NChansOnBusSAFE(ERoute direction, int index) const noexcept;

  int NBuses(ERoute direction) const noexcept;

  // Sum over the direction's buses; a wildcard adds its negative count.
  int GetTotalNChannels(ERoute direction) const noexcept;

  bool ContainsWildcard(ERoute direction) const noexcept;

private:
  LOOM_PtrList<IBusInfo> mBusInfo[kNumRoutes]; // owned
};

} // namespace weft
