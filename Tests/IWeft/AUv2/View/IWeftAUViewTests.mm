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
  // The state is the editor's size, so a restore resizes an open editor.
  bool SerializeState(weft::IByteChunk& chunk) const override { return SerializeEditorState(chunk); }
  int UnserializeState(const weft::IByteChunk& chunk, int pos) override { return UnserializeEditorState(chunk, pos); }
};
struct NoEditorTestPlugin : TestAUPlugin
{
  explicit NoEditorTestPlugin(const weft::InstanceInfo& info) : TestAUPlugin(info, MakeTestConfig("2-2", 1, 1, false)) {}
};
} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(PWViewTest, pw::test::EditorTestPlugin, false)
IWEFT_AU_EXPORTS_FOR(PWNoEditorTest, pw::test::NoEditorTestPlugin, false)
IWEFT_AU_VIEW_FACTORY(PWViewTest)

extern "C" BOOL GSDebugAllocationActive(BOOL active); // GNUstep's live-instance counts
extern "C" int GSDebugAllocationCount(Class c);

namespace pw::test {
namespace {
AudioComponentMethod LookupNothing(SInt16) { return nullptr; } // a unit that answers nothing
OSStatus OpenNothing(void*, AudioComponentInstance) { return noErr; }
OSStatus CloseNothing(void*) { return noErr; }

class ViewFactory : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(PWShimCFBundleRegister(kTestAUBundleID, "/tmp/TestAU.component", nullptr)); }
  void TearDown() override
  {
    [mWindow release], [mPool release];
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
    CFRelease(info.mCocoaAUViewClass[0]), CFRelease(info.mCocoaAUViewBundleLocation);
    mClassName = name;
    return objc_getClass(name) ? [[[objc_getClass(name) alloc] init] autorelease] : nil;
  }

  CFIndex mLiveAtStart = PWShimCFLiveObjectCount();
  NSAutoreleasePool* mPool = [[NSAutoreleasePool alloc] init];
  NSWindow* mWindow = PWShimAppKitMakeWindow(NSMakeRect(0, 0, 2000, 1000), 2.0);
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
  auto viewOf = [&] { return [[factory uiViewForAudioUnit:unit withSize:NSMakeSize(10, 10)] retain]; };
  NSView* first = viewOf();
  ASSERT_NE(plug->GetUI(), nullptr);
  EXPECT_EQ([first frame].size.width, 640) << "the host's preferred size is not used";
  [[mWindow contentView] addSubview:first];
  NSView* second = viewOf(); // while open: the first leaves the window, detached
  ASSERT_NE(second, first);
  EXPECT_EQ([first superview], nil);
  [first removeFromSuperview];
  EXPECT_NE(plug->GetUI(), nullptr) << "removing a detached view leaves the editor open";
  // Animations follow the run loop's virtual clock.
  ASSERT_TRUE(PWShimRunLoopSetVirtualClock(true));
  const double start = weft::canvas::IControl::AnimationClockMs();
  EXPECT_GE(PWShimRunLoopAdvance(0.25), 0);
  EXPECT_DOUBLE_EQ(weft::canvas::IControl::AnimationClockMs() - start, 250.0);
  PWShimRunLoopSetVirtualClock(false);
  // The host's removal closes the editor; reopening brings back its size and scale.
  [[mWindow contentView] addSubview:second];
  plug->GetUI()->Resize(500, 200, 1.5f);
  [second removeFromSuperview];
  EXPECT_EQ(plug->GetUI(), nullptr);
  NSView* third = viewOf();
  EXPECT_EQ(std::make_pair([third frame].size.width, [third frame].size.height), std::make_pair(750.0, 300.0));
  // Closing the unit closes the editor and takes the view out of the window.
  [[mWindow contentView] addSubview:third];
  EXPECT_EQ(unit.Close(), noErr);
  EXPECT_EQ([third superview], nil);
  [third removeFromSuperview]; // does nothing
  [first release], [second release], [third release];
}

// A host may call in at a moment without an autorelease pool: restoring a
// saved 1.5 scale resizes the open editor, and closing it, with nothing
// escaping the unit and every object autoreleased meanwhile freed again.
TEST_F(ViewFactory, CallsWithoutAPoolResizeAndCloseTheOpenEditor)
{
  OpenUnit unit(Road::Factory, PWViewTest_Factory, PWViewTest_Entry);
  auto* plug = unit.Object<EditorTestPlugin>();
  weft::IWeftAU* found = nullptr;
  NSView* view = [weft::IWeftAUViewForUnit(unit, found) retain];
  [[mWindow contentView] addSubview:view];
  plug->GetUI()->Resize(640, 480, 1.5f);
  CFTypeRef state = nullptr;
  UInt32 size = sizeof state;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size), noErr);
  plug->GetUI()->Resize(640, 480, 1.0f);
  GSDebugAllocationActive(YES);
  Class descriptor = objc_getClass("MTLTextureDescriptor"); // the backbuffer's, autoreleased
  const int descriptors = GSDebugAllocationCount(descriptor);
  [mPool release], mPool = nil;
  EXPECT_NO_THROW(EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof state), noErr));
  EXPECT_EQ([view frame].size.width, 960);
  EXPECT_NO_THROW({ plug->GetUI()->SetScreenScale(1.0f); plug->CloseWindow(); });
  EXPECT_EQ(GSDebugAllocationCount(descriptor), descriptors);
  mPool = [[NSAutoreleasePool alloc] init];
  CFRelease(state);
  EXPECT_EQ([view superview], nil);
  [view release];
}

TEST_F(ViewFactory, NoViewWithoutAnEditorOrThePlugInObject)
{
  OpenUnit noEditor(Road::Factory, PWNoEditorTest_Factory, PWNoEditorTest_Entry);
  EXPECT_EQ(FactoryFor(noEditor), nil) << "no CocoaUI";
  id<AUCocoaUIBase> factory = [[[PWViewTest_View alloc] init] autorelease];
  EXPECT_EQ([factory uiViewForAudioUnit:noEditor withSize:NSMakeSize(0, 0)], nil);
  AudioComponentPlugInInterface silent{OpenNothing, CloseNothing, LookupNothing, nullptr};
  AudioComponentInstance unit = nullptr;
  ASSERT_EQ(PWShimAudioComponentInstanceNew(&silent, &unit), noErr);
  EXPECT_EQ([factory uiViewForAudioUnit:unit withSize:NSMakeSize(0, 0)], nil);
  PWShimComponentInstanceDispose(unit);
}

} // namespace
} // namespace pw::test
