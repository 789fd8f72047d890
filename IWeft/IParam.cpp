#include "IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "IWeftUtilities.h"
#include "LOOM_Assert.h"

namespace weft {

namespace {

// Display texts are cut to what a 32-byte field holds.
constexpr int kMaxDisplayChars = MAX_PARAM_DISPLAY_LEN - 1;

// Lowest end of the exponential shape when the range starts at or below 0.
constexpr double kExpShapeFloor = 1e-8;

// Copies name into out (outSize bytes) as the body of a JSON string: quotes,
// backslashes and control characters are escaped; stops before an escape
// that would not fit.
void EscapeJSONText(const char* name, char* out, std::size_t outSize)
{
  std::size_t pos = 0;
  for (const char* p = name; *p != '\0'; ++p)
  {
    const unsigned char c = static_cast<unsigned char>(*p);
    char piece[7] = {static_cast<char>(c), '\0'};
    if (c == '"' || c == '\\')
    {
      piece[0] = '\\';
      piece[1] = static_cast<char>(c);
      piece[2] = '\0';
    }
    else if (c < 0x20)
    {
      std::snprintf(piece, sizeof(piece), "\\u%04x", c);
    }
    const std::size_t len = std::strlen(piece);
    if (pos + len >= outSize)
      break;
    std::memcpy(out + pos, piece, len);
    pos += len;
  }
  out[pos] = '\0';
}

} // namespace

// --- Shapes ---------------------------------------------------------------

std::unique_ptr<IParam::Shape> IParam::ShapeLinear::Clone() const { return std::make_unique<ShapeLinear>(*this); }

double IParam::ShapeLinear::NormalizedToValue(double normalized, const IParam& param) const noexcept
{
  return param.GetMin() + normalized * (param.GetMax() - param.GetMin());
}

double IParam::ShapeLinear::ValueToNormalized(double value, const IParam& param) const noexcept
{
  return (value - param.GetMin()) / (param.GetMax() - param.GetMin());
}

std::unique_ptr<IParam::Shape> IParam::ShapePowCurve::Clone() const { return std::make_unique<ShapePowCurve>(*this); }

IParam::EDisplayType IParam::ShapePowCurve::GetDisplayType() const noexcept
{
  if (mExponent > 2.5)
    return kDisplayCubeRoot;
  if (mExponent > 1.5)
    return kDisplaySquareRoot;
  if (mExponent < 0.4)
    return kDisplayCubed;
  if (mExponent < 2.0 / 3.0)
    return kDisplaySquared;
  return kDisplayLinear;
}

double IParam::ShapePowCurve::NormalizedToValue(double normalized, const IParam& param) const noexcept
{
  return param.GetMin() + std::pow(normalized, mExponent) * (param.GetMax() - param.GetMin());
}

double IParam::ShapePowCurve::ValueToNormalized(double value, const IParam& param) const noexcept
{
  return std::pow((value - param.GetMin()) / (param.GetMax() - param.GetMin()), 1.0 / mExponent);
}

std::unique_ptr<IParam::Shape> IParam::ShapeExp::Clone() const { return std::make_unique<ShapeExp>(*this); }

void IParam::ShapeExp::Init(const IParam& param)
{
  const double lo = param.GetMin() <= 0.0 ? kExpShapeFloor : param.GetMin();
  mOffset = std::log(lo);
  mScale = std::log(param.GetMax() / lo);
}

double IParam::ShapeExp::NormalizedToValue(double normalized, const IParam& param) const noexcept
{
  (void)param;
  return std::exp(mOffset + normalized * mScale);
}

double IParam::ShapeExp::ValueToNormalized(double value, const IParam& param) const noexcept
{
  (void)param;
  return (std::log(value) - mOffset) / mScale;
}

// --- Construction and initialisation --------------------------------------

IParam::IParam()
: mShape(std::make_unique<ShapeLinear>())
{}

IParam::~IParam() = default;

void IParam::InitBool(const char* name, bool defaultValue, const char* label, int flags, const char* group,
                      const char* offText, const char* onText)
{
  if (mType == kTypeNone)
    mType = kTypeBool;

  InitEnum(name, defaultValue ? 1 : 0, 2, label, flags | kFlagStepped, group);
  SetDisplayText(0, offText);
  SetDisplayText(1, onText);
}

void IParam::InitEnum(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                      const char* group, const char* listItems)
{
  InitEnumWithTexts(name, defaultValue, nEnums, label, flags, group, &listItems, 1);
}

void IParam::InitEnumWithTexts(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                               const char* group, const char* const* texts, int nTexts)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;

  InitInt(name, defaultValue, 0, nEnums - 1, label, flags | kFlagStepped, group);

  if (nTexts < 1 || texts[0] == nullptr)
    return;
  for (int i = 0; i < nTexts && i < nEnums; ++i)
  {
    if (texts[i] != nullptr)
      SetDisplayText(i, texts[i]);
  }
}

void IParam::InitEnum(const char* name, int defaultValue, std::initializer_list<const char*> items, int flags,
                      const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;

  InitInt(name, defaultValue, 0, static_cast<int>(items.size()) - 1, "", flags | kFlagStepped, group);

  int i = 0;
  for (const char* text : items)
  {
    if (text != nullptr)
      SetDisplayText(i, text);
    ++i;
  }
}

void IParam::InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label, int flags,
                     const char* group)
{
  if (mType == kTypeNone)
    mType = kTypeInt;

  InitDouble(name, defaultValue, minVal, maxVal, 1.0, label, flags | kFlagStepped, group, ShapeLinear(),
             kUnitCustom, nullptr);
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, int flags, const char* group, const Shape& shape, EParamUnit unit,
                        DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;

  CopyTextField(mName, name);
  CopyTextField(mLabel, label);
  CopyTextField(mParamGroup, group);
  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;
  mDefault = std::isfinite(defaultVal) ? defaultVal : minVal;
  mUnit = unit;
  mFlags = flags;
  mDisplayFunction = std::move(displayFunc);

  Set(mDefault);

  // One decimal for each power of ten the step needs to become whole, at most 6.
  int precision = 0;
  double scaledStep = step;
  while (precision < 6 && scaledStep != std::trunc(scaledStep))
  {
    ++precision;
    scaledStep *= 10.0;
  }
  mDisplayPrecision = precision;

  mShape = shape.Clone();
  mShape->Init(*this);
}

void IParam::InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                           const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Hz", flags, group, ShapeExp(), kUnitFrequency);
}

void IParam::InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                         const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "Seconds", flags, group, ShapeLinear(), kUnitSeconds);
}

void IParam::InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "ms", flags, group, ShapeLinear(), kUnitMilliseconds);
}

void IParam::InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags,
                      const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, step, "dB", flags, group, ShapeLinear(), kUnitDB);
}

void IParam::InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                            const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "%", flags, group, ShapeLinear(), kUnitPercentage);
}

void IParam::InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal, int flags,
                              const char* group)
{
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, "degrees", flags, group, ShapeLinear(), kUnitDegrees);
}

void IParam::InitPitch(const char* name, int defaultIdx, int minNote, int maxNote, int flags, const char* group,
                       bool middleCisC4)
{
  InitEnum(name, defaultIdx, maxNote - minNote + 1, "", flags, group);

  LOOM_String noteName;
  for (long long note = minNote; note <= maxNote; ++note)
  {
    MidiNoteName(static_cast<double>(note), noteName, false, middleCisC4);
    SetDisplayText(static_cast<double>(note - minNote), noteName.Get());
  }
}

void IParam::Init(const IParam& source, const char* searchStr, const char* replaceStr, const char* newGroup)
{
  if (&source == this)
    return;

  if (mType == kTypeNone)
    mType = source.mType;

  LOOM_String name(source.mName);
  const char* found = CStringHasContents(searchStr) ? std::strstr(source.mName, searchStr) : nullptr;
  if (found != nullptr)
  {
    const int prefixLen = static_cast<int>(found - source.mName);
    if (prefixLen > 0)
      name.Set(source.mName, prefixLen);
    else
      name.Set("");
    name.Append(replaceStr);
    name.Append(found + std::strlen(searchStr));
  }

  const char* group = CStringHasContents(newGroup) ? newGroup : source.mParamGroup;

  InitDouble(name.Get(), source.mDefault, source.mMin, source.mMax, source.mStep, source.mLabel, source.mFlags, group,
             *source.mShape, source.mUnit, source.mDisplayFunction);

  for (int i = 0; i < source.NDisplayTexts(); ++i)
  {
    double value = 0.0;
    const char* text = source.GetDisplayTextAtIdx(i, &value);
    SetDisplayText(value, text);
  }
}

// --- Value ----------------------------------------------------------------

int IParam::Int() const noexcept { return ToInt32Saturated(Value()); }

void IParam::Set(double value) noexcept
{
  if (!std::isfinite(value))
    return;
  mValue.store(Constrain(value));
}

void IParam::SetNormalized(double normalized) noexcept
{
  if (!std::isfinite(normalized))
    return;
  Set(FromNormalized(normalized));
}

double IParam::Constrain(double value) const noexcept
{
  if (std::isnan(value))
    return mMin;
  if (GetStepped() && mStep > 0.0)
    value = std::round(value / mStep) * mStep;
  return Clip(value, mMin, mMax);
}

double IParam::ToNormalized(double nonNormalizedValue) const noexcept
{
  return Clip(mShape->ValueToNormalized(Constrain(nonNormalizedValue), *this), 0.0, 1.0);
}

double IParam::FromNormalized(double normalizedValue) const noexcept
{
  return Constrain(mShape->NormalizedToValue(normalizedValue, *this));
}

double IParam::ConstrainNormalized(double normalizedValue) const noexcept
{
  return ToNormalized(mShape->NormalizedToValue(normalizedValue, *this));
}

// --- Definition -----------------------------------------------------------

int IParam::GetShapeID() const noexcept
{
  if (dynamic_cast<const ShapeLinear*>(mShape.get()))
    return 0;
  if (dynamic_cast<const ShapePowCurve*>(mShape.get()))
    return 1;
  if (dynamic_cast<const ShapeExp*>(mShape.get()))
    return 2;
  return 3;
}

double IParam::GetShapeValue() const noexcept
{
  if (const auto* powCurve = dynamic_cast<const ShapePowCurve*>(mShape.get()))
    return powCurve->GetExponent();
  return 0.0;
}

// --- Display texts --------------------------------------------------------

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText entry{};
  entry.mValue = value;
  CopyTextField(entry.mText, text);
  const DisplayText* added = mDisplayTexts.Add(entry);
  LOOM_ASSERT_MSG(added != nullptr, "out of memory adding a display text");
  (void)added;
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* pValue) const noexcept
{
  if (idx < 0 || idx >= NDisplayTexts())
    return "";
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (pValue != nullptr)
    *pValue = entry.mValue;
  return entry.mText;
}

const char* IParam::GetDisplayText(double value) const noexcept
{
  const int n = NDisplayTexts();
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i)
  {
    if (entries[i].mValue == value)
      return entries[i].mText;
  }
  return "";
}

bool IParam::MapDisplayText(const char* str, double* pValue) const noexcept
{
  if (str == nullptr)
    return false;
  const int n = NDisplayTexts();
  const DisplayText* entries = mDisplayTexts.Get();
  for (int i = 0; i < n; ++i)
  {
    if (std::strcmp(entries[i].mText, str) == 0)
    {
      if (pValue != nullptr)
        *pValue = entries[i].mValue;
      return true;
    }
  }
  return false;
}

// --- Text -----------------------------------------------------------------

void IParam::GetDisplay(double value, bool normalized, LOOM_String& display, bool withDisplayText) const
{
  if (normalized)
    value = FromNormalized(value);

  if (mDisplayFunction)
  {
    mDisplayFunction(value, display);
    return;
  }

  if (withDisplayText)
  {
    const char* text = GetDisplayText(value);
    if (CStringHasContents(text))
    {
      display.Set(text, kMaxDisplayChars);
      return;
    }
  }

  double shown = (mFlags & kFlagNegateDisplay) ? -value : value;
  if (shown == 0.0)
    shown = 0.0; // never "-0"

  if (mDisplayPrecision > 0)
  {
    if ((mFlags & kFlagSignDisplay) && shown != 0.0)
      display.SetFormatted(kMaxDisplayChars, "%+.*f", mDisplayPrecision, shown);
    else
      display.SetFormatted(kMaxDisplayChars, "%.*f", mDisplayPrecision, shown);
  }
  else
  {
    display.SetFormatted(kMaxDisplayChars, "%d", ToInt32Saturated(std::round(shown)));
  }
}

void IParam::GetDisplayWithLabel(LOOM_String& display, bool withDisplayText) const
{
  GetDisplay(display, withDisplayText);
  const char* label = GetLabel();
  if (CStringHasContents(label))
  {
    display.Append(" ");
    display.Append(label);
  }
}

const char* IParam::GetLabel() const noexcept
{
  return CStringHasContents(GetDisplayText(static_cast<double>(Int()))) ? "" : mLabel;
}

double IParam::StringToValue(const char* str) const
{
  double mapped = 0.0;
  if (NDisplayTexts() > 0 && MapDisplayText(str, &mapped))
    return mapped;

  if (mType == kTypeEnum || mType == kTypeBool)
    return 0.0;

  double value = std::atof(str != nullptr ? str : "");
  if (!std::isfinite(value))
    return Value();
  if (mFlags & kFlagNegateDisplay)
    value = -value;
  return Constrain(value);
}

void IParam::GetJSON(LOOM_String& json, int idx) const
{
  static const char* const kTypeNames[] = {nullptr, "bool", "int", "enum", "float"};

  // Each character of the name escapes to at most six.
  char escapedName[MAX_PARAM_NAME_LEN * 6];
  EscapeJSONText(mName, escapedName, sizeof(escapedName));

  json.AppendFormatted(MAX_JSON_PIECE_LEN, "{");
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"id\":%i, ", idx);
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"name\":\"%s\", ", escapedName);
  if (mType > kTypeNone && mType <= kTypeDouble)
    json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"type\":\"%s\", ", kTypeNames[mType]);
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"min\":%f, ", mMin);
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"max\":%f, ", mMax);
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"default\":%f, ", mDefault);
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"display_type\":%i, ", static_cast<int>(DisplayType()));
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "\"rate\":\"control\"");
  json.AppendFormatted(MAX_JSON_PIECE_LEN, "}");
}

void IParam::PrintDetails() const { std::printf("%s %f", GetName(), Value()); }

} // namespace weft
