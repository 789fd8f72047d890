#pragma once
// The part of every plug-in that exists whatever plug-in API is in use: the
// plug-in's identity, version and build texts, operations over ranges and
// groups of parameters, the saved state's parameter block, presets in memory,
// developer dumps of presets, and VST-style program (FXP) and bank (FXB)
// files.
//
// Threads: everything here runs on the thread the host or the editor calls
// from (the main thread in practice), never on the audio thread: the preset
// and file operations allocate and do file I/O. Parameter values are read and
// written only through IParam's atomic value, so the audio thread may keep
// processing while a state is saved or restored. Nothing here takes a lock.

#include "IByteChunk.h"
#include "IGEditorDelegate.h"
#include "IParam.h"
#include "IPreset.h"
#include "IWeftConfig.h"
#include "IWeftHost.h"
#include "LOOM_PtrList.h"
#include "LOOM_String.h"

#include <functional>

namespace weft {

// Handed by the plug-in factory to the product's constructor.
struct InstanceInfo
{
  LOOM_String mCocoaViewClass; // class name of the editor's view factory
};

class IPluginBase : public IGEditorDelegate
{
public:
  // nParams default parameters (made by the editor delegate) and nPresets
  // uninitialised presets named "empty". The API base copies the rest of the
  // Config into the protected fields afterwards.
  IPluginBase(int nParams, int nPresets);
  // Deletes every preset, last to first.
  ~IPluginBase() override;

  // --- Identity and version texts.

  // Versions are packed major << 16 | minor << 8 | bugfix; decimal gives
  // major * 10000 + minor * 100 + bugfix instead.
  int GetPluginVersion(bool decimal) const noexcept;
  int GetHostVersion(bool decimal) const noexcept;
  // "v%d.%d.%d" followed by "D".
  void GetPluginVersionStr(LOOM_String& str) const;
  // "v%d.%d.%d" of the host's version.
  void GetHostVersionStr(LOOM_String& str) const;
  // "<version> <API> (<arch>), built on <date> at <first 5 of time> ", at most
  // 256 characters. date and time are usually __DATE__ and __TIME__.
  void GetBuildInfoStr(LOOM_String& str, const char* date, const char* time) const;

  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMfrName() const { return mMfrName.Get(); }
  const char* GetBundleID() const { return mBundleID.Get(); }
  const char* GetAppGroupID() const { return mAppGroupID.Get(); }
  int GetUniqueID() const noexcept { return mUniqueID; }
  int GetMfrID() const noexcept { return mMfrID; }
  // kHostUninit until the API base identified the host.
  EHost GetHost() const noexcept { return mHost; }
  // The table name of the identified host ("Unknown" when none).
  void GetHostStr(LOOM_String& str) const;
  // The name the host reported about itself.
  const char* GetRawHostStr() const { return mRawHostNameStr.Get(); }
  EAPI GetAPI() const noexcept { return mAPI; }
  // "VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP", or ""
  // for any other value.
  const char* GetAPIStr() const noexcept;
  const char* GetArchStr() const noexcept;
  bool HasUI() const noexcept { return mHasUI; }
  bool GetHostResizeEnabled() const noexcept { return mHostResize; }
  bool DoesStateChunks() const noexcept { return mStateChunks; }

  static void GetVersionParts(int versionInteger, int& maj, int& min, int& bug) noexcept;
  static int GetDecimalVersion(int versionInteger) noexcept;
  // "v%d.%d.%d", at most 32 characters.
  static void GetVersionStr(int versionInteger, LOOM_String& str);

  // --- Parameter groups. The texts are not copied: they must outlive the
  // plug-in (string literals or parameter group fields).

  int NParamGroups() const noexcept { return mParamGroups.GetSize(); }
  // Returns the new number of groups.
  int AddParamGroup(const char* name);
  // Null for an index out of range.
  const char* GetParamGroupName(int idx) const noexcept { return mParamGroups.Get(idx); }

  // --- Ranges and groups of parameters. Index ranges are inclusive; indices
  // outside the parameter list are skipped.

  using ParamFunc = std::function<void(int paramIdx, IParam& param)>;

  // Parameter i of startIdx..endIdx gets InitDouble with the name
  // nameFmtStr filled with countStart + (i - startIdx) (one int argument),
  // cut to 31 characters.
  void InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                      double minVal, double maxVal, double step, const char* label = "", int flags = 0,
                      const char* group = "", const IParam::Shape& shape = IParam::ShapeLinear(),
                      IParam::EParamUnit unit = IParam::kUnitCustom, IParam::DisplayFunc displayFunc = nullptr);
  // Parameter startIdx + (i - cloneStartIdx) becomes a copy of parameter i
  // (IParam::Init with the three texts) and takes its value.
  void CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr = "",
                       const char* replaceStr = "", const char* newGroup = "");
  // Parameter destIdx + k takes the value of startIdx + k, k in 0..nParams-1.
  void CopyParamValues(int startIdx, int destIdx, int nParams);
  // The k-th parameter of outGroup takes the value of the k-th of inGroup,
  // both in index order. Groups of unequal size copy the shorter length.
  void CopyParamValues(const char* inGroup, const char* outGroup);
  void ForParamInRange(int startIdx, int endIdx, const ParamFunc& func);
  // Every parameter whose group text equals paramGroup, in index order.
  void ForParamInGroup(const char* paramGroup, const ParamFunc& func);
  // SetToDefault.
  void DefaultParamValues();
  void DefaultParamValues(int startIdx, int endIdx);
  void DefaultParamValues(const char* paramGroup);
  // SetNormalized of rand() / 2^31.
  void RandomiseParamValues();
  void RandomiseParamValues(int startIdx, int endIdx);
  void RandomiseParamValues(const char* paramGroup);
  // Every parameter's PrintDetails line, each followed by a newline, to
  // standard output.
  void PrintParamValues();

  // --- Saved state.

  // Appends the parameter block: one double per parameter, its current
  // (non-normalised) value, in index order. True when every value was
  // appended.
  bool SerializeParams(IByteChunk& chunk) const;
  // Reads the parameter block at startPos and Sets each parameter (constrained
  // to its range and step; non-finite values are skipped). A block that ends
  // early sets the parameters whose values are complete and returns -1; the
  // others keep their values. Calls OnParamReset (kPresetRecall) once in
  // every case. Returns the position after the block, or -1.
  int UnserializeParams(const IByteChunk& chunk, int startPos);

  // The host should re-read the parameter list and infos.
  virtual void InformHostOfParameterDetailsChange() {}
  // Appends the plug-in's whole state. Default: SerializeParams.
  virtual bool SerializeState(IByteChunk& chunk) const { return SerializeParams(chunk); }
  // Reads the whole state at startPos; returns the position after it, or -1
  // (0 means nothing was read). Default: UnserializeParams.
  virtual int UnserializeState(const IByteChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }
  virtual bool SerializeVST3CtrlrState(IByteChunk& chunk) const;
  virtual int UnserializeVST3CtrlrState(const IByteChunk& chunk, int startPos);
  // The host should re-read the current preset.
  virtual void InformHostOfPresetChange() {}
  // A preset was restored.
  virtual void OnPresetsModified() {}

  // --- Presets in memory. Names hold at most 255 characters; longer names
  // are cut.

  int NPresets() const noexcept { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const noexcept { return mCurrentPresetIdx; }
  // "" for an index out of range.
  const char* GetPresetName(int idx) const noexcept;

  // nPresets times: the first uninitialised preset, when there is one, takes
  // the name ("Empty" for null) and the current state.
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  // Every uninitialised preset takes the current state, named "Empty".
  void EnsureDefaultPreset();
  // The first uninitialised preset (none: nothing happens) takes the name and
  // a parameter block of one value per parameter in index order: an int for
  // bool, int and enum parameters, a double for the others.
  void MakePreset(const char* name, ...);
  // As MakePreset, with nParamsNamed pairs of (int index, value), the value an
  // int or a double by the same rule. Parameters that no pair names keep
  // their current values (as does a pair whose value is exactly 9.999e-8).
  // An index outside the parameter list is a caller error: the preset is then
  // not made.
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  // The first uninitialised preset takes the name and a copy of chunk.
  void MakePresetFromChunk(const char* name, const IByteChunk& chunk);
  // MakePresetFromChunk of sizeOfChunk bytes base64-decoded from blob.
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  // Deletes every uninitialised preset, keeping the order of the others.
  void PruneUninitializedPresets();

  // An uninitialised preset becomes "user preset N" holding the current
  // state; an initialised one is applied with UnserializeState. On success
  // the preset becomes the current one, OnPresetsModified and OnRestoreState
  // follow, and the result is true. An index out of range or a state that
  // does not apply gives false and leaves everything as it was.
  bool RestorePreset(int idx);
  // The first preset with exactly this name; false for an empty name or none.
  bool RestorePreset(const char* name);
  // The current preset takes the current state, and the name when it is not
  // empty. Nothing happens when the current index is out of range.
  void ModifyCurrentPreset(const char* name = nullptr);

  // For each preset: its name as a string, its initialised flag as a bool,
  // and, when initialised, its whole state. True when everything was
  // appended.
  bool SerializePresets(IByteChunk& chunk) const;
  // Reads what SerializePresets wrote, one entry per preset of this
  // plug-in. Each stored state is applied with UnserializeState and stored
  // again as this build writes it. Then the current preset is restored.
  // Returns the position after the last entry, or -1 when any entry cannot
  // be read or applied: then no preset, parameter or state changes.
  int UnserializePresets(const IByteChunk& chunk, int startPos);

  // --- Developer output: each appends one source statement to fileName for
  // the current preset; nothing happens when there is no current preset or
  // the file cannot be opened.

  // MakePreset("name", v0, v1, ...); with the current parameter values.
  void DumpMakePresetSrc(const char* fileName) const;
  // MakePresetFromNamedParams over paramEnumNames[i], one per parameter.
  void DumpMakePresetFromNamedParamsSrc(const char* fileName, const char* const* paramEnumNames) const;
  // MakePresetFromBlob("name", "<base64 of the preset's state>", size);
  void DumpPresetBlob(const char* fileName) const;

  // --- Preset files (IPluginBasePresets.cpp). True on success; false for an
  // empty file name, a file that cannot be opened, written or read, or a
  // file that is damaged or belongs to another plug-in. A failed load leaves
  // every parameter and preset as it was.

  // The current preset's name with the current state (state form when the
  // plug-in does state chunks, else the normalised parameter values).
  bool SavePresetAsFXP(const char* fileName) const;
  // Every preset (state form: SerializePresets; parameter form: one program
  // per preset with the values of its stored parameter block).
  bool SaveBankAsFXB(const char* fileName) const;
  bool LoadPresetFromFXP(const char* fileName);
  // Programs beyond this plug-in's number of presets are ignored.
  bool LoadBankFromFXB(const char* fileName);

protected:
  // Whether a state read that ended at pos read the chunk: a failure gives
  // -1, and a read that stops at 0 read nothing, which only an empty chunk
  // (the state of a unit without parameters) may do.
  static bool StateWasRead(int pos, const IByteChunk& chunk) noexcept
  {
    return pos > 0 || (pos == 0 && chunk.Size() == 0);
  }
  // Set by the API base from the Config and by host identification; read
  // only afterwards. All main thread.
  int mCurrentPresetIdx = 0;
  bool mStateChunks = false;
  LOOM_String mPluginName;
  LOOM_String mProductName;
  LOOM_String mMfrName;
  int mUniqueID = 0;
  int mMfrID = 0;
  int mVersion = 0;
  int mHostVersion = 0;
  EHost mHost = kHostUninit;
  LOOM_String mRawHostNameStr;
  EAPI mAPI = kAPIVST2;
  LOOM_String mBundleID;
  LOOM_String mAppGroupID;
  bool mHasUI = false;
  bool mHostResize = false;
  LOOM_PtrList<const char> mParamGroups; // not owned
  LOOM_PtrList<IPreset> mPresets;        // owned

private:
  // UnserializeState, and when that did not read the chunk (StateWasRead),
  // the state from before is put back and the answer is -1. Else
  // UnserializeState's result.
  int UnserializeStateOrRollBack(const IByteChunk& chunk, int startPos);
  // The first uninitialised preset, or null.
  IPreset* FirstUninitializedPreset() const noexcept;
  // Appends the value of paramIdx as MakePreset's argument text.
  void AppendParamValueSrc(int paramIdx, LOOM_String& str) const;
  // Makes preset idx the current one so that a bank program can overwrite
  // it, even when its stored state no longer applies.
  void SelectPresetForOverwrite(int idx);
};

} // namespace weft
