// The class-info state and the preset properties of the Audio Unit binding,
// driven through the property calls a host makes: the dictionary's keys and
// "data", a round trip between two units, every damaged dictionary refused
// with nothing changed, and the factory, current and present presets.

#include "AUTestNames.h"
#include "AUTestHost.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace pw::test {

// A plug-in with three parameters, three presets and a state of its own: a
// float "scale" and then the parameter block. Its reader takes the scale and
// then each parameter as it reads them, so a short state is half applied
// before the reader fails: the binding has to undo that.
class StateTestPlugin : public TestAUPlugin
{
public:
  static constexpr int kSubtype = 0x53746174; // "Stat"

  explicit StateTestPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, MakeTestConfig("2-2", 3, 3, false, 0, false, 0, kSubtype, "com.acme.statetest"))
  {
    GetParam(1)->InitEnum("Mode", 0, {"A", "B", "C"});
    GetParam(2)->InitDouble("Depth", 0.5, 0.0, 1.0, 0.01);
    SetValues(1.0, 1, 0.25);
    MakeDefaultPreset("Warm");
    SetValues(2.0, 2, 0.75);
    MakeDefaultPreset("Bright");
    SetValues(0.5, 0, 0.0);
    MakeDefaultPreset("Flat");
    SetValues(1.0, 0, 0.5);
  }

  void SetValues(double gain, int mode, double depth)
  {
    GetParam(0)->Set(gain);
    GetParam(1)->Set(mode);
    GetParam(2)->Set(depth);
  }

  bool SerializeState(weft::IByteChunk& chunk) const override
  {
    if (failSerialize)
      return false;
    return chunk.Put(&scale) >= 0 && SerializeParams(chunk);
  }
  int UnserializeState(const weft::IByteChunk& chunk, int startPos) override
  {
    float stored = 0.0f;
    const int pos = chunk.Get(&stored, startPos);
    if (pos < 0)
      return -1;
    scale = stored;
    return UnserializeParams(chunk, pos);
  }
  void OnRestoreState() override { ++restores; }

  float scale = 1.0f;
  bool failSerialize = false;
  int restores = 0;
};

// A plug-in without parameters or a state of its own: its state chunk is
// empty, and its reader reads nothing from position 0.
class NoParamsPlugin : public weft::IWeftAU
{
public:
  static constexpr int kSubtype = 0x4e6f5072; // "NoPr"

  explicit NoParamsPlugin(const weft::InstanceInfo& info)
  : IWeftAU(info, MakeTestConfig("2-2", 0, 0, false, 0, false, 0, kSubtype, "com.acme.noparams"))
  {}

  void OnRestoreState() override { ++restores; }

  int restores = 0;
};

} // namespace pw::test

IWEFT_AU_EXPORTS_FOR(StateTestPlugin, pw::test::StateTestPlugin, false)
IWEFT_AU_EXPORTS_FOR(NoParamsPlugin, pw::test::NoParamsPlugin, false)

namespace pw::test {
namespace {


// Everything a restore may change.
auto Snapshot(const StateTestPlugin& plug)
{
  return std::make_tuple(ValuesOf(plug), plug.scale, plug.GetCurrentPresetIdx(), plug.restores);
}

class AUState : public ::testing::Test
{
protected:
  void SetUp() override
  {
    a = mA.Object<StateTestPlugin>();
    b = mB.Object<StateTestPlugin>();
    ASSERT_TRUE(a && b);
  }

  // A's class-info dictionary, owned by the caller.
  CFDictionaryRef StateOf(AudioUnit unit)
  {
    CFTypeRef state = nullptr;
    UInt32 size = sizeof state;
    EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kGlobal, 0, &state, &size), noErr);
    EXPECT_NE(state, nullptr);
    EXPECT_EQ(CFGetTypeID(state), CFDictionaryGetTypeID());
    return static_cast<CFDictionaryRef>(state);
  }

  OSStatus Restore(AudioUnit unit, CFTypeRef state)
  {
    return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kGlobal, 0, &state, sizeof state);
  }

  OSStatus SetPreset(AudioUnit unit, AudioUnitPropertyID id, SInt32 number)
  {
    const AUPreset preset{number, nullptr};
    return AudioUnitSetProperty(unit, id, kGlobal, 0, &preset, sizeof preset);
  }

  // A copy of unit's state, changed by the caller.
  CFMutableDictionaryRef MutableStateOf(AudioUnit unit)
  {
    CFDictionaryRef state = StateOf(unit);
    CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, state);
    CFRelease(state);
    return copy;
  }

  CFLeakCheck mLeakCheck;
  OpenUnit mA{Road::Factory, StateTestPlugin_Factory, StateTestPlugin_Entry};
  OpenUnit mB{Road::Entry, StateTestPlugin_Factory, StateTestPlugin_Entry};
  StateTestPlugin* a = nullptr;
  StateTestPlugin* b = nullptr;
};

// --- The dictionary ------------------------------------------------------------------

TEST_F(AUState, TheDictionaryCarriesTheIdentityThePresetNameAndTheStateChunk)
{
  ASSERT_EQ(SetPreset(mA, kAudioUnitProperty_PresentPreset, 1), noErr); // "Bright"
  ASSERT_EQ(AudioUnitSetParameter(mA, 2, kGlobal, 0, 0.125f, 0), noErr);
  a->scale = 1.5f;

  CFDictionaryRef state = StateOf(mA);
  EXPECT_EQ(CFDictionaryGetCount(state), 6);
  // The type is 'aufx', the manufacturer 'Acme'.
  EXPECT_EQ(std::make_tuple(NumberIn(state, CFSTR("version")), NumberIn(state, CFSTR("type")),
                            NumberIn(state, CFSTR("subtype")), NumberIn(state, CFSTR("manufacturer"))),
            std::make_tuple(kTestAUVersion, 0x61756678, StateTestPlugin::kSubtype, 0x41636d65));
  EXPECT_EQ(Utf8(static_cast<CFStringRef>(CFDictionaryGetValue(state, CFSTR("name")))), "Bright");

  // float scale, then one little-endian double per parameter.
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(state, CFSTR("data")));
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(CFGetTypeID(data), CFDataGetTypeID());
  ASSERT_EQ(CFDataGetLength(data), 4 + 3 * 8);
  float scale = 0.0f;
  double values[3] = {};
  std::memcpy(&scale, CFDataGetBytePtr(data), 4);
  std::memcpy(values, CFDataGetBytePtr(data) + 4, sizeof values);
  EXPECT_EQ(std::make_tuple(scale, values[0], values[1], values[2]), std::make_tuple(1.5f, 2.0, 2.0, 0.125));
  CFRelease(state);

  // Without a state chunk there is no "data", and nothing to restore.
  a->failSerialize = true;
  state = StateOf(mA);
  EXPECT_FALSE(CFDictionaryContainsKey(state, CFSTR("data")));
  EXPECT_EQ(CFDictionaryGetCount(state), 5);
  const auto before = Snapshot(*b);
  EXPECT_EQ(Restore(mB, state), kInvalidValue);
  EXPECT_EQ(Snapshot(*b), before);
  CFRelease(state);
}

TEST_F(AUState, AStateNamingNoPresetRestoresKeepingTheCurrentPresetWhateverItsVersionOrExtraKeys)
{
  ASSERT_EQ(SetPreset(mB, kAudioUnitProperty_CurrentPreset, 2), noErr);
  a->SetValues(0.25, 1, 0.75);
  CFOwner own;
  CFStringRef unknown = own.String("Nothing like it");
  const std::pair<CFStringRef, CFTypeRef> changes[] = {
    {CFSTR("name"), unknown},
    {CFSTR("name"), own.String(std::string(400, 'x').c_str())}, // longer than any preset name
    {CFSTR("version"), own.Number(0x7FFF0000)},
    {CFSTR("extra"), own.Number(0x7FFF0000)}};
  for (const auto& [key, value] : changes)
  {
    SCOPED_TRACE(Utf8(key));
    CFMutableDictionaryRef changed = own(MutableStateOf(mA));
    CFDictionarySetValue(changed, CFSTR("name"), unknown);
    CFDictionarySetValue(changed, key, value);
    b->SetValues(4.0, 2, 1.0);
    EXPECT_EQ(Restore(mB, changed), noErr);
    EXPECT_EQ(std::get<0>(Snapshot(*b)), (std::vector<double>{0.25, 1.0, 0.75}));
    EXPECT_EQ(b->GetCurrentPresetIdx(), 2);
  }
}

// --- Damaged dictionaries ----------------------------------------------------------------

TEST_F(AUState, EveryDamagedDictionaryIsRefusedWithNothingChangedAndTheWholeOneRestores)
{
  // A's state differs from B's in every field a restore touches, and names
  // one of the presets.
  ASSERT_EQ(SetPreset(mA, kAudioUnitProperty_CurrentPreset, 1), noErr);
  a->SetValues(3.0, 1, 0.125);
  a->scale = 0.5f;
  ASSERT_EQ(SetPreset(mB, kAudioUnitProperty_CurrentPreset, 2), noErr);
  b->SetValues(2.5, 2, 0.625);
  b->scale = 1.25f;
  CFOwner own;
  CFDictionaryRef good = own(StateOf(mA));
  const auto before = Snapshot(*b);

  const double fractionalType = 0x61756678 + 0.5;
  const SInt64 wideManufacturer = 0x41636d65LL + (1LL << 32);
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(good, CFSTR("data")));
  const auto cut = [&](CFIndex n) { return own(CFDataCreate(kCFAllocatorDefault, CFDataGetBytePtr(data), n)); };
  // Each damage sets key to value, or removes it where value is null.
  const std::pair<CFStringRef, CFTypeRef> damages[] = {
    {CFSTR("version"), nullptr},      {CFSTR("type"), nullptr},          {CFSTR("subtype"), nullptr},
    {CFSTR("manufacturer"), nullptr}, {CFSTR("name"), nullptr},          {CFSTR("data"), nullptr},
    {CFSTR("version"), CFSTR("1")},   {CFSTR("subtype"), CFSTR("Stat")}, {CFSTR("name"), own.Number(1)},
    {CFSTR("data"), CFSTR("bytes")},
    {CFSTR("type"), own(CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &fractionalType))},
    {CFSTR("manufacturer"), own(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &wideManufacturer))},
    {CFSTR("type"), own.Number(0x61756d75)}, // 'aumu'
    {CFSTR("subtype"), own.Number(0x54737441)},
    {CFSTR("manufacturer"), own.Number(0x4c6d646b)},
    // Empty, shorter than the scale, ending inside the parameters, one byte short.
    {CFSTR("data"), cut(0)},         {CFSTR("data"), cut(3)},
    {CFSTR("data"), cut(4 + 8 + 4)}, {CFSTR("data"), cut(4 + 3 * 8 - 1)},
  };
  for (const auto& [key, value] : damages)
  {
    SCOPED_TRACE(testing::Message() << Utf8(key) << " damaged");
    CFMutableDictionaryRef damaged = own(CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, good));
    if (value)
      CFDictionarySetValue(damaged, key, value);
    else
      CFDictionaryRemoveValue(damaged, key);
    EXPECT_EQ(Restore(mB, damaged), kInvalidValue);
    EXPECT_EQ(Snapshot(*b), before);
  }

  // The undamaged dictionary restores A's values, scale and named preset into B.
  ASSERT_EQ(Restore(mB, good), noErr);
  EXPECT_EQ(Snapshot(*b), std::make_tuple(std::vector<double>{3.0, 1.0, 0.125}, 0.5f, 1, b->restores));
  EXPECT_GT(b->restores, std::get<3>(before));
}

TEST_F(AUState, AnythingButADictionaryIsRefused)
{
  const auto before = Snapshot(*b);
  CFOwner own;
  for (CFTypeRef notAState :
       {CFTypeRef(nullptr), CFTypeRef(CFSTR("state")),
        CFTypeRef(own(CFArrayCreate(kCFAllocatorDefault, nullptr, 0, &kCFTypeArrayCallBacks))),
        CFTypeRef(own(CFDictionaryCreate(kCFAllocatorDefault, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks)))})
    EXPECT_EQ(Restore(mB, notAState), kInvalidValue);
  EXPECT_EQ(Snapshot(*b), before);
}

TEST_F(AUState, AUnitWithoutParametersRestoresTheEmptyStateItSavedAndRefusesAnyBytes)
{
  OpenUnit unit(Road::Factory, NoParamsPlugin_Factory, NoParamsPlugin_Entry);
  auto* plug = unit.Object<NoParamsPlugin>();
  ASSERT_NE(plug, nullptr);
  CFOwner own;
  CFDictionaryRef saved = own(StateOf(unit));
  const auto data = static_cast<CFDataRef>(CFDictionaryGetValue(saved, CFSTR("data")));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(CFDataGetLength(data), 0);
  EXPECT_EQ(Restore(unit, saved), noErr);
  EXPECT_EQ(plug->restores, 1);

  // Bytes the reader leaves unread are not its state.
  CFMutableDictionaryRef damaged = own(CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, saved));
  const UInt8 bytes[] = {1, 2, 3};
  CFDictionarySetValue(damaged, CFSTR("data"), own(CFDataCreate(kCFAllocatorDefault, bytes, sizeof bytes)));
  EXPECT_EQ(Restore(unit, damaged), kInvalidValue);
  EXPECT_EQ(plug->restores, 1);
}

// --- Presets ------------------------------------------------------------------------------

TEST_F(AUState, FactoryPresetsListEveryPresetByNumberAndName)
{
  CFArrayRef presets = nullptr;
  ASSERT_EQ(GetProp(mA, kAudioUnitProperty_FactoryPresets, kGlobal, 0, presets), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), 3);
  const char* names[] = {"Warm", "Bright", "Flat"};
  for (CFIndex i = 0; i < 3; ++i)
  {
    // A host reads the elements as plain preset records.
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    EXPECT_EQ(preset->presetNumber, i);
    EXPECT_EQ(Utf8(preset->presetName), names[i]);
  }
  CFRelease(presets);

  OpenUnit plain(Road::Factory); // a unit without presets: an empty array
  presets = nullptr;
  ASSERT_EQ(GetProp(plain, kAudioUnitProperty_FactoryPresets, kGlobal, 0, presets), noErr);
  ASSERT_NE(presets, nullptr);
  EXPECT_EQ(CFArrayGetCount(presets), 0);
  CFRelease(presets);
}

TEST_F(AUState, SettingThePresentPresetRestoresItAndBothPresetPropertiesReportIt)
{
  ASSERT_EQ(SetPreset(mA, kAudioUnitProperty_PresentPreset, 1), noErr);
  EXPECT_EQ(std::get<0>(Snapshot(*a)), (std::vector<double>{2.0, 2.0, 0.75}));
  for (AudioUnitPropertyID id : {kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset})
  {
    AUPreset preset{-1, nullptr};
    ASSERT_EQ(GetProp(mA, id, kGlobal, 0, preset), noErr);
    EXPECT_EQ(preset.presetNumber, 1);
    EXPECT_EQ(Utf8(preset.presetName), "Bright");
    CFRelease(preset.presetName); // the caller's
  }
}

TEST_F(AUState, APresetNumberWithoutPresetIsRefusedAndChangesNothing)
{
  ASSERT_EQ(SetPreset(mA, kAudioUnitProperty_CurrentPreset, 2), noErr);
  a->SetValues(3.0, 1, 0.3);
  const auto before = Snapshot(*a);
  for (AudioUnitPropertyID id : {kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset})
    for (SInt32 number : {3, -1, 0x7FFFFFFF})
      EXPECT_EQ(SetPreset(mA, id, number), kInvalidValue) << id << " " << number;
  EXPECT_EQ(Snapshot(*a), before);
}

} // namespace
} // namespace pw::test
