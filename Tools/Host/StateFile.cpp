#include "StateFile.h"

#include "InfoPlist.h"
#include "LOOM_Base64.h"

#include <CoreFoundation/CFString.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pw::host {

namespace {

constexpr const char* kKeys[] = {"version", "type", "subtype", "manufacturer", "name", "data"};
// Base64 characters per line of a written <data>.
constexpr std::size_t kBase64LineLength = 64;

bool IsSpace(char c) noexcept
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The base64 text of data, "=" padded, on one line. At most INT_MAX bytes.
std::string EncodeBase64(const std::vector<std::uint8_t>& data)
{
  std::string text(4 * ((data.size() + 2) / 3) + 1, '\0');
  loom_base64encode(data.data(), &text[0], static_cast<int>(data.size()));
  text.resize(text.size() - 1);
  return text;
}

// Strict base64: groups of four alphabet characters, the last group padded
// with one or two '=', unused bits of the last character zero, white space
// anywhere between characters. False for anything else. The decoder stops
// at the first character outside the alphabet, so a text is strict exactly
// when it decodes to the full length and encodes back to itself.
bool DecodeBase64(std::string_view text, std::vector<std::uint8_t>& out)
{
  std::string packed;
  packed.reserve(text.size());
  for (char c : text)
    if (!IsSpace(c))
      packed += c;
  if (packed.size() % 4 != 0)
    return false;
  std::size_t padding = 0;
  while (padding < 2 && padding < packed.size() && packed[packed.size() - 1 - padding] == '=')
    ++padding;
  const std::size_t bytes = packed.size() / 4 * 3 - padding;
  if (bytes > static_cast<std::size_t>(INT_MAX))
    return false;
  std::vector<std::uint8_t> decoded(bytes);
  if (bytes > 0 &&
      loom_base64decode(packed.c_str(), decoded.data(), static_cast<int>(bytes)) != static_cast<int>(bytes))
    return false;
  if (EncodeBase64(decoded) != packed)
    return false;
  out = std::move(decoded);
  return true;
}

void AppendBase64Lines(const std::vector<std::uint8_t>& data, std::string& out)
{
  if (data.empty())
    return;
  const std::string text = EncodeBase64(data);
  for (std::size_t at = 0; at < text.size(); at += kBase64LineLength)
    out += "\t" + text.substr(at, kBase64LineLength) + "\n";
}

// Text for a <string>: markup characters and control characters (which XML
// cannot hold literally) as references.
void AppendEscaped(const std::string& text, std::string& out)
{
  for (char c : text)
  {
    const auto u = static_cast<unsigned char>(c);
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (u < 0x20 && c != '\t' && c != '\n')
      out += "&#" + std::to_string(u) + ";";
    else
      out += c;
  }
}

Status ReadInteger(const PlistValue& dict, const char* key, std::int32_t& out)
{
  const PlistValue* value = dict.Find(key);
  if (value->type != PlistValue::Type::Integer)
    return Status::Error(std::string("\"") + key + "\" is not an <integer>");
  if (value->integer < INT32_MIN || value->integer > INT32_MAX)
    return Status::Error(std::string("\"") + key + "\" does not fit 32 bits");
  out = static_cast<std::int32_t>(value->integer);
  return Status::Ok();
}

bool IsUTF8Text(const std::string& text)
{
  CFStringRef string = CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
  if (!string)
    return false;
  CFRelease(string);
  return true;
}

Status StateFromPlist(const PlistValue& root, ComponentState& out)
{
  if (root.type != PlistValue::Type::Dict)
    return Status::Error("the property list holds no <dict>");
  for (const std::string& key : root.keys)
  {
    bool known = false;
    for (const char* expected : kKeys)
      known = known || key == expected;
    if (!known)
      return Status::Error("unknown key \"" + key + "\"");
  }
  for (const char* key : kKeys)
    if (!root.Find(key))
      return Status::Error(std::string("no \"") + key + "\"");

  ComponentState state;
  for (const StateNumber& number : kStateNumbers)
  {
    const Status status = ReadInteger(root, number.key, state.*number.field);
    if (!status)
      return status;
  }
  const PlistValue* name = root.Find("name");
  if (name->type != PlistValue::Type::String)
    return Status::Error("\"name\" is not a <string>");
  if (!IsUTF8Text(name->text))
    return Status::Error("\"name\" is not UTF-8 text");
  state.name = name->text;
  const PlistValue* data = root.Find("data");
  if (data->type != PlistValue::Type::Data)
    return Status::Error("\"data\" is not <data>");
  if (!DecodeBase64(data->text, state.data))
    return Status::Error("\"data\" is not base64");
  out = std::move(state);
  return Status::Ok();
}

std::string FolderOf(const std::string& path)
{
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool WriteAll(int fd, const std::string& text) noexcept
{
  std::size_t done = 0;
  while (done < text.size())
  {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

} // namespace

bool ComponentState::operator==(const ComponentState& other) const noexcept
{
  return version == other.version && type == other.type && subtype == other.subtype &&
         manufacturer == other.manufacturer && name == other.name && data == other.data;
}

Status ParseStateDocument(std::string_view document, ComponentState& out)
{
  PlistValue root;
  Status status = ParsePlist(document, root);
  if (status)
    status = StateFromPlist(root, out);
  return status;
}

Status ReadStateFile(const std::string& path, ComponentState& out)
{
  std::string document;
  if (!ReadPlistDocument(path, document))
    return Status::Error("cannot read the state file '" + path + "'");
  const Status status = ParseStateDocument(document, out);
  if (!status)
    return Status::Error("'" + path + "' is not a state file: " + status.Message());
  return Status::Ok();
}

Status StateDocument(const ComponentState& state, std::string& out)
{
  // Four base64 characters per three bytes, plus line ends: a quick bound
  // before anything is built.
  if (state.data.size() / 3 * 4 > kMaxPlistBytes || state.name.size() > kMaxPlistBytes)
    return Status::Error("the state is too large for a state file");
  std::string text =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n";
  for (const StateNumber& number : kStateNumbers)
    text += std::string("\t<key>") + number.key + "</key>\n\t<integer>" + std::to_string(state.*number.field) +
            "</integer>\n";
  text += "\t<key>name</key>\n\t<string>";
  AppendEscaped(state.name, text);
  text += "</string>\n\t<key>data</key>\n\t<data>\n";
  AppendBase64Lines(state.data, text);
  text += "\t</data>\n</dict>\n</plist>\n";
  if (text.size() > kMaxPlistBytes)
    return Status::Error("the state is too large for a state file");
  out = std::move(text);
  return Status::Ok();
}

Status CheckStateDestination(const std::string& path)
{
  struct stat st{};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return Status::Error("cannot save the state to '" + path + "': it is a folder");
  const std::string folder = FolderOf(path);
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return Status::Error("cannot save the state to '" + path + "': no folder '" + folder + "'");
  if (access(folder.c_str(), W_OK) != 0)
    return Status::Error("cannot save the state to '" + path + "': " + std::strerror(errno));
  return Status::Ok();
}

Status PendingStateFile::Create(const std::string& path, const ComponentState& state,
                                std::unique_ptr<PendingStateFile>& out)
{
  std::string document;
  Status status = StateDocument(state, document);
  if (!status)
    return status;
  if (!(status = CheckStateDestination(path)))
    return status;

  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = FolderOf(path) + "/." + name + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0)
    return Status::Error("cannot save the state to '" + path + "': " + std::strerror(errno));
  // mkstemp makes the file private; give it the mode a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  std::unique_ptr<PendingStateFile> file(new PendingStateFile());
  file->mPath = path;
  file->mTempPath = temp;
  const bool written = WriteAll(fd, document);
  const int writeError = errno;
  if (close(fd) != 0 || !written)
    return Status::Error("cannot save the state to '" + path + "': " + std::strerror(written ? errno : writeError));
  out = std::move(file);
  return Status::Ok();
}

PendingStateFile::~PendingStateFile()
{
  if (!mCommitted && !mTempPath.empty())
    unlink(mTempPath.c_str());
}

Status PendingStateFile::Commit()
{
  if (mCommitted)
    return Status::Ok();
  if (std::rename(mTempPath.c_str(), mPath.c_str()) != 0)
    return Status::Error("cannot save the state to '" + mPath + "': " + std::strerror(errno));
  mCommitted = true;
  return Status::Ok();
}

} // namespace pw::host
