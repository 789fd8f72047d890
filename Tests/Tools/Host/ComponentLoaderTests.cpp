// Loads the built component bundles in this process, as the host does. (A
// whole session with the product, leaks included, is the validator's.)

#include "ComponentLoader.h"
#include "HostRunner.h"

#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

#include <filesystem>

using pw::host::HostIdentity;
using pw::host::LoadedComponent;
using pw::host::Status;
using pw::test::kTestBundle;

namespace {

std::string CFText(CFTypeRef value)
{
  char text[256];
  return value && CFGetTypeID(value) == CFStringGetTypeID() &&
             CFStringGetCString(static_cast<CFStringRef>(value), text, sizeof text, kCFStringEncodingUTF8)
           ? text
           : "(not a short string)";
}

CFBundleRef RegisteredBundle()
{
  CFStringRef id =
    CFStringCreateWithCString(kCFAllocatorDefault, "com.pressweave.tests.PWTestGain", kCFStringEncodingUTF8);
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  return bundle;
}

// Every test ends with no bundle registered and no CoreFoundation object left.
class ComponentLoaderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kTestBundle.empty())
      GTEST_SKIP() << "the test component is not built";
    mLiveAtStart = PWShimCFLiveObjectCount();
  }
  void TearDown() override
  {
    if (kTestBundle.empty())
      return;
    EXPECT_EQ(CFBundleGetMainBundle(), nullptr) << "the main bundle outlived the component";
    EXPECT_EQ(RegisteredBundle(), nullptr) << "the bundle stayed registered";
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left behind";
  }

  // A copy of the test bundle named name whose Info.plist has from replaced by to.
  std::string EditedBundle(const std::string& name, const std::string& from, const std::string& to)
  {
    std::filesystem::copy(kTestBundle, mFolder.Path(name), std::filesystem::copy_options::recursive);
    std::string plist = mFolder.ReadText(name + "/Contents/Info.plist");
    plist.replace(plist.find(from), from.size(), to);
    mFolder.WriteText(name + "/Contents/Info.plist", plist);
    return mFolder.Path(name);
  }

  pw::test::TempFolder mFolder;
  CFIndex mLiveAtStart = 0;
};

} // namespace

TEST_F(ComponentLoaderTest, OpensTheBundleAndRegistersItAndTheHostsIdentityWhileOpen)
{
  LoadedComponent component;
  const Status status = component.Open(kTestBundle, HostIdentity{"com.example.daw", "2.3.4"});
  ASSERT_TRUE(status) << status.Message();
  EXPECT_EQ(component.Info().factoryFunction, "PWTestGain_Factory");
  EXPECT_EQ(component.BundlePath(), std::filesystem::canonical(kTestBundle).string());

  CFBundleRef bundle = RegisteredBundle();
  ASSERT_NE(bundle, nullptr);
  CFStringRef versionKey = CFStringCreateWithCString(kCFAllocatorDefault, "CFBundleVersion", kCFStringEncodingUTF8);
  EXPECT_EQ(CFText(CFBundleGetValueForInfoDictionaryKey(bundle, versionKey)), "1.2.3");
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(CFText(CFBundleGetIdentifier(main)), "com.example.daw");
  EXPECT_EQ(CFText(CFBundleGetValueForInfoDictionaryKey(main, versionKey)), "2.3.4");
  CFRelease(versionKey);
  component.Close();
  EXPECT_FALSE(component.IsOpen());
  component.Close();
}

TEST_F(ComponentLoaderTest, RefusesWhatCannotBeOpenedLeavingNothingOpen)
{
  mFolder.MakeFolder("Empty.component");
  const std::string library = EditedBundle("Notes.component", "<string>PWTestGain</string>", "<string>Notes</string>");
  mFolder.WriteText("Notes.component/Contents/MacOS/Notes", "not a shared library");
  const struct { std::string bundle; HostIdentity host; std::string message; } cases[] = {
    {mFolder.Path("none.component"), {}, "no component bundle at '" + mFolder.Path("none.component") + "'"},
    {mFolder.Path("Empty.component"), {}, "cannot read"},
    {EditedBundle("Missing.component", "<string>PWTestGain</string>", "<string>Elsewhere</string>"), {},
     "has no executable Contents/MacOS/Elsewhere"},
    {library, {}, "cannot load"},
    {EditedBundle("Factory.component", "<string>PWTestGain_Factory</string>", "<string>Other_Factory</string>"), {},
     "the component does not export its factory Other_Factory"},
    {kTestBundle, HostIdentity{"", "1.0.0"}, "'' is not a usable host bundle identifier"},
  };
  for (const auto& c : cases)
  {
    LoadedComponent component;
    const Status status = component.Open(c.bundle, c.host);
    ASSERT_FALSE(status) << c.message;
    EXPECT_NE(status.Message().find(c.message), std::string::npos) << status.Message();
    EXPECT_FALSE(component.IsOpen());
  }
}

TEST_F(ComponentLoaderTest, MoreInstancesOfTheLoadedComponentAreIndependent)
{
  LoadedComponent component;
  AudioUnit second = nullptr;
  EXPECT_EQ(component.NewInstance(second).Message(), "no component is open");
  ASSERT_TRUE(component.Open(kTestBundle, HostIdentity()));
  ASSERT_TRUE(component.NewInstance(second));
  ASSERT_NE(second, component.Unit());
  ASSERT_EQ(AudioUnitSetParameter(second, 0, kAudioUnitScope_Global, 0, 3.0f, 0), noErr);
  float first = 0.0f;
  ASSERT_EQ(AudioUnitGetParameter(component.Unit(), 0, kAudioUnitScope_Global, 0, &first), noErr);
  EXPECT_EQ(first, 1.0f) << "the first instance keeps its default gain";
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(second), noErr);
  component.Close();
}
