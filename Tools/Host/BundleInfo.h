#pragma once
// What the host learns about a component bundle from its Info.plist before
// loading it: the bundle's identifier, version and executable, and the first
// AudioComponents entry (type, subtype, manufacturer, name, version and the
// factory function to call).

#include "HostStatus.h"
#include "InfoPlist.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pw::host {

struct BundleInfo
{
  std::string identifier;      // CFBundleIdentifier
  std::string bundleVersion;   // CFBundleVersion, "major.minor.patch"
  std::string executable;      // CFBundleExecutable, a file in Contents/MacOS
  std::string name;            // AudioComponents[0].name, "Maker: Product"
  std::uint32_t type = 0;      // four-character codes, first character in the high byte
  std::uint32_t subtype = 0;
  std::uint32_t manufacturer = 0;
  std::uint32_t version = 0;   // major << 16 | minor << 8 | patch
  std::string factoryFunction; // the exported factory symbol
  // Every top-level string of the Info.plist, in document order: the
  // bundle's information dictionary as the host registers it.
  std::vector<std::pair<std::string, std::string>> infoStrings;
};

// Packs four printable ASCII characters ("aufx") into a code; false for
// anything else.
bool FourCharCodeFromText(const std::string& text, std::uint32_t& code) noexcept;
// "aufx" for 0x61756678; non-printable bytes become '?'.
std::string FourCharCodeText(std::uint32_t code);

// Extracts and checks the keys from a parsed Info.plist. The executable
// must be a plain file name, the factory a C identifier; out is left as it
// was on failure.
Status ReadBundleInfo(const PlistValue& plist, BundleInfo& out);

// Reads <bundlePath>/Contents/Info.plist.
Status LoadBundleInfo(const std::string& bundlePath, BundleInfo& out);

} // namespace pw::host
