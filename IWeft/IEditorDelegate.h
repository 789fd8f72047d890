#pragma once
// The plug-in's face towards its editor: the root of the plug-in class chain.
//
// It owns the parameter list, holds the editor's size and size limits, and
// declares every notification between the plug-in side and the editor side
// as a virtual operation with a default body. Operations ending in
// FromDelegate carry something from the plug-in to the editor; operations
// ending in FromUI carry something from the editor to the plug-in.
//
// Threads: FromUI operations, the editor-size operations and the editor
// state run on the main (editor) thread. OnParamChange (index, source,
// offset) is called by the host binding on whichever thread sets a
// parameter, the audio thread included; the defaults here touch nothing but
// the parameters' atomic values there, and never allocate.

#include "IByteChunk.h"
#include "IParam.h"
#include "IWeftConstants.h"
#include "IWeftMidi.h"
#include "IWeftStructs.h"
#include "LOOM_PtrList.h"

namespace weft {

// Why a parameter changed.
enum EParamSource
{
  kReset = 0,
  kHost = 1,
  kPresetRecall = 2,
  kUI = 3,
  kDelegate = 4,
  kRecompile = 5,
  kUnknown = 6,
  kNumParamSources = 7
};

// Names of the EParamSource values, for trace text.
inline constexpr const char* ParamSourceStrs[kNumParamSources] = {
  "Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile", "Unknown"};

class IEditorDelegate
{
public:
  // Creates nParams default parameters in index order; a negative count
  // creates none.
  explicit IEditorDelegate(int nParams);
  // Deletes every parameter, last to first.
  virtual ~IEditorDelegate();

  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // Appends a default parameter; null when it could not be listed.
  IParam* AddParam();
  // Null for an index outside 0..NParams()-1.
  IParam* GetParam(int paramIdx) const noexcept { return mParams.Get(paramIdx); }
  int NParams() const noexcept { return mParams.GetSize(); }

  // Editor size in points.
  void SetEditorSize(int width, int height) noexcept;
  int GetEditorWidth() const noexcept { return mEditorWidth; }
  int GetEditorHeight() const noexcept { return mEditorHeight; }

  // Size limits in points. Each pair may come in either order: the smaller
  // becomes the minimum, the larger the maximum.
  void SetSizeConstraints(int widthA, int widthB, int heightA, int heightB) noexcept;
  int GetMinWidth() const noexcept { return mMinWidth; }
  int GetMaxWidth() const noexcept { return mMaxWidth; }
  int GetMinHeight() const noexcept { return mMinHeight; }
  int GetMaxHeight() const noexcept { return mMaxHeight; }

  // SendParameterValueFromDelegate (index, normalised value, true) for every
  // parameter in index order.
  void SendCurrentParamValuesFromDelegate();

  // --- Editor window. pParent is the platform's parent view; the result is
  // the editor's view, null when there is none.

  // Calls OnUIOpen; returns null.
  virtual void* OpenWindow(void* pParent);
  // Calls OnUIClose.
  virtual void CloseWindow();
  // The host resized the window to width x height pixels.
  virtual void OnParentWindowResize(int width, int height);
  // Pushes every parameter's value to the editor.
  virtual void OnUIOpen();
  virtual void OnUIClose();

  // --- Notifications to the plug-in.

  // sampleOffset: frames into the current block, -1 when not from a block.
  // Calls OnParamChange (paramIdx).
  virtual void OnParamChange(int paramIdx, EParamSource source, int sampleOffset);
  virtual void OnParamChange(int paramIdx);
  // A parameter changed and the editor side should know.
  virtual void OnParamChangeUI(int paramIdx, EParamSource source);
  // For every parameter in index order: OnParamChange (index, source, -1),
  // then OnParamChangeUI (index, source).
  virtual void OnParamReset(EParamSource source);
  virtual void OnMidiMsgUI(const IMidiMsg& msg);
  virtual void OnSysexMsgUI(const ISysEx& msg);
  // ctrlTag is kNoTag for a message addressed to no control; dataSize in
  // bytes. True when the message was handled; the default handles nothing.
  virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData);
  // Pushes every parameter's value to the editor.
  virtual void OnRestoreState();
  // True when the key was handled; the default handles nothing.
  virtual bool OnKeyDown(const IKeyPress& key);
  virtual bool OnKeyUp(const IKeyPress& key);

  // --- From the plug-in to the editor.

  virtual void SendControlValueFromDelegate(int ctrlTag, double normalizedValue);
  // Calls OnMessage (msgTag, ctrlTag, dataSize, pData).
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData);
  // Calls OnMessage (msgTag, kNoTag, dataSize, pData).
  virtual void SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* pData);
  // Calls OnMidiMsgUI.
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg);
  // Calls OnSysexMsgUI.
  virtual void SendSysexMsgFromDelegate(const ISysEx& msg);
  // value is normalised when normalized is true, else in the parameter's
  // range. Calls OnParamChangeUI (paramIdx, kDelegate).
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized);

  // --- From the editor to the plug-in.

  virtual void DirtyParametersFromUI();
  // Start and end of a user gesture on a parameter; every plug-in API
  // binding supplies them.
  virtual void BeginInformHostOfParamChangeFromUI(int paramIdx) = 0;
  // Sets the parameter from a normalised value (0..1), then calls
  // OnParamChangeUI (paramIdx, kUI). An index outside the list is refused.
  virtual void SendParameterValueFromUI(int paramIdx, double normalizedValue);
  virtual void EndInformHostOfParamChangeFromUI(int paramIdx) = 0;
  // The editor asks for a new view size in pixels; true when granted. The
  // default grants nothing.
  virtual bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize);
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg);
  virtual void SendSysexMsgFromUI(const ISysEx& msg);
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData);
  // Queue a message for the audio thread.
  // Queue a message from the editor for the render thread; true when it fitted.
  virtual bool DeferMidiMsg(const IMidiMsg& msg);
  virtual bool DeferSysexMsg(const ISysEx& msg);

  // --- Editor size and state.

  // Sizes in points. True when width and height both lie within the limits
  // (bounds included); otherwise both are clipped to the limits and the
  // result is false.
  virtual bool ConstrainEditorResize(int& width, int& height) const;
  // Appends the editor's state to chunk; the default writes nothing.
  virtual bool SerializeEditorState(IByteChunk& chunk) const;
  // Reads the editor's state at startPos; returns the position after it, or
  // -1. The default reads nothing and returns startPos.
  virtual int UnserializeEditorState(const IByteChunk& chunk, int startPos);
  // The display's backing scale changed.
  virtual void SetScreenScale(float scale);

private:
  LOOM_PtrList<IParam> mParams; // owned
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 10;
  int mMaxWidth = 100000;
  int mMinHeight = 10;
  int mMaxHeight = 100000;
};

} // namespace weft
