// Loads the test component bundle in this process, as the host does.

#include "ComponentLoader.h"
#include "DefaultSignal.h"
#include "RenderSession.h"
#include "TempFolder.h"

#include <AudioToolbox/PWShimAudioComponent.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/PWShimCFBase.h>
#include <CoreFoundation/PWShimRunLoop.h>

#include <gtest/gtest.h>

#include <filesystem>

using pw::host::HostIdentity;
using pw::host::LoadedComponent;
using pw::host::Status;

namespace {

#ifdef PW_PWTESTGAINCOMPONENT_BUNDLE
const std::string kBundle = PW_PWTESTGAINCOMPONENT_BUNDLE;
#else
const std::string kBundle;
#endif

constexpr const char* kBundleID = "com.pressweave.tests.PWTestGain";

std::string CFText(CFTypeRef value)
{
  if (!value || CFGetTypeID(value) != CFStringGetTypeID())
    return "(not a string)";
  char text[256];
  return CFStringGetCString(static_cast<CFStringRef>(value), text, sizeof text, kCFStringEncodingUTF8)
           ? text
           : "(too long)";
}

CFBundleRef RegisteredBundle()
{
  CFStringRef id = CFStringCreateWithCString(kCFAllocatorDefault, kBundleID, kCFStringEncodingUTF8);
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  return bundle;
}

class ComponentLoaderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (kBundle.empty())
      GTEST_SKIP() << "the test component is not built (the Audio Unit binding's test plug-in is missing)";
    mLiveAtStart = PWShimCFLiveObjectCount();
  }
  void TearDown() override
  {
    if (kBundle.empty())
      return;
    EXPECT_EQ(CFBundleGetMainBundle(), nullptr) << "the main bundle outlived the component";
    EXPECT_EQ(RegisteredBundle(), nullptr) << "the bundle stayed registered";
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left behind";
  }

  // A copy of the test bundle whose Info.plist has from replaced by to.
  std::string EditedBundle(const std::string& from, const std::string& to)
  {
    namespace fs = std::filesystem;
    const std::string copy = mFolder.Path("Edited.component");
    fs::copy(kBundle, copy, fs::copy_options::recursive);
    std::string plist = mFolder.ReadText("Edited.component/Contents/Info.plist");
    const std::size_t at = plist.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
      plist.replace(at, from.size(), to);
    mFolder.WriteText("Edited.component/Contents/Info.plist", plist);
    return copy;
  }

  std::string Refusal(const std::string& bundle)
  {
    LoadedComponent component;
    const Status status = component.Open(bundle, HostIdentity());
    EXPECT_FALSE(status);
    EXPECT_FALSE(component.IsOpen());
    return status.Message();
  }

  pw::test::TempFolder mFolder;
  CFIndex mLiveAtStart = 0;
};

} // namespace

TEST_F(ComponentLoaderTest, OpensTheBundleAndTheUnitAnswersAudioUnitCalls)
{
  LoadedComponent component;
  const Status status = component.Open(kBundle, HostIdentity{"com.example.daw", "2.3.4"});
  ASSERT_TRUE(status) << status.Message();
  EXPECT_TRUE(component.IsOpen());
  EXPECT_EQ(component.Info().factoryFunction, "PWTestGain_Factory");
  EXPECT_EQ(component.Info().identifier, kBundleID);
  EXPECT_EQ(component.BundlePath(), std::filesystem::canonical(kBundle).string());

  UInt32 inputs = 0;
  UInt32 size = sizeof inputs;
  ASSERT_EQ(AudioUnitGetProperty(component.Unit(), kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, &inputs,
                                 &size),
            noErr);
  EXPECT_EQ(inputs, 2u) << "main and sidechain";
  component.Close();
}

TEST_F(ComponentLoaderTest, RegistersTheBundleAndTheHostsIdentityWhileOpen)
{
  LoadedComponent component;
  ASSERT_TRUE(component.Open(kBundle, HostIdentity{"com.example.daw", "2.3.4"}));
  CFBundleRef bundle = RegisteredBundle();
  ASSERT_NE(bundle, nullptr);
  CFStringRef versionKey = CFStringCreateWithCString(kCFAllocatorDefault, "CFBundleVersion", kCFStringEncodingUTF8);
  EXPECT_EQ(CFText(CFBundleGetValueForInfoDictionaryKey(bundle, versionKey)), "1.2.3");
  CFURLRef executable = CFBundleCopyExecutableURL(bundle);
  EXPECT_NE(executable, nullptr) << "the registered bundle knows its executable";
  if (executable)
    CFRelease(executable);
  CFBundleRef main = CFBundleGetMainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(CFText(CFBundleGetIdentifier(main)), "com.example.daw");
  EXPECT_EQ(CFText(CFBundleGetValueForInfoDictionaryKey(main, versionKey)), "2.3.4");
  CFRelease(versionKey);
  component.Close();
  EXPECT_FALSE(component.IsOpen());
  component.Close();
}

TEST_F(ComponentLoaderTest, AFullHostSessionLeavesNoCoreFoundationObjectsBehind)
{
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
  {
    LoadedComponent component;
    ASSERT_TRUE(component.Open(kBundle, HostIdentity()));
    pw::host::RenderSession session(component.Unit());
    pw::host::SessionSettings settings;
    settings.sidechainChannels = 1;
    ASSERT_TRUE(session.Configure(settings));
    pw::host::DefaultProgramSignal main(48000.0);
    pw::host::DefaultKickSignal kick(48000.0);
    pw::host::RenderSummary summary;
    const Status rendered = session.Render(main, &kick, nullptr, summary);
    ASSERT_TRUE(rendered) << rendered.Message();
    EXPECT_EQ(summary.frames, 384000);
    EXPECT_GT(summary.output.peak, 0.0f);
  }
  PWShimRunLoopSetVirtualClock(false);
}

TEST_F(ComponentLoaderTest, RefusesWhatIsNotABundle)
{
  EXPECT_EQ(Refusal(mFolder.Path("none.component")), "no component bundle at '" + mFolder.Path("none.component") + "'");
  mFolder.MakeFolder("Empty.component");
  EXPECT_NE(Refusal(mFolder.Path("Empty.component")).find("cannot read"), std::string::npos);
}

TEST_F(ComponentLoaderTest, RefusesABundleWhoseExecutableIsMissingOrNotALibrary)
{
  const std::string missing = EditedBundle("<string>PWTestGain</string>", "<string>Elsewhere</string>");
  EXPECT_NE(Refusal(missing).find("has no executable Contents/MacOS/Elsewhere"), std::string::npos);
  std::filesystem::remove_all(missing);

  const std::string text = EditedBundle("<string>PWTestGain</string>", "<string>Notes</string>");
  mFolder.WriteText("Edited.component/Contents/MacOS/Notes", "not a shared library");
  EXPECT_NE(Refusal(text).find("cannot load"), std::string::npos);
}

TEST_F(ComponentLoaderTest, RefusesAFactoryTheExecutableDoesNotExport)
{
  const std::string bundle = EditedBundle("<string>PWTestGain_Factory</string>", "<string>Other_Factory</string>");
  EXPECT_EQ(Refusal(bundle), "the component does not export its factory Other_Factory");
}

TEST_F(ComponentLoaderTest, RefusesAnUnusableHostIdentity)
{
  LoadedComponent component;
  const Status status = component.Open(kBundle, HostIdentity{"", "1.0.0"});
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "'' is not a usable host bundle identifier");
}

TEST_F(ComponentLoaderTest, MoreInstancesOfTheLoadedComponentAreIndependent)
{
  LoadedComponent component;
  AudioUnit none = nullptr;
  EXPECT_EQ(component.NewInstance(none).Message(), "no component is open");
  EXPECT_EQ(none, nullptr);
  ASSERT_TRUE(component.Open(kBundle, HostIdentity()));
  AudioUnit second = nullptr;
  const Status status = component.NewInstance(second);
  ASSERT_TRUE(status) << status.Message();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, component.Unit());

  ASSERT_EQ(AudioUnitSetParameter(second, 0, kAudioUnitScope_Global, 0, 3.0f, 0), noErr);
  float first = 0.0f;
  float other = 0.0f;
  ASSERT_EQ(AudioUnitGetParameter(component.Unit(), 0, kAudioUnitScope_Global, 0, &first), noErr);
  ASSERT_EQ(AudioUnitGetParameter(second, 0, kAudioUnitScope_Global, 0, &other), noErr);
  EXPECT_EQ(first, 1.0f) << "the first instance keeps its default gain";
  EXPECT_EQ(other, 3.0f);
  EXPECT_EQ(PWShimAudioComponentInstanceDispose(second), noErr);
  component.Close();
}
