// The exported preset record and its array callbacks: reference counting of
// the record and its name, equality, description, and life inside a
// CoreFoundation array.

#include "AUTestHost.h"
#include "IWeftAU_Presets.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>

using pw::test::Utf8;

namespace {

CFStringRef NewString(const char* text)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
}

// A new record named text (or unnamed), holding the only reference to its name.
CFAUPresetRef NewPreset(SInt32 number, const char* text)
{
  CFStringRef name = text ? NewString(text) : nullptr;
  CFAUPresetRef preset = CFAUPresetCreate(kCFAllocatorDefault, number, name);
  if (name)
    CFRelease(name);
  return preset;
}

class CFAUPresetTest : public ::testing::Test
{
protected:
  pw::test::CFLeakCheck mLeakCheck;
};

TEST_F(CFAUPresetTest, ARecordReadsAsAPresetRecordAndCountsItsNameWithItsOwnReferences)
{
  CFStringRef name = NewString("Warm");
  CFAUPresetRef preset = CFAUPresetCreate(kCFAllocatorDefault, 7, name);
  ASSERT_NE(preset, nullptr);
  const CFIndex nameRefs = CFGetRetainCount(name);
  EXPECT_EQ(preset->retainCount, 1);
  EXPECT_EQ(preset->version, 0u);
  EXPECT_EQ(preset->allocator, kCFAllocatorDefault);
  // The host's view: the first 16 bytes are {number, name}.
  AUPreset asHostSees;
  std::memcpy(&asHostSees, preset, sizeof asHostSees);
  EXPECT_EQ(asHostSees.presetNumber, 7);
  EXPECT_EQ(Utf8(asHostSees.presetName), "Warm");

  EXPECT_EQ(CFAUPresetRetain(preset), preset);
  EXPECT_EQ(preset->retainCount, 2);
  EXPECT_EQ(CFGetRetainCount(name), nameRefs + 1);
  CFAUPresetRelease(preset);
  EXPECT_EQ(preset->retainCount, 1);
  EXPECT_EQ(CFGetRetainCount(name), nameRefs);
  CFAUPresetRelease(preset); // the last: the record is freed with its reference to the name
  EXPECT_EQ(CFGetRetainCount(name), nameRefs - 1);
  CFRelease(name);
}

TEST_F(CFAUPresetTest, UnnamedRecordsWorkWhileNullSpentRecordsAndUncopyableNamesChangeNothing)
{
  CFAUPresetRef unnamed = NewPreset(-3, nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->auPreset.presetName, nullptr);
  EXPECT_EQ(unnamed->auPreset.presetNumber, -3);
  EXPECT_EQ(CFAUPresetRetain(unnamed), unnamed);
  CFAUPresetRelease(unnamed);
  CFAUPresetRelease(unnamed);

  EXPECT_EQ(CFAUPresetRetain(nullptr), nullptr);
  CFAUPresetRelease(nullptr);

  // Releasing a record whose count is already zero does nothing.
  CFStringRef name = NewString("Flat");
  CFAUPreset spent{};
  spent.auPreset = {4, name};
  const CFIndex nameRefs = CFGetRetainCount(name);
  CFAUPresetRelease(&spent);
  EXPECT_EQ(spent.retainCount, 0);
  EXPECT_EQ(spent.auPreset.presetNumber, 4);
  EXPECT_EQ(spent.auPreset.presetName, name);
  EXPECT_EQ(CFGetRetainCount(name), nameRefs);
  CFRelease(name);

  // A name that cannot be copied makes no record.
  const SInt32 one = 1;
  CFNumberRef notAName = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &one);
  EXPECT_EQ(CFAUPresetCreate(kCFAllocatorDefault, 1, reinterpret_cast<CFStringRef>(notAName)), nullptr);
  CFRelease(notAName);
}

TEST_F(CFAUPresetTest, RecordsAreEqualWithEqualNumbersAndExactlyEqualNames)
{
  CFAUPresetRef a = NewPreset(1, "Warm");
  CFAUPresetRef sameAsA = NewPreset(1, "Warm");
  CFAUPresetRef otherCase = NewPreset(1, "WARM");
  CFAUPresetRef otherNumber = NewPreset(2, "Warm");
  CFAUPresetRef unnamed1 = NewPreset(1, nullptr);
  CFAUPresetRef unnamed2 = NewPreset(1, nullptr);

  EXPECT_TRUE(CFAUPresetArrayEqualCallBack(a, sameAsA));
  EXPECT_TRUE(CFAUPresetArrayEqualCallBack(a, a));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, otherCase)) << "letter case counts";
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, otherNumber));
  EXPECT_TRUE(CFAUPresetArrayEqualCallBack(unnamed1, unnamed2)) << "two missing names are equal";
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, unnamed1));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(unnamed1, a));
  EXPECT_FALSE(CFAUPresetArrayEqualCallBack(a, nullptr));

  for (CFAUPresetRef p : {a, sameAsA, otherCase, otherNumber, unnamed1, unnamed2})
    CFAUPresetRelease(p);
}

TEST_F(CFAUPresetTest, TheDescriptionGivesNumberAndNameOrNullForAMissingName)
{
  const std::pair<CFAUPresetRef, const char*> cases[] = {
    {NewPreset(7, "Warm"), "AUPreset:\npreset number = 7\npreset name = Warm"},
    {NewPreset(-2, nullptr), "AUPreset:\npreset number = -2\npreset name = (null)"},
  };
  for (const auto& [preset, expected] : cases)
  {
    CFStringRef description = CFAUPresetArrayCopyDescriptionCallBack(preset);
    EXPECT_EQ(Utf8(description), expected);
    CFRelease(description);
    CFAUPresetRelease(preset);
  }
  EXPECT_EQ(CFAUPresetArrayCopyDescriptionCallBack(nullptr), nullptr);
}

// (The constant's callbacks are exercised by the array test below.)
TEST_F(CFAUPresetTest, CallBacksInitFillsTheRecordLikeTheExportedConstant)
{
  CFArrayCallBacks callBacks;
  std::memset(&callBacks, 0xAB, sizeof callBacks);
  CFAUPresetArrayCallBacks_Init(&callBacks);
  EXPECT_EQ(std::memcmp(&callBacks, &kCFAUPresetArrayCallBacks, sizeof callBacks), 0);
  CFAUPresetArrayCallBacks_Init(nullptr);
}

TEST_F(CFAUPresetTest, AnArrayWithThePresetCallBacksKeepsItsRecordsAliveAndFindsThemByEquality)
{
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 2, &kCFAUPresetArrayCallBacks);
  ASSERT_NE(array, nullptr);
  CFAUPresetRef preset = NewPreset(0, "Warm");
  CFArrayAppendValue(array, preset);
  EXPECT_EQ(preset->retainCount, 2);
  CFAUPresetRelease(preset);
  EXPECT_EQ(preset->retainCount, 1) << "the array's reference";

  CFAUPresetRef probe = NewPreset(0, "Warm");
  EXPECT_TRUE(CFArrayContainsValue(array, CFRangeMake(0, 1), probe));
  CFAUPresetRelease(probe);
  CFRelease(array); // releases the record (the leak check sees nothing left)
}

} // namespace
