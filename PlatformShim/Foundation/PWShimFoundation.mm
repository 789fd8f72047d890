#import <Foundation/Foundation.h>

#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#include <dlfcn.h>
#include <objc/runtime.h>

#include <cstdlib>
#include <string>

#define PWSHIM_FOUNDATION_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// A CoreFoundation string as an autoreleased NSString; nil for null.
NSString* ToNS(CFStringRef text)
{
  if (!text)
    return nil;
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(text), kCFStringEncodingUTF8) + 1;
  std::string buffer(static_cast<size_t>(size), '\0');
  if (!CFStringGetCString(text, &buffer[0], size, kCFStringEncodingUTF8))
    return nil;
  return [NSString stringWithUTF8String:buffer.c_str()];
}

// The POSIX path of a URL the caller owns (released here); nil for null.
NSString* TakePath(CFURLRef url)
{
  if (!url)
    return nil;
  CFStringRef path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
  CFRelease(url);
  NSString* answer = ToNS(path);
  if (path)
    CFRelease(path);
  return answer;
}

NSString* HomeFolder()
{
  const char* home = std::getenv("HOME");
  if (home && *home)
    return [NSString stringWithUTF8String:home];
  using HomeFunction = NSString* (*)(void);
  static HomeFunction gnustepHome = reinterpret_cast<HomeFunction>(dlsym(RTLD_NEXT, "NSHomeDirectory"));
  return gnustepHome ? gnustepHome() : @"/";
}

} // namespace

// A bundle of the CoreFoundation registry seen through NSBundle.
@interface PWShimBundle : NSBundle
{
  NSString* _pwIdentifier;
  NSString* _pwPath;
  NSString* _pwResources;
  NSString* _pwExecutable;
}
- (id)initWithCFBundle:(CFBundleRef)bundle;
@end

@implementation PWShimBundle
- (id)initWithCFBundle:(CFBundleRef)bundle
{
  if ((self = [super init]))
  {
    _pwIdentifier = [ToNS(CFBundleGetIdentifier(bundle)) copy];
    _pwPath = [TakePath(CFBundleCopyBundleURL(bundle)) copy];
    _pwResources = [TakePath(CFBundleCopyResourcesDirectoryURL(bundle)) copy];
    _pwExecutable = [TakePath(CFBundleCopyExecutableURL(bundle)) copy];
  }
  return self;
}
- (void)dealloc
{
  [_pwIdentifier release];
  [_pwPath release];
  [_pwResources release];
  [_pwExecutable release];
  [super dealloc];
}
- (NSString*)bundleIdentifier { return _pwIdentifier; }
- (NSString*)bundlePath { return _pwPath; }
- (NSString*)resourcePath { return _pwResources; }
- (NSString*)executablePath { return _pwExecutable; }
@end

static IMP sGNUstepMainBundle;

@implementation NSBundle (PWShimRegistry)
+ (NSBundle*)pwShimBundleWithIdentifier:(NSString*)identifier
{
  if (!identifier || ![identifier length])
    return nil;
  CFStringRef text = CFStringCreateWithCString(nullptr, [identifier UTF8String], kCFStringEncodingUTF8);
  CFBundleRef bundle = text ? CFBundleGetBundleWithIdentifier(text) : nullptr;
  if (text)
    CFRelease(text);
  return bundle ? [[[PWShimBundle alloc] initWithCFBundle:bundle] autorelease] : nil;
}
+ (NSBundle*)pwShimMainBundle
{
  CFBundleRef bundle = CFBundleGetMainBundle();
  if (bundle)
    return [[[PWShimBundle alloc] initWithCFBundle:bundle] autorelease];
  return ((NSBundle * (*)(id, SEL)) sGNUstepMainBundle)(self, @selector(mainBundle));
}
+ (void)load
{
  Method main = class_getClassMethod(self, @selector(mainBundle));
  sGNUstepMainBundle = method_getImplementation(main);
  method_exchangeImplementations(main, class_getClassMethod(self, @selector(pwShimMainBundle)));
  method_exchangeImplementations(class_getClassMethod(self, @selector(bundleWithIdentifier:)),
                                 class_getClassMethod(self, @selector(pwShimBundleWithIdentifier:)));
}
@end

@implementation NSFileManager (PWShimAppGroup)
- (NSURL*)containerURLForSecurityApplicationGroupIdentifier:(NSString*)groupIdentifier
{
  if (!groupIdentifier || ![groupIdentifier length])
    return nil;
  NSString* path = [[HomeFolder() stringByAppendingPathComponent:@"Library/Group Containers"]
    stringByAppendingPathComponent:groupIdentifier];
  return [NSURL fileURLWithPath:path isDirectory:YES];
}
@end

PWSHIM_FOUNDATION_EXPORT NSString* NSHomeDirectory(void)
{
  return HomeFolder();
}

PWSHIM_FOUNDATION_EXPORT NSArray* NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                                      NSSearchPathDomainMask domains, BOOL)
{
  NSString* folder = nil;
  switch (directory)
  {
    case NSDesktopDirectory: folder = @"Desktop"; break;
    case NSMusicDirectory: folder = @"Music"; break;
    case NSDocumentDirectory: folder = @"Documents"; break;
    case NSLibraryDirectory: folder = @"Library"; break;
    case NSApplicationSupportDirectory: folder = @"Library/Application Support"; break;
    case NSCachesDirectory: folder = @"Library/Caches"; break;
    default: return [NSArray array];
  }
  NSMutableArray* answer = [NSMutableArray array];
  if (domains & NSUserDomainMask)
    [answer addObject:[HomeFolder() stringByAppendingPathComponent:folder]];
  const bool libraryFolder = [folder hasPrefix:@"Library"];
  if ((domains & NSLocalDomainMask) && libraryFolder)
    [answer addObject:[@"/" stringByAppendingString:folder]];
  if ((domains & NSSystemDomainMask) && libraryFolder)
    [answer addObject:[@"/System/" stringByAppendingString:folder]];
  return answer;
}
