#include "IWeftIOConfig.h"

#include "LOOM_Assert.h"

#include <new>

namespace weft {

IOConfig::~IOConfig()
{
  mBusInfo[kInput].Empty(true);
  mBusInfo[kOutput].Empty(true);
}

bool IOConfig::AddBusInfo(ERoute direction, int nChans)
{
  if (!IsValidRoute(direction))
    return false;
  IBusInfo* bus = new (std::nothrow) IBusInfo(direction, nChans);
  if (!bus)
    return false;
  if (!mBusInfo[direction].Add(bus))
  {
    delete bus;
    return false;
  }
  return true;
}

const IBusInfo* IOConfig::GetBusInfo(ERoute direction, int index) const
{
  if (!IsValidRoute(direction))
  {
    LOOM_ASSERT_MSG(false, "direction must be kInput or kOutput");
    return nullptr;
  }
  LOOM_ASSERT_MSG(index >= 0 && index < mBusInfo[direction].GetSize(),
                  "index >= 0 && index < mBusInfo[direction].GetSize()");
  return mBusInfo[direction].Get(index);
}

int IOConfig::NChansOnBusSAFE(ERoute direction, int index) const noexcept
{
  if (!IsValidRoute(direction))
    return 0;
  const IBusInfo* bus = mBusInfo[direction].Get(index);
  return bus ? bus->NChans() : 0;
}

int IOConfig::NBuses(ERoute direction) const noexcept
{
  return IsValidRoute(direction) ? mBusInfo[direction].GetSize() : 0;
}

int IOConfig::GetTotalNChannels(ERoute direction) const noexcept
{
  int total = 0;
  for (int i = 0; i < NBuses(direction); ++i)
    total += mBusInfo[direction].Get(i)->NChans();
  return total;
}

bool IOConfig::ContainsWildcard(ERoute direction) const noexcept
{
  for (int i = 0; i < NBuses(direction); ++i)
  {
    if (mBusInfo[direction].Get(i)->NChans() < 0)
      return true;
  }
  return false;
}

} // namespace weft
