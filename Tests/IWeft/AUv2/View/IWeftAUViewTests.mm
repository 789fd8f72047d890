// The editor-view factory as a host meets it. The plug-ins are linked in (no
// component is loaded), so their factory class exists once in the process.

#include "AUTestHost.h"
#include "ICanvasMac.h"
#include "IWeftAUView.h"

#include <AppKit/PWShimAppKit.h>
#include <CoreFoundation/PWShimCFBundle.h>
#include <CoreFoundation/PWShimRunLoop.h>
#include <objc/runtime.h>

namespace pw::test {
struct EditorTestPlugin : TestAUPlugin // an empty editor of 640 x 480
{
  explicit EditorTestPlugin(const weft::InstanceInfo& info) : TestAUPlugin(info)
  {
    SetMakeGraphicsFunc([this] { return new weft::canvas::ICanvasMac(*this, 640, 480, 60, 1.0f); });
  }
};
struct NoEditorTestPlugin : TestAUPlugin
{
  explicit NoEditorTestPlugin(const weft::InstanceInfo& info) : TestAUPlugin(info, MakeTestConfig("2-2", 1, 1, false)) {}
};
} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(PWViewTest, pw::test::EditorTestPlugin, false)
IWEFT_AU_EXPORTS_FOR(PWNoEditorTest, pw::test::NoEditorTestPlugin, false)
IWEFT_AU_VIEW_FACTORY(PWViewTest)

namespace pw::test {
namespace {

AudioComponentMethod LookupNothing(SInt16) { return nullptr; }
OSStatus OpenNothing(void*, AudioComponentInstance) { return noErr; }
OSStatus CloseNothing(void*) { return noErr; }

class ViewFactory : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mLiveAtStart = PWShimCFLiveObjectCount();
    ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr));
  }
  void TearDown() override
  {
    [mWindow release];
    [mPool release];
    PWShimCFBundleUnregister(kTestAUBundleID);
    EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left alive";
  }
  // A factory of the class that the unit's CocoaUI property names.
  id<AUCocoaUIBase> FactoryFor(AudioUnit unit)
  {
    AudioUnitCocoaViewInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size) != noErr)
      return nil;
    char name[64] = "";
    CFStringGetCString(info.mCocoaAUViewClass[0], name, sizeof name, kCFStringEncodingUTF8);
    CFRelease(info.mCocoaAUViewClass[0]);
    CFRelease(info.mCocoaAUViewBundleLocation);
    mClassName = name;
    Class factoryClass = objc_getClass(name);
    return factoryClass ? [[[factoryClass alloc] init] autorelease] : nil;
  }
  NSView* ViewOf(id<AUCocoaUIBase> factory, AudioUnit unit)
  {
    return [[factory uiViewForAudioUnit:unit withSize:NSMakeSize(10, 10)] retain];
  }

  NSAutoreleasePool* mPool = [[NSAutoreleasePool alloc] init];
  NSWindow* mWindow = PWShimAppKitMakeWindow(NSMakeRect(0, 0, 2000, 1000), 2.0);
  CFIndex mLiveAtStart = 0;
  std::string mClassName;
};

TEST_F(ViewFactory, TheNamedClassOpensTheEditorAndItsViewsFollowTheHostsRemovals)
{
  OpenUnit unit(Road::Factory, PWViewTest_Factory, PWViewTest_Entry);
  auto* plug = unit.Object<EditorTestPlugin>();
  id<AUCocoaUIBase> factory = FactoryFor(unit);
  ASSERT_NE(factory, nil);
  EXPECT_EQ(mClassName, "PWViewTest_View");
  EXPECT_TRUE([(id)factory conformsToProtocol:@protocol(AUCocoaUIBase)]);
  EXPECT_EQ([factory interfaceVersion], 0u);
  EXPECT_STREQ([[(id)factory description] UTF8String], "PWViewTest View");

  NSView* first = ViewOf(factory, unit);
  ASSERT_NE(plug->GetUI(), nullptr);
  EXPECT_EQ([first frame].size.width, 640) << "the host's preferred size is not used";
  [[mWindow contentView] addSubview:first];
  NSView* second = ViewOf(factory, unit); // while open: the first leaves the window, detached
  ASSERT_NE(second, first);
  EXPECT_EQ([first superview], nil);
  [first removeFromSuperview];
  EXPECT_NE(plug->GetUI(), nullptr) << "removing a detached view leaves the editor open";

  // The host's removal closes the editor; reopening brings back its size and scale.
  [[mWindow contentView] addSubview:second];
  plug->GetUI()->Resize(500, 200, 1.5f);
  [second removeFromSuperview];
  EXPECT_EQ(plug->GetUI(), nullptr);
  NSView* third = ViewOf(factory, unit);
  EXPECT_EQ(std::make_pair([third frame].size.width, [third frame].size.height), std::make_pair(750.0, 300.0));

  // Closing the unit with the view in the window closes the editor and
  // takes the view out; the host's later removal does nothing.
  [[mWindow contentView] addSubview:third];
  EXPECT_EQ(unit.Close(), noErr);
  EXPECT_EQ([third superview], nil);
  [third removeFromSuperview];
  [first release], [second release], [third release];
}

TEST_F(ViewFactory, NoViewWithoutAnEditorOrThePlugInObject)
{
  OpenUnit noEditor(Road::Factory, PWNoEditorTest_Factory, PWNoEditorTest_Entry);
  EXPECT_EQ(FactoryFor(noEditor), nil) << "no CocoaUI";
  id<AUCocoaUIBase> factory = [[[PWViewTest_View alloc] init] autorelease];
  EXPECT_EQ([factory uiViewForAudioUnit:noEditor withSize:NSMakeSize(0, 0)], nil);
  EXPECT_EQ(noEditor.Object<NoEditorTestPlugin>()->GetUI(), nullptr);

  AudioComponentPlugInInterface silent{OpenNothing, CloseNothing, LookupNothing, nullptr};
  AudioComponentInstance unit = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(&silent, &unit), noErr);
  EXPECT_EQ([factory uiViewForAudioUnit:unit withSize:NSMakeSize(0, 0)], nil);
  PWShimComponentInstanceDispose(unit);
}

TEST_F(ViewFactory, TheEditorsAnimationsFollowTheHostsVirtualClock)
{
  OpenUnit unit(Road::Factory, PWViewTest_Factory, PWViewTest_Entry);
  NSView* view = ViewOf(FactoryFor(unit), unit);
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
  const double start = weft::canvas::IControl::AnimationClockMs();
  EXPECT_GE(PWShimRunLoopAdvance(0.25), 0);
  EXPECT_DOUBLE_EQ(weft::canvas::IControl::AnimationClockMs() - start, 250.0);
  PWShimRunLoopSetVirtualClock(false);
  [view removeFromSuperview];
  [view release];
}

} // namespace
} // namespace pw::test
