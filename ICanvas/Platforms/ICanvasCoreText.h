#pragma once
// Platform fonts through CoreText: a font file among the resources, an
// installed font by family and style, or bytes in memory. The renderer takes
// the font's bytes (GetFontData); its CoreText descriptor is kept in the
// process-wide sFontDescriptorCache for platform text fields. Main thread;
// the cache only under its Accessor.

#include "IText.h"
#include "LOOM_String.h"
#include "PlatformFont.h"
#include "StaticStorage.h"

#include <CoreGraphics/CoreGraphics.h>
#include <CoreText/CoreText.h>

namespace weft::canvas {

// Owns one CoreFoundation or CoreGraphics object and releases it at scope
// end when not null.
template <class T>
class CFLocal
{
public:
  explicit CFLocal(T object = nullptr) : mObject(object) {}
  ~CFLocal()
  {
    if (mObject)
      CFRelease(mObject);
  }
  CFLocal(const CFLocal&) = delete;
  CFLocal& operator=(const CFLocal&) = delete;

  T Get() const { return mObject; }
  // Gives the object up: answers it and holds null.
  T Release()
  {
    T object = mObject;
    mObject = nullptr;
    return object;
  }

private:
  T mObject;
};

class CoreTextFont : public PlatformFont
{
public:
  // Takes over descriptor and provider (one reference each).
  CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName, bool isSystem);
  ~CoreTextFont() override;

  void* GetDescriptor() override { return const_cast<void*>(static_cast<const void*>(mDescriptor)); }
  // The provider's bytes; the face named by the style for an installed font,
  // else face 0.
  IFontDataPtr GetFontData() override;

private:
  CTFontDescriptorRef mDescriptor;
  CGDataProviderRef mProvider;
  LOOM_String mStyleName;
};

class CoreTextFontDescriptor
{
public:
  // Retains descriptor.
  CoreTextFontDescriptor(CTFontDescriptorRef descriptor, double EMRatio);
  ~CoreTextFontDescriptor();
  CoreTextFontDescriptor(const CoreTextFontDescriptor&) = delete;
  CoreTextFontDescriptor& operator=(const CoreTextFontDescriptor&) = delete;

  CTFontDescriptorRef GetDescriptor() const { return mDescriptor; }
  double GetEMRatio() const { return mEMRatio; }

private:
  CTFontDescriptorRef mDescriptor;
  double mEMRatio;
};

extern StaticStorage<CoreTextFontDescriptor> sFontDescriptorCache;

// Frees the byte array of a data provider over copied bytes.
void releaseFontData(void* info, const void* data, size_t size);

namespace CoreTextHelpers {

// A ".ttf" file found by LocateResource; fontID is not used.
PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID, const char* bundleID,
                                 const char* sharedResourcesSubPath);
// The first installed face of that family in that style that can be read.
PlatformFontPtr LoadPlatformFont(const char* fontName, ETextStyle style);
// A copy of size bytes; null for null data or size <= 0.
PlatformFontPtr LoadPlatformFont(const char* fontID, void* pData, int dataSize);
// Keeps font's descriptor under fontID (scale 1); an existing entry stays.
void CachePlatformFont(const char* fontID, const PlatformFontPtr& font, StaticStorage<CoreTextFontDescriptor>& cache);
// The cached descriptor of text's font; null (and a debug assertion) when it
// was never cached.
CoreTextFontDescriptor* GetCTFontDescriptor(const IText& text, StaticStorage<CoreTextFontDescriptor>& cache);

} // namespace CoreTextHelpers
} // namespace weft::canvas
