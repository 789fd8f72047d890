#include "CFLeakCheckedTest.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>

namespace {

CFStringRef MakeString(const char* utf8)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}

CFNumberRef MakeSInt32(int32_t value)
{
  return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
}

std::string DescriptionOf(CFTypeRef cf)
{
  CFOwned<CFStringRef> description(CFCopyDescription(cf));
  const char* text = CFStringGetCStringPtr(description.get(), kCFStringEncodingUTF8);
  return text ? text : "<null>";
}

} // namespace

// --- numbers ---------------------------------------------------------------

using CFNumberTest = CFLeakCheckedTest;

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

TEST_F(CFNumberTest, ReadsAreExactOnlyWhenTheTargetTypeHoldsTheValueOtherwiseNearest)
{
  ExpectRead(kCFNumberSInt32Type, int32_t{-123456}, kCFNumberSInt64Type, true, int64_t{-123456});
  ExpectRead(kCFNumberSInt32Type, int32_t{-123456}, kCFNumberIntType, true, -123456);
  ExpectRead(kCFNumberSInt32Type, int32_t{-123456}, kCFNumberDoubleType, true, -123456.0);
  ExpectRead(kCFNumberFloat64Type, 0.5, kCFNumberFloat32Type, true, 0.5f);
  ExpectRead(kCFNumberFloat32Type, 1.25f, kCFNumberFloat64Type, true, 1.25);
  ExpectRead(kCFNumberSInt64Type, int64_t{1} << 40, kCFNumberSInt32Type, false, std::numeric_limits<int32_t>::max());
  ExpectRead(kCFNumberFloat64Type, -3.75, kCFNumberSInt32Type, false, int32_t{-3});
  ExpectRead(kCFNumberDoubleType, std::nan(""), kCFNumberSInt8Type, false, int8_t{0});
  // 2^24 + 1 is the first integer a float cannot hold.
  ExpectRead(kCFNumberSInt32Type, int32_t{(1 << 24) + 1}, kCFNumberFloat32Type, false, 16777216.0f);
  ExpectRead(kCFNumberFloat64Type, 0.1, kCFNumberFloat32Type, false, 0.1f);
  ExpectRead(kCFNumberFloat64Type, 1e300, kCFNumberFloatType, false, std::numeric_limits<float>::infinity());

  const float single = 1.25f;
  CFOwned<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberFloat32Type, &single));
  CFOwned<CFNumberRef> integer(MakeSInt32(3));
  EXPECT_EQ(CFNumberGetType(integer.get()), kCFNumberSInt32Type);
  EXPECT_FALSE(CFNumberIsFloatType(integer.get()));
  EXPECT_TRUE(CFNumberIsFloatType(real.get()));
}

TEST_F(CFNumberTest, EqualValuesOfDifferentTypesAreEqualAndBadArgumentsAnswerNullOrFalse)
{
  const double three = 3.0, threeAndAHalf = 3.5;
  CFOwned<CFNumberRef> integer(MakeSInt32(3));
  CFOwned<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberDoubleType, &three));
  CFOwned<CFNumberRef> other(CFNumberCreate(nullptr, kCFNumberDoubleType, &threeAndAHalf));
  EXPECT_TRUE(CFEqual(integer.get(), real.get()));
  EXPECT_EQ(CFHash(integer.get()), CFHash(real.get()));
  EXPECT_FALSE(CFEqual(integer.get(), other.get()));
  EXPECT_EQ(DescriptionOf(other.get()), "3.5");

  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberSInt32Type, nullptr), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, 0, &three), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, 99, &three), nullptr);
  int32_t untouched = 77;
  EXPECT_FALSE(CFNumberGetValue(integer.get(), 99, &untouched));
  EXPECT_FALSE(CFNumberGetValue(integer.get(), kCFNumberSInt32Type, nullptr));
  EXPECT_FALSE(CFNumberGetValue(reinterpret_cast<CFNumberRef>(CFSTR("1")), kCFNumberSInt32Type, &untouched));
  EXPECT_EQ(untouched, 77);
  EXPECT_EQ(CFNumberGetType(reinterpret_cast<CFNumberRef>(CFSTR("1"))), 0);
}

// --- data ------------------------------------------------------------------

using CFDataTest = CFLeakCheckedTest;

TEST_F(CFDataTest, KeepsItsOwnCopyOfTheBytesAndComparesByThem)
{
  uint8_t bytes[] = {1, 2, 3, 4, 5};
  CFOwned<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  CFOwned<CFDataRef> same(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  CFOwned<CFDataRef> shorter(CFDataCreate(nullptr, bytes, 4));
  bytes[4] = 99;
  CFOwned<CFDataRef> other(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  ASSERT_EQ(CFDataGetLength(data.get()), 5);
  EXPECT_EQ(CFDataGetBytePtr(data.get())[4], 5);
  EXPECT_EQ(DescriptionOf(data.get()), "<01020304 05>");
  EXPECT_TRUE(CFEqual(data.get(), same.get()));
  EXPECT_EQ(CFHash(data.get()), CFHash(same.get()));
  EXPECT_FALSE(CFEqual(data.get(), other.get()));
  EXPECT_FALSE(CFEqual(data.get(), shorter.get()));
}

TEST_F(CFDataTest, GetBytesCopiesOnlyRangesInsideAndMalformedBlocksAreRefused)
{
  const uint8_t bytes[] = {10, 20, 30, 40};
  CFOwned<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  uint8_t out[3] = {0, 0, 0};
  CFDataGetBytes(data.get(), CFRangeMake(1, 2), out);
  EXPECT_EQ(std::string(out, out + 3), std::string("\x14\x1E\0", 3));
  CFDataGetBytes(data.get(), CFRangeMake(3, 2), out);
  CFDataGetBytes(data.get(), CFRangeMake(-1, 1), out);
  CFDataGetBytes(data.get(), CFRangeMake(5, 0), out);
  CFDataGetBytes(reinterpret_cast<CFDataRef>(CFSTR("abcd")), CFRangeMake(0, 2), out);
  EXPECT_EQ(std::string(out, out + 3), std::string("\x14\x1E\0", 3));

  CFOwned<CFDataRef> empty(CFDataCreate(nullptr, nullptr, 0));
  ASSERT_TRUE(empty);
  EXPECT_NE(CFDataGetBytePtr(empty.get()), nullptr) << "a zero-length copy from it must be legal";
  EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 4), nullptr);
  EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(CFSTR("abc"))), 0);
  EXPECT_EQ(CFDataGetBytePtr(reinterpret_cast<CFDataRef>(CFSTR("abc"))), nullptr);
}

// --- dictionaries ----------------------------------------------------------

class CFDictionaryTest : public CFLeakCheckedTest
{
protected:
  CFMutableDictionaryRef MakeTypeDictionary()
  {
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  }
};

// Keys that are C strings, matched by their text through custom callbacks.
Boolean TextKeysEqual(const void* a, const void* b)
{
  return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b)) == 0;
}

CFHashCode TextKeyHash(const void* key)
{
  return std::strlen(static_cast<const char*>(key));
}

TEST_F(CFDictionaryTest, KeysMatchByEqualityNotIdentityAsTheKeyCallBacksDecide)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFNumberRef> version(MakeSInt32(0x10000));
  CFDictionarySetValue(dict.get(), CFSTR("version"), version.get());
  CFOwned<CFStringRef> lookupKey(MakeString("version"));
  ASSERT_NE(lookupKey.get(), CFSTR("version"));
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), lookupKey.get()), version.get());
  EXPECT_TRUE(CFDictionaryContainsKey(dict.get(), lookupKey.get()));
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), CFSTR("Version")), nullptr);

  const CFDictionaryKeyCallBacks textKeys = {0, nullptr, nullptr, nullptr, TextKeysEqual, TextKeyHash};
  CFOwned<CFMutableDictionaryRef> text(CFDictionaryCreateMutable(nullptr, 0, &textKeys, nullptr));
  char stored[] = "gain";
  char lookup[] = "gain";
  CFDictionarySetValue(text.get(), stored, nullptr);
  const void* value = &value;
  EXPECT_TRUE(CFDictionaryGetValueIfPresent(text.get(), lookup, &value));
  EXPECT_EQ(value, nullptr) << "a stored null is present";
  value = &value;
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(text.get(), "mix", &value));
  EXPECT_EQ(value, &value) << "untouched when missing";
}

TEST_F(CFDictionaryTest, StoredObjectsAreRetainedUntilReplacedOrRemovedAndAddNeverReplaces)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFStringRef> key(MakeString("name")), first(MakeString("first")), second(MakeString("second"));
  CFDictionarySetValue(dict.get(), key.get(), first.get());
  CFDictionaryAddValue(dict.get(), key.get(), second.get());
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), key.get()), first.get());
  EXPECT_EQ(CFGetRetainCount(first.get()), 2);
  EXPECT_EQ(CFGetRetainCount(second.get()), 1);

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

TEST_F(CFDictionaryTest, ImmutableDictionariesRefuseChanges)
{
  const void* keys[] = {CFSTR("type"), CFSTR("subtype"), CFSTR("type")};
  CFOwned<CFNumberRef> a(MakeSInt32(1)), b(MakeSInt32(2)), c(MakeSInt32(3));
  const void* values[] = {a.get(), b.get(), c.get()};
  CFOwned<CFDictionaryRef> dict(
    CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  ASSERT_TRUE(dict);
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 2);
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), CFSTR("type")), c.get()) << "a repeated key keeps its last value";
  EXPECT_EQ(CFGetRetainCount(a.get()), 1) << "the overwritten value is not held";

  auto* forcedMutable = const_cast<CFMutableDictionaryRef>(dict.get());
  CFDictionarySetValue(forcedMutable, CFSTR("manufacturer"), a.get());
  CFDictionaryRemoveValue(forcedMutable, CFSTR("type"));
  CFDictionaryRemoveAllValues(forcedMutable);
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 2);
}

TEST_F(CFDictionaryTest, CopiesAreEqualAndIndependent)
{
  CFOwned<CFMutableDictionaryRef> original(MakeTypeDictionary());
  CFOwned<CFNumberRef> one(MakeSInt32(1));
  CFDictionarySetValue(original.get(), CFSTR("a"), one.get());
  CFDictionarySetValue(original.get(), CFSTR("b"), CFSTR("text"));

  CFOwned<CFDictionaryRef> frozen(CFDictionaryCreateCopy(nullptr, original.get()));
  CFOwned<CFMutableDictionaryRef> changed(CFDictionaryCreateMutableCopy(nullptr, 0, original.get()));
  EXPECT_TRUE(CFEqual(frozen.get(), original.get()));

  CFDictionarySetValue(changed.get(), CFSTR("b"), CFSTR("other"));
  EXPECT_FALSE(CFEqual(changed.get(), original.get()));
  EXPECT_TRUE(CFEqual(CFDictionaryGetValue(original.get(), CFSTR("b")), CFSTR("text")));
  EXPECT_EQ(CFGetRetainCount(one.get()), 4) << "held by the caller and the three dictionaries";
}

TEST_F(CFDictionaryTest, KeysAndValuesComeOutInPairs)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  for (int32_t i = 0; i < 50; ++i)
  {
    CFOwned<CFNumberRef> key(MakeSInt32(i)), value(MakeSInt32(i * i));
    CFDictionarySetValue(dict.get(), key.get(), value.get());
  }
  ASSERT_EQ(CFDictionaryGetCount(dict.get()), 50);
  const void* keys[50];
  const void* values[50];
  CFDictionaryGetKeysAndValues(dict.get(), keys, values);
  std::map<int32_t, int32_t> pairs;
  for (int i = 0; i < 50; ++i)
  {
    int32_t k = -1, v = -1;
    CFNumberGetValue(static_cast<CFNumberRef>(keys[i]), kCFNumberSInt32Type, &k);
    CFNumberGetValue(static_cast<CFNumberRef>(values[i]), kCFNumberSInt32Type, &v);
    pairs[k] = v;
  }
  ASSERT_EQ(pairs.size(), 50u);
  for (const auto& [k, v] : pairs)
    EXPECT_EQ(v, k * k);
}

TEST_F(CFDictionaryTest, OtherObjectsAreNotDictionaries)
{
  const auto notADictionary = reinterpret_cast<CFMutableDictionaryRef>(const_cast<void*>(static_cast<const void*>(CFSTR("x"))));
  CFDictionarySetValue(notADictionary, CFSTR("k"), CFSTR("v"));
  EXPECT_EQ(CFDictionaryGetCount(notADictionary), 0);
  EXPECT_EQ(CFDictionaryGetValue(notADictionary, CFSTR("k")), nullptr);
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(nullptr, CFSTR("k"), nullptr));
  EXPECT_EQ(CFDictionaryCreateCopy(nullptr, notADictionary), nullptr);
  EXPECT_EQ(CFDictionaryCreate(nullptr, nullptr, nullptr, 2, nullptr, nullptr), nullptr);
  EXPECT_EQ(CFDictionaryCreateMutable(nullptr, -1, nullptr, nullptr), nullptr);
}

// --- arrays ----------------------------------------------------------------

// A reference-counted record in the style of the AU preset record, counted
// by callbacks that are not CoreFoundation's.
struct Record { int number; int refs; };

struct CallCounts { int retains = 0, releases = 0, equals = 0, descriptions = 0; };

CallCounts gCalls;

const void* RetainRecord(CFAllocatorRef, const void* value)
{
  ++gCalls.retains;
  ++static_cast<Record*>(const_cast<void*>(value))->refs;
  return value;
}

void ReleaseRecord(CFAllocatorRef, const void* value)
{
  ++gCalls.releases;
  auto* record = static_cast<Record*>(const_cast<void*>(value));
  if (--record->refs == 0)
    delete record;
}

Boolean RecordsEqual(const void* a, const void* b)
{
  ++gCalls.equals;
  return static_cast<const Record*>(a)->number == static_cast<const Record*>(b)->number;
}

CFStringRef DescribeRecord(const void* value)
{
  ++gCalls.descriptions;
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("record %d"), static_cast<const Record*>(value)->number);
}

const CFArrayCallBacks kRecordCallBacks = {0, RetainRecord, ReleaseRecord, DescribeRecord, RecordsEqual};

Record* NewRecord(int number)
{
  return new Record{number, 1};
}

void DropRecord(Record* record)
{
  ReleaseRecord(nullptr, record);
  --gCalls.releases; // the caller's own reference, not the array's
}

class CFArrayTest : public CFLeakCheckedTest
{
protected:
  void SetUp() override
  {
    CFLeakCheckedTest::SetUp();
    gCalls = CallCounts();
  }
  void TearDown() override
  {
    EXPECT_EQ(gCalls.retains, gCalls.releases) << "records retained and not released";
    CFLeakCheckedTest::TearDown();
  }
};

TEST_F(CFArrayTest, CustomCallBacksRunOncePerCreateInsertRemoveAndDestroy)
{
  Record* records[4];
  for (int i = 0; i < 4; ++i)
    records[i] = NewRecord(i);
  const void* values[] = {records[0], records[1], records[0]};
  CFArrayRef created = CFArrayCreate(nullptr, values, 3, &kRecordCallBacks);
  EXPECT_EQ(records[0]->refs, 3);
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  for (Record* record : records)
  {
    CFArrayAppendValue(array, record);
    DropRecord(record); // the arrays now hold the only references
  }
  EXPECT_EQ(gCalls.retains, 7);
  CFRelease(created);
  EXPECT_EQ(gCalls.releases, 3);
  CFArrayRemoveValueAtIndex(array, 1); // frees record 1
  EXPECT_EQ(gCalls.releases, 4);
  EXPECT_EQ(static_cast<const Record*>(CFArrayGetValueAtIndex(array, 1))->number, 2);
  CFRelease(array); // frees the remaining three
}

TEST_F(CFArrayTest, SetValueRetainsTheNewValueBeforeReleasingTheOld)
{
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  Record* only = NewRecord(3);
  CFArrayAppendValue(array, only);
  DropRecord(only);
  // The array holds the only reference: releasing first would free the
  // record before it is retained again (AddressSanitizer reports that).
  CFArraySetValueAtIndex(array, 0, only);
  EXPECT_EQ(only->refs, 1);
  Record* other = NewRecord(4);
  CFArraySetValueAtIndex(array, 0, other); // frees record 3
  EXPECT_EQ(other->refs, 2);
  DropRecord(other);
  CFRelease(array);
}

TEST_F(CFArrayTest, EqualityAndDescriptionUseTheCallBacksAndWithoutThemIdentity)
{
  Record* first = NewRecord(7);
  Record* twin = NewRecord(7);
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  CFArrayAppendValue(array, first);
  EXPECT_TRUE(CFArrayContainsValue(array, CFRangeMake(0, 1), twin));
  EXPECT_FALSE(CFArrayContainsValue(array, CFRangeMake(0, 2), twin)) << "range past the end";
  EXPECT_EQ(gCalls.equals, 1);
  CFArrayAppendValue(array, twin);
  EXPECT_EQ(DescriptionOf(array), "(\n    record 7,\n    record 7\n)");
  EXPECT_EQ(gCalls.descriptions, 2);
  DropRecord(first);
  DropRecord(twin);
  CFRelease(array);

  int a = 1, b = 2, c = 2;
  const void* values[] = {&a, &b};
  CFOwned<CFArrayRef> raw(CFArrayCreate(nullptr, values, 2, nullptr));
  EXPECT_EQ(CFArrayGetValueAtIndex(raw.get(), 1), &b);
  EXPECT_TRUE(CFArrayContainsValue(raw.get(), CFRangeMake(0, 2), &b));
  EXPECT_FALSE(CFArrayContainsValue(raw.get(), CFRangeMake(0, 2), &c));
}

TEST_F(CFArrayTest, TypeArraysRetainGrowPastTheirCapacityKeepOrderAndCompareByValue)
{
  CFOwned<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 2, &kCFTypeArrayCallBacks));
  CFOwned<CFMutableArrayRef> same(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
  for (int32_t i = 0; i < 10; ++i)
  {
    CFOwned<CFNumberRef> number(MakeSInt32(i)), twin(MakeSInt32(i));
    CFArrayAppendValue(array.get(), number.get());
    CFArrayAppendValue(same.get(), twin.get());
  }
  EXPECT_TRUE(CFEqual(array.get(), same.get()));
  CFOwned<CFNumberRef> front(MakeSInt32(-1));
  CFArrayInsertValueAtIndex(array.get(), 0, front.get());
  CFArrayInsertValueAtIndex(array.get(), 12, front.get()); // past the end: refused
  ASSERT_EQ(CFArrayGetCount(array.get()), 11);
  EXPECT_FALSE(CFEqual(array.get(), same.get()));
  for (int32_t i = 0; i < 11; ++i)
  {
    int32_t value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(array.get(), i)), kCFNumberSInt32Type, &value);
    EXPECT_EQ(value, i - 1);
  }
  CFArrayRemoveAllValues(array.get());
  EXPECT_EQ(CFGetRetainCount(front.get()), 1);
}

TEST_F(CFArrayTest, BadIndicesAndImmutableArraysChangeNothing)
{
  CFOwned<CFStringRef> text(MakeString("x"));
  const void* values[] = {text.get()};
  CFOwned<CFArrayRef> frozen(CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks));
  auto* forcedMutable = const_cast<CFMutableArrayRef>(frozen.get());
  CFArrayAppendValue(forcedMutable, text.get());
  CFArrayRemoveValueAtIndex(forcedMutable, 0);
  CFArrayRemoveAllValues(forcedMutable);
  EXPECT_EQ(CFArrayGetCount(frozen.get()), 1);
  EXPECT_EQ(CFGetRetainCount(text.get()), 2);

  CFOwned<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
  CFArrayRemoveValueAtIndex(array.get(), 0);
  CFArraySetValueAtIndex(array.get(), 0, text.get());
  EXPECT_EQ(CFArrayGetValueAtIndex(array.get(), -1), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(frozen.get(), 1), nullptr);
  EXPECT_EQ(CFArrayGetCount(reinterpret_cast<CFArrayRef>(text.get())), 0);
  EXPECT_EQ(CFArrayCreate(nullptr, nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(CFArrayCreateMutable(nullptr, -1, nullptr), nullptr);
}

// --- allocator -------------------------------------------------------------

TEST(CFAllocator, AllocatesWritableBlocksAndRefusesEmptyOnes)
{
  auto* block = static_cast<unsigned char*>(CFAllocatorAllocate(kCFAllocatorDefault, 40, 0));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 40); // AddressSanitizer checks all 40 bytes are ours
  EXPECT_EQ(block[39], 0xAB);
  CFAllocatorDeallocate(kCFAllocatorDefault, block);
  EXPECT_EQ(CFAllocatorAllocate(nullptr, 0, 0), nullptr);
  EXPECT_EQ(CFAllocatorAllocate(nullptr, -8, 0), nullptr);
  CFAllocatorDeallocate(nullptr, nullptr);
}
