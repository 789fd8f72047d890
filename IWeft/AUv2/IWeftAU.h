#pragma once
// The Audio Unit (version 2) binding: the base class of a plug-in that a
// host loads as an Audio Unit effect.
//
// A host reaches an instance on one of two roads (IWeftAUFactory.h): the
// AudioComponent road (a factory returns an instance block whose methods the
// host looks up per selector) or the Component Manager road (one entry
// function that receives every call as a parameter block). Both end in the
// static Do handlers below.
//
// Threads:
// - main thread: open, close, Initialize, Uninitialize, Reset, every property
//   call, listener and render-notify registration, construction and
//   destruction. The host never changes connections, formats or the block
//   size while it renders; it may reset or switch bypass while it renders,
//   and those run excluded from a slice's processing (ExcludingRender).
// - render thread: Render (RenderProc and everything it calls), MIDI event
//   and SysEx input, the Send operations towards the host's MIDI output.
//   Nothing on it allocates, locks, prints or blocks.
// - parameter threads (whichever the host uses, often the render thread and
//   the main thread at once): GetParameter, SetParameter, ScheduleParameters.

#include "IWeftAPIBase.h"
#include "IWeftAU_UnitNames.h"
#include "IWeftAU_Utils.h"
#include "IWeftProcessor.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_PtrList.h"
#include "LOOM_String.h"

#include <AudioToolbox/AudioToolbox.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreMIDI/CoreMIDI.h>
#include <CoreServices/CoreServices.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace weft {

class IWeftAU;

// Builds a plug-in object in memory (placement) or, with null, in memory of
// its own (released with delete). IWeftAUFactory.h provides MakePlug<Plug>.
using IWeftAUPlugMaker = IWeftAU* (*)(void* memory);

// The fast render procedure an upstream unit may offer for the render
// selector: called with the upstream unit's instance storage first.
using IWeftAURenderProc = OSStatus (*)(void* componentStorage, AudioUnitRenderActionFlags* ioActionFlags,
                                       const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                       UInt32 inNumberFrames, AudioBufferList* ioData);

class IWeftAU : public IWeftAPIBase, public IWeftProcessor
{
public:
  // Host-negotiable limits of MaximumFramesPerSlice (frames).
  static constexpr int kMinFramesPerSlice = 1;
  static constexpr int kMaxFramesPerSlice = 65536;
  // Block size until the host sets MaximumFramesPerSlice (frames).
  static constexpr int kDefaultBlockSize = 512;
  // Most buffers one input pull hands upstream (channels of one bus).
  static constexpr int kMaxBusChannels = 64;
  // Most buses per direction the channel I/O checks take.
  static constexpr int kMaxBuses = 64;
  // Registrations the host can hold at once.
  static constexpr int kMaxPropertyListeners = 128;
  static constexpr int kMaxRenderNotifies = 32;
  // Largest SysEx message SendSysEx takes (bytes), and the piece size it is
  // added to the packet list in.
  static constexpr int kMaxSysExBytes = 65536;
  static constexpr int kSysExPieceBytes = 256;
  // Bytes of the render thread's packet-list buffer: the list header, a
  // whole maximal SysEx and the packet headers with their padding.
  static constexpr int kMIDIPacketListBytes = kMaxSysExBytes + 4096;
  // Private property: the plug-in object's address, read by the view factory.
  static constexpr AudioUnitPropertyID kIWeftAUProperty_PlugInObject = 0xFFFFFF9Bu;

  // How an input bus is pulled.
  enum EInputType : UInt32
  {
    eNotConnected = 0,     // "NotConnected": not pulled
    eDirectFastProc = 1,   // "DirectFastProc": the upstream render procedure
    eDirectNoFastProc = 2, // "DirectNoFastProc": AudioUnitRender on the upstream unit
    eRenderCallback = 3    // "RenderCallback": the host's render callback
  };

  // One input or output bus. Main thread writes, render thread reads.
  struct BusChannels
  {
    bool mConnected = false;   // a source is connected (input) / the host rendered it (output)
    int mHostChannels = -1;    // channels the host connected; -1 when none was negotiated
    int mPlugChannels = 0;     // channels the plug-in has on this bus
    int mFirstPlugChannel = 0; // index of the bus's first channel in the processor's channel array
  };

  // Where an input bus gets its audio. Zero-filled when reset.
  struct InputBusConnection
  {
    void* mUpstreamObject;                  // the upstream unit's instance storage
    AudioUnit mUpstreamUnit;                // the upstream unit
    UInt32 mUpstreamBus;                    // output bus number on the upstream unit
    IWeftAURenderProc mUpstreamRenderProc;  // the upstream unit's fast render procedure
    AURenderCallbackStruct mRenderCallback; // set by the host through SetRenderCallback
    UInt32 mInputType;                      // an EInputType
  };

  struct PropertyListener
  {
    AudioUnitPropertyID mPropertyID;
    AudioUnitPropertyListenerProc mListenerProc;
    void* mUserData;
  };

  struct RenderNotify
  {
    AURenderCallback mProc;
    void* mUserData;
  };

  // Builds both bases for the Audio Unit API, the bus records from the
  // channel I/O configurations, the scratch buffers for a block of 512
  // frames, the bypass delay line and the 20 ms idle timer.
  IWeftAU(const InstanceInfo& info, const Config& config);
  ~IWeftAU() override;

  IWeftAU(const IWeftAU&) = delete;
  IWeftAU& operator=(const IWeftAU&) = delete;

  // The Component Manager entry: dispatches the selector of params. storage
  // is the object for every selector but open; makePlug builds the object on
  // open. Answers the selector's status (or, for can-do and version, its
  // value); 0x80008002 for a selector it does not handle.
  static ComponentResult IWeftAUEntry(ComponentParameters* params, void* storage, IWeftAUPlugMaker makePlug);

  // --- Per-selector handlers (first argument the object) ------------------

  static OSStatus DoInitialize(IWeftAU* _this);
  static OSStatus DoUninitialize(IWeftAU* _this);
  static OSStatus DoGetPropertyInfo(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                    AudioUnitElement element, UInt32* outDataSize, Boolean* outWritable);
  // ioDataSize: bytes at outData on the way in (a smaller buffer than the
  // property's size is refused with -10851), bytes written on the way out.
  static OSStatus DoGetProperty(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                AudioUnitElement element, void* outData, UInt32* ioDataSize);
  static OSStatus DoSetProperty(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitScope scope,
                                AudioUnitElement element, const void* inData, UInt32 inDataSize);
  static OSStatus DoGetParameter(IWeftAU* _this, AudioUnitParameterID id, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue* outValue);
  static OSStatus DoSetParameter(IWeftAU* _this, AudioUnitParameterID id, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue value, UInt32 bufferOffset);
  static OSStatus DoReset(IWeftAU* _this, AudioUnitScope scope, AudioUnitElement element);
  static OSStatus DoAddPropertyListener(IWeftAU* _this, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                        void* userData);
  static OSStatus DoRemovePropertyListener(IWeftAU* _this, AudioUnitPropertyID id,
                                           AudioUnitPropertyListenerProc proc);
  static OSStatus DoRemovePropertyListenerWithUserData(IWeftAU* _this, AudioUnitPropertyID id,
                                                       AudioUnitPropertyListenerProc proc, void* userData);
  static OSStatus DoRender(IWeftAU* _this, AudioUnitRenderActionFlags* ioActionFlags,
                           const AudioTimeStamp* inTimeStamp, UInt32 outputBus, UInt32 nFrames,
                           AudioBufferList* ioData);
  static OSStatus DoAddRenderNotify(IWeftAU* _this, AURenderCallback proc, void* userData);
  static OSStatus DoRemoveRenderNotify(IWeftAU* _this, AURenderCallback proc, void* userData);
  static OSStatus DoScheduleParameters(IWeftAU* _this, const AudioUnitParameterEvent* events, UInt32 nEvents);
  static OSStatus DoMIDIEvent(IWeftAU* _this, UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetFrames);
  static OSStatus DoSysEx(IWeftAU* _this, const UInt8* data, UInt32 length);

  // --- Render road (render thread) -----------------------------------------

  // Pulls the connected inputs, processes (or bypasses) the block once per
  // time slice and writes outputBus. -10867 for a unit that is not
  // initialised (nothing pulled); -10851 for a time stamp without a valid
  // sample time, more frames than the block size or a missing buffer list;
  // -10877 for an output bus the unit does not have. A unit with several
  // output buses processes the slice on its first render call into its own
  // output buffers, from which each bus's call copies its channels. A failed
  // render is kept for LastRenderError (RenderFailed).
  static OSStatus RenderProc(void* pPlug, AudioUnitRenderActionFlags* ioActionFlags,
                             const AudioTimeStamp* inTimeStamp, UInt32 outputBus, UInt32 nFrames,
                             AudioBufferList* ioData);
  static OSStatus RenderCallback(const AURenderCallbackStruct* pCallback, AudioUnitRenderActionFlags* ioActionFlags,
                                 const AudioTimeStamp* inTimeStamp, UInt32 bus, UInt32 nFrames,
                                 AudioBufferList* ioData);

  // --- Parameters (the host's parameter thread) ----------------------------

  // Global scope only (-10879), an existing parameter ID (-10878).
  static OSStatus GetParamProc(void* pPlug, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue* pValue);
  // As above; a non-finite value is refused with -10851.
  static OSStatus SetParamProc(void* pPlug, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue value, UInt32 bufferOffset);

  // --- Overrides of IWeftAPIBase (towards the host) ------------------------

  void InformHostOfParameterDetailsChange() override;
  void InformHostOfPresetChange() override;
  void GetTrackName(LOOM_String& str) override;
  void BeginInformHostOfParamChange(int paramIdx) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;

  // --- MIDI and SysEx towards the host's MIDI output (render thread) ------
  // Each answers false at once without a MIDI output callback, else true
  // exactly when the callback answered 0.

  bool SendMidiMsg(const IMidiMsg& msg) override;
  bool SendMidiMsgs(const LOOM_TypedBuf<IMidiMsg>& msgs) override;
  // At most kMaxSysExBytes bytes; a larger or malformed message is refused.
  bool SendSysEx(const ISysEx& sysEx) override;
  // Main thread: stores the latency, then informs the latency listeners (so
  // that they read the new value). A negative latency changes nothing.
  void SetLatency(int samples) override;

  // --- Class-info state (main thread) --------------------------------------

  // ClassInfo (0): a new class-info dictionary for the caller (who releases
  // it); answers the status.
  virtual OSStatus GetState(CFTypeRef* ppPropList);
  // Restores a class-info dictionary; -10851 for anything that is not a
  // dictionary of this plug-in.
  virtual OSStatus SetState(CFTypeRef pPropList);

  // --- Properties (main thread; IWeftAU_Properties.cpp) --------------------

  // GetPropertyInfo (pData null) and GetProperty: writes the size and the
  // writable flag, and the value when pData is given. pDataSize and
  // pWriteable are never null.
  OSStatus GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                       Boolean* pWriteable, void* pData);
  // Informs the listeners of propID first, then acts.
  OSStatus SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                       const void* pData);
  // Calls every listener of propID in registration order with element 0.
  void InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope);
  // The bus a property addresses, null when there is none.
  BusChannels* GetBus(AudioUnitScope scope, AudioUnitElement element);

  // --- Parameter and preset properties (main thread) -----------------------
  // The pData records are the properties' own (AudioUnitProperties.h).

  // ParameterInfo (4): writes the size; the record when pData is given.
  OSStatus GetParameterInfo(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                            AudioUnitParameterInfo* pInfo);
  // ParameterValueStrings (16): a new array of the display texts.
  OSStatus GetParameterValueStrings(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                    CFArrayRef* pStrings);
  // ParameterStringFromValue (33), ParameterIDName (34), ParameterClumpName
  // (35), ParameterValueFromString (38); global scope.
  OSStatus GetParameterStringFromValue(AudioUnitScope scope, AudioUnitParameterStringFromValue* pRecord);
  OSStatus GetParameterIDName(AudioUnitScope scope, AudioUnitParameterIDName* pRecord);
  OSStatus GetParameterClumpName(AudioUnitScope scope, AudioUnitParameterNameInfo* pRecord);
  OSStatus GetParameterValueFromString(AudioUnitScope scope, AudioUnitParameterValueFromString* pRecord);
  // FactoryPresets (24): a new array of preset records; -4960 when it cannot
  // be created.
  OSStatus GetFactoryPresets(CFArrayRef* pPresets);
  // CurrentPreset (28) and PresentPreset (36).
  OSStatus GetCurrentPreset(AUPreset* pPreset);
  OSStatus SetCurrentPreset(const AUPreset* pPreset);
  // Posts one Audio Unit event for parameter paramIdx to the host's listeners.
  static void SendAUEvent(AudioUnitEventType type, AudioComponentInstance ci, int paramIdx);

  // --- Stream formats, channel I/O and layouts (IWeftAU_Formats.cpp) -------

  // StreamFormat (8) of the addressed bus, non-interleaved 32-bit float at
  // the current sample rate; -10879 when there is no such bus.
  OSStatus GetStreamFormat(AudioUnitScope scope, AudioUnitElement element, AudioStreamBasicDescription* pASBD);
  // Accepts 32-bit float linear PCM, non-interleaved unless mono, with a
  // channel count the bus can take and that keeps the configuration legal;
  // -10879 otherwise, leaving every bus and the sample rate as they were.
  // Re-assesses the input connections after an accepted format.
  OSStatus SetStreamFormat(AudioUnitScope scope, AudioUnitElement element, const AudioStreamBasicDescription& asbd);
  // SupportedNumChannels (13): the number of pairs; with pChannelInfo, the
  // {main input, main output} channel pairs of the configurations, each
  // once, in order of first appearance (-1 for a wildcard bus).
  int GetSupportedNumChannels(AUChannelInfo* pChannelInfo) const;
  // Whether giving bus busIdx of the scope nChannels host channels keeps the
  // configuration legal.
  bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels);
  // Whether the channel counts negotiated so far are legal.
  bool CheckLegalIO();
  // Whether buses with these host channel counts (-1: not negotiated) form a
  // legal layout: the main input and output a SupportedNumChannels pair, each
  // further bus a count some configuration gives it.
  bool IsLegalLayout(const int* inCounts, const int* outCounts) const;
  // Sum of mHostChannels over the buses of pBuses other than excludeIdx that
  // were negotiated; -1 when none was.
  static int NHostChannelsConnected(const LOOM_PtrList<BusChannels>* pBuses, int excludeIdx = -1);
  // Without pTags: the number of layout tags of the bus; with pTags: writes
  // them and answers 1 (0 when there are none). 0 for a scope other than
  // input or output.
  int GetChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, AudioChannelLayoutTag* pTags);
  // Appends the layout tags for bus busIdx of configuration configIdx.
  void GetAPIBusTypeForChannelIOConfig(int configIdx, ERoute direction, int busIdx, const IOConfig* pConfig,
                                       LOOM_TypedBuf<AudioChannelLayoutTag>* pTags) const;
  static void MakeDefaultASBD(AudioStreamBasicDescription* pASBD, double sampleRate, int nChannels,
                              bool interleaved);

  // --- Connections and buffers (main thread) -------------------------------

  // Recomputes every input bus's connection type and the processor's input
  // channel connections.
  void AssessInputConnections();
  // Sizes and zeroes both scratch buffers for the current block size. False
  // when memory runs out (the buffers then keep their previous size).
  bool ResizeScratchBuffers();
  // MaximumFramesPerSlice: the block size and every buffer sized for it, or,
  // when nFrames is outside kMinFramesPerSlice..kMaxFramesPerSlice or memory
  // runs out, false with the block size and buffers as they were.
  bool SetMaxFramesPerSlice(int nFrames);
  // Every bus unconnected and un-negotiated, every connection zeroed.
  void ClearConnections();

  // --- MIDI output and the editor view -------------------------------------

  // Render thread: sends every SysEx the editor queued.
  void OutputSysexFromEditor();
  // CocoaUI (31): a new bundle URL (the bundle with the plug-in's bundle
  // identifier) and a new class-name string. -10879, and nothing created,
  // without an editor or without that bundle.
  OSStatus GetCocoaViewInfo(AudioUnitCocoaViewInfo* pViewInfo);

  // --- Host identification (main thread) -----------------------------------

  // Packs a "CFBundleVersion" text: major (16 bits) << 16 | minor (8) << 8 |
  // patch (8); missing parts are 0, a null text gives 0.
  static int ParseBundleVersion(const char* versionStr) noexcept;
  // Identifies the host from the main bundle's identifier and version when
  // none is known yet.
  void IdentifyHostFromMainBundle();

  // --- State for the handlers ----------------------------------------------

  bool IsActive() const noexcept { return mActive.load(std::memory_order_relaxed); }
  // LastRenderError (22): the first failure since the last read, then noErr
  // again (the read clears it).
  OSStatus TakeLastRenderError() noexcept { return mLastRenderError.exchange(noErr, std::memory_order_relaxed); }
  AudioComponentInstance GetComponentInstance() const noexcept { return mComponentInstance; }
  void SetComponentInstance(AudioComponentInstance ci) noexcept { mComponentInstance = ci; }
  int NInBuses() const noexcept { return mInBuses.GetSize(); }
  int NOutBuses() const noexcept { return mOutBuses.GetSize(); }

protected:
  // Render thread: builds the block's transport information from the host's
  // callbacks and hands it to the processor.
  void PreProcess();
  // Render thread: keeps status for LastRenderError unless an earlier failure
  // is still unread, then tells that property's listeners. Answers status.
  OSStatus RenderFailed(OSStatus status) noexcept;
  // Render thread: pulls every connected input bus and attaches its audio;
  // the first failing pull's status.
  OSStatus PullInputs(const AudioTimeStamp* inTimeStamp, UInt32 nFrames);
  // Render thread: connects nBuffers channels of bus (the rest unconnected)
  // and attaches ioData's buffers to them, or the unit's output scratch when
  // ioData is null.
  void ConnectOutputBus(BusChannels& bus, int nBuffers, AudioBufferList* ioData, int nFrames);

  // Main thread: runs change (which may call OnActivate and OnReset) while no
  // render call is processing a slice. A render call that finds it running
  // passes its slice through instead of waiting (RenderProc).
  template <class Change>
  void ExcludingRender(Change&& change)
  {
    // acquire: the render thread's last slice happens before the change.
    while (mProcessingGuard.exchange(true, std::memory_order_acquire))
      std::this_thread::yield();
    change();
    mProcessingGuard.store(false, std::memory_order_release);
  }

  // Main thread writes, render thread reads unless said otherwise.
  std::atomic<bool> mActive{false};     // set by Initialize, cleared by Uninitialize
  // Render thread writes (RenderFailed), main thread reads and clears.
  std::atomic<OSStatus> mLastRenderError{noErr};
  // Held by the render thread while it processes a slice and by the main
  // thread while ExcludingRender runs; neither side holds it long.
  std::atomic<bool> mProcessingGuard{false};
  // Sample time of the last render that pulled the inputs: the render thread
  // writes it, Initialize and Reset clear it (Reset while the host renders).
  // Relaxed: it orders no other memory.
  std::atomic<double> mLastRenderSampleTime{-1.0};
  LOOM_String mCocoaViewClass;          // the editor-view factory class name
  AudioComponentInstance mComponentInstance = nullptr;
  HostCallbackInfo mHostCallbacks{};    // from HostCallbacks (27); null procedures until set
  LOOM_PtrList<BusChannels> mInBuses;   // owned, fixed count after construction
  LOOM_PtrList<BusChannels> mOutBuses;  // owned, fixed count after construction
  LOOM_PtrList<InputBusConnection> mInBusConnections; // owned, one per input bus
  IWeftAUFixedList<PropertyListener, kMaxPropertyListeners> mPropertyListeners;
  LOOM_TypedBuf<float> mInScratchBuf;   // max input channels x block size
  LOOM_TypedBuf<float> mOutScratchBuf;  // max output channels x block size
  IWeftAUFixedList<RenderNotify, kMaxRenderNotifies> mRenderNotifies;
  AUMIDIOutputCallbackStruct mMidiOutputCallback{}; // null procedure until set
  AudioTimeStamp mLastRenderTimeStamp{}; // render thread: the current render's time stamp
  LOOM_String mTrackName;               // from ContextName (25)
  // Main thread: the custom unit names of the parameter information records.
  IWeftAUUnitNames mUnitNames;

  // Render thread only: the packet list the Send operations build.
  alignas(8) Byte mMIDIPacketListBuf[kMIDIPacketListBytes];
};

} // namespace weft
