#pragma once
// IFontInfo reads the little the graphics core needs from a TrueType or
// OpenType file or a TrueType collection: the face's family and style names
// and its vertical metrics. IFontData adds an owned copy of the bytes for
// the process-wide font-data store.
//
// Every read is checked against the given size: a truncated or damaged
// file yields an invalid reader (empty names, zero metrics), never a read
// past its end.

#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

#include <cstdint>
#include <memory>
#include <string>

namespace weft::canvas {

class IFontInfo
{
public:
  // Whose name records are read: Mac Roman bytes as they stand, or
  // Microsoft Unicode (UTF-16BE, US English) converted to UTF-8.
  enum class EStringID
  {
    Mac = 0,
    Microsoft = 1
  };

  // data: dataSize bytes of a font file or collection, read during the
  // construction only; faceIdx selects the face of a collection (a single
  // font has face 0 only).
  IFontInfo(const void* data, uint32_t dataSize, uint32_t faceIdx);

  // The face was found with its head, name and hhea tables.
  bool IsValid() const noexcept { return mData && mHeadLocation && mNameLocation && mHheaLocation; }

  const LOOM_String& GetFamily() const noexcept { return mFamily; }
  const LOOM_String& GetStyle() const noexcept { return mStyle; }
  uint16_t GetMacStyle() const noexcept { return mMacStyle; }
  uint16_t GetUnitsPerEM() const noexcept { return mUnitsPerEM; }
  int16_t GetAscender() const noexcept { return mAscender; }
  int16_t GetDescender() const noexcept { return mDescender; }
  int16_t GetLineGap() const noexcept { return mLineGap; }
  // unitsPerEm / (ascender - descender); 0 when ascender equals descender.
  double GetHeightEMRatio() const noexcept;

protected:
  // Start of the selected face's table directory; null when unusable.
  const unsigned char* mData = nullptr;
  // Table offsets from the start of the given bytes; 0 when absent.
  uint32_t mHeadLocation = 0;
  uint32_t mNameLocation = 0;
  uint32_t mHheaLocation = 0;
  uint32_t mFdscLocation = 0;
  LOOM_String mFamily;
  LOOM_String mStyle;
  uint16_t mMacStyle = 0;
  uint16_t mUnitsPerEM = 0;
  int16_t mAscender = 0;
  int16_t mDescender = 0;
  int16_t mLineGap = 0;

private:
  bool FindFace(uint32_t faceIdx);
  // Every table of the directory lies inside the data (a cut-short file
  // fails here).
  bool TablesFit() const;
  uint32_t LocateTable(const char* tag) const;
  std::string SearchFontString(int nameID) const;
  std::string GetFontString(int nameID, EStringID stringID) const;
  // Big-endian reads at an offset from the start of the bytes; false (out
  // untouched) when the value would reach past the end.
  bool Read16(uint64_t offset, uint16_t& out) const;
  bool Read32(uint64_t offset, uint32_t& out) const;

  const unsigned char* mBytes;
  uint32_t mSize;
};

class IFontData : public IFontInfo
{
public:
  // No bytes, face -1: invalid.
  IFontData() : IFontInfo(nullptr, 0, 0) {}
  // Reads the face from data, then keeps a copy of the size bytes (left
  // empty when the copy cannot be allocated).
  IFontData(const void* data, int size, int faceIdx);

  const unsigned char* Get() const noexcept { return mBuf.Get(); }
  int GetSize() const noexcept { return static_cast<int>(mBuf.GetSize()); }
  int GetFaceIdx() const noexcept { return mFaceIdx; }
  bool IsValid() const noexcept { return GetSize() > 0 && mFaceIdx >= 0 && IFontInfo::IsValid(); }

private:
  LOOM_TypedBuf<unsigned char> mBuf{4096};
  int mFaceIdx = -1;
};

using IFontDataPtr = std::unique_ptr<IFontData>;

} // namespace weft::canvas
