#include "CoreText.h"
#include "PWShimCoreText.h"

#include "../CoreFoundation/CFStringObject.h"
#include "../CoreGraphics/CGFontObjects.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>
#include <strings.h>

namespace pwshim {
namespace {

class CTFontDescriptorObject final : public CFObject
{
public:
  explicit CTFontDescriptorObject(CFDictionaryRef attributes)
  : CFObject(kTypeIDFontDescriptor), mAttributes(static_cast<CFDictionaryRef>(CFRetain(attributes)))
  {
  }
  ~CTFontDescriptorObject() override { CFRelease(mAttributes); }
  CFDictionaryRef Attributes() const noexcept { return mAttributes; }

private:
  CFDictionaryRef mAttributes;
};

class CTFontObject final : public CFObject
{
public:
  CTFontObject(CGFontObject* font, CFDictionaryRef attributes)
  : CFObject(kTypeIDTextFont), mFont(font), mAttributes(static_cast<CFDictionaryRef>(CFRetain(attributes)))
  {
    mFont->Retain();
  }
  ~CTFontObject() override
  {
    CFRelease(mAttributes);
    mFont->Release();
  }
  CFDictionaryRef Attributes() const noexcept { return mAttributes; }

private:
  CGFontObject* mFont;
  CFDictionaryRef mAttributes;
};

CFStringRef MakeString(const std::string& text)
{
  return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
}

// {family, style, URL (when path is not empty)}; null when out of memory.
CFDictionaryRef MakeAttributes(const FaceNames& names, const std::string& path)
{
  CFMutableDictionaryRef attributes =
    CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (!attributes)
    return nullptr;
  CFTypeRef values[] = {MakeString(names.family), MakeString(names.style),
                        path.empty() ? nullptr
                                     : CFURLCreateFromFileSystemRepresentation(
                                         nullptr, reinterpret_cast<const uint8_t*>(path.c_str()),
                                         static_cast<CFIndex>(path.size()), false)};
  const CFStringRef keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute, kCTFontURLAttribute};
  for (int i = 0; i < 3; ++i)
    if (values[i])
    {
      CFDictionarySetValue(attributes, keys[i], values[i]);
      CFRelease(values[i]);
    }
  return attributes;
}

struct InstalledFace
{
  FaceNames names;
  std::string path;
};

std::mutex sInstalledMutex;
std::vector<InstalledFace> sInstalled;

bool IsFontFile(const std::string& name)
{
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos)
    return false;
  const char* ext = name.c_str() + dot + 1;
  return !strcasecmp(ext, "ttf") || !strcasecmp(ext, "otf") || !strcasecmp(ext, "ttc");
}

} // namespace
} // namespace pwshim

using namespace pwshim;

CF_EXPORT const CFStringRef kCTFontFamilyNameAttribute = CFSTR("NSFontFamilyAttribute");
CF_EXPORT const CFStringRef kCTFontStyleNameAttribute = CFSTR("NSFontFaceAttribute");
CF_EXPORT const CFStringRef kCTFontURLAttribute = CFSTR("NSCTFontFileURLAttribute");

CF_EXPORT CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat, const CGAffineTransform*,
                                                 CTFontDescriptorRef)
{
  auto* font = CastRef<CGFontObject>(graphicsFont, kTypeIDGraphicsFont);
  if (!font)
    return nullptr;
  const std::vector<FaceNames> faces = ReadFaceNames(font->Provider().Data(), font->Provider().Size(), 1);
  CFDictionaryRef attributes = MakeAttributes(faces.empty() ? FaceNames() : faces[0], font->Provider().Path());
  if (!attributes)
    return nullptr;
  CTFontObject* answer = new (std::nothrow) CTFontObject(font, attributes);
  CFRelease(attributes);
  return ToRef<CTFontRef>(answer);
}

CF_EXPORT CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font)
{
  const auto* object = CastRef<CTFontObject>(font, kTypeIDTextFont);
  return object ? CTFontDescriptorCreateWithAttributes(object->Attributes()) : nullptr;
}

CF_EXPORT CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes)
{
  if (!attributes || CFGetTypeID(attributes) != CFDictionaryGetTypeID())
    return nullptr;
  return ToRef<CTFontDescriptorRef>(new (std::nothrow) CTFontDescriptorObject(attributes));
}

CF_EXPORT CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute)
{
  const auto* object = CastRef<CTFontDescriptorObject>(descriptor, kTypeIDFontDescriptor);
  const void* value = object && attribute ? CFDictionaryGetValue(object->Attributes(), attribute) : nullptr;
  return value ? CFRetain(value) : nullptr;
}

CF_EXPORT CFArrayRef CTFontDescriptorCreateMatchingFontDescriptors(CTFontDescriptorRef descriptor,
                                                                   CFSetRef mandatoryAttributes)
{
  const auto* request = CastRef<CTFontDescriptorObject>(descriptor, kTypeIDFontDescriptor);
  if (!request)
    return nullptr;
  std::vector<const void*> matches;
  {
    std::lock_guard<std::mutex> lock(sInstalledMutex);
    for (const InstalledFace& face : sInstalled)
    {
      CFDictionaryRef attributes = MakeAttributes(face.names, face.path);
      if (!attributes)
        continue;
      bool match = true;
      for (CFStringRef key : {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute, kCTFontURLAttribute})
      {
        const void* wanted = CFDictionaryGetValue(request->Attributes(), key);
        if (wanted && CFSetContainsValue(mandatoryAttributes, key) &&
            !CFEqual(wanted, CFDictionaryGetValue(attributes, key)))
          match = false;
      }
      if (match)
        if (const void* found = CTFontDescriptorCreateWithAttributes(attributes))
          matches.push_back(found);
      CFRelease(attributes);
    }
  }
  CFArrayRef answer =
    matches.empty() ? nullptr
                    : CFArrayCreate(nullptr, matches.data(), static_cast<CFIndex>(matches.size()), &kCFTypeArrayCallBacks);
  for (const void* match : matches)
    CFRelease(match);
  return answer;
}

CF_EXPORT Boolean PWShimCTFontSetFolder(const char* folderPath)
{
  std::vector<InstalledFace> faces;
  bool readable = true;
  if (folderPath && *folderPath)
  {
    std::vector<std::string> files;
    if (DIR* dir = opendir(folderPath))
    {
      while (const dirent* entry = readdir(dir))
        if (IsFontFile(entry->d_name))
          files.push_back(std::string(folderPath) + "/" + entry->d_name);
      closedir(dir);
    }
    else
      readable = false;
    std::sort(files.begin(), files.end());
    for (const std::string& path : files)
    {
      std::ifstream file(path, std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
      for (const FaceNames& names : ReadFaceNames(bytes.data(), bytes.size()))
        faces.push_back({names, path});
    }
  }
  std::lock_guard<std::mutex> lock(sInstalledMutex);
  sInstalled.swap(faces);
  return readable;
}
