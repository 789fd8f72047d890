#include "IPluginBase.h"

#include "LOOM_Assert.h"
#include "LOOM_Base64.h"
#include "IWeftUtilities.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace weft {

namespace {

constexpr int kMaxVersionStrLen = 32;
constexpr int kMaxBuildInfoStrLen = 256;
constexpr const char* kUserPresetName = "user preset";

// Stands for "no value given" in MakePresetFromNamedParams.
constexpr double kUnnamedParamMarker = 9.999e-8;

bool TakesIntArgument(const IParam& param) noexcept
{
  const IParam::EParamType type = param.Type();
  return type == IParam::kTypeBool || type == IParam::kTypeInt || type == IParam::kTypeEnum;
}

// Appends one statement to fileName; nothing when the file cannot be opened.
void AppendToFile(const char* fileName, const LOOM_String& text)
{
  if (!CStringHasContents(fileName))
    return;
  if (FILE* fp = std::fopen(fileName, "a"))
  {
    std::fputs(text.Get(), fp);
    std::fclose(fp);
  }
}

} // namespace

IPluginBase::IPluginBase(int nParams, int nPresets)
: IGEditorDelegate(nParams)
{
  for (int i = 0; i < nPresets; ++i)
  {
    auto pPreset = std::make_unique<IPreset>();
    if (mPresets.Add(pPreset.get()))
      pPreset.release();
  }
}

IPluginBase::~IPluginBase()
{
  mPresets.Empty(true);
}

// --- Identity and version texts

int IPluginBase::GetPluginVersion(bool decimal) const noexcept
{
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

int IPluginBase::GetHostVersion(bool decimal) const noexcept
{
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IPluginBase::GetPluginVersionStr(LOOM_String& str) const
{
  GetVersionStr(mVersion, str);
  str.Append("D");
}

void IPluginBase::GetHostVersionStr(LOOM_String& str) const
{
  GetVersionStr(mHostVersion, str);
}

void IPluginBase::GetBuildInfoStr(LOOM_String& str, const char* date, const char* time) const
{
  LOOM_String version;
  GetPluginVersionStr(version);
  str.SetFormatted(kMaxBuildInfoStrLen, "%s %s (%s), built on %s at %.5s ", version.Get(), GetAPIStr(),
                   GetArchStr(), date ? date : "", time ? time : "");
}

void IPluginBase::GetHostStr(LOOM_String& str) const
{
  GetHostNameStr(mHost, str);
}

const char* IPluginBase::GetAPIStr() const noexcept
{
  switch (mAPI)
  {
    case kAPIVST2: return "VST2";
    case kAPIVST3: return "VST3";
    case kAPIAUv2: return "AU";
    case kAPIAUv3: return "AUv3";
    case kAPIAAX: return "AAX";
    case kAPIAPP: return "APP";
    case kAPIWAM: return "WAM";
    case kAPIWEB: return "WEB";
    case kAPICLAP: return "CLAP";
  }
  return "";
}

const char* IPluginBase::GetArchStr() const noexcept
{
#if defined(__aarch64__) || defined(__arm64__)
  return "arm64";
#else
  return "x86-64";
#endif
}

void IPluginBase::GetVersionParts(int versionInteger, int& maj, int& min, int& bug) noexcept
{
  maj = versionInteger >> 16;
  min = (versionInteger & 0xFF00) >> 8;
  bug = versionInteger & 0xFF;
}

int IPluginBase::GetDecimalVersion(int versionInteger) noexcept
{
  int maj = 0, min = 0, bug = 0;
  GetVersionParts(versionInteger, maj, min, bug);
  return maj * 10000 + min * 100 + bug;
}

void IPluginBase::GetVersionStr(int versionInteger, LOOM_String& str)
{
  int maj = 0, min = 0, bug = 0;
  GetVersionParts(versionInteger, maj, min, bug);
  str.SetFormatted(kMaxVersionStrLen, "v%d.%d.%d", maj, min, bug);
}

// --- Parameter groups, ranges and groups

int IPluginBase::AddParamGroup(const char* name)
{
  mParamGroups.Add(name);
  return NParamGroups();
}

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                                 double minVal, double maxVal, double step, const char* label, int flags,
                                 const char* group, const IParam::Shape& shape, IParam::EParamUnit unit,
                                 IParam::DisplayFunc displayFunc)
{
  char name[MAX_PARAM_NAME_LEN];
  ForParamInRange(startIdx, endIdx, [&](int paramIdx, IParam& param) {
    std::snprintf(name, sizeof(name), nameFmtStr ? nameFmtStr : "", countStart + (paramIdx - startIdx));
    param.InitDouble(name, defaultVal, minVal, maxVal, step, label, flags, group, shape, unit, displayFunc);
  });
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup)
{
  for (int i = cloneStartIdx; i <= cloneEndIdx; ++i)
  {
    const IParam* pSource = GetParam(i);
    IParam* pDest = GetParam(startIdx + (i - cloneStartIdx));
    if (!pSource || !pDest)
      continue;
    pDest->Init(*pSource, searchStr, replaceStr, newGroup);
    pDest->Set(pSource->Value());
  }
}

void IPluginBase::CopyParamValues(int startIdx, int destIdx, int nParams)
{
  LOOM_ASSERT_MSG(startIdx + nParams < NParams(), "startIdx + nParams < NParams()");
  LOOM_ASSERT_MSG(destIdx + nParams < NParams(), "destIdx + nParams < NParams()");
  LOOM_ASSERT_MSG(startIdx + nParams < destIdx, "startIdx + nParams < destIdx");
  for (int k = 0; k < nParams; ++k)
  {
    const IParam* pSource = GetParam(startIdx + k);
    IParam* pDest = GetParam(destIdx + k);
    if (pSource && pDest)
      pDest->Set(pSource->Value());
  }
}

void IPluginBase::CopyParamValues(const char* inGroup, const char* outGroup)
{
  std::vector<int> inIdxs;
  std::vector<int> outIdxs;
  ForParamInGroup(inGroup, [&](int paramIdx, IParam&) { inIdxs.push_back(paramIdx); });
  ForParamInGroup(outGroup, [&](int paramIdx, IParam&) { outIdxs.push_back(paramIdx); });
  LOOM_ASSERT_MSG(inIdxs.size() == outIdxs.size(), "both groups must hold the same number of parameters");
  const size_t n = inIdxs.size() < outIdxs.size() ? inIdxs.size() : outIdxs.size();
  for (size_t k = 0; k < n; ++k)
    GetParam(outIdxs[k])->Set(GetParam(inIdxs[k])->Value());
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const ParamFunc& func)
{
  for (int i = startIdx; i <= endIdx; ++i)
  {
    if (IParam* pParam = GetParam(i))
      func(i, *pParam);
  }
}

void IPluginBase::ForParamInGroup(const char* paramGroup, const ParamFunc& func)
{
  const char* group = paramGroup ? paramGroup : "";
  for (int i = 0; i < NParams(); ++i)
  {
    IParam* pParam = GetParam(i);
    if (std::strcmp(pParam->GetGroup(), group) == 0)
      func(i, *pParam);
  }
}

void IPluginBase::DefaultParamValues()
{
  DefaultParamValues(0, NParams() - 1);
}

void IPluginBase::DefaultParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, [](int, IParam& param) { param.SetToDefault(); });
}

void IPluginBase::DefaultParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, [](int, IParam& param) { param.SetToDefault(); });
}

namespace {

void SetRandomNormalized(int, IParam& param)
{
  param.SetNormalized(static_cast<float>(std::rand()) / 2147483648.0f);
}

} // namespace

void IPluginBase::RandomiseParamValues()
{
  RandomiseParamValues(0, NParams() - 1);
}

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, SetRandomNormalized);
}

void IPluginBase::RandomiseParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, SetRandomNormalized);
}

void IPluginBase::PrintParamValues()
{
  ForParamInRange(0, NParams() - 1, [](int, IParam& param) {
    param.PrintDetails();
    std::printf("\n");
  });
}

// --- Saved state

bool IPluginBase::SerializeParams(IByteChunk& chunk) const
{
  bool savedOK = true;
  for (int i = 0; i < NParams() && savedOK; ++i)
  {
    const double value = GetParam(i)->Value();
    savedOK = chunk.Put(&value) > 0;
  }
  return savedOK;
}

int IPluginBase::UnserializeParams(const IByteChunk& chunk, int startPos)
{
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i)
  {
    double value = 0.0;
    pos = chunk.Get(&value, pos);
    if (pos >= 0 && std::isfinite(value))
      GetParam(i)->Set(value);
  }
  OnParamReset(kPresetRecall);
  return pos;
}

bool IPluginBase::SerializeVST3CtrlrState(IByteChunk&) const
{
  return true;
}

int IPluginBase::UnserializeVST3CtrlrState(const IByteChunk&, int startPos)
{
  return startPos;
}

int IPluginBase::UnserializeStateOrRollBack(const IByteChunk& chunk, int startPos)
{
  IByteChunk before;
  const bool haveBefore = SerializeState(before);
  const int pos = UnserializeState(chunk, startPos);
  if (StateWasRead(pos, chunk))
    return pos;
  if (haveBefore)
    UnserializeState(before, 0);
  return -1;
}

// --- Presets in memory

const char* IPluginBase::GetPresetName(int idx) const noexcept
{
  const IPreset* pPreset = mPresets.Get(idx);
  return pPreset ? pPreset->mName : "";
}

IPreset* IPluginBase::FirstUninitializedPreset() const noexcept
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPreset* pPreset = mPresets.Get(i);
    if (!pPreset->mInitialized)
      return pPreset;
  }
  return nullptr;
}

void IPluginBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* pPreset = FirstUninitializedPreset();
    if (!pPreset)
      return;
    pPreset->mInitialized = true;
    CopyTextField(pPreset->mName, CStringHasContents(name) ? name : "Empty");
    pPreset->mChunk.Clear();
    SerializeState(pPreset->mChunk);
  }
}

void IPluginBase::EnsureDefaultPreset()
{
  MakeDefaultPreset("Empty", NPresets());
}

void IPluginBase::MakePreset(const char* name, ...)
{
  IPreset* pPreset = FirstUninitializedPreset();
  if (!pPreset)
    return;

  IByteChunk state;
  va_list vp;
  va_start(vp, name);
  for (int i = 0; i < NParams(); ++i)
  {
    const double value = TakesIntArgument(*GetParam(i)) ? static_cast<double>(va_arg(vp, int)) : va_arg(vp, double);
    state.Put(&value);
  }
  va_end(vp);

  pPreset->mInitialized = true;
  CopyTextField(pPreset->mName, name);
  pPreset->mChunk = state;
}

void IPluginBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
  IPreset* pPreset = FirstUninitializedPreset();
  if (!pPreset)
    return;

  const int n = NParams();
  std::vector<double> values(static_cast<size_t>(n), kUnnamedParamMarker);
  va_list vp;
  va_start(vp, nParamsNamed);
  for (int i = 0; i < nParamsNamed; ++i)
  {
    const int paramIdx = va_arg(vp, int);
    const IParam* pParam = GetParam(paramIdx);
    LOOM_ASSERT_MSG(pParam, "MakePresetFromNamedParams: parameter index out of range");
    if (!pParam)
    {
      // The type of the value that follows is unknown: nothing more can be read.
      va_end(vp);
      return;
    }
    values[static_cast<size_t>(paramIdx)] =
      TakesIntArgument(*pParam) ? static_cast<double>(va_arg(vp, int)) : va_arg(vp, double);
  }
  va_end(vp);

  IByteChunk state;
  for (int i = 0; i < n; ++i)
  {
    const double value = values[static_cast<size_t>(i)] == kUnnamedParamMarker ? GetParam(i)->Value()
                                                                                 : values[static_cast<size_t>(i)];
    state.Put(&value);
  }

  pPreset->mInitialized = true;
  CopyTextField(pPreset->mName, name);
  pPreset->mChunk = state;
}

void IPluginBase::MakePresetFromChunk(const char* name, const IByteChunk& chunk)
{
  IPreset* pPreset = FirstUninitializedPreset();
  if (!pPreset)
    return;
  pPreset->mInitialized = true;
  CopyTextField(pPreset->mName, name);
  pPreset->mChunk.Clear();
  pPreset->mChunk.PutChunk(chunk);
}

void IPluginBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  LOOM_ASSERT_MSG(sizeOfChunk >= 0, "MakePresetFromBlob: negative size");
  IByteChunk presetChunk;
  presetChunk.Resize(sizeOfChunk);
  if (sizeOfChunk < 0 || presetChunk.Size() != sizeOfChunk)
    return;
  if (sizeOfChunk > 0)
    loom_base64decode(blob ? blob : "", presetChunk.GetData(), sizeOfChunk);
  MakePresetFromChunk(name, presetChunk);
}

void IPluginBase::PruneUninitializedPresets()
{
  for (int i = NPresets() - 1; i >= 0; --i)
  {
    if (!mPresets.Get(i)->mInitialized)
      mPresets.Delete(i, true);
  }
}

bool IPluginBase::RestorePreset(int idx)
{
  IPreset* pPreset = mPresets.Get(idx);
  if (!pPreset)
    return false;

  bool restored = false;
  if (!pPreset->mInitialized)
  {
    IByteChunk state;
    if (SerializeState(state))
    {
      int nUserPresets = 0;
      for (int i = 0; i < NPresets(); ++i)
      {
        const IPreset* other = mPresets.Get(i);
        if (other && std::strstr(other->mName, kUserPresetName))
          ++nUserPresets;
      }
      pPreset->mInitialized = true;
      std::snprintf(pPreset->mName, sizeof(pPreset->mName), "%s %d", kUserPresetName, nUserPresets + 1);
      pPreset->mChunk = state;
      restored = true;
    }
  }
  else
  {
    restored = UnserializeStateOrRollBack(pPreset->mChunk, 0) >= 0;
  }

  if (restored)
  {
    mCurrentPresetIdx = idx;
    OnPresetsModified();
    OnRestoreState();
  }
  return restored;
}

bool IPluginBase::RestorePreset(const char* name)
{
  if (!CStringHasContents(name))
    return false;
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPreset* preset = mPresets.Get(i);
    if (preset && std::strcmp(preset->mName, name) == 0)
      return RestorePreset(i);
  }
  return false;
}

void IPluginBase::ModifyCurrentPreset(const char* name)
{
  IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset)
    return;
  IByteChunk state;
  if (SerializeState(state))
    pPreset->mChunk = state;
  if (CStringHasContents(name))
    CopyTextField(pPreset->mName, name);
}

void IPluginBase::SelectPresetForOverwrite(int idx)
{
  if (RestorePreset(idx))
    return;
  if (IPreset* pPreset = mPresets.Get(idx))
  {
    pPreset->mInitialized = true;
    mCurrentPresetIdx = idx;
  }
}

bool IPluginBase::SerializePresets(IByteChunk& chunk) const
{
  bool savedOK = true;
  for (int i = 0; i < NPresets() && savedOK; ++i)
  {
    const IPreset* pPreset = mPresets.Get(i);
    const bool initialized = pPreset->mInitialized;
    savedOK = chunk.PutStr(pPreset->mName) > 0 && chunk.Put(&initialized) > 0;
    if (savedOK && initialized)
      savedOK = chunk.PutChunk(pPreset->mChunk) > 0;
  }
  return savedOK;
}

int IPluginBase::UnserializePresets(const IByteChunk& chunk, int startPos)
{
  // A stored state carries no length: only UnserializeState knows where it
  // ends. So every entry is applied to the plug-in while it is read, into
  // scratch presets, and the plug-in's state from before is put back when
  // any entry fails.
  IByteChunk before;
  const bool haveBefore = SerializeState(before);

  const int n = NPresets();
  std::vector<std::unique_ptr<IPreset>> read;
  read.reserve(static_cast<size_t>(n));
  LOOM_String name;
  bool appliedAny = false;
  int pos = startPos;
  for (int i = 0; i < n && pos >= 0; ++i)
  {
    auto pPreset = std::make_unique<IPreset>();
    name.Set("");
    pos = chunk.GetStr(name, pos);
    bool initialized = false;
    pos = chunk.Get(&initialized, pos);
    if (pos < 0)
      break;
    CopyTextField(pPreset->mName, name.Get());
    pPreset->mInitialized = initialized;
    if (initialized)
    {
      appliedAny = true;
      pos = UnserializeState(chunk, pos);
      if (pos <= 0 || !SerializeState(pPreset->mChunk))
        pos = -1;
    }
    read.push_back(std::move(pPreset));
  }

  if (pos < 0)
  {
    if (appliedAny && haveBefore)
      UnserializeState(before, 0);
    return -1;
  }

  for (int i = 0; i < n; ++i)
  {
    IPreset* pPreset = mPresets.Get(i);
    const IPreset& loaded = *read[static_cast<size_t>(i)];
    CopyTextField(pPreset->mName, loaded.mName);
    pPreset->mInitialized = loaded.mInitialized;
    if (loaded.mInitialized)
      pPreset->mChunk = loaded.mChunk;
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// --- Developer output

void IPluginBase::AppendParamValueSrc(int paramIdx, LOOM_String& str) const
{
  const IParam* pParam = GetParam(paramIdx);
  switch (pParam->Type())
  {
    case IParam::kTypeBool:
      str.Append(pParam->Bool() ? "true" : "false");
      break;
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      str.AppendFormatted(32, "%d", pParam->Int());
      break;
    default:
      str.AppendFormatted(64, "%.6f", pParam->Value());
      break;
  }
}

void IPluginBase::DumpMakePresetSrc(const char* fileName) const
{
  const IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset)
    return;
  LOOM_String src("MakePreset(\"");
  src.Append(pPreset->mName);
  src.Append("\"");
  for (int i = 0; i < NParams(); ++i)
  {
    src.Append(", ");
    AppendParamValueSrc(i, src);
  }
  src.Append(");\n");
  AppendToFile(fileName, src);
}

void IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* fileName, const char* const* paramEnumNames) const
{
  const IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset || !paramEnumNames)
    return;
  LOOM_String src("  MakePresetFromNamedParams(\"");
  src.Append(pPreset->mName);
  src.AppendFormatted(32, "\", %d", NParams());
  for (int i = 0; i < NParams(); ++i)
  {
    src.Append(",\n    ");
    src.Append(paramEnumNames[i] ? paramEnumNames[i] : "");
    src.Append(", ");
    AppendParamValueSrc(i, src);
  }
  src.Append(");\n");
  AppendToFile(fileName, src);
}

void IPluginBase::DumpPresetBlob(const char* fileName) const
{
  const IPreset* pPreset = mPresets.Get(mCurrentPresetIdx);
  if (!pPreset)
    return;
  const IByteChunk& state = pPreset->mChunk;
  const int size = state.Size();
  // Four characters per started group of three bytes, and the NUL.
  std::vector<char> base64(static_cast<size_t>(size / 3 + 1) * 4 + 1);
  loom_base64encode(state.GetData(), base64.data(), size);

  LOOM_String src("MakePresetFromBlob(\"");
  src.Append(pPreset->mName);
  src.Append("\", \"");
  src.Append(base64.data());
  src.AppendFormatted(32, "\", %d);\n", size);
  AppendToFile(fileName, src);
}

} // namespace weft
