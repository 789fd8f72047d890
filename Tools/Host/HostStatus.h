#pragma once
// The outcome of one step of the host: success, or a one-line message that
// tells the user what went wrong ("cannot open 'in.wav': ..."). Every step
// of the host reports failure this way; nothing throws. A message may quote
// the user's files: its control bytes (line breaks, escape sequences, ...)
// are written as \xNN so that it stays one line and cannot drive a terminal.

#include <string>
#include <utility>

namespace pw::host {

class Status
{
public:
  static Status Ok() { return Status(); }
  static Status Error(const std::string& message) { return Status(EscapeControlBytes(message)); }

  bool IsOk() const noexcept { return mOk; }
  explicit operator bool() const noexcept { return mOk; }
  // Empty on success.
  const std::string& Message() const noexcept { return mMessage; }

  static std::string EscapeControlBytes(const std::string& text)
  {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
    {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte != 0x7F)
      {
        out += c;
        continue;
      }
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
    return out;
  }

private:
  Status() = default;
  explicit Status(std::string message)
  : mOk(false)
  , mMessage(std::move(message))
  {}

  bool mOk = true;
  std::string mMessage;
};

} // namespace pw::host
