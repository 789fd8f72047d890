#include "CFBundle.h"
#include "CFStringObject.h"
#include "CFValueObject.h"
#include "PWShimCFBundle.h"

#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace pwshim {
namespace {

// Holds one reference and releases it at scope end unless given up.
class OwnedRef
{
public:
  explicit OwnedRef(CFTypeRef cf = nullptr) noexcept : mRef(cf) {}
  ~OwnedRef() { CFRelease(mRef); }
  OwnedRef(const OwnedRef&) = delete;
  OwnedRef& operator=(const OwnedRef&) = delete;

  CFTypeRef Get() const noexcept { return mRef; }
  CFTypeRef Take() noexcept
  {
    CFTypeRef ref = mRef;
    mRef = nullptr;
    return ref;
  }

private:
  CFTypeRef mRef;
};

constexpr const char* kIdentifierKey = "CFBundleIdentifier";
constexpr const char* kVersionKey = "CFBundleVersion";

class CFBundleObject final : public CFValueObject
{
public:
  // Takes over one reference of identifier (may be null) and info.
  CFBundleObject(std::string folder, CFStringRef identifier, CFDictionaryRef info)
  : CFValueObject(kTypeIDBundle), mFolder(std::move(folder)), mIdentifier(identifier), mInfo(info)
  {
  }

  ~CFBundleObject() override
  {
    CFRelease(mIdentifier);
    CFRelease(mInfo);
  }

  // Empty when the bundle has no folder.
  const std::string& Folder() const noexcept { return mFolder; }
  CFStringRef Identifier() const noexcept { return mIdentifier; }
  CFDictionaryRef Info() const noexcept { return mInfo; }

  std::string Describe() const override
  {
    return "CFBundle <" + mFolder + "> (" + DescribeRef(mIdentifier) + ")";
  }

private:
  const std::string mFolder;
  const CFStringRef mIdentifier;
  const CFDictionaryRef mInfo;
};

CFBundleObject* BundleFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFBundleObject>(cf, kTypeIDBundle);
}

// Sets key (a UTF-8 text) to value in info, through temporary strings.
bool SetInfoText(CFMutableDictionaryRef info, const char* key, const char* value)
{
  OwnedRef keyString(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
  OwnedRef valueString(CFStringCreateWithCString(nullptr, value, kCFStringEncodingUTF8));
  if (!keyString.Get() || !valueString.Get())
    return false;
  CFDictionarySetValue(info, keyString.Get(), valueString.Get());
  return CFDictionaryGetValue(info, keyString.Get()) == valueString.Get();
}

// A new bundle, or null for bad arguments or lack of memory.
CFBundleObject* MakeBundle(const char* folderPath, const char* identifier, CFDictionaryRef infoValues, const char* version)
{
  if ((folderPath && !*folderPath) || (identifier && !*identifier))
    return nullptr;
  if (folderPath && UTF16LengthOfUTF8(folderPath) < 0)
    return nullptr;
  if (infoValues && CFGetTypeID(infoValues) != CFDictionaryGetTypeID())
    return nullptr;

  OwnedRef info(CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  if (!info.Get())
    return nullptr;
  auto* mutableInfo = static_cast<CFMutableDictionaryRef>(const_cast<void*>(info.Get()));
  if (infoValues)
  {
    const CFIndex count = CFDictionaryGetCount(infoValues);
    std::vector<const void*> keys(static_cast<size_t>(count));
    std::vector<const void*> values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(infoValues, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i)
      CFDictionarySetValue(mutableInfo, keys[static_cast<size_t>(i)], values[static_cast<size_t>(i)]);
  }
  if (identifier && !SetInfoText(mutableInfo, kIdentifierKey, identifier))
    return nullptr;
  if (version && !SetInfoText(mutableInfo, kVersionKey, version))
    return nullptr;

  OwnedRef frozenInfo(CFDictionaryCreateCopy(nullptr, static_cast<CFDictionaryRef>(info.Get())));
  OwnedRef identifierString(identifier ? CFStringCreateWithCString(nullptr, identifier, kCFStringEncodingUTF8) : nullptr);
  if (!frozenInfo.Get() || (identifier && !identifierString.Get()))
    return nullptr;
  auto* bundle = new CFBundleObject(folderPath ? folderPath : "", static_cast<CFStringRef>(identifierString.Get()),
                                    static_cast<CFDictionaryRef>(frozenInfo.Get()));
  identifierString.Take();
  frozenInfo.Take();
  return bundle;
}

// The registered bundles and the main bundle, each holding one reference.
// Reached through a pointer that is never freed, so that bundles still
// registered at exit are not reported as leaks.
class BundleRegistry
{
public:
  static BundleRegistry& Instance()
  {
    static BundleRegistry* instance = new BundleRegistry;
    return *instance;
  }

  // Takes over the reference of bundle, also when memory runs out (false).
  bool Register(const char* identifier, CFBundleObject* bundle) noexcept
  {
    CFBundleObject* old = nullptr;
    try
    {
      std::lock_guard<std::mutex> lock(mMutex);
      auto [entry, inserted] = mBundles.emplace(identifier, bundle);
      if (!inserted)
      {
        old = entry->second;
        entry->second = bundle;
      }
    }
    catch (const std::bad_alloc&)
    {
      bundle->Release();
      return false;
    }
    // Released outside the lock: the bundle's destructor releases objects.
    if (old)
      old->Release();
    return true;
  }

  bool Unregister(const std::string& identifier)
  {
    CFBundleObject* old = nullptr;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      const auto found = mBundles.find(identifier);
      if (found == mBundles.end())
        return false;
      old = found->second;
      mBundles.erase(found);
    }
    old->Release();
    return true;
  }

  // Takes over the reference of bundle (may be null).
  void SetMain(CFBundleObject* bundle) noexcept
  {
    CFBundleObject* old;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      old = mMain;
      mMain = bundle;
    }
    if (old)
      old->Release();
  }

  CFBundleObject* Main() noexcept
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return mMain;
  }

  CFBundleObject* Find(const std::string& identifier) noexcept
  {
    std::lock_guard<std::mutex> lock(mMutex);
    const auto found = mBundles.find(identifier);
    if (found != mBundles.end())
      return found->second;
    if (mMain && mMain->Identifier())
    {
      const CFStringObject* mainIdentifier = StringFromRef(mMain->Identifier());
      if (mainIdentifier->Text() == identifier)
        return mMain;
    }
    return nullptr;
  }

private:
  std::mutex mMutex;
  std::map<std::string, CFBundleObject*> mBundles;
  CFBundleObject* mMain = nullptr;
};

// A new URL of folder + "/" + relative.
CFURLRef FolderURL(const std::string& folder, const std::string& relative, bool isDirectory)
{
  const std::string path = relative.empty() ? folder : folder + "/" + relative;
  return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const uint8_t*>(path.data()),
                                                 static_cast<CFIndex>(path.size()), isDirectory);
}

constexpr char kResourcesFolder[] = "Contents/Resources";

} // namespace
} // namespace pwshim

using pwshim::BundleRegistry;
using pwshim::CFBundleObject;

CF_EXPORT CFTypeID CFBundleGetTypeID(void)
{
  return pwshim::kTypeIDBundle;
}

CF_EXPORT CFBundleRef CFBundleGetMainBundle(void)
{
  return pwshim::ToRef<CFBundleRef>(BundleRegistry::Instance().Main());
}

CF_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID)
{
  const pwshim::CFStringObject* identifier = pwshim::StringFromRef(bundleID);
  if (!identifier)
    return nullptr;
  return pwshim::ToRef<CFBundleRef>(BundleRegistry::Instance().Find(identifier->Text()));
}

CF_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  return object ? object->Identifier() : nullptr;
}

CF_EXPORT CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  return object ? object->Info() : nullptr;
}

CF_EXPORT CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  return object ? CFDictionaryGetValue(object->Info(), key) : nullptr;
}

CF_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  if (!object || object->Folder().empty())
    return nullptr;
  try
  {
    return pwshim::FolderURL(object->Folder(), {}, true);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  if (!object || object->Folder().empty())
    return nullptr;
  try
  {
    return pwshim::FolderURL(object->Folder(), pwshim::kResourcesFolder, true);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  if (!object || object->Folder().empty())
    return nullptr;
  const pwshim::CFStringObject* executable =
    pwshim::StringFromRef(CFDictionaryGetValue(object->Info(), CFSTR("CFBundleExecutable")));
  if (!executable || executable->Text().empty())
    return nullptr;
  try
  {
    return pwshim::FolderURL(object->Folder(), "Contents/MacOS/" + executable->Text(), false);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                           CFStringRef subDirName)
{
  const CFBundleObject* object = pwshim::BundleFromRef(bundle);
  const pwshim::CFStringObject* name = pwshim::StringFromRef(resourceName);
  if (!object || object->Folder().empty() || !name || name->Text().empty())
    return nullptr;
  try
  {
    std::string relative = std::string(pwshim::kResourcesFolder) + "/";
    if (const pwshim::CFStringObject* subDir = pwshim::StringFromRef(subDirName); subDir && !subDir->Text().empty())
      relative += subDir->Text() + "/";
    relative += name->Text();
    if (const pwshim::CFStringObject* type = pwshim::StringFromRef(resourceType); type && !type->Text().empty())
      relative += (type->Text()[0] == '.' ? "" : ".") + type->Text();

    const std::string path = object->Folder() + "/" + relative;
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
      return nullptr;
    return pwshim::FolderURL(object->Folder(), relative, S_ISDIR(info.st_mode));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CF_EXPORT Boolean PWShimCFBundleRegister(const char* identifier, const char* folderPath, CFDictionaryRef infoValues)
{
  if (!identifier || !folderPath)
    return false;
  try
  {
    CFBundleObject* bundle = pwshim::MakeBundle(folderPath, identifier, infoValues, nullptr);
    if (!bundle)
      return false;
    return BundleRegistry::Instance().Register(identifier, bundle);
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
}

CF_EXPORT Boolean PWShimCFBundleUnregister(const char* identifier)
{
  if (!identifier)
    return false;
  try
  {
    return BundleRegistry::Instance().Unregister(identifier);
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
}

CF_EXPORT Boolean PWShimCFBundleSetMainBundle(const char* folderPath, const char* identifier, const char* bundleVersion)
{
  try
  {
    CFBundleObject* bundle = pwshim::MakeBundle(folderPath, identifier, nullptr, bundleVersion);
    if (!bundle)
      return false;
    BundleRegistry::Instance().SetMain(bundle);
    return true;
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
}

CF_EXPORT void PWShimCFBundleClearMainBundle(void)
{
  BundleRegistry::Instance().SetMain(nullptr);
}
