#include "CFNumber.h"
#include "CFStringObject.h"
#include "CFValueObject.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace pwshim {
namespace {

// 2^63 as a double: the first value above the int64_t range.
constexpr double kTwoPow63 = 9223372036854775808.0;

bool IsIntegralInInt64Range(double value) noexcept
{
  return value >= -kTwoPow63 && value < kTwoPow63 && std::trunc(value) == value;
}

enum class Kind
{
  Unknown,
  Int8,
  Int16,
  Int32,
  Int64,
  Float32,
  Float64
};

Kind KindOf(CFNumberType type) noexcept
{
  switch (type)
  {
    case kCFNumberSInt8Type:
    case kCFNumberCharType: return Kind::Int8;
    case kCFNumberSInt16Type:
    case kCFNumberShortType: return Kind::Int16;
    case kCFNumberSInt32Type: return Kind::Int32;
    case kCFNumberIntType: return sizeof(int) == 4 ? Kind::Int32 : Kind::Int64;
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType: return Kind::Int64;
    case kCFNumberLongType:
    case kCFNumberCFIndexType: return sizeof(long) == 8 ? Kind::Int64 : Kind::Int32;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType: return Kind::Float32;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType: return Kind::Float64;
    default: return Kind::Unknown;
  }
}

template <class T>
T Load(const void* valuePtr) noexcept
{
  T value;
  std::memcpy(&value, valuePtr, sizeof(T));
  return value;
}

template <class T>
void Store(void* valuePtr, T value) noexcept
{
  std::memcpy(valuePtr, &value, sizeof(T));
}

template <class T>
bool StoreInteger(void* valuePtr, int64_t value) noexcept
{
  constexpr int64_t lo = std::numeric_limits<T>::min();
  constexpr int64_t hi = std::numeric_limits<T>::max();
  Store<T>(valuePtr, static_cast<T>(value < lo ? lo : (value > hi ? hi : value)));
  return value >= lo && value <= hi;
}

template <class T>
bool StoreIntegerFromFloat(void* valuePtr, double value) noexcept
{
  if (std::isnan(value))
  {
    Store<T>(valuePtr, 0);
    return false;
  }
  constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
  // The largest T may not be a double; compare against the next power of 2.
  constexpr double hiExclusive = (static_cast<double>(std::numeric_limits<T>::max() / 2) + 1.0) * 2.0;
  if (value < lo)
  {
    Store<T>(valuePtr, std::numeric_limits<T>::min());
    return false;
  }
  if (value >= hiExclusive)
  {
    Store<T>(valuePtr, std::numeric_limits<T>::max());
    return false;
  }
  const double truncated = std::trunc(value);
  Store<T>(valuePtr, static_cast<T>(truncated));
  return truncated == value;
}

bool StoreFloat32(void* valuePtr, double value) noexcept
{
  constexpr double floatMax = std::numeric_limits<float>::max();
  float narrowed;
  if (std::isnan(value))
    narrowed = std::numeric_limits<float>::quiet_NaN();
  else if (value > floatMax)
    narrowed = std::numeric_limits<float>::infinity();
  else if (value < -floatMax)
    narrowed = -std::numeric_limits<float>::infinity();
  else
    narrowed = static_cast<float>(value);
  Store<float>(valuePtr, narrowed);
  return std::isnan(value) || static_cast<double>(narrowed) == value;
}

class CFNumberObject final : public CFValueObject
{
public:
  CFNumberObject(CFNumberType type, int64_t value) noexcept
  : CFValueObject(kTypeIDNumber), mType(type), mIsFloat(false), mInteger(value)
  {
  }

  CFNumberObject(CFNumberType type, double value) noexcept
  : CFValueObject(kTypeIDNumber), mType(type), mIsFloat(true), mFloat(value)
  {
  }

  CFNumberType Type() const noexcept { return mType; }
  bool IsFloat() const noexcept { return mIsFloat; }

  bool Get(Kind kind, void* valuePtr) const noexcept
  {
    switch (kind)
    {
      case Kind::Int8: return mIsFloat ? StoreIntegerFromFloat<int8_t>(valuePtr, mFloat) : StoreInteger<int8_t>(valuePtr, mInteger);
      case Kind::Int16: return mIsFloat ? StoreIntegerFromFloat<int16_t>(valuePtr, mFloat) : StoreInteger<int16_t>(valuePtr, mInteger);
      case Kind::Int32: return mIsFloat ? StoreIntegerFromFloat<int32_t>(valuePtr, mFloat) : StoreInteger<int32_t>(valuePtr, mInteger);
      case Kind::Int64: return mIsFloat ? StoreIntegerFromFloat<int64_t>(valuePtr, mFloat) : StoreInteger<int64_t>(valuePtr, mInteger);
      case Kind::Float32:
        if (mIsFloat)
          return StoreFloat32(valuePtr, mFloat);
        {
          const auto narrowed = static_cast<float>(mInteger);
          Store<float>(valuePtr, narrowed);
          return static_cast<double>(narrowed) < kTwoPow63 && static_cast<int64_t>(narrowed) == mInteger;
        }
      case Kind::Float64:
        if (mIsFloat)
        {
          Store<double>(valuePtr, mFloat);
          return true;
        }
        {
          const auto widened = static_cast<double>(mInteger);
          Store<double>(valuePtr, widened);
          return widened < kTwoPow63 && static_cast<int64_t>(widened) == mInteger;
        }
      case Kind::Unknown: break;
    }
    return false;
  }

  bool Equal(const CFValueObject& other) const noexcept override
  {
    const auto& that = static_cast<const CFNumberObject&>(other);
    if (!mIsFloat && !that.mIsFloat)
      return mInteger == that.mInteger;
    if (mIsFloat && that.mIsFloat)
      return mFloat == that.mFloat || (std::isnan(mFloat) && std::isnan(that.mFloat));
    const double f = mIsFloat ? mFloat : that.mFloat;
    const int64_t i = mIsFloat ? that.mInteger : mInteger;
    return IsIntegralInInt64Range(f) && static_cast<int64_t>(f) == i;
  }

  CFHashCode Hash() const noexcept override
  {
    // Integral values hash as integers so that 3 and 3.0 (equal) agree.
    if (!mIsFloat)
      return static_cast<CFHashCode>(mInteger);
    if (IsIntegralInInt64Range(mFloat))
      return static_cast<CFHashCode>(static_cast<int64_t>(mFloat));
    if (std::isnan(mFloat))
      return 0x7FF8000000000000ul;
    return HashBytes(&mFloat, sizeof(mFloat));
  }

  std::string Describe() const override
  {
    char text[48];
    if (mIsFloat)
      std::snprintf(text, sizeof(text), "%.17g", mFloat);
    else
      std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(mInteger));
    return text;
  }

private:
  const CFNumberType mType;
  const bool mIsFloat;
  union
  {
    int64_t mInteger;
    double mFloat;
  };
};

const CFNumberObject* NumberFromRef(CFTypeRef cf) noexcept
{
  return CastRef<CFNumberObject>(cf, kTypeIDNumber);
}

} // namespace
} // namespace pwshim

using pwshim::CFNumberObject;

CF_EXPORT CFTypeID CFNumberGetTypeID(void)
{
  return pwshim::kTypeIDNumber;
}

CF_EXPORT CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr)
{
  using pwshim::Kind;
  using pwshim::Load;
  if (!valuePtr)
    return nullptr;
  CFNumberObject* number = nullptr;
  switch (pwshim::KindOf(theType))
  {
    case Kind::Int8: number = new (std::nothrow) CFNumberObject(theType, int64_t{Load<int8_t>(valuePtr)}); break;
    case Kind::Int16: number = new (std::nothrow) CFNumberObject(theType, int64_t{Load<int16_t>(valuePtr)}); break;
    case Kind::Int32: number = new (std::nothrow) CFNumberObject(theType, int64_t{Load<int32_t>(valuePtr)}); break;
    case Kind::Int64: number = new (std::nothrow) CFNumberObject(theType, Load<int64_t>(valuePtr)); break;
    case Kind::Float32: number = new (std::nothrow) CFNumberObject(theType, double{Load<float>(valuePtr)}); break;
    case Kind::Float64: number = new (std::nothrow) CFNumberObject(theType, Load<double>(valuePtr)); break;
    case Kind::Unknown: break;
  }
  return pwshim::ToRef<CFNumberRef>(number);
}

CF_EXPORT Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr)
{
  const CFNumberObject* object = pwshim::NumberFromRef(number);
  if (!object || !valuePtr)
    return false;
  return object->Get(pwshim::KindOf(theType), valuePtr);
}

CF_EXPORT CFNumberType CFNumberGetType(CFNumberRef number)
{
  const CFNumberObject* object = pwshim::NumberFromRef(number);
  return object ? object->Type() : 0;
}

CF_EXPORT Boolean CFNumberIsFloatType(CFNumberRef number)
{
  const CFNumberObject* object = pwshim::NumberFromRef(number);
  return object && object->IsFloat();
}
