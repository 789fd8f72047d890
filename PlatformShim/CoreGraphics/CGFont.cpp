#include "CGFontObjects.h"

#include "../CoreFoundation/CFStringObject.h"

#include <fstream>
#include <iterator>
#include <new>

namespace pwshim {
namespace {

uint32_t Read16(const uint8_t* p) { return static_cast<uint32_t>(p[0] << 8 | p[1]); }
uint32_t Read32(const uint8_t* p) { return Read16(p) << 16 | Read16(p + 2); }

// A name of the face at offset: Windows UTF-16 (characters below 0x80 kept,
// others as '?') or Macintosh Roman ASCII.
std::string ReadName(const uint8_t* data, size_t size, size_t face, uint32_t nameID)
{
  if (face + 12 > size)
    return {};
  const uint32_t tables = Read16(data + face + 4);
  for (uint32_t t = 0; t < tables && face + 12 + 16 * (t + 1) <= size; ++t)
  {
    const uint8_t* record = data + face + 12 + 16 * t;
    if (Read32(record) != 0x6E616D65) // 'name'
      continue;
    const size_t table = Read32(record + 8);
    if (table + 6 > size)
      return {};
    const uint32_t count = Read16(data + table + 2), strings = Read16(data + table + 4);
    std::string mac;
    for (uint32_t n = 0; n < count && table + 6 + 12 * (n + 1) <= size; ++n)
    {
      const uint8_t* name = data + table + 6 + 12 * n;
      const uint32_t platform = Read16(name), id = Read16(name + 6), length = Read16(name + 8);
      const size_t at = table + strings + Read16(name + 10);
      if (id != nameID || at + length > size)
        continue;
      std::string text;
      if (platform == 3 || platform == 0)
      {
        for (uint32_t i = 0; i + 1 < length; i += 2)
        {
          const uint32_t unit = Read16(data + at + i);
          text += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return text;
      }
      if (platform == 1 && mac.empty())
        for (uint32_t i = 0; i < length; ++i)
          mac += data[at + i] < 0x80 ? static_cast<char>(data[at + i]) : '?';
    }
    return mac;
  }
  return {};
}

} // namespace

bool IsFontFace(const uint8_t* data, size_t size)
{
  if (!data || size < 12)
    return false;
  uint64_t face = 0;
  if (Read32(data) == 0x74746366) // 'ttcf': the first face of the collection
  {
    if (size < 16 || Read32(data + 8) == 0)
      return false;
    face = Read32(data + 12);
    if (face + 12 > size)
      return false;
  }
  const uint32_t version = Read32(data + face);
  if (version != 0x00010000 && version != 0x74727565 /* 'true' */ && version != 0x4F54544F /* 'OTTO' */ &&
      version != 0x74797031 /* 'typ1' */ && version != 0x31000000)
    return false;
  const uint64_t tables = Read16(data + face + 4);
  if (face + 12 + 16 * tables > size)
    return false;
  // cmap, head, hhea, hmtx, glyf, loca, CFF: each whole inside the data.
  bool present[7] = {};
  constexpr uint32_t kTags[7] = {0x636D6170, 0x68656164, 0x68686561, 0x686D7478, 0x676C7966, 0x6C6F6361, 0x43464620};
  for (uint64_t t = 0; t < tables; ++t)
  {
    const uint8_t* record = data + face + 12 + 16 * t;
    const uint32_t tag = Read32(record);
    for (int k = 0; k < 7; ++k)
      if (tag == kTags[k])
        present[k] = uint64_t(Read32(record + 8)) + Read32(record + 12) <= size;
  }
  const bool outlines = present[4] ? present[5] : present[6];
  return present[0] && present[1] && present[2] && present[3] && outlines;
}

std::vector<FaceNames> ReadFaceNames(const uint8_t* data, size_t size, size_t mostFaces)
{
  std::vector<FaceNames> faces;
  if (!data || size < 12)
    return faces;
  std::vector<size_t> offsets;
  if (Read32(data) == 0x74746366) // 'ttcf'
  {
    const uint32_t count = Read32(data + 8);
    for (uint32_t i = 0; i < count && i < mostFaces && 12 + 4 * (i + 1) <= size; ++i)
      offsets.push_back(Read32(data + 12 + 4 * i));
  }
  else
    offsets.push_back(0);
  for (size_t offset : offsets)
    faces.push_back({ReadName(data, size, offset, 1), ReadName(data, size, offset, 2)});
  return faces;
}

} // namespace pwshim

using pwshim::CGDataProviderObject;
using pwshim::CGFontObject;

CF_EXPORT CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url)
{
  uint8_t path[4096];
  if (!url || !CFURLGetFileSystemRepresentation(url, true, path, sizeof(path)))
    return nullptr;
  std::ifstream file(reinterpret_cast<const char*>(path), std::ios::binary);
  if (!file)
    return nullptr;
  try
  {
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    if (file.bad())
      return nullptr;
    return pwshim::ToRef<CGDataProviderRef>(
      new CGDataProviderObject(std::move(bytes), reinterpret_cast<const char*>(path)));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                                         CGDataProviderReleaseDataCallback releaseData)
{
  if (!data && size > 0)
    return nullptr;
  try
  {
    return pwshim::ToRef<CGDataProviderRef>(new CGDataProviderObject(data, size, info, releaseData, {}));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFDataRef CGDataProviderCopyData(CGDataProviderRef provider)
{
  const auto* object = pwshim::CastRef<CGDataProviderObject>(provider, pwshim::kTypeIDDataProvider);
  return object ? CFDataCreate(nullptr, object->Data(), static_cast<CFIndex>(object->Size())) : nullptr;
}

CF_EXPORT CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider)
{
  if (provider)
    CFRetain(provider);
  return provider;
}

CF_EXPORT void CGDataProviderRelease(CGDataProviderRef provider)
{
  if (provider)
    CFRelease(provider);
}

CF_EXPORT CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider)
{
  auto* object = pwshim::CastRef<CGDataProviderObject>(provider, pwshim::kTypeIDDataProvider);
  if (!object || object->Size() == 0 || object->Size() > 0x7FFFFFFF)
    return nullptr;
  if (!pwshim::IsFontFace(object->Data(), object->Size()))
    return nullptr;
  try
  {
    return pwshim::ToRef<CGFontRef>(new CGFontObject(object));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CGFontRef CGFontRetain(CGFontRef font)
{
  if (font)
    CFRetain(font);
  return font;
}

CF_EXPORT void CGFontRelease(CGFontRef font)
{
  if (font)
    CFRelease(font);
}
