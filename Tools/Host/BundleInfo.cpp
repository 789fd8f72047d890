#include "BundleInfo.h"

#include <limits>

namespace pw::host {

namespace {

bool IsCIdentifier(const std::string& s) noexcept
{
  if (s.empty() || (s[0] >= '0' && s[0] <= '9'))
    return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

Status RequireString(const PlistValue& dict, const char* key, const char* where, std::string& out)
{
  const std::string* value = dict.FindString(key);
  if (!value || value->empty())
    return Status::Error(std::string(where) + " has no " + key + " string");
  out = *value;
  return Status::Ok();
}

Status RequireCode(const PlistValue& dict, const char* key, std::uint32_t& out)
{
  std::string text;
  Status status = RequireString(dict, key, "the AudioComponents entry", text);
  if (!status)
    return status;
  if (!FourCharCodeFromText(text, out))
    return Status::Error(std::string("the AudioComponents ") + key + " '" + text +
                         "' is not four printable characters");
  return Status::Ok();
}

} // namespace

bool FourCharCodeFromText(const std::string& text, std::uint32_t& code) noexcept
{
  if (text.size() != 4)
    return false;
  std::uint32_t packed = 0;
  for (char c : text)
  {
    if (c < 0x20 || c > 0x7E)
      return false;
    packed = packed << 8 | static_cast<unsigned char>(c);
  }
  code = packed;
  return true;
}

std::string FourCharCodeText(std::uint32_t code)
{
  std::string text(4, '?');
  for (int i = 0; i < 4; ++i)
  {
    const char c = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    if (c >= 0x20 && c <= 0x7E)
      text[static_cast<std::size_t>(i)] = c;
  }
  return text;
}

Status ReadBundleInfo(const PlistValue& plist, BundleInfo& out)
{
  if (plist.type != PlistValue::Type::Dict)
    return Status::Error("Info.plist does not hold a dictionary");
  BundleInfo info;
  Status status = RequireString(plist, "CFBundleIdentifier", "Info.plist", info.identifier);
  if (status)
    status = RequireString(plist, "CFBundleVersion", "Info.plist", info.bundleVersion);
  if (status)
    status = RequireString(plist, "CFBundleExecutable", "Info.plist", info.executable);
  if (!status)
    return status;
  if (info.executable.find('/') != std::string::npos || info.executable == "." || info.executable == "..")
    return Status::Error("Info.plist names the executable '" + info.executable + "', which is not a file name");

  const PlistValue* components = plist.Find("AudioComponents");
  if (!components || components->type != PlistValue::Type::Array || components->items.empty())
    return Status::Error("Info.plist has no AudioComponents entry");
  const PlistValue& entry = components->items.front();
  if (entry.type != PlistValue::Type::Dict)
    return Status::Error("the AudioComponents entry is not a dictionary");

  if (!(status = RequireCode(entry, "type", info.type)) || !(status = RequireCode(entry, "subtype", info.subtype)) ||
      !(status = RequireCode(entry, "manufacturer", info.manufacturer)))
    return status;
  if (!(status = RequireString(entry, "name", "the AudioComponents entry", info.name)))
    return status;
  if (!(status = RequireString(entry, "factoryFunction", "the AudioComponents entry", info.factoryFunction)))
    return status;
  if (!IsCIdentifier(info.factoryFunction))
    return Status::Error("the factory function '" + info.factoryFunction + "' is not a symbol name");

  const PlistValue* version = entry.Find("version");
  if (!version || version->type != PlistValue::Type::Integer || version->integer < 0 ||
      version->integer > std::numeric_limits<std::uint32_t>::max())
    return Status::Error("the AudioComponents entry has no version integer");
  info.version = static_cast<std::uint32_t>(version->integer);
  for (std::size_t i = 0; i < plist.keys.size(); ++i)
    if (plist.items[i].type == PlistValue::Type::String)
      info.infoStrings.emplace_back(plist.keys[i], plist.items[i].text);

  out = std::move(info);
  return Status::Ok();
}

Status LoadBundleInfo(const std::string& bundlePath, BundleInfo& out)
{
  PlistValue plist;
  Status status = ReadPlistFile(bundlePath + "/Contents/Info.plist", plist);
  if (!status)
    return status;
  return ReadBundleInfo(plist, out);
}

} // namespace pw::host
