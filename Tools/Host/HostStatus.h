#pragma once
// The outcome of one step of the host: success, or a one-line message that
// tells the user what went wrong ("cannot open 'in.wav': ..."). Every step
// of the host reports failure this way; nothing throws. A message may quote
// the user's files: its control bytes (line breaks, escape sequences, ...)
// and the UTF-8 encodings of the C1 controls U+0080 to U+009F are written
// as \xNN so that it stays one line and cannot drive a terminal.

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
    const auto escape = [&out](unsigned char byte) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    };
    for (std::size_t i = 0; i < text.size(); ++i)
    {
      const auto byte = static_cast<unsigned char>(text[i]);
      const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      if (byte == 0xC2 && next >= 0x80 && next <= 0x9F)
      {
        escape(byte);
        escape(next);
        ++i;
      }
      else if (byte < 0x20 || byte == 0x7F)
        escape(byte);
      else
        out += text[i];
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
