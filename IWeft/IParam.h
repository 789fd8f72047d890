#pragma once
// One automatable plug-in parameter.
//
// Threads: the value is the only field written after initialisation. It is a
// sequentially consistent std::atomic<double>, so the audio thread, the host's
// threads and the editor may call Value, Set, SetNormalized and SetToDefault
// concurrently without locks; none of these allocates. Every other field (range,
// step, flags, texts, shape, display function) is written once by an Init
// operation on the main thread at plug-in construction and only read after.
//
// Non-finite numbers never reach the value: Set and SetNormalized ignore NaN
// and infinities, and StringToValue answers non-finite text with the current
// value. Constrain maps NaN to the minimum and infinities to the range ends.

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>

#include "IWeftConstants.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

namespace weft {

class IParam
{
public:
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool,
    kTypeInt,
    kTypeEnum,
    kTypeDouble
  };

  enum EParamUnit
  {
    kUnitPercentage = 0,
    kUnitSeconds,
    kUnitMilliseconds,
    kUnitSamples,
    kUnitDB,
    kUnitLinearGain,
    kUnitPan,
    kUnitPhase,
    kUnitDegrees,
    kUnitMeters,
    kUnitRate,
    kUnitRatio,
    kUnitFrequency,
    kUnitOctaves,
    kUnitCents,
    kUnitAbsCents,
    kUnitSemitones,
    kUnitMIDINote,
    kUnitMIDICtrlNum,
    kUnitBPM,
    kUnitBeats,
    kUnitCustom // the label is the unit text
  };

  // How hosts should draw the value's scale.
  enum EDisplayType
  {
    kDisplayLinear = 0,
    kDisplayLog,
    kDisplayExp,
    kDisplaySquared,
    kDisplaySquareRoot,
    kDisplayCubed,
    kDisplayCubeRoot
  };

  enum EFlags
  {
    kFlagsNone = 0,
    kFlagCannotAutomate = 0x1,
    kFlagStepped = 0x2,       // Constrain snaps to whole multiples of the step
    kFlagNegateDisplay = 0x4, // shown and typed with the opposite sign
    kFlagSignDisplay = 0x8,   // decimals carry an explicit "+"
    kFlagMeta = 0x10          // changing it changes other parameters
  };

  // Writes the display text of a (non-normalised) value. Called on the
  // editor's or the host's main thread, never on the audio thread.
  using DisplayFunc = std::function<void(double value, LOOM_String& display)>;

  // Maps the range onto 0..1. Reads min and max from the parameter at each
  // call unless it caches them in Init.
  class Shape
  {
  public:
    virtual ~Shape() = default;
    virtual std::unique_ptr<Shape> Clone() const = 0;
    // Called once, after the parameter's range is set.
    virtual void Init(const IParam& param) { (void)param; }
    virtual EDisplayType GetDisplayType() const noexcept = 0;
    virtual double NormalizedToValue(double normalized, const IParam& param) const noexcept = 0;
    virtual double ValueToNormalized(double value, const IParam& param) const noexcept = 0;
  };

  // min + n * (max - min). A range of zero width divides by zero.
  class ShapeLinear : public Shape
  {
  public:
    std::unique_ptr<Shape> Clone() const override;
    EDisplayType GetDisplayType() const noexcept override { return kDisplayLinear; }
    double NormalizedToValue(double normalized, const IParam& param) const noexcept override;
    double ValueToNormalized(double value, const IParam& param) const noexcept override;
  };

  // min + n^exponent * (max - min). The exponent must not be 0.
  class ShapePowCurve : public Shape
  {
  public:
    explicit ShapePowCurve(double exponent) noexcept : mExponent(exponent) {}
    std::unique_ptr<Shape> Clone() const override;
    EDisplayType GetDisplayType() const noexcept override;
    double NormalizedToValue(double normalized, const IParam& param) const noexcept override;
    double ValueToNormalized(double value, const IParam& param) const noexcept override;
    double GetExponent() const noexcept { return mExponent; }

  private:
    double mExponent;
  };

  // e^(offset + n * scale): equal ratios per equal normalised distance, for
  // frequencies. A minimum of 0 or below counts as 1e-8; the maximum must be
  // above 0.
  class ShapeExp : public Shape
  {
  public:
    std::unique_ptr<Shape> Clone() const override;
    void Init(const IParam& param) override;
    EDisplayType GetDisplayType() const noexcept override { return kDisplayLog; }
    double NormalizedToValue(double normalized, const IParam& param) const noexcept override;
    double ValueToNormalized(double value, const IParam& param) const noexcept override;

  private:
    double mScale = 1.0;  // ln(max / lo)
    double mOffset = 1.0; // ln(lo)
  };

  // A fixed text shown for one exact value.
  struct DisplayText
  {
    double mValue;
    char mText[MAX_PARAM_DISPLAY_LEN];
  };

  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // --- Initialisation: one call per parameter, on the main thread at plug-in
  // construction. Each form sets the type only while it is still none, so a
  // form built on a more general one keeps its own type. Texts longer than
  // 31 bytes are cut to fit their 32-byte fields; null texts count as empty.

  void InitBool(const char* name, bool defaultValue, const char* label = "", int flags = 0, const char* group = "",
                const char* offText = "off", const char* onText = "on");

  // Items 0..nEnums-1. When listItems is not null it is item 0's text; the
  // further texts (second overload) are items 1, 2, ... in order. Texts beyond
  // nEnums are ignored; items without a text show their number.
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label = "", int flags = 0,
                const char* group = "", const char* listItems = nullptr);
  template <typename... FurtherItems>
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label, int flags, const char* group,
                const char* listItems, const char* secondItem, FurtherItems... furtherItems)
  {
    static_assert((std::is_convertible<FurtherItems, const char*>::value && ...), "enum item texts are C strings");
    const char* const texts[] = {listItems, secondItem, static_cast<const char*>(furtherItems)...};
    InitEnumWithTexts(name, defaultValue, nEnums, label, flags, group, texts,
                      static_cast<int>(sizeof(texts) / sizeof(texts[0])));
  }
  // Items 0..size-1 with the list's texts, no label.
  void InitEnum(const char* name, int defaultValue, std::initializer_list<const char*> items, int flags = 0,
                const char* group = "");

  void InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label = "", int flags = 0,
               const char* group = "");

  // max is raised to min + step when below it. The display precision follows
  // from the step; the shape is cloned. A non-finite default counts as min.
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", int flags = 0, const char* group = "", const Shape& shape = ShapeLinear(),
                  EParamUnit unit = kUnitCustom, DisplayFunc displayFunc = nullptr);

  // Hz on the exponential shape.
  void InitFrequency(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags = 0,
                     const char* group = "");
  void InitSeconds(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags = 0,
                   const char* group = "");
  void InitMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flags = 0,
                        const char* group = "");
  // Decibels.
  void InitGain(const char* name, double defaultVal, double minVal, double maxVal, double step, int flags = 0,
                const char* group = "");
  void InitPercentage(const char* name, double defaultVal, double minVal, double maxVal, int flags = 0,
                      const char* group = "");
  void InitAngleDegrees(const char* name, double defaultVal, double minVal, double maxVal, int flags = 0,
                        const char* group = "");
  // An enum over MIDI notes minNote..maxNote showing note names; defaultIdx is
  // the item index (note - minNote).
  void InitPitch(const char* name, int defaultIdx, int minNote, int maxNote, int flags = 0, const char* group = "",
                 bool middleCisC4 = false);

  // Copies source's definition and display texts (not its value). The name
  // is source's with the first occurrence of searchStr replaced by replaceStr;
  // the group is newGroup when not empty, else source's. Copying a parameter
  // onto itself does nothing.
  void Init(const IParam& source, const char* searchStr = "", const char* replaceStr = "",
            const char* newGroup = "");

  // --- Value: any thread, lock-free, no allocation.

  double Value() const noexcept { return mValue.load(); }
  bool Bool() const noexcept { return Value() >= 0.5; }
  // Truncated toward zero, saturated at the int32 limits.
  int Int() const noexcept;
  // Stores Constrain(value); a non-finite value is ignored.
  void Set(double value) noexcept;
  // Set(FromNormalized(normalized)); a non-finite normalized is ignored.
  void SetNormalized(double normalized) noexcept;
  double GetNormalized() const noexcept { return ToNormalized(Value()); }
  // Stores the default as given, without Constrain.
  void SetToDefault() noexcept { mValue.store(mDefault); }
  double GetDefault(bool normalized = false) const noexcept { return normalized ? ToNormalized(mDefault) : mDefault; }

  // With the stepped flag, the nearest whole multiple of the step (halves
  // away from zero); then clipped to [min, max]. NaN gives min.
  double Constrain(double value) const noexcept;
  // Constrain, then the shape, clipped to [0, 1].
  double ToNormalized(double nonNormalizedValue) const noexcept;
  // The shape, then Constrain.
  double FromNormalized(double normalizedValue) const noexcept;
  // A normalised value snapped to the nearest reachable one.
  double ConstrainNormalized(double normalizedValue) const noexcept;

  // --- Definition (read-only after Init).

  EParamType Type() const noexcept { return mType; }
  EParamUnit Unit() const noexcept { return mUnit; }
  double GetMin() const noexcept { return mMin; }
  double GetMax() const noexcept { return mMax; }
  double GetStep() const noexcept { return mStep; }
  double GetRange() const noexcept { return mMax - mMin; }
  void GetBounds(double& lo, double& hi) const noexcept
  {
    lo = mMin;
    hi = mMax;
  }
  bool GetStepped() const noexcept { return (mFlags & kFlagStepped) != 0; }
  bool GetCanAutomate() const noexcept { return (mFlags & kFlagCannotAutomate) == 0; }
  bool GetMeta() const noexcept { return (mFlags & kFlagMeta) != 0; }
  const char* GetName() const noexcept { return mName; }
  const char* GetGroup() const noexcept { return mParamGroup; }
  // The label when the unit is custom, else null.
  const char* GetCustomUnit() const noexcept { return mUnit == kUnitCustom ? mLabel : nullptr; }
  EDisplayType DisplayType() const noexcept { return mShape->GetDisplayType(); }
  // Number of decimals shown; 0 shows the value rounded to an integer.
  void SetDisplayPrecision(int precision) noexcept { mDisplayPrecision = precision; }
  // 0 linear, 1 power curve, 2 exponential, 3 any other shape.
  int GetShapeID() const noexcept;
  // The exponent of a power-curve shape, else 0.
  double GetShapeValue() const noexcept;

  // --- Display texts (added at initialisation only).

  // Appends an entry; an existing entry for the same value is kept.
  void SetDisplayText(double value, const char* text);
  int NDisplayTexts() const noexcept { return static_cast<int>(mDisplayTexts.GetSize()); }
  // Entry idx's text, and its value through pValue when not null. An index
  // out of range gives "" and leaves *pValue alone.
  const char* GetDisplayTextAtIdx(int idx, double* pValue = nullptr) const noexcept;
  // The text of the first entry whose value equals value exactly, else "".
  const char* GetDisplayText(double value) const noexcept;
  // Writes the value of the first entry whose text equals str byte for byte;
  // false (pValue untouched) when there is none.
  bool MapDisplayText(const char* str, double* pValue) const noexcept;

  // --- Text (main thread; these may allocate in the LOOM_String).

  // The display text of value, at most 31 characters unless a display
  // function writes it.
  void GetDisplay(double value, bool normalized, LOOM_String& display, bool withDisplayText = true) const;
  void GetDisplay(LOOM_String& display, bool withDisplayText = true) const
  {
    GetDisplay(Value(), false, display, withDisplayText);
  }
  // GetDisplay, then " " and the label when GetLabel is not empty.
  void GetDisplayWithLabel(LOOM_String& display, bool withDisplayText = true) const;
  // "" when a display text exists for the current value truncated to an
  // integer (enum and bool texts carry no label), else the label.
  const char* GetLabel() const noexcept;
  // A display text's value (not constrained); else 0 for enum and bool
  // parameters; else the leading number (negated for negate-display),
  // constrained. Non-finite numbers give the current value.
  double StringToValue(const char* str) const;
  // Appends {"id":..., "name":..., ["type":...,] "min":..., "max":...,
  // "default":..., "display_type":..., "rate":"control"}. Quotes, backslashes
  // and control characters in the name are escaped.
  void GetJSON(LOOM_String& json, int idx) const;
  // The name and value to standard output.
  void PrintDetails() const;

private:
  void InitEnumWithTexts(const char* name, int defaultValue, int nEnums, const char* label, int flags,
                         const char* group, const char* const* texts, int nTexts);

  EParamType mType = kTypeNone;
  EParamUnit mUnit = kUnitCustom;
  // Written and read by any thread; see the note at the top.
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  int mFlags = 0;
  char mName[MAX_PARAM_NAME_LEN] = {};
  char mLabel[MAX_PARAM_LABEL_LEN] = {};
  char mParamGroup[MAX_PARAM_GROUP_LEN] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunc mDisplayFunction;
  LOOM_TypedBuf<DisplayText> mDisplayTexts{4096};

  static_assert(std::atomic<double>::is_always_lock_free, "the audio thread must not take a lock to read a value");
};

} // namespace weft
