#pragma once
// A component's saved state in a file: the six values of the class-info
// dictionary (ClassInfo property, 0) as an XML property list that the host
// writes and reads back:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
//   <plist version="1.0">
//   <dict>
//     <key>version</key>
//     <integer>65536</integer>
//     <key>type</key>
//     <integer>1635083896</integer>
//     <key>subtype</key>
//     <integer>1450339185</integer>
//     <key>manufacturer</key>
//     <integer>1282237547</integer>
//     <key>name</key>
//     <string>the current preset's name</string>
//     <key>data</key>
//     <data>
//     AAAD6AAAAZAAAIA/...
//     </data>
//   </dict>
//   </plist>
//
// Every key is required, exactly once, in any order, and no other key is
// allowed. The four numbers are signed 32-bit integers (type, subtype and
// manufacturer are the component's four-character codes, first character in
// the high byte); the name is UTF-8 text; the data is the component's state
// chunk in standard base64 with "=" padding, white space between characters
// allowed. A document is at most kMaxPlistBytes long. Anything else is
// refused with a one-line message and changes nothing.
//
// Main thread.

#include "HostStatus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pw::host {

struct ComponentState
{
  std::int32_t version = 0;      // major << 16 | minor << 8 | patch
  std::int32_t type = 0;         // four-character codes
  std::int32_t subtype = 0;
  std::int32_t manufacturer = 0;
  std::string name;              // the current preset's name, UTF-8
  std::vector<std::uint8_t> data; // the component's state chunk

  bool operator==(const ComponentState& other) const noexcept;
  bool operator!=(const ComponentState& other) const noexcept { return !(*this == other); }
};

// The four numbers of a state under their keys, in the order in which they
// are written and read.
struct StateNumber
{
  const char* key;
  std::int32_t ComponentState::*field;
};
inline constexpr StateNumber kStateNumbers[] = {{"version", &ComponentState::version},
                                                {"type", &ComponentState::type},
                                                {"subtype", &ComponentState::subtype},
                                                {"manufacturer", &ComponentState::manufacturer}};

// Parses a state document; out is left as it was on failure.
Status ParseStateDocument(std::string_view document, ComponentState& out);
// Reads the state file at path; failures name the file.
Status ReadStateFile(const std::string& path, ComponentState& out);

// The document for state, as above. Fails when it would exceed
// kMaxPlistBytes (it could not be read back).
Status StateDocument(const ComponentState& state, std::string& out);

// Whether a state file can be written at path: its folder exists and path
// is not a folder. Checked before a render, so a long render does not end
// in a state that cannot be saved.
Status CheckStateDestination(const std::string& path);

// A state file written in full into a hidden temporary file next to its
// destination and renamed into place by Commit; until then, and on any
// failure, the destination is untouched.
class PendingStateFile
{
public:
  static Status Create(const std::string& path, const ComponentState& state, std::unique_ptr<PendingStateFile>& out);
  // Removes the temporary file unless Commit succeeded.
  ~PendingStateFile();
  PendingStateFile(const PendingStateFile&) = delete;
  PendingStateFile& operator=(const PendingStateFile&) = delete;

  Status Commit();

private:
  PendingStateFile() = default;

  std::string mPath;
  std::string mTempPath;
  bool mCommitted = false;
};

} // namespace pw::host
