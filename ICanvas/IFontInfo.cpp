#include "IFontInfo.h"

#include "PlatformFont.h"

#include <cstring>
#include <string>

namespace weft::canvas {

IFontInfo::IFontInfo(const void* data, uint32_t dataSize, uint32_t faceIdx)
: mData(static_cast<const unsigned char*>(data))
, mBytes(static_cast<const unsigned char*>(data))
, mSize(data ? dataSize : 0)
{
  if (!mData)
    return;
  if (!FindFace(faceIdx) || !TablesFit())
  {
    mData = nullptr;
    return;
  }
  mHeadLocation = LocateTable("head");
  mNameLocation = LocateTable("name");
  mHheaLocation = LocateTable("hhea");
  mFdscLocation = LocateTable("fdsc");
  if (!IsValid())
    return;

  uint16_t units, macStyle, ascender, descender, lineGap, nameHeader;
  if (!Read16(uint64_t(mHeadLocation) + 18, units) || !Read16(uint64_t(mHeadLocation) + 44, macStyle) ||
      !Read16(uint64_t(mHheaLocation) + 4, ascender) || !Read16(uint64_t(mHheaLocation) + 6, descender) ||
      !Read16(uint64_t(mHheaLocation) + 8, lineGap) || !Read16(uint64_t(mNameLocation) + 4, nameHeader))
  {
    mData = nullptr; // tables that end past the data
    return;
  }
  mUnitsPerEM = units;
  mMacStyle = macStyle;
  mFamily.Set(SearchFontString(1).c_str());
  mStyle.Set(SearchFontString(2).c_str());
  mAscender = static_cast<int16_t>(ascender);
  mDescender = static_cast<int16_t>(descender);
  mLineGap = static_cast<int16_t>(lineGap);
}

double IFontInfo::GetHeightEMRatio() const noexcept
{
  const int range = int(mAscender) - int(mDescender);
  return range == 0 ? 0.0 : double(mUnitsPerEM) / double(range);
}

bool IFontInfo::Read16(uint64_t offset, uint16_t& out) const
{
  if (offset + 2 > mSize)
    return false;
  out = static_cast<uint16_t>((mBytes[offset] << 8) | mBytes[offset + 1]);
  return true;
}

bool IFontInfo::Read32(uint64_t offset, uint32_t& out) const
{
  if (offset + 4 > mSize)
    return false;
  out = (uint32_t(mBytes[offset]) << 24) | (uint32_t(mBytes[offset + 1]) << 16) | (uint32_t(mBytes[offset + 2]) << 8) |
        uint32_t(mBytes[offset + 3]);
  return true;
}

bool IFontInfo::FindFace(uint32_t faceIdx)
{
  if (mSize < 4)
    return false;
  auto tagIs = [this](const char* tag) { return std::memcmp(mBytes, tag, 4) == 0; };
  const bool single = tagIs("1\0\0\0") || tagIs("typ1") || tagIs("OTTO") || tagIs("\0\1\0\0");
  if (single)
    return faceIdx == 0;
  if (!tagIs("ttcf"))
    return false;
  uint32_t version, count, offset;
  if (!Read32(4, version) || (version != 0x00010000 && version != 0x00020000) || !Read32(8, count))
    return false;
  if (static_cast<int32_t>(count) <= 0 || faceIdx >= count || !Read32(12 + 4 * uint64_t(faceIdx), offset))
    return false;
  if (uint64_t(offset) + 12 > mSize) // the face's directory header must fit
    return false;
  mData = mBytes + offset;
  return true;
}

bool IFontInfo::TablesFit() const
{
  const uint64_t dir = static_cast<uint64_t>(mData - mBytes);
  uint16_t numTables;
  if (!Read16(dir + 4, numTables))
    return false;
  for (uint32_t i = 0; i < numTables; i++)
  {
    const uint64_t record = dir + 12 + 16 * uint64_t(i);
    uint32_t offset, length;
    if (!Read32(record + 8, offset) || !Read32(record + 12, length) || uint64_t(offset) + length > mSize)
      return false;
  }
  return true;
}

uint32_t IFontInfo::LocateTable(const char* tag) const
{
  const uint64_t dir = static_cast<uint64_t>(mData - mBytes);
  uint16_t numTables;
  if (!Read16(dir + 4, numTables))
    return 0;
  for (uint32_t i = 0; i < numTables; i++)
  {
    const uint64_t record = dir + 12 + 16 * uint64_t(i);
    uint32_t offset;
    if (!Read32(record + 8, offset)) // a directory cut short ends the search
      return 0;
    if (std::memcmp(mBytes + record, tag, 4) == 0)
      return offset;
  }
  return 0;
}

std::string IFontInfo::SearchFontString(int nameID) const
{
  std::string s = GetFontString(nameID, EStringID::Microsoft);
  return s.empty() ? GetFontString(nameID, EStringID::Mac) : s;
}

std::string IFontInfo::GetFontString(int nameID, EStringID stringID) const
{
  const bool mac = stringID == EStringID::Mac;
  const uint16_t want[4] = {uint16_t(mac ? 1 : 3), uint16_t(mac ? 0 : 1), uint16_t(mac ? 0 : 1033), uint16_t(nameID)};
  uint16_t count, storage;
  if (!Read16(uint64_t(mNameLocation) + 2, count) || !Read16(uint64_t(mNameLocation) + 4, storage))
    return {};
  for (uint32_t i = 0; i < count; i++)
  {
    const uint64_t record = uint64_t(mNameLocation) + 6 + 12 * uint64_t(i);
    uint16_t fields[6];
    for (int f = 0; f < 6; f++)
    {
      if (!Read16(record + 2 * uint64_t(f), fields[f]))
        return {};
    }
    if (std::memcmp(fields, want, sizeof(want)) != 0)
      continue;
    const uint64_t start = uint64_t(mNameLocation) + storage + fields[5];
    const uint32_t length = fields[4];
    if (start + length > mSize)
      return {}; // the string runs past the data
    const unsigned char* s = mBytes + start;
    if (mac)
      return std::string(reinterpret_cast<const char*>(s), length);
    std::string out;
    out.reserve(length * 3 / 2 + 1);
    for (uint32_t k = 0; k + 1 < length; k += 2)
    {
      uint32_t code = (uint32_t(s[k]) << 8) | s[k + 1];
      if (code >= 0xD800 && code < 0xDC00 && k + 3 < length)
      {
        const uint32_t low = (uint32_t(s[k + 2]) << 8) | s[k + 3];
        if (low >= 0xDC00 && low < 0xE000)
        {
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          k += 2;
        }
      }
      if (code >= 0xD800 && code < 0xE000)
        code = 0xFFFD; // an unpaired surrogate
      if (code < 0x80)
        out += char(code);
      else if (code < 0x800)
        out += {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
      else if (code < 0x10000)
        out += {char(0xE0 | (code >> 12)), char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
      else
        out += {char(0xF0 | (code >> 18)), char(0x80 | ((code >> 12) & 0x3F)), char(0x80 | ((code >> 6) & 0x3F)),
                char(0x80 | (code & 0x3F))};
    }
    return out;
  }
  return {};
}

IFontData::IFontData(const void* data, int size, int faceIdx)
: IFontInfo(data, size > 0 ? static_cast<uint32_t>(size) : 0u, static_cast<uint32_t>(faceIdx))
, mFaceIdx(faceIdx)
{
  if (size <= 0 || !data)
    return;
  if (unsigned char* p = mBuf.ResizeOK(size))
  {
    std::memcpy(p, data, static_cast<size_t>(size));
    // The face now lives in our own copy.
    if (mData)
      mData = p + (mData - static_cast<const unsigned char*>(data));
  }
}

int PlatformFont::GetFaceIdx(const void* data, int dataSize, const char* styleName)
{
  if (!data || dataSize <= 0)
    return -1;
  for (uint32_t idx = 0;; idx++)
  {
    const IFontInfo info(data, static_cast<uint32_t>(dataSize), idx);
    if (!info.IsValid())
      return -1;
    if (info.GetStyle().GetLength() == 0)
      continue;
    if (!styleName || !*styleName || std::strcmp(info.GetStyle().Get(), styleName) == 0)
      return static_cast<int>(idx);
  }
}

IFontDataPtr PlatformFont::GetFontData() { return std::make_unique<IFontData>(); }

} // namespace weft::canvas
