#include "PlatformPaths.h"

#include "ICanvasConstants.h"
#include "IWeftScopedPool.h"
#include "LocateResource.h"

#import <Foundation/Foundation.h>

#include <cstring>
#include <strings.h>

namespace weft {
namespace {

NSString* ToNS(const char* text)
{
  return text ? [NSString stringWithUTF8String:text] : nil;
}

void SetPath(LOOM_String& path, NSString* text)
{
  if (text)
    path.Set([text UTF8String]);
}

// fileName's extension equals type without regard to case; a name without
// a "." has none.
bool ExtensionMatches(const char* fileName, const char* type)
{
  const char* dot = fileName ? std::strrchr(fileName, '.') : nullptr;
  return dot && type && strcasecmp(dot + 1, type) == 0;
}

bool IsFile(NSString* path)
{
  BOOL folder = NO;
  return path && [[NSFileManager defaultManager] fileExistsAtPath:path isDirectory:&folder] && !folder;
}

NSString* FirstFolder(NSSearchPathDirectory kind, NSSearchPathDomainMask domain)
{
  NSArray* folders = NSSearchPathForDirectoriesInDomains(kind, domain, YES);
  return [folders count] ? [folders objectAtIndex:0] : nil;
}

NSBundle* BundleWithID(const char* bundleID)
{
  return CStringHasContents(bundleID) ? [NSBundle bundleWithIdentifier:ToNS(bundleID)] : nil;
}

bool Contains(NSString* text, NSString* part)
{
  return text && [text rangeOfString:part].location != NSNotFound;
}

} // namespace

bool GetResourcePathFromBundle(const char* fileName, const char* type, LOOM_String& outPath, const char* bundleID)
{
  ScopedPool pool;
  if (ExtensionMatches(fileName, type))
  {
    NSBundle* bundle = BundleWithID(bundleID);
    NSString* base = [ToNS(fileName) stringByDeletingPathExtension];
    NSString* folder = nil;
    if (bundle && base)
    {
      if (IsOOPAuv3AppExtension())
        folder = [[[[bundle bundlePath] stringByDeletingLastPathComponent] stringByDeletingLastPathComponent]
          stringByAppendingString:@"/Resources/"];
      else if ([bundle resourcePath])
        folder = [[bundle resourcePath] stringByAppendingString:@"/"];
    }
    NSString* candidate = folder ? [NSString stringWithFormat:@"%@%@.%s", folder, base, type] : nil;
    if (IsFile(candidate))
    {
      outPath.Set([candidate UTF8String]);
      return true;
    }
  }
  outPath.Set("");
  return false;
}

bool GetResourcePathFromSharedLocation(const char* fileName, const char* type, LOOM_String& outPath,
                                       const char* sharedResourcesSubPath)
{
  ScopedPool pool;
  NSString* base = [[ToNS(fileName) lastPathComponent] stringByDeletingPathExtension];
  if (ExtensionMatches(fileName, type) && [base length] && CStringHasContents(sharedResourcesSubPath))
  {
    LOOM_String music;
    SharedMusicPath(music);
    NSString* candidate = [[[[ToNS(music.Get()) stringByAppendingPathComponent:ToNS(sharedResourcesSubPath)]
      stringByAppendingPathComponent:@"Resources"] stringByAppendingPathComponent:base]
      stringByAppendingPathExtension:ToNS(type)];
    if (music.GetLength() && IsFile(candidate))
    {
      outPath.Set([candidate UTF8String]);
      return true;
    }
  }
  outPath.Set("");
  return false;
}

bool IsOOPAuv3AppExtension()
{
  ScopedPool pool;
  return Contains([[NSBundle mainBundle] bundleIdentifier], @"AUv3");
}

bool IsXPCAuHost()
{
  ScopedPool pool;
  return Contains([[NSProcessInfo processInfo] processName], @"XPC");
}

bool AppIsSandboxed()
{
  ScopedPool pool;
  return Contains(NSHomeDirectory(), @"Library/Containers/");
}

void HostPath(LOOM_String& path, const char* bundleID)
{
  ScopedPool pool;
  SetPath(path, [BundleWithID(bundleID) executablePath]);
}

void PluginPath(LOOM_String& path, const char* bundleID)
{
  ScopedPool pool;
  NSString* bundlePath = [BundleWithID(bundleID) bundlePath];
  if (bundlePath)
    SetPath(path, [[bundlePath stringByDeletingLastPathComponent] stringByAppendingString:@"/"]);
}

void BundleResourcePath(LOOM_String& path, const char* bundleID)
{
  ScopedPool pool;
  SetPath(path, [BundleWithID(bundleID) resourcePath]);
}

void DesktopPath(LOOM_String& path)
{
  ScopedPool pool;
  SetPath(path, FirstFolder(NSDesktopDirectory, NSUserDomainMask));
}

void UserHomePath(LOOM_String& path)
{
  ScopedPool pool;
  SetPath(path, NSHomeDirectory());
}

void VST3PresetsPath(LOOM_String& path, const char* mfrName, const char* pluginName, bool isSystem)
{
  ScopedPool pool;
  NSString* library = FirstFolder(NSLibraryDirectory, isSystem ? NSLocalDomainMask : NSUserDomainMask);
  if (library)
    path.SetFormatted(1024, "%s/Audio/Presets/%s/%s/", [library UTF8String], mfrName ? mfrName : "",
                      pluginName ? pluginName : "");
}

void INIPath(LOOM_String& path, const char* pluginName)
{
  AppSupportPath(path, false);
  path.AppendFormatted(1024, "/%s", pluginName ? pluginName : "");
}

void AppSupportPath(LOOM_String& path, bool isSystem)
{
  ScopedPool pool;
  SetPath(path, FirstFolder(NSApplicationSupportDirectory, isSystem ? NSSystemDomainMask : NSUserDomainMask));
}

void AppGroupContainerPath(LOOM_String& path, const char* appGroupID)
{
  ScopedPool pool;
  NSURL* container = [[NSFileManager defaultManager] containerURLForSecurityApplicationGroupIdentifier:ToNS(appGroupID)];
  SetPath(path, [container path]);
}

void SharedMusicPath(LOOM_String& path)
{
  ScopedPool pool;
  SetPath(path, FirstFolder(NSMusicDirectory, NSUserDomainMask));
}

} // namespace weft

namespace weft::canvas {

// The graphics core compares the answer with kAbsolutePath (found) and
// kNotFound.
EResourceLocation LocateResource(const char* name, const char* type, LOOM_String& result, const char* bundleID,
                                 void*, const char* sharedResourcesSubPath)
{
  if (!CStringHasContents(name))
    return kNotFound;
  if (GetResourcePathFromBundle(name, type, result, bundleID) ||
      GetResourcePathFromSharedLocation(name, type, result, sharedResourcesSubPath))
    return kAbsolutePath;
  ScopedPool pool;
  if (IsFile(ToNS(name)))
  {
    result.Set(name);
    return kAbsolutePath;
  }
  return kNotFound;
}

} // namespace weft::canvas
