#pragma once
// The base of every plug-in API binding. It sits between the host, the audio
// thread and the editor:
// - five lock-free queues: parameter values from the host towards the editor,
//   MIDI and SysEx from the editor towards the audio thread, and MIDI and
//   SysEx from the binding towards the editor;
// - a repeating 20 ms main-thread timer that drains the queues towards the
//   editor and then calls OnIdle;
// - the path by which parameter changes made in the editor reach the host;
// - the operations a binding overrides to talk to its host (the defaults here
//   do nothing or report that the request is not handled).
//
// Threads:
// - main thread: construction, destruction, CreateTimer, OnTimer, SetHost,
//   every FromUI operation, the editor side of every queue.
// - the host's parameter threads (any threads, several at once, the audio
//   thread included): SendParameterValueFromAPI, the producers of the
//   parameter queue.
// - the render thread: consumer of the queues from the editor, producer of
//   the MIDI queue towards the editor (the binding's MIDI input).
// The parameter queue takes several producers; every other queue has exactly
// one producer and one consumer thread. Nothing here takes a lock; the queues
// never allocate after construction.

#include "IPluginBase.h"
#include "IWeftConfig.h"
#include "IWeftMidi.h"
#include "IWeftMultiProducerQueue.h"
#include "IWeftQueue.h"
#include "IWeftStructs.h"
#include "IWeftTimer.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_String.h"

#include <cstdint>
#include <memory>

namespace weft {

// The local time as "YYYYmmdd HH:MM +hhmm" (the offset from UTC, "-" west of
// it), at most 31 characters. The text lives in a buffer of the calling
// thread that the next call overwrites.
const char* CurrentTime();

class IWeftAPIBase : public IPluginBase
{
public:
  static constexpr int kParamQueueCapacity = 512;
  static constexpr int kMidiQueueCapacity = 32;
  static constexpr int kSysExQueueCapacity = 4;
  static constexpr uint32_t kTimerIntervalMs = 20;

  // Builds the plug-in base with the configuration's parameter and preset
  // counts and the queues, and copies the configuration's identity into the
  // plug-in base. The timer is not started: the binding calls CreateTimer
  // once its own construction is complete.
  IWeftAPIBase(Config config, EAPI plugAPI);
  // Stops the timer, so that OnTimer never runs on a half-destroyed object.
  ~IWeftAPIBase() override;

  // Starts the 20 ms timer on the main run loop, replacing (and destroying)
  // any previous one. Main thread, never from inside OnTimer.
  void CreateTimer();

  // One timer tick (main thread). With an editor configured (HasUI): delivers
  // every queued parameter value, then MIDI message, then SysEx message to
  // the editor side, each queue until it is empty. Then, always, OnIdle.
  void OnTimer(Timer& timer);

  // Sets parameter paramIdx from a normalised value (0..1), tells the host
  // (InformHostOfParamChange) and calls OnParamChange (paramIdx, kUI, -1).
  // An index outside the parameter list or a non-finite value changes
  // nothing and tells no one.
  void SetParameterValue(int paramIdx, double normalizedValue);

  // Identifies the host once: stores the reported name and version (major <<
  // 16 | minor << 8 | bugfix), looks the name up (LookUpHost), then calls
  // HostSpecificInit and OnHostIdentified. A host already identified is a
  // caller error; such a call changes nothing.
  void SetHost(const char* hostName, int version);

  // --- Editor delegate operations from the editor (main thread). Parameter
  // indices come from the editor: one outside the list is refused.

  // InformHostOfParamChange for every parameter with its normalised value.
  void DirtyParametersFromUI() override;
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override;
  // SetParameterValue, then the delegate's own handling (OnParamChangeUI).
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  // Sizes in pixels. Granted at once when no platform resize is needed,
  // otherwise the host decides (EditorResize).
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  // DeferMidiMsg, then the delegate's own handling.
  void SendMidiMsgFromUI(const IMidiMsg& msg) override;
  // DeferSysexMsg, then the delegate's own handling.
  void SendSysexMsgFromUI(const ISysEx& msg) override;
  // OnMessage with the same arguments (its result unused), then the
  // delegate's own handling.
  void SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData) override;
  // Queues the message for the render thread; dropped (and counted) when 32
  // are already waiting.
  bool DeferMidiMsg(const IMidiMsg& msg) override;
  // Queues a copy of the message's bytes for the render thread; dropped (and
  // counted) when 4 are already waiting. A message whose size is negative or
  // above MAX_SYSEX_SIZE, or that has a size but no bytes, is refused.
  bool DeferSysexMsg(const ISysEx& msg) override;

  // --- Operations a binding overrides; the defaults report "not handled".

  // pIncomingState holds one double per parameter from byte 8 * startPos on
  // (the caller guarantees 8 * (startPos + NParams()) readable bytes). True
  // when every parameter's current value matches its stored value to within
  // 1e-5, both compared as 32-bit floats. A null pointer or a negative
  // start position gives false.
  virtual bool CompareState(const uint8_t* pIncomingState, int startPos) const;
  virtual bool OnHostRequestingAboutBox() { return false; }
  virtual bool OnHostRequestingProductHelp() { return false; }
  // After SetHost identified the host.
  virtual void OnHostIdentified() {}
  // Appends the indices 0..count-1 when count is below NParams(), else
  // nothing.
  virtual void OnHostRequestingImportantParameters(int count, LOOM_TypedBuf<int>& results);
  // Sizes in points. The default supports only the host's own choice (a
  // width and height that add up to 0).
  virtual bool OnHostRequestingSupportedViewConfiguration(int width, int height)
  {
    return static_cast<long long>(width) + height == 0;
  }
  virtual void OnHostSelectedViewConfiguration(int width, int height)
  {
    (void)width;
    (void)height;
  }
  // Writes an empty text into noteText (when not null) and returns false.
  virtual bool GetMidiNoteText(int noteNumber, char* noteText) const;
  // The open editor's drawing context, null without one.
  virtual void* GetAAXViewInterface() { return static_cast<void*>(GetUI()); }
  // Main thread, every timer tick after the queues were drained.
  virtual void OnIdle() {}
  // Colour components 0..255; the default gives black.
  virtual void GetTrackColor(int& r, int& g, int& b)
  {
    r = 0;
    g = 0;
    b = 0;
  }
  virtual void GetTrackName(LOOM_String& str) { (void)str; }
  virtual int GetTrackIndex() { return 0; }
  virtual void GetTrackNamespace(LOOM_String& str) { (void)str; }
  virtual int GetTrackNamespaceIndex() { return 0; }

  // Called by the binding, on any thread the host sets parameters on (several
  // may call at once), after it set the parameter. Queues (paramIdx, plain value) for the editor; with
  // normalized set, value (0..1) is first converted to the parameter's range.
  // An index outside the list or a non-finite value queues nothing; a full
  // queue (512 waiting) drops the value and counts the drop. Never blocks or
  // allocates.
  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  // After the host was identified, before OnHostIdentified.
  virtual void HostSpecificInit() {}
  // Sizes in pixels; true when the host resized the editor's window.
  virtual bool EditorResize(int viewWidth, int viewHeight)
  {
    (void)viewWidth;
    (void)viewHeight;
    return false;
  }
  // Gesture start, value change (normalised 0..1) and gesture end, to the host.
  virtual void BeginInformHostOfParamChange(int paramIdx) { (void)paramIdx; }
  virtual void EndInformHostOfParamChange(int paramIdx) { (void)paramIdx; }
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue)
  {
    (void)paramIdx;
    (void)normalizedValue;
  }
  // MIDI and SysEx output from the processor towards the host.
  virtual void TransmitMidiMsgFromProcessor(const IMidiMsg& msg) { (void)msg; }
  virtual void TransmitSysExDataFromProcessor(const SysExData& data) { (void)data; }

protected:
  // True for an index of the parameter list.
  bool IsParamIdxValid(int paramIdx) const noexcept { return paramIdx >= 0 && paramIdx < NParams(); }

  // Scratch text for a binding (a parameter's display text), at most 32
  // characters. Main thread.
  LOOM_String mParamDisplayStr;
  // Main thread: created by CreateTimer, stopped by the destructor.
  std::unique_ptr<Timer> mTimer;

  // Producers: every thread the host sets parameters on, at once
  // (SendParameterValueFromAPI). Consumer: the main thread (OnTimer).
  IWeftMultiProducerQueue<ParamTuple> mParamChangeToUIQueue{kParamQueueCapacity};
  // Producer: the main thread (DeferMidiMsg). Consumer: the render thread,
  // which drains it into ProcessMidiMsg before each block.
  IWeftQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueCapacity};
  // Producer: the binding's MIDI input (the host's MIDI thread). Consumer:
  // the main thread (OnTimer).
  IWeftQueue<IMidiMsg> mMidiMsgsFromProcessor{kMidiQueueCapacity};
  // Producer: the main thread (DeferSysexMsg). Consumer: the render thread.
  IWeftQueue<SysExData> mSysExDataFromEditor{kSysExQueueCapacity};
  // Producer: none in the Audio Unit binding. Consumer: the main thread
  // (OnTimer).
  IWeftQueue<SysExData> mSysExDataFromProcessor{kSysExQueueCapacity};
  // Render thread: where the binding pops SysEx from the editor into.
  SysExData mSysexBuf;
};

} // namespace weft
