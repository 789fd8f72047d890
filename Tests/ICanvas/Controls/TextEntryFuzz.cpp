// Drives an in-window text entry (with the in-window menu for its right
// click) by a byte string of random keys, clicks, drags, pastes and reopened
// edits; false when an index passes the text, or the text (a lone surrogate,
// say) does not survive its own UTF-8 round trip.

#include "IPopupMenuControl.h"
#include "ITextEntryControl.h"
#include "TestCanvas.h"

#include <algorithm>

namespace pwtest {

bool FuzzTextEntry(const uint8_t* data, size_t size);

namespace {

double sFuzzClockMs = 0.0;

struct Bytes
{
  const uint8_t* p;
  size_t n;
  int Next() { return n ? (--n, *p++) : 0; }
};

// A lone surrogate would not survive the round trip either.
bool Sound(const ITextEntryControl& te)
{
  const STB_TexteditState& s = te.GetEditState();
  const int len = static_cast<int>(te.GetUnits().size());
  for (int i : {s.cursor, s.select_start, s.select_end})
    if (i < 0 || i > len)
      return false;
  return ITextEntryControl::ToUTF16(te.GetStr().c_str()) == te.GetUnits();
}

} // namespace

bool FuzzTextEntry(const uint8_t* data, size_t size)
{
  static const char* const kTexts[] = {"a", "7", "+", ".", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\n", "\r", ""};
  static const int kKeys[] = {0x08, 0x09, 0x0D, 0x1B, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,
                              0x2D, 0x2E, 'A',  'C',  'V',  'X',  'Z',  '1',  0x65, 0xBE, 0xBD};
  sFuzzClockMs = 0.0;
  IControl::SetAnimationClock([] { return sFuzzClockMs; });
  bool sound = true;
  {
    Log sink; // outlives the controls
    TestGDelegate dlg(2);
    dlg.GetParam(1)->InitInt("Steps", 2, 0, 4);
    RecordingCanvas g(dlg);
    g.AttachTextEntryControl<ITextEntryControl>();
    g.AttachPopupMenuControl<IPopupMenuControl>();
    auto* te = static_cast<ITextEntryControl*>(g.GetTextEntryControl());
    IControl* callers[2] = {g.AttachControl(new LogControl(sink, "a", IRECT(0, 300, 10, 310))),
                            g.AttachControl(new LogControl(sink, "b", IRECT(0, 300, 10, 310), 1))};
    Bytes in{data, std::min<size_t>(size, 4096)}; // a few thousand steps per input
    while (in.n && sound)
    {
      const int op = in.Next() % 8, a = in.Next(), b = in.Next();
      const float x = 90.0f + static_cast<float>(a), y = 95.0f + static_cast<float>(b % 30);
      IMouseMod left(true), right(false, true);
      switch (op)
      {
        case 0: te->OnKeyDown(0, 0, weft::IKeyPress(kTexts[b % 11], kKeys[a % 24], b & 0x20, b & 0x40, b & 0x80)); break;
        case 1: g.OnMouseDown(At(x, y, left)); break;
        case 2: g.OnMouseDrag(At(x, y, left)); break;
        case 3: g.OnMouseUp(At(x, y, left)); break;
        case 4:
        {
          std::string clip; // up to 7 bytes, none NUL
          for (int i = a % 8; i > 0; --i)
            clip.push_back(static_cast<char>(in.Next() | 1));
          g.SetTextInClipboard(clip.c_str()), te->Paste();
          break;
        }
        case 5: g.OnMouseDblClick(x, y, left); break;
        case 6: g.OnMouseDown(At(x, y, right)), g.OnMouseUp(At(x, y, right)); break;
        default:
          if (!te->EditInProgress())
          {
            const std::string str(reinterpret_cast<const char*>(in.p), std::min<size_t>(in.n, a % 6));
            g.CreateTextEntry(*callers[b & 1], IText(10.0f), IRECT(100, 100, 300, 120), str.c_str());
          }
          break;
      }
      sFuzzClockMs += b * 4.0;
      g.Tick();
      sound = Sound(*te);
    }
  }
  IControl::SetAnimationClock(nullptr);
  return sound;
}

} // namespace pwtest
