#include "CFTestUtils.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <cstring>
#include <limits>

using pw::test::CFLeakCheckedTest;
using pw::test::CFOwned;

namespace {

CFStringRef MakeString(const char* utf8)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}

CFNumberRef MakeSInt32(int32_t value)
{
  return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
}

CFMutableDictionaryRef MakeTypeDictionary()
{
  return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
}

int32_t SInt32Of(const void* number)
{
  int32_t value = -1;
  CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt32Type, &value);
  return value;
}

// Stores value as fromType and reads it back as toType.
template <class From, class To>
void ExpectRead(CFNumberType fromType, From value, CFNumberType toType, bool exact, To expected)
{
  SCOPED_TRACE(testing::Message() << "type " << fromType << " read as " << toType);
  CFOwned<CFNumberRef> number(CFNumberCreate(nullptr, fromType, &value));
  ASSERT_TRUE(number);
  To read = To(5);
  EXPECT_EQ(CFNumberGetValue(number.get(), toType, &read), exact);
  EXPECT_EQ(read, expected);
}

} // namespace

using CFValueTest = CFLeakCheckedTest;

TEST_F(CFValueTest, NumberReadsAreExactOnlyWhenTheTargetTypeHoldsTheValueOtherwiseNearest)
{
  ExpectRead(kCFNumberSInt32Type, int32_t{-123456}, kCFNumberSInt32Type, true, int32_t{-123456});
  ExpectRead(kCFNumberSInt32Type, int32_t{-123456}, kCFNumberDoubleType, true, -123456.0);
  ExpectRead(kCFNumberFloat32Type, 1.25f, kCFNumberFloat64Type, true, 1.25);
  ExpectRead(kCFNumberSInt64Type, int64_t{1} << 40, kCFNumberSInt32Type, false, std::numeric_limits<int32_t>::max());
  ExpectRead(kCFNumberFloat64Type, -3.75, kCFNumberSInt32Type, false, int32_t{-3});
  ExpectRead(kCFNumberFloat64Type, 0.1, kCFNumberFloat32Type, false, 0.1f);
}

TEST_F(CFValueTest, DataKeepsItsOwnCopyOfTheBytes)
{
  uint8_t bytes[] = {1, 2, 3, 4, 5};
  CFOwned<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  bytes[4] = 99;
  ASSERT_EQ(CFDataGetLength(data.get()), 5);
  EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data.get()), "\1\2\3\4\5", 5), 0);
  CFOwned<CFDataRef> empty(CFDataCreate(nullptr, nullptr, 0));
  ASSERT_TRUE(empty);
  EXPECT_EQ(CFDataGetLength(empty.get()), 0);
}

TEST_F(CFValueTest, DictionaryKeysMatchByEqualityNotIdentity)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFNumberRef> version(MakeSInt32(0x10000));
  CFDictionarySetValue(dict.get(), CFSTR("version"), version.get());
  CFOwned<CFStringRef> lookupKey(MakeString("version"));
  ASSERT_NE(lookupKey.get(), CFSTR("version"));
  const void* value = nullptr;
  EXPECT_TRUE(CFDictionaryGetValueIfPresent(dict.get(), lookupKey.get(), &value));
  EXPECT_EQ(value, version.get());
  EXPECT_EQ(SInt32Of(value), 0x10000);
  value = &value;
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(dict.get(), CFSTR("Version"), &value));
  EXPECT_EQ(value, &value) << "untouched when missing";
}

TEST_F(CFValueTest, DictionaryValuesAreRetainedUntilReplacedOrRemoved)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFStringRef> key(MakeString("name")), first(MakeString("first")), second(MakeString("second"));
  CFDictionarySetValue(dict.get(), key.get(), first.get());
  EXPECT_EQ(CFGetRetainCount(first.get()), 2);
  CFDictionarySetValue(dict.get(), key.get(), second.get());
  CFDictionarySetValue(dict.get(), key.get(), second.get());
  EXPECT_EQ(CFGetRetainCount(first.get()), 1) << "the replaced value is released";
  EXPECT_EQ(CFGetRetainCount(second.get()), 2) << "setting the same value again keeps one reference";
  EXPECT_EQ(CFGetRetainCount(key.get()), 2) << "the present key is kept, not retained again";

  CFDictionaryRemoveValue(dict.get(), key.get());
  EXPECT_EQ(CFGetRetainCount(key.get()), 1);
  EXPECT_EQ(CFGetRetainCount(second.get()), 1);
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 0);
}

// --- arrays ----------------------------------------------------------------

namespace {

// A reference-counted record in the style of the AU preset record, counted
// by callbacks that are not CoreFoundation's.
struct Record { int number; int refs; };

int gRetains = 0;
int gReleases = 0;

const void* RetainRecord(CFAllocatorRef, const void* value)
{
  ++gRetains;
  ++static_cast<Record*>(const_cast<void*>(value))->refs;
  return value;
}

void ReleaseRecord(CFAllocatorRef, const void* value)
{
  ++gReleases;
  auto* record = static_cast<Record*>(const_cast<void*>(value));
  if (--record->refs == 0)
    delete record;
}

} // namespace

TEST_F(CFValueTest, ArrayCustomCallBacksRunOncePerCreateAppendRemoveAndDestroy)
{
  gRetains = gReleases = 0;
  const CFArrayCallBacks callBacks = {0, RetainRecord, ReleaseRecord, nullptr, nullptr};
  Record* records[3] = {new Record{0, 1}, new Record{1, 1}, new Record{2, 1}};
  const void* values[] = {records[0], records[1], records[0]};
  CFArrayRef created = CFArrayCreate(nullptr, values, 3, &callBacks);
  EXPECT_EQ(records[0]->refs, 3);
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &callBacks);
  for (Record* record : records)
  {
    CFArrayAppendValue(array, record);
    --record->refs; // the caller's reference: the arrays now hold the only ones
  }
  EXPECT_EQ(gRetains, 6);
  CFRelease(created);
  EXPECT_EQ(gReleases, 3);
  CFArrayRemoveValueAtIndex(array, 1); // frees record 1
  EXPECT_EQ(gReleases, 4);
  ASSERT_EQ(CFArrayGetCount(array), 2);
  EXPECT_EQ(static_cast<const Record*>(CFArrayGetValueAtIndex(array, 1))->number, 2);
  CFRelease(array); // frees the remaining two
  EXPECT_EQ(gReleases, gRetains);
}

TEST_F(CFValueTest, TypeArraysRetainTheirValuesAndKeepOrderPastTheirCapacity)
{
  CFOwned<CFNumberRef> kept(MakeSInt32(-1));
  {
    CFOwned<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 2, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(array.get(), kept.get());
    for (int32_t i = 0; i < 10; ++i)
    {
      CFOwned<CFNumberRef> number(MakeSInt32(i));
      CFArrayAppendValue(array.get(), number.get());
    }
    EXPECT_EQ(CFGetRetainCount(kept.get()), 2);
    ASSERT_EQ(CFArrayGetCount(array.get()), 11);
    for (CFIndex i = 0; i < 11; ++i)
      EXPECT_EQ(SInt32Of(CFArrayGetValueAtIndex(array.get(), i)), i - 1);
  }
  EXPECT_EQ(CFGetRetainCount(kept.get()), 1);
}

TEST(CFAllocator, AllocatesWritableBlocks)
{
  auto* block = static_cast<unsigned char*>(CFAllocatorAllocate(kCFAllocatorDefault, 40, 0));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 40); // AddressSanitizer checks all 40 bytes are ours
  EXPECT_EQ(block[39], 0xAB);
  CFAllocatorDeallocate(kCFAllocatorDefault, block);
}
