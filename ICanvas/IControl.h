#pragma once
// IControl: the base of every element of the editor. A control has a drawing
// rectangle and a hit (target) rectangle in points, one or more normalised
// values (0..1) each optionally bound to a plug-in parameter, a text style
// and blend, state flags, a tooltip and group name, an action function run
// when the user changes a value, an animation function run once per frame,
// and gesture functions.
//
// The drawing context (ICanvas) owns attached controls: it gives them the
// editor delegate (SetDelegate: OnInit, OnResize, OnRescale), draws them
// while dirty and routes input to them. Only Draw has no default.
//
// Threads: main (UI) thread only.

#include "IBlend.h"
#include "IColor.h"
#include "ICanvasConstants.h"
#include "IMouse.h"
#include "IRECT.h"
#include "IText.h"
#include "IWeftMidi.h"
#include "IWeftStructs.h"
#include "LOOM_String.h"

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace weft {
class IGEditorDelegate;
class IParam;
} // namespace weft

namespace weft::canvas {

class ICanvas;
class IContainerBase;
class IControl;
class IPopupMenu;

using IActionFunction = std::function<void(IControl*)>;
using IAnimationFunction = std::function<void(IControl*)>;
using IGestureFunc = std::function<void(IControl*, const IGestureInfo&)>;

// Stock animation and action functions; each takes the control.
// Ends the animation once its progress passes 1.
void DefaultAnimationFunc(IControl* pCaller);
// As DefaultAnimationFunc, growing the vector control's splash meanwhile.
void SplashAnimationFunc(IControl* pCaller);
void EmptyClickActionFunc(IControl* pCaller);
// Runs DefaultAnimationFunc for 100 ms.
void DefaultClickActionFunc(IControl* pCaller);
// Splash at the mouse-down point for 100 ms (vector controls).
void SplashClickActionFunc(IControl* pCaller);
// Show the value bubble beside (horizontal) or above (vertical) the control.
void ShowBubbleHorizontalActionFunc(IControl* pCaller);
void ShowBubbleVerticalActionFunc(IControl* pCaller);

class IControl
{
public:
  IControl(const IRECT& bounds, int paramIdx = kNoParameter, IActionFunction actionFunc = nullptr);
  // One value per index, in order; the list must not be empty.
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc = nullptr);
  IControl(const IRECT& bounds, IActionFunction actionFunc);

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // --- Virtual operations, in slot order.
  virtual ~IControl();

  // Pointer and keys, in points. The base opens the value prompt on a right
  // click and resets to the default on a double click.
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float x, float y, const IMouseMod& mod);
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float d);
  // True when handled.
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key);
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key);
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float x, float y, const IMouseMod& mod);
  virtual void OnDrop(const char* str);
  virtual void OnDropMultiple(const std::vector<const char*>& paths);

  // Lifecycle: OnInit, OnResize and OnRescale run (in that order) when the
  // control gets its delegate; OnAttached once it is listed.
  virtual void OnRescale();
  virtual void OnResize();
  virtual void OnInit();
  virtual void OnAttached();

  // From the plug-in, on the UI thread.
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData);
  virtual void OnMidi(const IMidiMsg& msg);
  // True when a gesture function took it.
  virtual bool OnGesture(const IGestureInfo& info);

  // Menus and text entry.
  virtual void CreateContextMenu(IPopupMenu& contextMenu);
  virtual void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx);
  virtual void OnDeleteFromPopupMenu(IPopupMenu* pMenu, int itemIdx);
  virtual void OnTextEntryCompletion(const char* str, int valIdx);
  virtual void OnContextSelection(int itemSelected);

  // Drawing.
  virtual void Draw(ICanvas& g) = 0;
  virtual void DrawPTHighlight(ICanvas& g);

  // Values. valIdx must lie in 0..NVals()-1 unless kNoValIdx is allowed.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  virtual int GetValIdxForPos(float x, float y) const;
  // Ignored while the pointer holds this control; redraws (without action)
  // only when the value changes.
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  virtual void SetValueToDefault(int valIdx = kNoValIdx);
  // Stores the value; no redraw, no clipping.
  virtual void SetValue(double value, int valIdx = 0);

  // Appearance and geometry.
  virtual void SetText(const IText& txt) { mText = txt; }
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float w, float h);
  virtual void Hide(bool hide);
  // Draws at blend weight 0.25 while disabled.
  virtual void SetDisabled(bool disable);
  virtual void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  virtual bool IsHit(float x, float y) const { return mTargetRECT.Contains(x, y); }

  // Dirty cycle. SetDirty clips the selected values (all for kNoValIdx; a
  // one-value control always uses 0) to 0..1 and marks the control; with
  // triggerAction the bound parameters are sent to the plug-in, peers
  // updated and the action function run.
  virtual void SetDirty(bool triggerAction = true, int valIdx = kNoValIdx);
  virtual void SetClean() { mDirty = false; }
  // True while an animation runs, else the dirty flag.
  virtual bool IsDirty();
  virtual void OnGUIIdle();
  virtual bool GetWantsGestures() const;
  virtual void SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx = -1,
                           double minClip = 0.0, double maxClip = 1.0);
  // Clears the animation, redraws and runs the animation-end function.
  virtual void OnEndAnimation();

  // --- Values and parameters
  int NVals() const { return static_cast<int>(mVals.size()); }
  void SetNVals(int nVals);
  int GetParamIdx(int valIdx = 0) const;
  // The bound parameter, or null for a value bound to none.
  IParam* GetParam(int valIdx = 0) const;
  // The first value index bound to paramIdx, else kNoValIdx.
  int LinkedToParam(int paramIdx) const;
  double GetValue(int valIdx = 0) const;

  // --- Owners
  // Stores the delegate and its drawing context, then OnInit, OnResize and
  // OnRescale.
  void SetDelegate(IGEditorDelegate& dlg);
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  ICanvas* GetUI() const { return mGraphics; }
  void SetParent(IContainerBase* pParent) { mParent = pParent; }
  IContainerBase* GetParent() const { return mParent; }
  // The tag the drawing context holds this control under, else kNoTag.
  int GetTag() const;
  template <class T>
  T* As()
  {
    return dynamic_cast<T*>(this);
  }

  // --- Appearance and identity
  const IText& GetText() const { return mText; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  void SetGroup(const char* groupName) { mGroup.Set(groupName ? groupName : ""); }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetTooltip(const char* str) { mTooltip.Set(str ? str : ""); }
  // Null when no tooltip is set.
  const char* GetTooltip() const { return mTooltip.GetLength() ? mTooltip.Get() : nullptr; }
  int GetTextEntryLength() const { return mTextEntryLength; }

  // --- Rectangles
  const IRECT& GetRECT() const { return mRECT; }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  // Set the drawing rectangle (then OnResize), the hit rectangle, or both;
  // each clears the mouse-over flag.
  void SetRECT(const IRECT& bounds);
  void SetTargetRECT(const IRECT& bounds);
  void SetTargetAndDrawRECTs(const IRECT& bounds);

  // --- Flags
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  bool GetMouseDblAsSingleClick() const { return mDblAsSingleClick; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool enable = true) { mWantsMidi = enable; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool enable = true) { mWantsMultiTouch = enable; }
  bool GetPromptShowsParamLabel() const { return mPromptShowsParamLabel; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool IsPromptDisabled() const { return mDisablePrompt; }

  // --- Prompts: the value prompt of a bound value (menu or text entry).
  void PromptUserInput(int valIdx = 0);
  void PromptUserInput(const IRECT& bounds, int valIdx = 0);

  // colorIdx 0 red, 1 blue, 2 green, 3 yellow; others keep the colour.
  void SetPTParameterHighlight(bool isHighlighted, int colorIdx);

  // --- Gestures
  IControl* AttachGestureRecognizer(EGestureType type, IGestureFunc func);

  // --- Action and animation (durations in milliseconds)
  IControl* SetActionFunction(IActionFunction func)
  {
    mActionFunc = std::move(func);
    return this;
  }
  IControl* SetAnimationEndActionFunction(IActionFunction func)
  {
    mAnimationEndActionFunc = std::move(func);
    return this;
  }
  IActionFunction GetActionFunction() const { return mActionFunc; }
  IAnimationFunction GetAnimationFunction() const { return mAnimationFunc; }
  void SetAnimation(IAnimationFunction func, int durationMs);
  void StartAnimation(int durationMs);
  // Elapsed time over the duration, not clipped; 0 with no animation.
  double GetAnimationProgress() const;
  // Runs the animation function once (the drawing context calls it once per
  // frame on every control).
  void Animate();

  // The clock animations read, in milliseconds. Process-wide; null restores
  // the steady clock. Tests install a clock they advance by hand.
  using ClockFunc = double (*)();
  static void SetAnimationClock(ClockFunc func);
  static double AnimationClockMs();

protected:
  friend class ICanvas; // presets mGraphics before SetDelegate when attaching

  IRECT mRECT;
  IRECT mTargetRECT;
  LOOM_String mGroup;
  IText mText = DEFAULT_TEXT;
  IBlend mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMidi = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  LOOM_String mTooltip;
  IColor mPTHighlightColor = COLOR_RED;
  bool mPTisHighlighted = false;
  IContainerBase* mParent = nullptr;  // not owned
  IGEditorDelegate* mDelegate = nullptr; // not owned
  ICanvas* mGraphics = nullptr;         // not owned
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndActionFunc;
  IAnimationFunction mAnimationFunc;
  double mAnimationStartTimeMs = 0.0;
  double mAnimationDurationMs = 0.0;
  std::vector<ParamTuple> mVals;
  std::unordered_map<EGestureType, IGestureFunc> mGestureFuncs;
  EGestureType mLastGesture = EGestureType::Unknown;
};

} // namespace weft::canvas
