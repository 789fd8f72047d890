#include "CFLeakCheckedTest.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
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

class CFNumberTest : public CFLeakCheckedTest
{
};

TEST_F(CFNumberTest, IntegersRoundTripThroughEveryWideEnoughType)
{
  CFOwned<CFNumberRef> number(MakeSInt32(-123456));
  ASSERT_TRUE(number);
  int32_t i32 = 0;
  int64_t i64 = 0;
  int asInt = 0;
  double asDouble = 0.0;
  EXPECT_TRUE(CFNumberGetValue(number.get(), kCFNumberSInt32Type, &i32));
  EXPECT_TRUE(CFNumberGetValue(number.get(), kCFNumberSInt64Type, &i64));
  EXPECT_TRUE(CFNumberGetValue(number.get(), kCFNumberIntType, &asInt));
  EXPECT_TRUE(CFNumberGetValue(number.get(), kCFNumberDoubleType, &asDouble));
  EXPECT_EQ(i32, -123456);
  EXPECT_EQ(i64, -123456);
  EXPECT_EQ(asInt, -123456);
  EXPECT_EQ(asDouble, -123456.0);
  EXPECT_EQ(CFNumberGetType(number.get()), kCFNumberSInt32Type);
  EXPECT_FALSE(CFNumberIsFloatType(number.get()));
}

TEST_F(CFNumberTest, LossyReadsAnswerFalseWithTheNearestValue)
{
  const int64_t big = int64_t{1} << 40;
  CFOwned<CFNumberRef> wide(CFNumberCreate(nullptr, kCFNumberSInt64Type, &big));
  int32_t clamped = 0;
  EXPECT_FALSE(CFNumberGetValue(wide.get(), kCFNumberSInt32Type, &clamped));
  EXPECT_EQ(clamped, std::numeric_limits<int32_t>::max());

  const double fraction = -3.75;
  CFOwned<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberFloat64Type, &fraction));
  int32_t truncated = 0;
  EXPECT_FALSE(CFNumberGetValue(real.get(), kCFNumberSInt32Type, &truncated));
  EXPECT_EQ(truncated, -3);

  const double nan = std::nan("");
  CFOwned<CFNumberRef> notANumber(CFNumberCreate(nullptr, kCFNumberDoubleType, &nan));
  int8_t zero = 5;
  EXPECT_FALSE(CFNumberGetValue(notANumber.get(), kCFNumberSInt8Type, &zero));
  EXPECT_EQ(zero, 0);

  // 2^24 + 1 is the first integer a float cannot hold.
  const int32_t oddInteger = (1 << 24) + 1;
  CFOwned<CFNumberRef> odd(CFNumberCreate(nullptr, kCFNumberSInt32Type, &oddInteger));
  float asFloat = 0.0f;
  EXPECT_FALSE(CFNumberGetValue(odd.get(), kCFNumberFloat32Type, &asFloat));
  EXPECT_EQ(asFloat, 16777216.0f);
}

TEST_F(CFNumberTest, FloatsNarrowExactlyOnlyWhenRepresentable)
{
  const double half = 0.5;
  const double tenth = 0.1;
  const double huge = 1e300;
  CFOwned<CFNumberRef> a(CFNumberCreate(nullptr, kCFNumberFloat64Type, &half));
  CFOwned<CFNumberRef> b(CFNumberCreate(nullptr, kCFNumberFloat64Type, &tenth));
  CFOwned<CFNumberRef> c(CFNumberCreate(nullptr, kCFNumberFloat64Type, &huge));
  float f = 0.0f;
  EXPECT_TRUE(CFNumberGetValue(a.get(), kCFNumberFloat32Type, &f));
  EXPECT_EQ(f, 0.5f);
  EXPECT_FALSE(CFNumberGetValue(b.get(), kCFNumberFloat32Type, &f));
  EXPECT_EQ(f, 0.1f);
  EXPECT_FALSE(CFNumberGetValue(c.get(), kCFNumberFloatType, &f));
  EXPECT_TRUE(std::isinf(f));

  const float stored = 1.25f;
  CFOwned<CFNumberRef> single(CFNumberCreate(nullptr, kCFNumberFloat32Type, &stored));
  double widened = 0.0;
  EXPECT_TRUE(CFNumberGetValue(single.get(), kCFNumberFloat64Type, &widened));
  EXPECT_EQ(widened, 1.25);
  EXPECT_TRUE(CFNumberIsFloatType(single.get()));
}

TEST_F(CFNumberTest, EqualValuesOfDifferentTypesAreEqual)
{
  const double three = 3.0;
  const double threeAndAHalf = 3.5;
  CFOwned<CFNumberRef> integer(MakeSInt32(3));
  CFOwned<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberDoubleType, &three));
  CFOwned<CFNumberRef> other(CFNumberCreate(nullptr, kCFNumberDoubleType, &threeAndAHalf));
  EXPECT_TRUE(CFEqual(integer.get(), real.get()));
  EXPECT_EQ(CFHash(integer.get()), CFHash(real.get()));
  EXPECT_FALSE(CFEqual(integer.get(), other.get()));
  EXPECT_EQ(DescriptionOf(integer.get()), "3");
  EXPECT_EQ(DescriptionOf(other.get()), "3.5");
}

TEST_F(CFNumberTest, BadArgumentsAnswerNullOrFalse)
{
  const int32_t value = 1;
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberSInt32Type, nullptr), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, 0, &value), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, 99, &value), nullptr);

  CFOwned<CFNumberRef> number(MakeSInt32(1));
  int32_t untouched = 77;
  EXPECT_FALSE(CFNumberGetValue(number.get(), 99, &untouched));
  EXPECT_FALSE(CFNumberGetValue(number.get(), kCFNumberSInt32Type, nullptr));
  EXPECT_FALSE(CFNumberGetValue(reinterpret_cast<CFNumberRef>(CFSTR("1")), kCFNumberSInt32Type, &untouched));
  EXPECT_EQ(untouched, 77);
  EXPECT_EQ(CFNumberGetType(reinterpret_cast<CFNumberRef>(CFSTR("1"))), 0);
}

// --- data ------------------------------------------------------------------

class CFDataTest : public CFLeakCheckedTest
{
};

TEST_F(CFDataTest, KeepsItsOwnCopyOfTheBytes)
{
  uint8_t bytes[] = {1, 2, 3, 4, 5};
  CFOwned<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  bytes[0] = 99;
  ASSERT_EQ(CFDataGetLength(data.get()), 5);
  EXPECT_EQ(CFDataGetBytePtr(data.get())[0], 1);
  EXPECT_EQ(CFDataGetBytePtr(data.get())[4], 5);
  EXPECT_EQ(DescriptionOf(data.get()), "<01020304 05>");
}

TEST_F(CFDataTest, GetBytesCopiesOnlyRangesInside)
{
  const uint8_t bytes[] = {10, 20, 30, 40};
  CFOwned<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof(bytes)));
  uint8_t out[4] = {0, 0, 0, 0};
  CFDataGetBytes(data.get(), CFRangeMake(1, 2), out);
  EXPECT_EQ(out[0], 20);
  EXPECT_EQ(out[1], 30);
  EXPECT_EQ(out[2], 0);

  uint8_t untouched[4] = {7, 7, 7, 7};
  CFDataGetBytes(data.get(), CFRangeMake(3, 2), untouched);
  CFDataGetBytes(data.get(), CFRangeMake(-1, 1), untouched);
  CFDataGetBytes(data.get(), CFRangeMake(5, 0), untouched);
  CFDataGetBytes(reinterpret_cast<CFDataRef>(CFSTR("abcd")), CFRangeMake(0, 2), untouched);
  EXPECT_EQ(untouched[0], 7);
  EXPECT_EQ(untouched[1], 7);
}

TEST_F(CFDataTest, EmptyBlocksAreValidAndMalformedOnesRefused)
{
  CFOwned<CFDataRef> empty(CFDataCreate(nullptr, nullptr, 0));
  ASSERT_TRUE(empty);
  EXPECT_EQ(CFDataGetLength(empty.get()), 0);
  EXPECT_NE(CFDataGetBytePtr(empty.get()), nullptr) << "a zero-length copy from it must be legal";

  const uint8_t byte = 1;
  EXPECT_EQ(CFDataCreate(nullptr, &byte, -1), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 4), nullptr);
  EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(CFSTR("abc"))), 0);
  EXPECT_EQ(CFDataGetBytePtr(reinterpret_cast<CFDataRef>(CFSTR("abc"))), nullptr);
}

TEST_F(CFDataTest, EqualBytesMakeEqualData)
{
  const uint8_t a[] = {1, 2, 3};
  const uint8_t b[] = {1, 2, 4};
  CFOwned<CFDataRef> first(CFDataCreate(nullptr, a, 3));
  CFOwned<CFDataRef> same(CFDataCreate(nullptr, a, 3));
  CFOwned<CFDataRef> other(CFDataCreate(nullptr, b, 3));
  CFOwned<CFDataRef> shorter(CFDataCreate(nullptr, a, 2));
  EXPECT_TRUE(CFEqual(first.get(), same.get()));
  EXPECT_EQ(CFHash(first.get()), CFHash(same.get()));
  EXPECT_FALSE(CFEqual(first.get(), other.get()));
  EXPECT_FALSE(CFEqual(first.get(), shorter.get()));
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

TEST_F(CFDictionaryTest, KeysMatchByEqualityNotIdentity)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFNumberRef> version(MakeSInt32(0x10000));
  CFDictionarySetValue(dict.get(), CFSTR("version"), version.get());

  CFOwned<CFStringRef> lookupKey(MakeString("version"));
  ASSERT_NE(lookupKey.get(), CFSTR("version"));
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), lookupKey.get()), version.get());
  EXPECT_TRUE(CFDictionaryContainsKey(dict.get(), lookupKey.get()));
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), CFSTR("Version")), nullptr);
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 1);
}

TEST_F(CFDictionaryTest, StoredObjectsAreRetainedUntilReplacedOrRemoved)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFStringRef> key(MakeString("name"));
  CFOwned<CFStringRef> first(MakeString("first"));
  CFOwned<CFStringRef> second(MakeString("second"));

  CFDictionarySetValue(dict.get(), key.get(), first.get());
  EXPECT_EQ(CFGetRetainCount(key.get()), 2);
  EXPECT_EQ(CFGetRetainCount(first.get()), 2);

  CFDictionarySetValue(dict.get(), key.get(), second.get());
  EXPECT_EQ(CFGetRetainCount(first.get()), 1) << "the replaced value is released";
  EXPECT_EQ(CFGetRetainCount(second.get()), 2);
  EXPECT_EQ(CFGetRetainCount(key.get()), 2) << "the present key is kept, not retained again";
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 1);

  CFDictionarySetValue(dict.get(), key.get(), second.get());
  EXPECT_EQ(CFGetRetainCount(second.get()), 2) << "setting the same value again keeps one reference";

  CFDictionaryRemoveValue(dict.get(), key.get());
  EXPECT_EQ(CFGetRetainCount(key.get()), 1);
  EXPECT_EQ(CFGetRetainCount(second.get()), 1);
  EXPECT_EQ(CFDictionaryGetCount(dict.get()), 0);
}

TEST_F(CFDictionaryTest, DestroyingTheDictionaryReleasesItsContents)
{
  CFMutableDictionaryRef dict = MakeTypeDictionary();
  CFStringRef value = MakeString("kept alive by the dictionary");
  CFDictionarySetValue(dict, CFSTR("data"), value);
  CFRelease(value);
  const CFStringRef stored = static_cast<CFStringRef>(CFDictionaryGetValue(dict, CFSTR("data")));
  EXPECT_EQ(CFStringGetLength(stored), 28);
  CFRelease(dict); // the fixture checks that the value went with it
}

TEST_F(CFDictionaryTest, GetValueIfPresentTellsAStoredNullFromAMissingKey)
{
  CFOwned<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
  static const char keyA[] = "a";
  static const char keyB[] = "b";
  CFDictionarySetValue(dict.get(), keyA, nullptr);
  const void* value = &value;
  EXPECT_TRUE(CFDictionaryGetValueIfPresent(dict.get(), keyA, &value));
  EXPECT_EQ(value, nullptr);
  value = &value;
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(dict.get(), keyB, &value));
  EXPECT_EQ(value, &value) << "untouched when missing";
}

TEST_F(CFDictionaryTest, AddValueNeverReplaces)
{
  CFOwned<CFMutableDictionaryRef> dict(MakeTypeDictionary());
  CFOwned<CFNumberRef> one(MakeSInt32(1));
  CFOwned<CFNumberRef> two(MakeSInt32(2));
  CFDictionaryAddValue(dict.get(), CFSTR("k"), one.get());
  CFDictionaryAddValue(dict.get(), CFSTR("k"), two.get());
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), CFSTR("k")), one.get());
  EXPECT_EQ(CFGetRetainCount(two.get()), 1);
}

TEST_F(CFDictionaryTest, ImmutableDictionariesRefuseChanges)
{
  const void* keys[] = {CFSTR("type"), CFSTR("subtype"), CFSTR("type")};
  CFOwned<CFNumberRef> a(MakeSInt32(1));
  CFOwned<CFNumberRef> b(MakeSInt32(2));
  CFOwned<CFNumberRef> c(MakeSInt32(3));
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
    CFOwned<CFNumberRef> key(MakeSInt32(i));
    CFOwned<CFNumberRef> value(MakeSInt32(i * i));
    CFDictionarySetValue(dict.get(), key.get(), value.get());
  }
  ASSERT_EQ(CFDictionaryGetCount(dict.get()), 50);
  const void* keys[50];
  const void* values[50];
  CFDictionaryGetKeysAndValues(dict.get(), keys, values);
  bool seen[50] = {};
  for (int i = 0; i < 50; ++i)
  {
    int32_t k = -1;
    int32_t v = -1;
    ASSERT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(keys[i]), kCFNumberSInt32Type, &k));
    ASSERT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(values[i]), kCFNumberSInt32Type, &v));
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 50);
    EXPECT_EQ(v, k * k);
    EXPECT_FALSE(seen[k]);
    seen[k] = true;
  }
}

// Keys that are C strings, matched by their text through custom callbacks.
Boolean TextKeysEqual(const void* a, const void* b)
{
  return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b)) == 0;
}

CFHashCode TextKeyHash(const void* key)
{
  return std::strlen(static_cast<const char*>(key));
}

TEST_F(CFDictionaryTest, CustomKeyCallBacksDecideMatching)
{
  const CFDictionaryKeyCallBacks textKeys = {0, nullptr, nullptr, nullptr, TextKeysEqual, TextKeyHash};
  CFOwned<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(nullptr, 0, &textKeys, nullptr));
  char stored[] = "gain";
  char lookup[] = "gain";
  int payload = 5;
  CFDictionarySetValue(dict.get(), stored, &payload);
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), lookup), &payload);
  EXPECT_EQ(CFDictionaryGetValue(dict.get(), "mix"), nullptr);
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
struct Record
{
  int number;
  int refs;
};

struct CallCounts
{
  int retains = 0;
  int releases = 0;
  int equals = 0;
  int descriptions = 0;
};

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
};

TEST_F(CFArrayTest, CustomCallBacksRunOncePerInsertRemoveAndDestroy)
{
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  Record* records[4];
  for (int i = 0; i < 4; ++i)
  {
    records[i] = NewRecord(i);
    CFArrayAppendValue(array, records[i]);
    DropRecord(records[i]); // the array now holds the only reference
  }
  EXPECT_EQ(gCalls.retains, 4);
  EXPECT_EQ(gCalls.releases, 0);
  ASSERT_EQ(CFArrayGetCount(array), 4);
  EXPECT_EQ(records[2]->refs, 1);

  CFArrayRemoveValueAtIndex(array, 1); // frees record 1
  EXPECT_EQ(gCalls.releases, 1);
  EXPECT_EQ(CFArrayGetCount(array), 3);
  EXPECT_EQ(static_cast<const Record*>(CFArrayGetValueAtIndex(array, 1))->number, 2);

  CFRelease(array); // frees the remaining three
  EXPECT_EQ(gCalls.retains, 4);
  EXPECT_EQ(gCalls.releases, 4);
}

TEST_F(CFArrayTest, CreateRetainsEveryValue)
{
  Record* a = NewRecord(1);
  Record* b = NewRecord(2);
  const void* values[] = {a, b, a};
  CFArrayRef array = CFArrayCreate(nullptr, values, 3, &kRecordCallBacks);
  EXPECT_EQ(gCalls.retains, 3);
  EXPECT_EQ(a->refs, 3);
  EXPECT_EQ(b->refs, 2);
  DropRecord(a);
  DropRecord(b);
  CFRelease(array);
  EXPECT_EQ(gCalls.releases, 3);
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
  EXPECT_EQ(gCalls.releases, 2);
  DropRecord(other);
  CFRelease(array);
  EXPECT_EQ(gCalls.retains, gCalls.releases);
}

TEST_F(CFArrayTest, EqualityAndDescriptionUseTheCallBacks)
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
}

TEST_F(CFArrayTest, TypeCallBacksRetainObjects)
{
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFStringRef name = MakeString("midiOut");
  CFArrayAppendValue(array, name);
  EXPECT_EQ(CFGetRetainCount(name), 2);
  CFRelease(name);
  EXPECT_EQ(CFStringGetLength(static_cast<CFStringRef>(CFArrayGetValueAtIndex(array, 0))), 7);

  CFOwned<CFStringRef> other(MakeString("midiOut"));
  const void* values[] = {other.get()};
  CFOwned<CFArrayRef> same(CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks));
  EXPECT_TRUE(CFEqual(array, same.get()));
  CFRelease(array);
}

TEST_F(CFArrayTest, NullCallBacksStoreRawPointers)
{
  int a = 1;
  int b = 2;
  const void* values[] = {&a, &b};
  CFOwned<CFArrayRef> array(CFArrayCreate(nullptr, values, 2, nullptr));
  EXPECT_EQ(CFArrayGetValueAtIndex(array.get(), 0), &a);
  EXPECT_EQ(CFArrayGetValueAtIndex(array.get(), 1), &b);
  EXPECT_TRUE(CFArrayContainsValue(array.get(), CFRangeMake(0, 2), &b));
  int c = 2;
  EXPECT_FALSE(CFArrayContainsValue(array.get(), CFRangeMake(0, 2), &c)) << "identity without an equal callback";
}

TEST_F(CFArrayTest, MutableArraysGrowPastTheirCapacityAndKeepOrder)
{
  CFOwned<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 2, &kCFTypeArrayCallBacks));
  for (int32_t i = 0; i < 10; ++i)
  {
    CFOwned<CFNumberRef> number(MakeSInt32(i));
    CFArrayAppendValue(array.get(), number.get());
  }
  CFOwned<CFNumberRef> front(MakeSInt32(-1));
  CFArrayInsertValueAtIndex(array.get(), 0, front.get());
  CFArrayInsertValueAtIndex(array.get(), 12, front.get()); // past the end: refused
  ASSERT_EQ(CFArrayGetCount(array.get()), 11);
  for (int32_t i = 0; i < 11; ++i)
  {
    int32_t value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(array.get(), i)), kCFNumberSInt32Type, &value);
    EXPECT_EQ(value, i - 1);
  }
  CFArrayRemoveAllValues(array.get());
  EXPECT_EQ(CFArrayGetCount(array.get()), 0);
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
