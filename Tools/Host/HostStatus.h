#pragma once
// The outcome of one step of the host: success, or a one-line message that
// tells the user what went wrong ("cannot open 'in.wav': ..."). Every step
// of the host reports failure this way; nothing throws. A message may quote
// the user's files: its control bytes (line breaks, escape sequences, ...),
// the C1 controls U+0080 to U+009F in UTF-8 and the bytes 0x80 to 0x9F that
// are no part of a UTF-8 character are written as \xNN so that it stays one
// line and cannot drive a terminal. What the host prints of the user's own
// text (file names in a summary) goes through the same escaping.

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
      const std::size_t length = byte < 0x80 ? 1 : Utf8Length(text, i);
      if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
      {
        escape(byte);
        escape(static_cast<unsigned char>(text[i + 1]));
        ++i;
      }
      else if (length > 1)
      {
        out.append(text, i, length);
        i += length - 1;
      }
      else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F))
        escape(byte);
      else
        out += text[i];
    }
    return out;
  }

private:
  // The length of the well-formed UTF-8 character of two to four bytes
  // that starts at text[i]; 0 when none does.
  static std::size_t Utf8Length(const std::string& text, std::size_t i) noexcept
  {
    const auto at = [&text](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned lead = at(i);
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
      length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : low;  // no overlong form
      high = lead == 0xED ? 0x9F : high; // no surrogate
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
      length = 4;
      low = lead == 0xF0 ? 0x90 : low;
      high = lead == 0xF4 ? 0x8F : high; // up to U+10FFFF
    }
    else
      return 0;
    if (at(i + 1) < low || at(i + 1) > high)
      return 0;
    for (std::size_t k = 2; k < length; ++k)
      if (at(i + k) < 0x80 || at(i + k) > 0xBF)
        return 0;
    return length;
  }

  Status() = default;
  explicit Status(std::string message)
  : mOk(false)
  , mMessage(std::move(message))
  {}

  bool mOk = true;
  std::string mMessage;
};

// The most of the user's text a message quotes.
inline constexpr std::size_t kMaxQuotedBytes = 64;

// text as a message quotes it: whole up to kMaxQuotedBytes, longer text cut
// at a character boundary to its start and "...".
inline std::string Excerpt(const std::string& text)
{
  if (text.size() <= kMaxQuotedBytes)
    return text;
  std::size_t cut = kMaxQuotedBytes;
  // Back to the first byte of a UTF-8 character cut through.
  for (int back = 0; back < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back)
    --cut;
  return text.substr(0, cut) + "...";
}

} // namespace pw::host
