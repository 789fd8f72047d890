#include "ICanvasCoreText.h"

#include "LOOM_Assert.h"
#include "LocateResource.h"

#include <cstring>

namespace weft::canvas {

StaticStorage<CoreTextFontDescriptor> sFontDescriptorCache;

namespace {

// A font's descriptor and data provider made from its graphics font (the
// provider is taken over); null when a step fails.
PlatformFontPtr FontFromProvider(CGDataProviderRef providerRef)
{
  CFLocal<CGDataProviderRef> provider(providerRef);
  if (!provider.Get())
    return nullptr;
  CFLocal<CGFontRef> graphicsFont(CGFontCreateWithDataProvider(provider.Get()));
  if (!graphicsFont.Get())
    return nullptr;
  CFLocal<CTFontRef> ctFont(CTFontCreateWithGraphicsFont(graphicsFont.Get(), 0.0, nullptr, nullptr));
  if (!ctFont.Get())
    return nullptr;
  CFLocal<CTFontDescriptorRef> descriptor(CTFontCopyFontDescriptor(ctFont.Get()));
  if (!descriptor.Get())
    return nullptr;
  return std::make_unique<CoreTextFont>(descriptor.Release(), provider.Release(), "", false);
}

} // namespace

CoreTextFont::CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName,
                           bool isSystem)
: PlatformFont(isSystem), mDescriptor(descriptor), mProvider(provider), mStyleName(styleName)
{
}

CoreTextFont::~CoreTextFont()
{
  CGDataProviderRelease(mProvider);
  if (mDescriptor)
    CFRelease(mDescriptor);
}

IFontDataPtr CoreTextFont::GetFontData()
{
  CFLocal<CFDataRef> data(CGDataProviderCopyData(mProvider));
  if (!data.Get())
    return std::make_unique<IFontData>();
  const void* bytes = CFDataGetBytePtr(data.Get());
  const int size = static_cast<int>(CFDataGetLength(data.Get()));
  const int faceIdx = mStyleName.GetLength() ? GetFaceIdx(bytes, size, mStyleName.Get()) : 0;
  return std::make_unique<IFontData>(bytes, size, faceIdx);
}

CoreTextFontDescriptor::CoreTextFontDescriptor(CTFontDescriptorRef descriptor, double EMRatio)
: mDescriptor(descriptor), mEMRatio(EMRatio)
{
  if (mDescriptor)
    CFRetain(mDescriptor);
}

CoreTextFontDescriptor::~CoreTextFontDescriptor()
{
  if (mDescriptor)
    CFRelease(mDescriptor);
}

void releaseFontData(void*, const void* data, size_t)
{
  delete[] static_cast<const uint8_t*>(data);
}

namespace CoreTextHelpers {

PlatformFontPtr LoadPlatformFont(const char*, const char* fileNameOrResID, const char* bundleID,
                                 const char* sharedResourcesSubPath)
{
  LOOM_String path;
  if (LocateResource(fileNameOrResID, "ttf", path, bundleID, nullptr, sharedResourcesSubPath) != kAbsolutePath)
    return nullptr;
  CFLocal<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
    nullptr, reinterpret_cast<const uint8_t*>(path.Get()), static_cast<CFIndex>(std::strlen(path.Get())), false));
  if (!url.Get())
    return nullptr;
  return FontFromProvider(CGDataProviderCreateWithURL(url.Get()));
}

PlatformFontPtr LoadPlatformFont(const char* fontName, ETextStyle style)
{
  const char* styleName = TextStyleString(style);
  CFLocal<CFStringRef> family(CFStringCreateWithCString(nullptr, fontName ? fontName : "", kCFStringEncodingUTF8));
  CFLocal<CFStringRef> styleText(CFStringCreateWithCString(nullptr, styleName, kCFStringEncodingUTF8));
  if (!family.Get() || !styleText.Get())
    return nullptr;
  const void* keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
  const void* values[] = {family.Get(), styleText.Get()};
  CFLocal<CFDictionaryRef> attributes(
    CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  CFLocal<CTFontDescriptorRef> descriptor(CTFontDescriptorCreateWithAttributes(attributes.Get()));
  CFLocal<CFSetRef> mandatory(CFSetCreate(nullptr, keys, 2, &kCFTypeSetCallBacks));
  if (!descriptor.Get() || !mandatory.Get())
    return nullptr;
  CFLocal<CFArrayRef> matches(CTFontDescriptorCreateMatchingFontDescriptors(descriptor.Get(), mandatory.Get()));
  const CFIndex count = matches.Get() ? CFArrayGetCount(matches.Get()) : 0;
  for (CFIndex i = 0; i < count; ++i)
  {
    auto match = static_cast<CTFontDescriptorRef>(CFArrayGetValueAtIndex(matches.Get(), i));
    CFLocal<CFURLRef> url(static_cast<CFURLRef>(CTFontDescriptorCopyAttribute(match, kCTFontURLAttribute)));
    if (!url.Get())
      continue;
    CGDataProviderRef provider = CGDataProviderCreateWithURL(url.Get());
    if (!provider)
      continue;
    CFRetain(match);
    return std::make_unique<CoreTextFont>(match, provider, styleName, true);
  }
  return nullptr;
}

PlatformFontPtr LoadPlatformFont(const char*, void* pData, int dataSize)
{
  if (!pData || dataSize <= 0)
    return nullptr;
  auto* copy = new uint8_t[static_cast<size_t>(dataSize)];
  std::memcpy(copy, pData, static_cast<size_t>(dataSize));
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, copy, static_cast<size_t>(dataSize), releaseFontData);
  if (!provider)
    delete[] copy;
  return FontFromProvider(provider);
}

void CachePlatformFont(const char* fontID, const PlatformFontPtr& font, StaticStorage<CoreTextFontDescriptor>& cache)
{
  StaticStorage<CoreTextFontDescriptor>::Accessor storage(cache);
  if (!font)
    return;
  auto descriptor = static_cast<CTFontDescriptorRef>(font->GetDescriptor());
  IFontDataPtr data = font->GetFontData();
  if (!storage.Find(fontID, 1.0))
    storage.Add(new CoreTextFontDescriptor(descriptor, data->GetHeightEMRatio()), fontID, 1.0);
}

CoreTextFontDescriptor* GetCTFontDescriptor(const IText& text, StaticStorage<CoreTextFontDescriptor>& cache)
{
  StaticStorage<CoreTextFontDescriptor>::Accessor storage(cache);
  CoreTextFontDescriptor* descriptor = storage.Find(text.mFont, 1.0);
  LOOM_ASSERT_MSG(descriptor, "font not found - did you forget to load it?");
  return descriptor;
}

} // namespace CoreTextHelpers
} // namespace weft::canvas
