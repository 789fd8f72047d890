#include "CFTestUtils.h"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreFoundation/PWShimCFBundle.h>

#include <string>

using pw::test::CFLeakCheckedTest;
using pw::test::CFOwned;

namespace {

std::string PathOf(CFURLRef url)
{
  char buffer[4096];
  if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<uint8_t*>(buffer), sizeof(buffer)))
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
constexpr char kFolder[] = "/opt/plug-ins/Pressweave.component"; // registration never reads the folder

// Each test leaves no bundle registered and no main bundle behind.
class CFBundleTest : public CFLeakCheckedTest
{
protected:
  void TearDown() override
  {
    PWShimCFBundleUnregister(kPluginID);
    PWShimCFBundleClearMainBundle();
  }

  CFBundleRef Registered() const
  {
    CFOwned<CFStringRef> identifier(CFStringCreateWithCString(nullptr, kPluginID, kCFStringEncodingUTF8));
    return CFBundleGetBundleWithIdentifier(identifier.get());
  }
};

} // namespace

TEST_F(CFBundleTest, ARegisteredBundleIsFoundByItsIdentifierWithItsFolderAndTheInfoValuesAsRegistered)
{
  CFOwned<CFMutableDictionaryRef> info(
    CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleVersion"), CFSTR("1.0.0"));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleIdentifier"), CFSTR("ignored.identifier"));
  ASSERT_TRUE(PWShimCFBundleRegister(kPluginID, kFolder, info.get()));
  CFDictionarySetValue(info.get(), CFSTR("CFBundleVersion"), CFSTR("9.9.9"));

  CFBundleRef bundle = Registered();
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(bundle)), kPluginID);
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleVersion"))), "1.0.0");
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIdentifier"))), kPluginID)
    << "the registered identifier wins over the info value";
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(bundle));
  EXPECT_EQ(PathOf(url.get()), kFolder);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.missing")), nullptr);
}

TEST_F(CFBundleTest, RegisteringAgainReplacesAndUnregisteringForgetsButARetainedBundleLivesOn)
{
  ASSERT_TRUE(PWShimCFBundleRegister(kPluginID, kFolder, nullptr));
  CFBundleRef first = Registered();
  ASSERT_NE(first, nullptr);
  CFRetain(first);
  ASSERT_TRUE(PWShimCFBundleRegister(kPluginID, "/opt/Moved.component", nullptr));
  CFOwned<CFURLRef> url(CFBundleCopyBundleURL(Registered()));
  EXPECT_EQ(PathOf(url.get()), "/opt/Moved.component");

  EXPECT_TRUE(PWShimCFBundleUnregister(kPluginID));
  EXPECT_EQ(Registered(), nullptr);
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(first)), kPluginID);
  CFRelease(first);
}

TEST_F(CFBundleTest, ThereIsNoMainBundleUntilTheHostSetsOneAndItIsFoundByItsIdentifierToo)
{
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(nullptr, "com.apple.logic10", "10.7.4"));
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(CFBundleGetIdentifier(main)), "com.apple.logic10");
  EXPECT_EQ(TextOf(CFBundleGetValueForInfoDictionaryKey(main, CFSTR("CFBundleVersion"))), "10.7.4");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.apple.logic10")), main);
  PWShimCFBundleClearMainBundle();
  EXPECT_EQ(CFBundleGetMainBundle(), nullptr);
}
