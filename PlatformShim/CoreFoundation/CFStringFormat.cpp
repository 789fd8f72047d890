// printf-style formatting of CFStringCreateWithFormat, with %@ for objects.

#include "CFString.h"
#include "CFStringObject.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

namespace pwshim {
namespace {

enum class Length
{
  None,
  Char,      // hh
  Short,     // h
  Long,      // l
  LongLong,  // ll, q
  Size,      // z
  PtrDiff,   // t
  IntMax,    // j
  LongDouble // L
};

// One conversion after its '%': flags, width, precision and length parsed;
// width and precision already taken from the arguments when given as '*'.
struct Spec
{
  std::string flags;
  int width = -1;
  int precision = -1;
  Length length = Length::None;
  char conversion = 0;
};

// printf's own spec for one scalar, with lengthText in place of the
// caller's length modifier.
std::string PrintfSpec(const Spec& spec, const char* lengthText, char conversion)
{
  std::string text = "%" + spec.flags;
  if (spec.width >= 0)
    text += std::to_string(spec.width);
  if (spec.precision >= 0)
    text += "." + std::to_string(spec.precision);
  text += lengthText;
  text += conversion;
  return text;
}

template <class T>
bool AppendPrintf(std::string& out, const std::string& printfSpec, T value)
{
  char small[128];
  const int needed = std::snprintf(small, sizeof(small), printfSpec.c_str(), value);
  if (needed < 0)
    return false;
  if (static_cast<size_t>(needed) < sizeof(small))
  {
    out.append(small, static_cast<size_t>(needed));
    return true;
  }
  std::string large(static_cast<size_t>(needed) + 1, '\0');
  std::snprintf(large.data(), large.size(), printfSpec.c_str(), value);
  out.append(large.data(), static_cast<size_t>(needed));
  return true;
}

void AppendUTF8(std::string& out, uint32_t codePoint)
{
  if (codePoint < 0x80)
    out += static_cast<char>(codePoint);
  else if (codePoint < 0x800)
  {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  else
  {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Text padded to the conversion's field width, left-aligned with the '-' flag.
void AppendPadded(std::string& out, const Spec& spec, const std::string& text)
{
  const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  const size_t padding = width > text.size() ? width - text.size() : 0;
  const bool left = spec.flags.find('-') != std::string::npos;
  if (!left)
    out.append(padding, ' ');
  out += text;
  if (left)
    out.append(padding, ' ');
}

bool AppendSigned(std::string& out, const Spec& spec, va_list* args)
{
  long long value;
  switch (spec.length)
  {
    case Length::Char: value = static_cast<signed char>(va_arg(*args, int)); break;
    case Length::Short: value = static_cast<short>(va_arg(*args, int)); break;
    case Length::Long: value = va_arg(*args, long); break;
    case Length::LongLong: value = va_arg(*args, long long); break;
    case Length::Size: value = static_cast<long long>(va_arg(*args, size_t)); break;
    case Length::PtrDiff: value = va_arg(*args, std::ptrdiff_t); break;
    case Length::IntMax: value = va_arg(*args, intmax_t); break;
    case Length::None: value = va_arg(*args, int); break;
    default: return false;
  }
  return AppendPrintf(out, PrintfSpec(spec, "ll", spec.conversion), value);
}

bool AppendUnsigned(std::string& out, const Spec& spec, va_list* args)
{
  unsigned long long value;
  switch (spec.length)
  {
    case Length::Char: value = static_cast<unsigned char>(va_arg(*args, unsigned)); break;
    case Length::Short: value = static_cast<unsigned short>(va_arg(*args, unsigned)); break;
    case Length::Long: value = va_arg(*args, unsigned long); break;
    case Length::LongLong: value = va_arg(*args, unsigned long long); break;
    case Length::Size: value = va_arg(*args, size_t); break;
    case Length::PtrDiff: value = static_cast<unsigned long long>(va_arg(*args, std::ptrdiff_t)); break;
    case Length::IntMax: value = va_arg(*args, uintmax_t); break;
    case Length::None: value = va_arg(*args, unsigned); break;
    default: return false;
  }
  return AppendPrintf(out, PrintfSpec(spec, "ll", spec.conversion), value);
}

bool AppendFloating(std::string& out, const Spec& spec, va_list* args)
{
  if (spec.length == Length::LongDouble)
    return AppendPrintf(out, PrintfSpec(spec, "L", spec.conversion), va_arg(*args, long double));
  if (spec.length != Length::None && spec.length != Length::Long)
    return false;
  return AppendPrintf(out, PrintfSpec(spec, "", spec.conversion), va_arg(*args, double));
}

bool AppendConversion(std::string& out, const Spec& spec, va_list* args)
{
  // %lc, %ls and the like take wide characters, which this formatter does
  // not read.
  if (spec.length != Length::None && std::string_view("cCsp@").find(spec.conversion) != std::string_view::npos)
    return false;
  switch (spec.conversion)
  {
    case 'd':
    case 'i':
      return AppendSigned(out, spec, args);
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      return AppendUnsigned(out, spec, args);
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return AppendFloating(out, spec, args);
    case 'c':
      return AppendPrintf(out, PrintfSpec(spec, "", 'c'), va_arg(*args, int));
    case 'C':
    {
      const auto unit = static_cast<uint32_t>(va_arg(*args, int)) & 0xFFFF;
      // A lone surrogate is not a character; the result would not be text.
      if (unit >= 0xD800 && unit <= 0xDFFF)
        return false;
      std::string text;
      AppendUTF8(text, unit);
      AppendPadded(out, spec, text);
      return true;
    }
    case 's':
    {
      const char* text = va_arg(*args, const char*);
      return AppendPrintf(out, PrintfSpec(spec, "", 's'), text ? text : "(null)");
    }
    case 'p':
      return AppendPrintf(out, PrintfSpec(spec, "", 'p'), va_arg(*args, void*));
    case '@':
      AppendPadded(out, spec, DescribeRef(va_arg(*args, CFTypeRef)));
      return true;
    default:
      return false;
  }
}

// Largest field width or precision taken, written or from the arguments:
// a larger one would build a string of that many characters.
constexpr int kMaxFieldLength = 1000000;

// Reads a decimal number at format[i]; false when it exceeds kMaxFieldLength.
bool ReadNumber(std::string_view format, size_t& i, int& number)
{
  long long value = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9')
  {
    value = value * 10 + (format[i] - '0');
    if (value > kMaxFieldLength)
      return false;
    ++i;
  }
  number = static_cast<int>(value);
  return true;
}

// Parses the conversion that starts after the '%' at format[i] and leaves i
// after it. False for anything this formatter refuses.
bool ParseSpec(std::string_view format, size_t& i, va_list* args, Spec& spec)
{
  while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
    spec.flags += format[i++];

  if (i < format.size() && format[i] == '*')
  {
    ++i;
    const int width = va_arg(*args, int);
    if (width < -kMaxFieldLength || width > kMaxFieldLength)
      return false;
    // A negative width from the arguments means left alignment.
    if (width < 0)
      spec.flags += '-';
    spec.width = width < 0 ? -width : width;
  }
  else if (i < format.size() && format[i] >= '1' && format[i] <= '9')
  {
    if (!ReadNumber(format, i, spec.width))
      return false;
    // "%1$@": positional arguments are not supported.
    if (i < format.size() && format[i] == '$')
      return false;
  }

  if (i < format.size() && format[i] == '.')
  {
    ++i;
    if (i < format.size() && format[i] == '*')
    {
      ++i;
      const int precision = va_arg(*args, int);
      if (precision > kMaxFieldLength)
        return false;
      spec.precision = precision < 0 ? -1 : precision;
    }
    else if (!ReadNumber(format, i, spec.precision))
      return false;
  }

  auto next = [&](char c) { return i < format.size() && format[i] == c; };
  if (next('h'))
  {
    ++i;
    spec.length = next('h') ? (++i, Length::Char) : Length::Short;
  }
  else if (next('l'))
  {
    ++i;
    spec.length = next('l') ? (++i, Length::LongLong) : Length::Long;
  }
  else if (next('q'))
    ++i, spec.length = Length::LongLong;
  else if (next('z'))
    ++i, spec.length = Length::Size;
  else if (next('t'))
    ++i, spec.length = Length::PtrDiff;
  else if (next('j'))
    ++i, spec.length = Length::IntMax;
  else if (next('L'))
    ++i, spec.length = Length::LongDouble;

  if (i >= format.size())
    return false;
  spec.conversion = format[i++];
  return true;
}

// False when the format is refused; out is then incomplete.
bool Format(std::string& out, std::string_view format, va_list* args)
{
  size_t i = 0;
  while (i < format.size())
  {
    const size_t percent = format.find('%', i);
    if (percent == std::string_view::npos)
    {
      out.append(format.substr(i));
      break;
    }
    out.append(format.substr(i, percent - i));
    i = percent + 1;
    if (i < format.size() && format[i] == '%')
    {
      out += '%';
      ++i;
      continue;
    }
    Spec spec;
    if (!ParseSpec(format, i, args, spec) || !AppendConversion(out, spec, args))
      return false;
  }
  return true;
}

} // namespace
} // namespace pwshim

CF_EXPORT CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef, CFStringRef format, va_list arguments)
{
  const pwshim::CFStringObject* formatString = pwshim::StringFromRef(format);
  if (!formatString)
    return nullptr;
  va_list args;
  va_copy(args, arguments);
  CFStringRef result = nullptr;
  try
  {
    std::string text;
    if (pwshim::Format(text, formatString->Text(), &args))
      result = pwshim::CFStringObject::Create(text);
  }
  catch (const std::bad_alloc&)
  {
    result = nullptr;
  }
  va_end(args);
  return result;
}

CF_EXPORT CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format, ...)
{
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}
