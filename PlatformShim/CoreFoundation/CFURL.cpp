#include "CFURL.h"
#include "CFString.h"
#include "CFStringObject.h"
#include "CFValueObject.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>

namespace pwshim {
namespace {

// Repeated separators collapsed, no trailing separator except for the root.
std::string NormalisedPath(std::string_view path)
{
  std::string normalised;
  normalised.reserve(path.size());
  for (const char c : path)
  {
    if (c == '/' && !normalised.empty() && normalised.back() == '/')
      continue;
    normalised += c;
  }
  if (normalised.size() > 1 && normalised.back() == '/')
    normalised.pop_back();
  return normalised;
}

std::string WorkingFolder()
{
  std::string folder(256, '\0');
  while (!getcwd(folder.data(), folder.size()))
  {
    if (errno != ERANGE || folder.size() > 65536)
      return {};
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  return folder;
}

class CFURLObject final : public CFValueObject
{
public:
  CFURLObject(std::string_view path, bool isDirectory)
  : CFValueObject(kTypeIDURL)
  , mPath(NormalisedPath(path))
  , mBase(mPath[0] == '/' ? std::string() : WorkingFolder())
  , mIsDirectory(isDirectory || mPath == "/")
  {
  }

  const std::string& Path() const noexcept { return mPath; }
  bool IsDirectory() const noexcept { return mIsDirectory; }

  std::string ResolvedPath() const
  {
    if (mBase.empty())
      return mPath;
    return mBase == "/" ? "/" + mPath : mBase + "/" + mPath;
  }

  bool Equal(const CFValueObject& other) const noexcept override
  {
    const auto& that = static_cast<const CFURLObject&>(other);
    return mPath == that.mPath && mBase == that.mBase && mIsDirectory == that.mIsDirectory;
  }

  CFHashCode Hash() const noexcept override { return HashBytes(mPath.data(), mPath.size()); }

  std::string Describe() const override
  {
    const std::string slash = mIsDirectory && mPath != "/" ? "/" : "";
    if (mBase.empty())
      return "file://" + mPath + slash;
    return mPath + slash + " -- file://" + mBase + (mBase == "/" ? "" : "/");
  }

private:
  const std::string mPath;
  const std::string mBase;
  const bool mIsDirectory;
};

const CFURLObject* URLFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFURLObject>(cf, kTypeIDURL);
}

CFURLRef CreateURL(std::string_view path, bool isDirectory) noexcept
{
  if (path.empty() || path.find('\0') != std::string_view::npos || UTF16LengthOfUTF8(path) < 0)
    return nullptr;
  try
  {
    return ToRef<CFURLRef>(new CFURLObject(path, isDirectory));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

} // namespace
} // namespace pwshim

CF_EXPORT CFTypeID CFURLGetTypeID(void)
{
  return pwshim::kTypeIDURL;
}

CF_EXPORT CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle pathStyle, Boolean isDirectory)
{
  const pwshim::CFStringObject* path = pwshim::StringFromRef(filePath);
  if (!path || pathStyle != kCFURLPOSIXPathStyle)
    return nullptr;
  return pwshim::CreateURL(path->Text(), isDirectory);
}

CF_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const uint8_t* buffer, CFIndex bufLen, Boolean isDirectory)
{
  if (!buffer || bufLen <= 0)
    return nullptr;
  return pwshim::CreateURL(std::string_view(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen)), isDirectory);
}

CF_EXPORT Boolean CFURLGetFileSystemRepresentation(CFURLRef anURL, Boolean resolveAgainstBase, uint8_t* buffer, CFIndex maxBufLen)
{
  if (!buffer || maxBufLen <= 0)
    return false;
  buffer[0] = 0;
  const pwshim::CFURLObject* url = pwshim::URLFromRef(anURL);
  if (!url)
    return false;
  try
  {
    const std::string path = resolveAgainstBase ? url->ResolvedPath() : url->Path();
    if (path.size() >= static_cast<size_t>(maxBufLen))
      return false;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
}

CF_EXPORT CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle)
{
  const pwshim::CFURLObject* url = pwshim::URLFromRef(anURL);
  if (!url || pathStyle != kCFURLPOSIXPathStyle)
    return nullptr;
  return pwshim::CFStringObject::Create(url->Path());
}

CF_EXPORT Boolean CFURLHasDirectoryPath(CFURLRef anURL)
{
  const pwshim::CFURLObject* url = pwshim::URLFromRef(anURL);
  return url && url->IsDirectory();
}
