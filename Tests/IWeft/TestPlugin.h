#pragma once
// A minimal plug-in over IPluginBase for tests: it supplies the two gesture
// operations every API binding must give (as no-ops) and records the
// notifications that would have reached a host or an editor.

#include "IPluginBase.h"
#include "PluginTestUtils.h"

#include <vector>

namespace pw::test {

class TestPlugin : public weft::IPluginBase
{
public:
  // An int32 that the headered state puts in front of the parameter block.
  static constexpr int kStateHeaderMagic = 0x54535431; // "TST1"

  struct Notifications
  {
    std::vector<weft::EParamSource> resets;  // one entry per OnParamReset
    int restoreStates = 0;                   // OnRestoreState calls
    int presetsModified = 0;                 // OnPresetsModified calls
    int presetChangesToHost = 0;             // InformHostOfPresetChange calls
  };

  TestPlugin(int nParams, int nPresets, int uniqueID = 0x54657374 /* "Test" */, int version = 0x010203)
  : IPluginBase(nParams, nPresets)
  {
    mUniqueID = uniqueID;
    mMfrID = 0x41636d65; // "Acme"
    mVersion = version;
    mAPI = weft::kAPIAUv2;
    mPluginName.Set("TestPlugin");
  }

  // Choose the state form of FXP/FXB files.
  void SetStateChunks(bool stateChunks) { mStateChunks = stateChunks; }
  void SetAPI(weft::EAPI api) { mAPI = api; }
  void SetHostVersion(int version) { mHostVersion = version; }
  void SetCurrentPresetIdx(int idx) { mCurrentPresetIdx = idx; }
  weft::IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }

  // With a header, the state is the int32 kStateHeaderMagic followed by the
  // parameter block, and a state without that header is refused with -1, as
  // a product's own state format would.
  void SetStateHeader(bool withHeader) { mStateHeader = withHeader; }

  bool SerializeState(weft::IByteChunk& chunk) const override
  {
    if (mStateHeader && chunk.Put(&kStateHeaderMagic) <= 0)
      return false;
    return SerializeParams(chunk);
  }

  int UnserializeState(const weft::IByteChunk& chunk, int startPos) override
  {
    if (mStateHeader)
    {
      int magic = 0;
      startPos = chunk.Get(&magic, startPos);
      if (startPos < 0 || magic != kStateHeaderMagic)
        return -1;
    }
    return UnserializeParams(chunk, startPos);
  }

  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  void OnParamReset(weft::EParamSource source) override
  {
    mNotes.resets.push_back(source);
    IPluginBase::OnParamReset(source);
  }

  void OnRestoreState() override
  {
    ++mNotes.restoreStates;
    IPluginBase::OnRestoreState();
  }

  void OnPresetsModified() override { ++mNotes.presetsModified; }
  void InformHostOfPresetChange() override { ++mNotes.presetChangesToHost; }

  const Notifications& Notes() const { return mNotes; }
  void ClearNotes() { mNotes = Notifications(); }

private:
  bool mStateHeader = false;
  Notifications mNotes;
};

} // namespace pw::test
