#pragma once
// The custom unit names the unit hands to the host in parameter information
// records. The host releases a record's name string but never its unit
// name, so the unit keeps one string per distinct unit text for its own
// lifetime: asking for a record any number of times creates at most one
// string per text, and closing the unit releases them all.
//
// Main thread only (parameter properties arrive there); it allocates.

#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <utility>
#include <vector>

namespace weft {

class IWeftAUUnitNames
{
public:
  IWeftAUUnitNames() = default;
  ~IWeftAUUnitNames()
  {
    for (auto& entry : mNames)
      CFRelease(entry.second);
  }
  IWeftAUUnitNames(const IWeftAUUnitNames&) = delete;
  IWeftAUUnitNames& operator=(const IWeftAUUnitNames&) = delete;

  // The string for the UTF-8 text, owned by this cache (the caller must not
  // release it). Null for a null text or one that is not valid UTF-8.
  CFStringRef Get(const char* text)
  {
    if (!text)
      return nullptr;
    for (const auto& entry : mNames)
    {
      if (entry.first == text)
        return entry.second;
    }
    CFStringRef str = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
    if (!str)
      return nullptr;
    mNames.emplace_back(std::string(text), str);
    return str;
  }

  // Strings held.
  int Size() const noexcept { return static_cast<int>(mNames.size()); }

private:
  std::vector<std::pair<std::string, CFStringRef>> mNames; // owned strings
};

} // namespace weft
