#include "CFString.h"
#include "CFStringObject.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace pwshim {

CFStringObject::CFStringObject(std::string utf8, CFIndex utf16Length, Lifetime lifetime)
: CFValueObject(kTypeIDString, lifetime), mText(std::move(utf8)), mUTF16Length(utf16Length)
{
}

bool CFStringObject::Equal(const CFValueObject& other) const noexcept
{
  return mText == static_cast<const CFStringObject&>(other).mText;
}

CFHashCode CFStringObject::Hash() const noexcept
{
  return HashBytes(mText.data(), mText.size());
}

std::string CFStringObject::Describe() const
{
  return mText;
}

CFStringRef CFStringObject::Create(std::string_view utf8) noexcept
{
  const CFIndex utf16Length = UTF16LengthOfUTF8(utf8);
  if (utf16Length < 0)
    return nullptr;
  try
  {
    return ToRef<CFStringRef>(new CFStringObject(std::string(utf8), utf16Length));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

const CFStringObject* StringFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFStringObject>(cf, kTypeIDString);
}

CFIndex UTF16LengthOfUTF8(std::string_view utf8) noexcept
{
  CFIndex units = 0;
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n)
  {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t count;
    uint32_t codePoint;
    uint32_t minimum;
    if (lead < 0x80)
    {
      ++units;
      ++i;
      continue;
    }
    else if ((lead & 0xE0) == 0xC0)
    {
      count = 2;
      codePoint = lead & 0x1F;
      minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
      count = 3;
      codePoint = lead & 0x0F;
      minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
      count = 4;
      codePoint = lead & 0x07;
      minimum = 0x10000;
    }
    else
      return -1;

    if (n - i < count)
      return -1;
    for (size_t k = 1; k < count; ++k)
    {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80)
        return -1;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
      return -1;
    units += codePoint >= 0x10000 ? 2 : 1;
    i += count;
  }
  return units;
}

namespace {

bool IsASCII(std::string_view text) noexcept
{
  for (const char c : text)
  {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

unsigned char FoldASCII(unsigned char c) noexcept
{
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Constant strings of CFSTR, one per text, alive until the process ends.
// Reached through a pointer that is never freed, so leak checkers see the
// strings as still reachable.
class ConstantStrings
{
public:
  static ConstantStrings& Instance()
  {
    static ConstantStrings* instance = new ConstantStrings;
    return *instance;
  }

  // Any thread.
  CFStringRef Get(const char* cStr)
  {
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mStrings.find(cStr);
    if (found != mStrings.end())
      return found->second;
    const CFIndex utf16Length = UTF16LengthOfUTF8(cStr);
    if (utf16Length < 0)
      return nullptr;
    std::unique_ptr<CFStringObject> object(new CFStringObject(cStr, utf16Length, CFObject::Lifetime::Constant));
    mStrings.emplace(object->Text(), ToRef<CFStringRef>(object.get()));
    return ToRef<CFStringRef>(object.release());
  }

private:
  std::mutex mMutex;
  std::unordered_map<std::string, CFStringRef> mStrings;
};

} // namespace
} // namespace pwshim

using pwshim::CFStringObject;
using pwshim::StringFromRef;

CF_EXPORT CFTypeID CFStringGetTypeID(void)
{
  return pwshim::kTypeIDString;
}

CF_EXPORT CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding)
{
  if (!cStr)
    return nullptr;
  const std::string_view text(cStr);
  switch (encoding)
  {
    case kCFStringEncodingUTF8:
      return CFStringObject::Create(text);
    case kCFStringEncodingASCII:
      return pwshim::IsASCII(text) ? CFStringObject::Create(text) : nullptr;
    default:
      return nullptr;
  }
}

CF_EXPORT CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef str)
{
  if (!StringFromRef(str))
    return nullptr;
  return static_cast<CFStringRef>(CFRetain(str));
}

CF_EXPORT CFIndex CFStringGetLength(CFStringRef str)
{
  const CFStringObject* string = StringFromRef(str);
  return string ? string->UTF16Length() : 0;
}

CF_EXPORT CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding)
{
  if (length < 0)
    return kCFNotFound;
  switch (encoding)
  {
    case kCFStringEncodingUTF8:
      // A BMP unit takes at most 3 bytes; a surrogate pair (2 units) takes 4.
      return length > std::numeric_limits<CFIndex>::max() / 3 ? kCFNotFound : length * 3;
    case kCFStringEncodingASCII:
      return length;
    default:
      return kCFNotFound;
  }
}

CF_EXPORT Boolean CFStringGetCString(CFStringRef str, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
  if (!buffer || bufferSize <= 0)
    return false;
  buffer[0] = '\0';
  const CFStringObject* string = StringFromRef(str);
  if (!string)
    return false;
  const std::string& text = string->Text();
  if (encoding != kCFStringEncodingUTF8 && !(encoding == kCFStringEncodingASCII && pwshim::IsASCII(text)))
    return false;
  if (text.size() >= static_cast<size_t>(bufferSize))
    return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

CF_EXPORT const char* CFStringGetCStringPtr(CFStringRef str, CFStringEncoding encoding)
{
  const CFStringObject* string = StringFromRef(str);
  if (!string)
    return nullptr;
  if (encoding == kCFStringEncodingUTF8 || (encoding == kCFStringEncodingASCII && pwshim::IsASCII(string->Text())))
    return string->Text().c_str();
  return nullptr;
}

CF_EXPORT CFComparisonResult CFStringCompare(CFStringRef str1, CFStringRef str2, CFStringCompareFlags compareOptions)
{
  const CFStringObject* a = StringFromRef(str1);
  const CFStringObject* b = StringFromRef(str2);
  if (!a || !b)
    return (a ? 1 : 0) - (b ? 1 : 0);

  // UTF-8 byte order is code point order.
  const std::string& x = a->Text();
  const std::string& y = b->Text();
  const bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
  const size_t common = std::min(x.size(), y.size());
  for (size_t i = 0; i < common; ++i)
  {
    auto cx = static_cast<unsigned char>(x[i]);
    auto cy = static_cast<unsigned char>(y[i]);
    if (fold)
    {
      cx = pwshim::FoldASCII(cx);
      cy = pwshim::FoldASCII(cy);
    }
    if (cx != cy)
      return cx < cy ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  if (x.size() == y.size())
    return kCFCompareEqualTo;
  return x.size() < y.size() ? kCFCompareLessThan : kCFCompareGreaterThan;
}

CF_EXPORT CFStringRef PWShimCFStringMakeConstant(const char* cStr)
{
  if (!cStr)
    return nullptr;
  try
  {
    return pwshim::ConstantStrings::Instance().Get(cStr);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}
