#pragma once
// The faces of the in-window presenters that the drawing context drives: the
// popup menu, the single-line text entry and the value bubble. The controls
// library derives its IPopupMenuControl, ITextEntryControl and
// IBubbleControl from these; the context owns one popup, one text entry and
// any number of bubbles outside its control list, gives them every pointer
// event while they are open, and hands them menus, texts and bubble requests.
//
// Threads: main (UI) thread only.

#include "IControl.h"

namespace weft::canvas {

class IPopupMenuControlBase : public IControl
{
public:
  using IControl::IControl;

  // Shows menu anchored on bounds. When it closes after a choice or a
  // dismissal the control calls ICanvas::SetControlValueAfterPopupMenu with
  // the menu (chosen index set) or null.
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) = 0;
  // 0 while no menu is showing, opening or closing.
  virtual int GetState() const = 0;
  // True while the menu is fully open: it then takes every pointer event.
  virtual bool GetExpanded() const = 0;
  // The menu's owner is going away: closes at once (state 0) and lets go of
  // the menu. A menu not yet answered reports a dismissal
  // (ICanvas::SetControlValueAfterPopupMenu with null) first; one already
  // answered just stops closing. Nothing happens while no menu is held.
  virtual void DismissPopupMenu() = 0;
};

class ITextEntryControlBase : public IControl
{
public:
  using IControl::IControl;

  // Opens the editor over bounds with str selected, at most length
  // characters; the commit calls ICanvas::SetControlValueAfterTextEdit.
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) = 0;
  // True while an edit is open: it then takes every pointer event.
  virtual bool EditInProgress() const = 0;
};

class IBubbleControlBase : public IControl
{
public:
  using IControl::IControl;

  // Places and shows the bubble next to pCaller, (x, y) in points, and
  // remembers touchID.
  virtual void ShowBubble(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                          const IRECT& minimumContentBounds, uint64_t touchID) = 0;
  // The touch id stored by the last ShowBubble.
  virtual uint64_t GetTouchID() const = 0;
};

} // namespace weft::canvas
