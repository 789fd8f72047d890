#pragma once
// Internal to the stand-in: the objects behind data providers and graphics
// fonts, shared with CoreText.

#include "CGDataProvider.h"
#include "CGFont.h"

#include "../CoreFoundation/CFRuntime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pwshim {

class CGDataProviderObject final : public CFObject
{
public:
  CGDataProviderObject(const void* data, size_t size, void* info, CGDataProviderReleaseDataCallback release,
                       std::string path)
  : CFObject(kTypeIDDataProvider), mData(data), mSize(size), mInfo(info), mRelease(release), mPath(std::move(path))
  {
  }
  // Bytes read from a file, owned by this object.
  CGDataProviderObject(std::vector<uint8_t> bytes, std::string path)
  : CFObject(kTypeIDDataProvider), mOwned(std::move(bytes)), mData(mOwned.data()), mSize(mOwned.size()),
    mPath(std::move(path))
  {
  }
  ~CGDataProviderObject() override
  {
    if (mRelease)
      mRelease(mInfo, mData, mSize);
  }
  const uint8_t* Data() const noexcept { return static_cast<const uint8_t*>(mData); }
  size_t Size() const noexcept { return mSize; }
  // The file's path for a provider over a URL, else empty.
  const std::string& Path() const noexcept { return mPath; }

private:
  std::vector<uint8_t> mOwned;
  const void* mData = nullptr;
  size_t mSize = 0;
  void* mInfo = nullptr;
  CGDataProviderReleaseDataCallback mRelease = nullptr;
  std::string mPath;
};

class CGFontObject final : public CFObject
{
public:
  explicit CGFontObject(CGDataProviderObject* provider) : CFObject(kTypeIDGraphicsFont), mProvider(provider)
  {
    mProvider->Retain();
  }
  ~CGFontObject() override { mProvider->Release(); }
  const CGDataProviderObject& Provider() const noexcept { return *mProvider; }

private:
  CGDataProviderObject* mProvider;
};

// Family and style names of each face of a font file or collection (empty
// names where the name table has none), of the first mostFaces faces at
// most; empty when the bytes are no font. Each face's names take one pass
// over its tables, so a caller that needs one face asks for one.
struct FaceNames
{
  std::string family, style;
};
std::vector<FaceNames> ReadFaceNames(const uint8_t* data, size_t size, size_t mostFaces = SIZE_MAX);

// Whether the bytes start a font (or a collection) whose first face lists
// cmap, head, hhea, hmtx and its outlines (glyf with loca, or CFF), each
// inside the data. Reads only within size, whatever the bytes are; the
// glyphs themselves are the font reader's to check.
bool IsFontFace(const uint8_t* data, size_t size);

} // namespace pwshim
