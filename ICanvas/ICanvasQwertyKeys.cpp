// The computer keyboard as a MIDI keyboard: a row of letter keys plays the
// semitones of one octave and a half from a base note that Z and X shift by
// an octave. The base note and the held notes are process-wide, shared by
// every open editor (main thread only, unguarded).

#include "ICanvas.h"

#include "IGEditorDelegate.h"
#include "IWeftUtilities.h"

namespace weft::canvas {

namespace {

constexpr int kLowestBase = 24;
constexpr int kHighestBase = 96;
constexpr int kVelocity = 127;

int sBaseNote = 48;
bool sHeldNotes[128] = {};

// Semitone above the base for a key code, or -1.
int SemitoneForKey(int vk)
{
  static constexpr int kKeys[] = {'A', 'W', 'S', 'E', 'D', 'F', 'T', 'G', 'Y', 'H', 'U', 'J', 'K', 'O', 'L'};
  for (int i = 0; i < static_cast<int>(sizeof(kKeys) / sizeof(kKeys[0])); ++i)
  {
    if (kKeys[i] == vk)
      return i;
  }
  return -1;
}

} // namespace

void ICanvas::SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg& msg)> func)
{
  IGEditorDelegate* pDelegate = &mDelegate;
  auto send = [pDelegate, func](const IMidiMsg& msg) {
    pDelegate->SendMidiMsgFromUI(msg);
    if (func)
      func(msg);
  };

  SetKeyHandlerFunc([send](const IKeyPress& key, bool isUp) {
    if ((key.mVK == 'Z' || key.mVK == 'X') && !isUp)
    {
      sBaseNote = Clip(sBaseNote + (key.mVK == 'Z' ? -12 : 12), kLowestBase, kHighestBase);
      for (int note = 0; note < 128; ++note)
      {
        if (!sHeldNotes[note])
          continue;
        IMidiMsg msg;
        msg.MakeNoteOffMsg(note, 0, 0);
        sHeldNotes[note] = false;
        send(msg);
      }
      return true;
    }
    const int semitone = SemitoneForKey(key.mVK);
    if (semitone < 0)
      return true;
    const int note = sBaseNote + semitone; // at most 96 + 14
    IMidiMsg msg;
    if (!isUp && !sHeldNotes[note])
    {
      msg.MakeNoteOnMsg(note, kVelocity, 0, 0);
      sHeldNotes[note] = true;
      send(msg);
    }
    else if (isUp && sHeldNotes[note])
    {
      msg.MakeNoteOffMsg(note, 0, 0);
      sHeldNotes[note] = false;
      send(msg);
    }
    return true;
  });
}

} // namespace weft::canvas
