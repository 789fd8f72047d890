#pragma once
// ITextEntryControl: a single-line text editor drawn inside the editor
// window. Cursor movement, selection, insertion, deletion, undo and redo are
// stb_textedit's (compiled in ITextEntryEngine.cpp); this control holds the
// text as UTF-16 units, measures and caches character widths, codes keys for
// the engine, filters keys for numeric parameters, draws the text, the
// selection and a blinking caret, and offers Cut, Copy and Paste.
//
// Return or a click outside commits the text (UTF-8) to the drawing context;
// Escape dismisses it. Code points above U+FFFF are kept as surrogate pairs;
// a lone surrogate becomes U+FFFD. Pasted text stops at its first line break.
//
// Threads: main (UI) thread only.

#include "IOverlayControlBases.h"
#include "IPopupMenu.h"

#include <memory>
#include <string>
#include <vector>

#define STB_TEXTEDIT_CHARTYPE char16_t
#define STB_TEXTEDIT_POSITIONTYPE int
#define STB_TEXTEDIT_UNDOSTATECOUNT 99
#define STB_TEXTEDIT_UNDOCHARCOUNT 999
#include <stb/stb_textedit.h>

namespace weft::canvas {

class ITextEntryControl : public ITextEntryControlBase
{
public:
  ITextEntryControl();
  ~ITextEntryControl() override;

  void Draw(ICanvas& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  // True when the key was handled (it changed the editing state, or was a
  // command, Return or Escape).
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void OnEndAnimation() override;

  void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str) override;
  bool EditInProgress() const override { return mEditing; }

  void CommitEdit();
  void DismissEdit();
  void SelectAll();
  void CopySelection();
  void Cut();
  void Paste();
  // Replaces the text (UTF-8) without recording undo; the cursor and the
  // selection are clamped to the new length.
  void SetStr(const char* str);
  // The text as UTF-8.
  std::string GetStr() const;
  const std::u16string& GetUnits() const { return mEditString; }
  const STB_TexteditState& GetEditState() const { return mEditState; }
  bool GetDrawCursor() const { return mDrawCursor; }

  // UTF-8 to UTF-16 and back; malformed input and lone surrogates become
  // U+FFFD, so a round trip keeps the unit count.
  static std::u16string ToUTF16(const char* str);
  static std::string ToUTF8(const std::u16string& units);

  // --- The engine's text store.
  int Length() const { return static_cast<int>(mEditString.size()); }
  char16_t CharAt(int idx) const;
  float CharWidth(int idx);
  bool InsertChars(int pos, const char16_t* units, int count);
  bool DeleteChars(int pos, int count);
  // The one row of the text; startIdx must be 0 (any other start gets an
  // empty row).
  void Layout(StbTexteditRow* row, int startIdx);
  // The caret's and the selection's sizes come from the row layout when
  // drawn: nothing to compute ahead.
  void CalcCursorSizes() {}

protected:
  // Runs one engine operation; keeps every index inside the text and off the
  // middle of a surrogate pair (moving it back for backward moves); calls
  // OnStateChanged and returns true when the editing state changed.
  template <class F>
  bool CallSTB(F&& operation, bool backward = false);
  // Redraws without running the action (the caret keeps its blink phase).
  void OnStateChanged();
  void OnTextChange();
  void FillCharWidthCache();
  float MeasureCharWidth(char16_t c, char16_t previous);
  // Inserts units at the cursor as one undoable paste.
  bool PasteUnits(const std::u16string& units);
  static void BlinkStep(IControl* pCaller);

  bool mDrawCursor = false;
  bool mEditing = false;
  STB_TexteditState mEditState;
  std::vector<float> mCharWidths;
  std::u16string mEditString;
  std::unique_ptr<IPopupMenu> mContextMenu; // Cut, Copy, Paste; built on first use
};

// The engine's entry points, compiled with stb_textedit in their own source.
namespace TextEngine {
void Initialize(STB_TexteditState& state);
void Key(ITextEntryControl& text, STB_TexteditState& state, int key);
void Click(ITextEntryControl& text, STB_TexteditState& state, float x, float y);
void Drag(ITextEntryControl& text, STB_TexteditState& state, float x, float y);
void Cut(ITextEntryControl& text, STB_TexteditState& state);
void Paste(ITextEntryControl& text, STB_TexteditState& state, const char16_t* units, int count);
} // namespace TextEngine

} // namespace weft::canvas
