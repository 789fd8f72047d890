#include "CFData.h"
#include "CFStringObject.h"
#include "CFValueObject.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace pwshim {
namespace {

class CFDataObject final : public CFValueObject
{
public:
  CFDataObject(const uint8_t* bytes, size_t length)
  : CFValueObject(kTypeIDData), mBytes(bytes, bytes + length)
  {
  }

  const std::vector<uint8_t>& Bytes() const noexcept { return mBytes; }

  bool Equal(const CFValueObject& other) const noexcept override
  {
    return mBytes == static_cast<const CFDataObject&>(other).mBytes;
  }

  CFHashCode Hash() const noexcept override { return HashBytes(mBytes.data(), mBytes.size()); }

  std::string Describe() const override
  {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "<";
    for (size_t i = 0; i < mBytes.size(); ++i)
    {
      if (i > 0 && i % 4 == 0)
        text += ' ';
      text += kHex[mBytes[i] >> 4];
      text += kHex[mBytes[i] & 0xF];
    }
    text += '>';
    return text;
  }

private:
  const std::vector<uint8_t> mBytes;
};

const CFDataObject* DataFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFDataObject>(cf, kTypeIDData);
}

} // namespace
} // namespace pwshim

using pwshim::CFDataObject;

CF_EXPORT CFTypeID CFDataGetTypeID(void)
{
  return pwshim::kTypeIDData;
}

CF_EXPORT CFDataRef CFDataCreate(CFAllocatorRef, const uint8_t* bytes, CFIndex length)
{
  if (length < 0 || (!bytes && length > 0))
    return nullptr;
  try
  {
    return pwshim::ToRef<CFDataRef>(new CFDataObject(bytes, static_cast<size_t>(length)));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFIndex CFDataGetLength(CFDataRef theData)
{
  const CFDataObject* data = pwshim::DataFromRef(theData);
  return data ? static_cast<CFIndex>(data->Bytes().size()) : 0;
}

CF_EXPORT const uint8_t* CFDataGetBytePtr(CFDataRef theData)
{
  // An empty block still answers a valid pointer, so that a caller's
  // memcpy of 0 bytes from it is well defined.
  static const uint8_t kNoBytes = 0;
  const CFDataObject* data = pwshim::DataFromRef(theData);
  if (!data)
    return nullptr;
  return data->Bytes().empty() ? &kNoBytes : data->Bytes().data();
}

CF_EXPORT void CFDataGetBytes(CFDataRef theData, CFRange range, uint8_t* buffer)
{
  const CFDataObject* data = pwshim::DataFromRef(theData);
  if (!data || !buffer || range.location < 0 || range.length < 0)
    return;
  const auto size = static_cast<CFIndex>(data->Bytes().size());
  if (range.location > size || range.length > size - range.location)
    return;
  if (range.length > 0)
    std::memcpy(buffer, data->Bytes().data() + range.location, static_cast<size_t>(range.length));
}
