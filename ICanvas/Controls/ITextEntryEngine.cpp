// stb_textedit over ITextEntryControl's text store: single line, UTF-16
// units, undo of 99 records and 999 units. Key codes carry a virtual key in
// bit 31, Shift in bit 30, Control in bit 29 and Alt in bit 28.

#include "ITextEntryControl.h"

namespace {

constexpr int Code(unsigned int bits) { return static_cast<int>(bits); }

// A text key has neither the virtual-key nor the Control bit; line breaks and
// code points beyond one unit are never inserted as a single key.
int KeyToText(int key)
{
  if (key & Code(0x80000000u) || key & 0x20000000)
    return -1;
  const int c = key & 0x0FFFFFFF;
  if (c == '\n' || c == '\r' || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF))
    return -1;
  return c;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x3000; }

} // namespace

#define STB_TEXTEDIT_STRING weft::canvas::ITextEntryControl
#define STB_TEXTEDIT_STRINGLEN(obj) ((obj)->Length())
#define STB_TEXTEDIT_LAYOUTROW(r, obj, n) ((obj)->Layout((r), (n)))
#define STB_TEXTEDIT_GETWIDTH(obj, n, i) ((obj)->CharWidth((n) + (i)))
#define STB_TEXTEDIT_KEYTOTEXT(k) KeyToText(k)
#define STB_TEXTEDIT_GETCHAR(obj, i) ((obj)->CharAt(i))
#define STB_TEXTEDIT_NEWLINE u'\n'
#define STB_TEXTEDIT_IS_SPACE(ch) IsSpace(ch)
#define STB_TEXTEDIT_DELETECHARS(obj, i, n) ((obj)->DeleteChars((i), (n)))
#define STB_TEXTEDIT_INSERTCHARS(obj, i, c, n) ((obj)->InsertChars((i), (c), (n)))

#define STB_TEXTEDIT_K_SHIFT 0x40000000
#define STB_TEXTEDIT_K_LEFT Code(0x80000025u)
#define STB_TEXTEDIT_K_RIGHT Code(0x80000027u)
#define STB_TEXTEDIT_K_UP Code(0x80000026u)
#define STB_TEXTEDIT_K_DOWN Code(0x80000028u)
#define STB_TEXTEDIT_K_PGUP Code(0x80000021u)
#define STB_TEXTEDIT_K_PGDOWN Code(0x80000022u)
#define STB_TEXTEDIT_K_LINESTART Code(0x80000024u)
#define STB_TEXTEDIT_K_LINEEND Code(0x80000023u)
#define STB_TEXTEDIT_K_TEXTSTART Code(0xA0000024u)
#define STB_TEXTEDIT_K_TEXTEND Code(0xA0000023u)
#define STB_TEXTEDIT_K_WORDLEFT Code(0xA0000025u)
#define STB_TEXTEDIT_K_WORDRIGHT Code(0xA0000027u)
#define STB_TEXTEDIT_K_DELETE Code(0x8000002Eu)
#define STB_TEXTEDIT_K_BACKSPACE Code(0x80000008u)
#define STB_TEXTEDIT_K_INSERT Code(0x8000002Du)
#define STB_TEXTEDIT_K_UNDO 0x2000007A
#define STB_TEXTEDIT_K_REDO 0x6000007A

#define STB_TEXTEDIT_IMPLEMENTATION
#include <stb/stb_textedit.h>

namespace weft::canvas::TextEngine {

void Initialize(STB_TexteditState& state) { stb_textedit_initialize_state(&state, 1); }
void Key(ITextEntryControl& text, STB_TexteditState& state, int key) { stb_textedit_key(&text, &state, key); }
void Click(ITextEntryControl& text, STB_TexteditState& state, float x, float y) { stb_textedit_click(&text, &state, x, y); }
void Drag(ITextEntryControl& text, STB_TexteditState& state, float x, float y) { stb_textedit_drag(&text, &state, x, y); }
void Cut(ITextEntryControl& text, STB_TexteditState& state) { stb_textedit_cut(&text, &state); }
void Paste(ITextEntryControl& text, STB_TexteditState& state, const char16_t* units, int count)
{
  stb_textedit_paste(&text, &state, units, count);
}

} // namespace weft::canvas::TextEngine
