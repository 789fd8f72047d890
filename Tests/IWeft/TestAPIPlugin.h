#pragma once
// A plug-in over IWeftAPIBase for tests. It plays both neighbours of the API
// base: the binding (it exposes the queues the binding pushes and pops) and
// the editor (it records what reaches the editor side), and it records the
// calls that would go to a host. Everything it records is written on the
// main thread only.

#include "IWeftAPIBase.h"
#include "PluginTestUtils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pw::test {

class TestAPIPlugin : public weft::IWeftAPIBase
{
public:
  struct ParamToEditor { int idx; double value; bool normalized; };
  struct EditorSysEx { int offset; std::vector<uint8_t> bytes; };
  struct HostParamChange { int idx; double normalized; };
  struct ParamChange { int idx; weft::EParamSource source; int sampleOffset; };

  // Every parameter is a double from 0 to 100 with step 0.001.
  explicit TestAPIPlugin(int nParams = 4, bool hasUI = true)
  : IWeftAPIBase(MakeTestConfig("2-2", nParams, 0, hasUI), weft::kAPIAUv2)
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->InitDouble("Param", 0.0, 0.0, 100.0, 0.001);
  }

  // --- The binding's side of the queues.

  weft::IWeftMultiProducerQueue<weft::ParamTuple>& ParamQueue() { return mParamChangeToUIQueue; }
  weft::IWeftQueue<weft::IMidiMsg>& MidiFromEditor() { return mMidiMsgsFromEditor; }
  weft::IWeftQueue<weft::IMidiMsg>& MidiToEditor() { return mMidiMsgsFromProcessor; }
  weft::IWeftQueue<weft::SysExData>& SysExFromEditor() { return mSysExDataFromEditor; }
  weft::IWeftQueue<weft::SysExData>& SysExToEditor() { return mSysExDataFromProcessor; }

  // --- What reached the editor side, and the order of every delivery
  // ("param", "midi", "sysex", "idle").

  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override
  {
    editorParams.push_back({paramIdx, value, normalized});
    events.push_back("param");
  }

  void SendMidiMsgFromDelegate(const weft::IMidiMsg& msg) override
  {
    editorMidi.push_back(msg);
    events.push_back("midi");
  }

  void SendSysexMsgFromDelegate(const weft::ISysEx& msg) override
  {
    editorSysEx.push_back({msg.mOffset, std::vector<uint8_t>(msg.mData, msg.mData + msg.mSize)});
    events.push_back("sysex");
  }

  void OnIdle() override
  {
    ++idleCount;
    events.push_back("idle");
  }

  void OnParamChange(int paramIdx, weft::EParamSource source, int sampleOffset) override
  {
    paramChanges.push_back({paramIdx, source, sampleOffset});
  }

  void OnParamChangeUI(int paramIdx, weft::EParamSource source) override
  {
    paramChangesUI.push_back({paramIdx, source, -1});
  }

  // --- What reached the host.

  void BeginInformHostOfParamChange(int paramIdx) override { hostBegins.push_back(paramIdx); }
  void EndInformHostOfParamChange(int paramIdx) override { hostEnds.push_back(paramIdx); }
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override
  {
    hostChanges.push_back({paramIdx, normalizedValue});
  }

  void HostSpecificInit() override { hostSteps.push_back("HostSpecificInit:" + std::to_string(GetHost())); }
  void OnHostIdentified() override { hostSteps.push_back("OnHostIdentified:" + std::to_string(GetHost())); }

  std::vector<ParamToEditor> editorParams;
  std::vector<weft::IMidiMsg> editorMidi;
  std::vector<EditorSysEx> editorSysEx;
  std::vector<std::string> events;
  int idleCount = 0;
  std::vector<ParamChange> paramChanges;
  std::vector<ParamChange> paramChangesUI;
  std::vector<int> hostBegins;
  std::vector<int> hostEnds;
  std::vector<HostParamChange> hostChanges;
  std::vector<std::string> hostSteps;
};

} // namespace pw::test
