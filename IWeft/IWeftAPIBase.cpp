#include "IWeftAPIBase.h"

#include "IWeftHost.h"
#include "LOOM_Assert.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

namespace weft {

namespace {

// Names and identifiers keep at most this many characters.
constexpr int kMaxConfigNameLen = 128;
// CompareState's tolerance between a current and a stored value.
constexpr float kStateCompareTolerance = 1e-5f;

// Orders two calendar days (year, day of the year): -1, 0 or 1.
int CompareDays(const std::tm& a, const std::tm& b) noexcept
{
  if (a.tm_year != b.tm_year)
    return a.tm_year < b.tm_year ? -1 : 1;
  if (a.tm_yday != b.tm_yday)
    return a.tm_yday < b.tm_yday ? -1 : 1;
  return 0;
}

// The value as a float; false for a value outside the float range (the
// stored bytes come from outside), which then compares unequal.
bool ToFloat(double value, float& out) noexcept
{
  if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max())))
    return false;
  out = static_cast<float>(value);
  return true;
}

} // namespace

const char* CurrentTime()
{
  thread_local char buf[32];
  buf[0] = '\0';

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  std::tm utc{};
  if (!localtime_r(&now, &local) || !gmtime_r(&now, &utc))
    return buf;

  const size_t len = std::strftime(buf, sizeof(buf), "%Y%m%d %H:%M ", &local);
  // Minutes east of UTC; when the two clocks are on different days the
  // difference of the times of day is off by a whole day.
  int offset = (local.tm_hour * 60 + local.tm_min) - (utc.tm_hour * 60 + utc.tm_min);
  offset += 1440 * CompareDays(local, utc);
  const char sign = offset < 0 ? '-' : '+';
  offset = std::abs(offset);
  std::snprintf(buf + len, sizeof(buf) - len, "%c%02d%02d", sign, offset / 60, offset % 60);
  return buf;
}

IWeftAPIBase::IWeftAPIBase(Config config, EAPI plugAPI)
: IPluginBase(config.nParams, config.nPresets)
{
  mUniqueID = config.uniqueID;
  mMfrID = config.mfrID;
  mVersion = config.vendorVersion;
  mPluginName.Set(config.pluginName, kMaxConfigNameLen);
  mProductName.Set(config.productName, kMaxConfigNameLen);
  mMfrName.Set(config.mfrName, kMaxConfigNameLen);
  mStateChunks = config.plugDoesChunks;
  mHasUI = config.plugHasUI;
  mHostResize = config.plugHostResize;
  SetEditorSize(config.plugWidth, config.plugHeight);
  SetSizeConstraints(config.plugMinWidth, config.plugMaxWidth, config.plugMinHeight, config.plugMaxHeight);
  mAPI = plugAPI;
  mBundleID.Set(config.bundleID, kMaxConfigNameLen);
  mAppGroupID.Set(config.appGroupID, kMaxConfigNameLen);
  mParamDisplayStr.Set("");
}

IWeftAPIBase::~IWeftAPIBase()
{
  if (mTimer)
    mTimer->Stop();
}

void IWeftAPIBase::CreateTimer()
{
  mTimer = Timer::Create([this](Timer& timer) { OnTimer(timer); }, kTimerIntervalMs);
}

void IWeftAPIBase::OnTimer(Timer&)
{
  if (HasUI())
  {
    ParamTuple param;
    while (mParamChangeToUIQueue.Pop(param))
      SendParameterValueFromDelegate(param.mIdx, param.mValue, false);

    IMidiMsg msg;
    while (mMidiMsgsFromProcessor.Pop(msg))
      SendMidiMsgFromDelegate(msg);

    SysExData sysex;
    while (mSysExDataFromProcessor.Pop(sysex))
      SendSysexMsgFromDelegate(ISysEx(sysex.mOffset, sysex.mData, sysex.mSize));
  }

  OnIdle();
}

void IWeftAPIBase::SetParameterValue(int paramIdx, double normalizedValue)
{
  if (!IsParamIdxValid(paramIdx) || !std::isfinite(normalizedValue))
    return;

  GetParam(paramIdx)->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
}

void IWeftAPIBase::SetHost(const char* hostName, int version)
{
  LOOM_ASSERT_MSG(mHost == kHostUninit, "mHost == kHostUninit");
  if (mHost != kHostUninit)
    return;

  mRawHostNameStr.Set(hostName);
  mHostVersion = version;
  mHost = LookUpHost(hostName);
  HostSpecificInit();
  OnHostIdentified();
}

void IWeftAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  if (!IsParamIdxValid(paramIdx) || !std::isfinite(value))
    return;

  if (normalized)
    value = GetParam(paramIdx)->FromNormalized(value);

  // A full queue drops the value; the queue counts the drop.
  mParamChangeToUIQueue.Push(ParamTuple(paramIdx, value));
}

// --- From the editor

void IWeftAPIBase::DirtyParametersFromUI()
{
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

void IWeftAPIBase::BeginInformHostOfParamChangeFromUI(int paramIdx)
{
  if (IsParamIdxValid(paramIdx))
    BeginInformHostOfParamChange(paramIdx);
}

void IWeftAPIBase::EndInformHostOfParamChangeFromUI(int paramIdx)
{
  if (IsParamIdxValid(paramIdx))
    EndInformHostOfParamChange(paramIdx);
}

void IWeftAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (!IsParamIdxValid(paramIdx) || !std::isfinite(normalizedValue))
    return;

  SetParameterValue(paramIdx, normalizedValue);
  IPluginBase::SendParameterValueFromUI(paramIdx, normalizedValue);
}

bool IWeftAPIBase::EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize)
{
  if (!needsPlatformResize)
    return true;
  return EditorResize(viewWidth, viewHeight);
}

void IWeftAPIBase::SendMidiMsgFromUI(const IMidiMsg& msg)
{
  DeferMidiMsg(msg);
  IPluginBase::SendMidiMsgFromUI(msg);
}

void IWeftAPIBase::SendSysexMsgFromUI(const ISysEx& msg)
{
  DeferSysexMsg(msg);
  IPluginBase::SendSysexMsgFromUI(msg);
}

void IWeftAPIBase::SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, ctrlTag, dataSize, pData);
  IPluginBase::SendArbitraryMsgFromUI(msgTag, ctrlTag, dataSize, pData);
}

bool IWeftAPIBase::DeferMidiMsg(const IMidiMsg& msg)
{
  return mMidiMsgsFromEditor.Push(msg);
}

bool IWeftAPIBase::DeferSysexMsg(const ISysEx& msg)
{
  if (msg.mSize < 0 || msg.mSize > MAX_SYSEX_SIZE || (msg.mSize > 0 && !msg.mData))
    return false;

  return mSysExDataFromEditor.PushFromArgs(msg.mOffset, msg.mSize, msg.mData);
}

// --- Defaults for the binding

bool IWeftAPIBase::CompareState(const uint8_t* pIncomingState, int startPos) const
{
  if (!pIncomingState || startPos < 0)
    return false;

  bool isEqual = true;
  const uint8_t* pValue = pIncomingState + static_cast<size_t>(startPos) * sizeof(double);
  for (int i = 0; i < NParams(); ++i, pValue += sizeof(double))
  {
    double stored = 0.0;
    std::memcpy(&stored, pValue, sizeof(double));
    float storedF = 0.0f;
    float currentF = 0.0f;
    const bool comparable = ToFloat(stored, storedF) && ToFloat(GetParam(i)->Value(), currentF);
    isEqual &= comparable && std::fabs(currentF - storedF) < kStateCompareTolerance;
  }
  return isEqual;
}

void IWeftAPIBase::OnHostRequestingImportantParameters(int count, LOOM_TypedBuf<int>& results)
{
  if (count >= NParams())
    return;

  for (int i = 0; i < count; ++i)
    results.Add(i);
}

bool IWeftAPIBase::GetMidiNoteText(int, char* noteText) const
{
  if (noteText)
    noteText[0] = '\0';
  return false;
}

} // namespace weft
