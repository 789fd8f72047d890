#include "CFLeakCheckedTest.h"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

CFStringRef MakeString(const char* utf8)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}

std::string PathOf(CFURLRef url, bool resolve = true)
{
  char buffer[4096];
  if (!CFURLGetFileSystemRepresentation(url, resolve, reinterpret_cast<uint8_t*>(buffer), sizeof(buffer)))
    return "<no path>";
  return buffer;
}

std::string TextOf(CFTypeRef str)
{
  char buffer[1024];
  if (!CFStringGetCString(static_cast<CFStringRef>(str), buffer, sizeof(buffer), kCFStringEncodingUTF8))
    return "<no text>";
  return buffer;
}

constexpr char kPluginID[] = "com.Corvantis x Lumidrake.audiounit.Pressweave";

} // namespace

// --- URLs ------------------------------------------------------------------

class CFURLTest : public CFLeakCheckedTest
{
};

TEST_F(CFURLTest, PathsAreNormalisedAndKeepTheirFolderFlagAndRelativeOnesResolveAgainstTheWorkingFolder)
{
  CFOwned<CFURLRef> folder(CFURLCreateWithFileSystemPath(nullptr, CFSTR("//opt//fonts/"), kCFURLPOSIXPathStyle, true));
  CFOwned<CFURLRef> root(CFURLCreateWithFileSystemPath(nullptr, CFSTR("/"), kCFURLPOSIXPathStyle, false));
  CFOwned<CFURLRef> file(
    CFURLCreateWithFileSystemPath(nullptr, CFSTR("Resources/logo.svg"), kCFURLPOSIXPathStyle, false));
  CFOwned<CFStringRef> path(CFURLCopyFileSystemPath(folder.get(), kCFURLPOSIXPathStyle));
  EXPECT_EQ(TextOf(path.get()), "/opt/fonts");
  EXPECT_TRUE(CFURLHasDirectoryPath(folder.get()));
  EXPECT_EQ(PathOf(root.get()), "/");
  EXPECT_TRUE(CFURLHasDirectoryPath(root.get()));
  EXPECT_FALSE(CFURLHasDirectoryPath(file.get()));
  EXPECT_EQ(PathOf(file.get(), false), "Resources/logo.svg");
  EXPECT_EQ(PathOf(file.get(), true), (fs::current_path() / "Resources/logo.svg").string());
}

TEST_F(CFURLTest, EqualPathsMakeEqualURLs)
{
  const char path[] = "/tmp/x.ttf";
  CFOwned<CFURLRef> a(CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp//x.ttf"), kCFURLPOSIXPathStyle, false));
  CFOwned<CFURLRef> b(CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const uint8_t*>(path), 10, false));
  CFOwned<CFURLRef> folder(CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/x.ttf"), kCFURLPOSIXPathStyle, true));
  EXPECT_TRUE(CFEqual(a.get(), b.get()));
  EXPECT_EQ(CFHash(a.get()), CFHash(b.get()));
  EXPECT_FALSE(CFEqual(a.get(), folder.get()));
}

TEST_F(CFURLTest, RepresentationMustFitTheBuffer)
{
  CFOwned<CFURLRef> url(CFURLCreateWithFileSystemPath(nullptr, CFSTR("/abc"), kCFURLPOSIXPathStyle, false));
  uint8_t buffer[5];
  EXPECT_TRUE(CFURLGetFileSystemRepresentation(url.get(), true, buffer, 5));
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "/abc");
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url.get(), true, buffer, 4));
  EXPECT_EQ(buffer[0], 0) << "a failed call leaves an empty string";
}

TEST_F(CFURLTest, UnusablePathsAreRefused)
{
  EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR(""), kCFURLPOSIXPathStyle, false), nullptr);
  EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR("C:\\x"), 2, false), nullptr);
  EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, nullptr, kCFURLPOSIXPathStyle, false), nullptr);
  const uint8_t withZero[] = {'/', 'a', 0, 'b'};
  const uint8_t notUTF8[] = {'/', 0xC3};
  EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withZero, 4, false), nullptr);
  EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, notUTF8, 2, false), nullptr);
  uint8_t buffer[8];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(reinterpret_cast<CFURLRef>(CFSTR("/a")), true, buffer, sizeof(buffer)));
  EXPECT_EQ(CFURLCopyFileSystemPath(reinterpret_cast<CFURLRef>(CFSTR("/a")), kCFURLPOSIXPathStyle), nullptr);
}

// --- bundles ---------------------------------------------------------------

// Each test gets a bundle folder with resources, and leaves no bundle
// registered and no main bundle behind.
class CFBundleTest : public CFLeakCheckedTest
{
protected:
  void SetUp() override
  {
    std::string pattern = (fs::temp_directory_path() / "cfbundle-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    mRoot = pattern;
    mBundle = mRoot / "Pressweave.component";
    fs::create_directories(mBundle / "Contents/Resources/fonts");
    std::ofstream(mBundle / "Contents/Resources/Roboto-Regular.ttf") << "font";
    std::ofstream(mBundle / "Contents/Resources/fonts/A.ttf") << "font";
    std::ofstream(mBundle / "Contents/Resources/README") << "text";
    CFLeakCheckedTest::SetUp();
  }

  void TearDown() override
  {
    PWShimCFBundleUnregister(kPluginID);
    PWShimCFBundleClearMainBundle();
    CFLeakCheckedTest::TearDown();
    fs::remove_all(mRoot);
  }

  CFBundleRef RegisterPlugin()
  {
    if (!PWShimCFBundleRegister(kPluginID, mBundle.c_str(), nullptr))
      return nullptr;
    CFOwned<CFStringRef> identifier(MakeString(kPluginID));
    return CFBundleGetBundleWithIdentifier(identifier.get());
  }

  fs::path mRoot;
  fs::path mBundle;
};

TEST_F(CFBundleTest, RegisteredBundleIsFoundByItsIdentifier)
{
  CFBundleRef bundle = RegisterPlugin();
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(bundle)), kPluginID);
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIdentifier"))), kPluginID);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.missing")), nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(nullptr), nullptr);
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(bundle));
  EXPECT_EQ(PathOf(url.get()), mBundle.string());
  CFOwned<CFURLRef> resources(CFBundleCopyResourcesDirectoryURL(bundle));
  EXPECT_EQ(PathOf(resources.get()), (mBundle / "Contents/Resources").string());
}

TEST_F(CFBundleTest, InfoValuesAreCopiedAtRegistration)
{
  CFOwned<CFMutableDictionaryRef> info(
    CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleVersion"), CFSTR("1.0.0"));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleExecutable"), CFSTR("Pressweave"));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleIdentifier"), CFSTR("ignored.identifier"));
  ASSERT_TRUE(PWShimCFBundleRegister(kPluginID, mBundle.c_str(), info.get()));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleVersion"), CFSTR("9.9.9"));

  CFOwned<CFStringRef> identifier(MakeString(kPluginID));
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(identifier.get());
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleVersion"))), "1.0.0");
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIdentifier"))), kPluginID)
    << "the registered identifier wins over the info value";
  EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle)), 3);
  CFOwned<CFURLRef> executable(CFBundleCopyExecutableURL(bundle));
  EXPECT_EQ(PathOf(executable.get()), (mBundle / "Contents/MacOS/Pressweave").string());
}

TEST_F(CFBundleTest, ResourceURLsNameOnlyExistingResources)
{
  CFBundleRef bundle = RegisterPlugin();
  ASSERT_NE(bundle, nullptr);
  const std::string resources = (mBundle / "Contents/Resources").string();
  CFOwned<CFURLRef> dotted(CFBundleCopyResourceURL(bundle, CFSTR("Roboto-Regular"), CFSTR(".ttf"), nullptr));
  EXPECT_EQ(PathOf(dotted.get()), resources + "/Roboto-Regular.ttf");
  CFOwned<CFURLRef> whole(CFBundleCopyResourceURL(bundle, CFSTR("README"), nullptr, nullptr));
  EXPECT_EQ(PathOf(whole.get()), resources + "/README");
  CFOwned<CFURLRef> inFolder(CFBundleCopyResourceURL(bundle, CFSTR("A"), CFSTR("ttf"), CFSTR("fonts")));
  EXPECT_EQ(PathOf(inFolder.get()), resources + "/fonts/A.ttf");

  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("Roboto-Regular"), CFSTR("otf"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("A"), CFSTR("ttf"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, nullptr, CFSTR("ttf"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyExecutableURL(bundle), nullptr) << "no CFBundleExecutable value";
}

TEST_F(CFBundleTest, RegisteringAgainReplacesAndUnregisteringForgetsButARetainedBundleLivesOn)
{
  CFBundleRef first = RegisterPlugin();
  ASSERT_NE(first, nullptr);
  CFRetain(first);
  const fs::path moved = mRoot / "Moved.component";
  ASSERT_TRUE(PWShimCFBundleRegister(kPluginID, moved.c_str(), nullptr));
  CFOwned<CFStringRef> identifier(MakeString(kPluginID));
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(CFBundleGetBundleWithIdentifier(identifier.get())));
  EXPECT_EQ(PathOf(url.get()), moved.string());

  EXPECT_TRUE(PWShimCFBundleUnregister(kPluginID));
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.get()), nullptr);
  EXPECT_FALSE(PWShimCFBundleUnregister(kPluginID));
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(first)), kPluginID);
  CFRelease(first);
}

TEST_F(CFBundleTest, BadRegistrationsChangeNothingAndNonBundlesAnswerNothing)
{
  EXPECT_FALSE(PWShimCFBundleRegister(nullptr, mBundle.c_str(), nullptr));
  EXPECT_FALSE(PWShimCFBundleRegister("", mBundle.c_str(), nullptr));
  EXPECT_FALSE(PWShimCFBundleRegister(kPluginID, nullptr, nullptr));
  EXPECT_FALSE(PWShimCFBundleRegister("com.example.\xC3", mBundle.c_str(), nullptr));
  EXPECT_FALSE(PWShimCFBundleRegister(kPluginID, mBundle.c_str(), reinterpret_cast<CFDictionaryRef>(CFSTR("not a dictionary"))));
  CFOwned<CFStringRef> identifier(MakeString(kPluginID));
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.get()), nullptr);

  ASSERT_NE(RegisterPlugin(), nullptr);
  EXPECT_FALSE(PWShimCFBundleRegister(kPluginID, "", nullptr));
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(CFBundleGetBundleWithIdentifier(identifier.get())));
  EXPECT_EQ(PathOf(url.get()), mBundle.string()) << "a refused replacement keeps the registered bundle";

  const auto notABundle = reinterpret_cast<CFBundleRef>(const_cast<void*>(static_cast<const void*>(CFSTR("x"))));
  EXPECT_EQ(CFBundleGetIdentifier(notABundle), nullptr);
  EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(notABundle, CFSTR("CFBundleVersion")), nullptr);
  EXPECT_EQ(CFBundleCopyBundleURL(notABundle), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(notABundle, CFSTR("a"), nullptr, nullptr), nullptr);
  EXPECT_EQ(CFBundleGetInfoDictionary(nullptr), nullptr);
}

class CFMainBundleTest : public CFBundleTest
{
};

TEST_F(CFMainBundleTest, ThereIsNoMainBundleUntilTheHostSetsOneAndARefusedOneKeepsTheEarlier)
{
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.apple.logic10", "10.7.4"));
  EXPECT_FALSE(PWShimCFBundleSetMainBundle(nullptr, "", "1"));
  EXPECT_FALSE(PWShimCFBundleSetMainBundle(nullptr, "com.example.host", "\xFF"));
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(main)), "com.apple.logic10");
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(main, CFSTR("CFBundleVersion"))), "10.7.4");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.apple.logic10")), main);
  PWShimCFBundleClearMainBundle();
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
}

TEST_F(CFMainBundleTest, AMainBundleMayLackIdentifierAndVersion)
{
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(mBundle.c_str(), nullptr, nullptr));
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(main, CFSTR("CFBundleVersion")), nullptr);
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(main));
  EXPECT_EQ(PathOf(url.get()), mBundle.string());
}
