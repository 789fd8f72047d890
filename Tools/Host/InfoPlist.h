#pragma once
// A small reader for XML property lists, enough for the Info.plist of a
// component bundle: dict, array, key, string, integer, real, true, false,
// date and data (the last two kept as text), comments, an XML declaration,
// a DOCTYPE without an internal subset, CDATA sections and the five
// predefined entities plus numeric character references.
//
// The reader never trusts its input: it refuses documents over
// kMaxPlistBytes, nesting deeper than kMaxPlistDepth, internal DTD subsets
// (no entity expansion), unknown entities, NUL bytes, malformed or
// duplicate keys, and integers that do not fit 64 bits, with a message that
// names the line.

#include "HostStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw::host {

inline constexpr std::size_t kMaxPlistBytes = 1u << 20;
inline constexpr int kMaxPlistDepth = 32;

struct PlistValue
{
  enum class Type
  {
    String,
    Integer,
    Real,
    Boolean,
    Date,
    Data,
    Array,
    Dict
  };

  Type type = Type::String;
  std::string text;         // String, Date, Data (as written, trimmed for Date and Data)
  std::int64_t integer = 0; // Integer
  double real = 0.0;        // Real
  bool boolean = false;     // Boolean
  std::vector<PlistValue> items; // Array elements, or Dict values in document order
  std::vector<std::string> keys; // Dict keys, parallel to items

  // The value under key in a Dict; null when absent or this is no Dict.
  const PlistValue* Find(std::string_view key) const noexcept;
  // The string under key in a Dict; null when absent or not a String.
  const std::string* FindString(std::string_view key) const noexcept;
};

// Parses a whole document whose root element is <plist>. On failure the
// message reads "line N: what is wrong" and out is left as it was.
Status ParsePlist(std::string_view document, PlistValue& out);

// The document in the file at path: the whole file, or its first
// kMaxPlistBytes + 1 bytes when it is larger (enough for ParsePlist to refuse
// it). False, and out untouched, when the file cannot be read.
bool ReadPlistDocument(const std::string& path, std::string& out);

// Reads and parses the file at path; failures name the file.
Status ReadPlistFile(const std::string& path, PlistValue& out);

} // namespace pw::host
