#pragma once
// The editor command's script: timed interactions, one a line,
//
//   MS click X Y
//   MS drag X0 Y0 X1 Y1
//   MS wheel X Y DELTA
//   MS key CHAR
//   MS param NAME=VALUE
//
// MS is the time in milliseconds from the start of the run (not before the
// previous line's, not past the run's end); X and Y are editor coordinates
// in points, DELTA wheel steps; CHAR one printable ASCII character or the
// name of a key: space, tab, return, escape, delete, left, right, up,
// down; NAME=VALUE as
// --param (the name may hold spaces). Blank lines and lines starting with
// '#' are skipped.

#include "HostStatus.h"

#include <istream>
#include <string>
#include <vector>

namespace pw::host {

enum class ScriptAction
{
  Click,
  Drag,
  Wheel,
  Key,
  Param
};

struct ScriptStep
{
  double timeMs = 0.0;
  ScriptAction action = ScriptAction::Click;
  float x = 0.0f, y = 0.0f;   // click, drag start, wheel
  float x1 = 0.0f, y1 = 0.0f; // drag end
  float delta = 0.0f;         // wheel
  std::string text;           // key: the character or key name; param: NAME
  std::string value;          // param: VALUE
  int line = 0;               // line number in the script, from 1
};

// The key a key step types: its Mac key code on a US keyboard (0xFFFF for
// none) and the characters it sends.
struct ScriptKey
{
  unsigned short keyCode = 0xFFFF;
  std::string characters;
};

// The key for a key step's text (see CHAR above); false for any other text.
bool ScriptKeyFor(const std::string& text, ScriptKey& key);

// Reads a script for a run of lengthMs; fails with "'NAME' line N: why" on
// the first bad line, leaving out as it was.
Status ParseEditorScript(std::istream& in, const std::string& name, double lengthMs, std::vector<ScriptStep>& out);
Status ReadEditorScript(const std::string& path, double lengthMs, std::vector<ScriptStep>& out);

} // namespace pw::host
