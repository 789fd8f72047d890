#include "EditorScript.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pw::host {

namespace {

// The key code of a character on a US keyboard (0xFFFF: none).
unsigned short KeyCodeFor(char c)
{
  static const char* const kKeys = "asdfhgzxcv\x7f" "bqweryt123465=97-80]ou[ip\x7flj'k;\\,/nm.\x7f `";
  const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  for (unsigned short code = 0; kKeys[code] != '\0'; ++code)
    if (kKeys[code] == lower && lower != '\x7f')
      return code;
  return 0xFFFF;
}

bool ReadNumber(std::istringstream& words, float& out)
{
  std::string word;
  if (!(words >> word))
    return false;
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (end == word.c_str() || *end != '\0' || !std::isfinite(value) || std::fabs(value) > 1.0e6)
    return false;
  out = static_cast<float>(value);
  return true;
}

bool AtEnd(std::istringstream& words)
{
  std::string rest;
  return !(words >> rest);
}

// One non-blank, non-comment line; why says what is wrong.
bool ParseStep(const std::string& text, ScriptStep& step, std::string& why)
{
  std::istringstream words(text);
  std::string time, action;
  words >> time >> action;
  char* end = nullptr;
  step.timeMs = std::strtod(time.c_str(), &end);
  if (time.empty() || end == time.c_str() || *end != '\0' || !std::isfinite(step.timeMs) || step.timeMs < 0.0)
  {
    why = "needs a time in milliseconds first, got '" + time + "'";
    return false;
  }
  if (action == "click" || action == "drag" || action == "wheel")
  {
    step.action = action == "click" ? ScriptAction::Click : action == "drag" ? ScriptAction::Drag : ScriptAction::Wheel;
    bool ok = ReadNumber(words, step.x) && ReadNumber(words, step.y);
    if (ok && step.action == ScriptAction::Drag)
      ok = ReadNumber(words, step.x1) && ReadNumber(words, step.y1);
    if (ok && step.action == ScriptAction::Wheel)
      ok = ReadNumber(words, step.delta);
    if (!ok || !AtEnd(words))
    {
      why = action == "click" ? "click needs X Y" : action == "drag" ? "drag needs X0 Y0 X1 Y1" : "wheel needs X Y DELTA";
      return false;
    }
    return true;
  }
  if (action == "key")
  {
    step.action = ScriptAction::Key;
    ScriptKey key;
    if (!(words >> step.text) || !ScriptKeyFor(step.text, key) || !AtEnd(words))
    {
      why = "key needs one printable character or a key name (space, tab, return, escape, delete, left, right, up, "
            "down)";
      return false;
    }
    return true;
  }
  if (action == "param")
  {
    step.action = ScriptAction::Param;
    std::string rest;
    std::getline(words >> std::ws, rest);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
      rest.pop_back();
    const std::size_t split = rest.find('=');
    if (split == std::string::npos || split == 0 || split + 1 == rest.size())
    {
      why = "param needs NAME=VALUE";
      return false;
    }
    step.text = rest.substr(0, split);
    step.value = rest.substr(split + 1);
    return true;
  }
  why = action.empty() ? "needs an action after the time" : "unknown action '" + Excerpt(action) + "'";
  return false;
}

} // namespace

bool ScriptKeyFor(const std::string& text, ScriptKey& key)
{
  // Arrows send the function-key characters U+F700 to U+F703.
  static const struct
  {
    const char* name;
    unsigned short keyCode;
    const char* characters;
  } kNamed[] = {{"space", 49, " "},     {"tab", 48, "\t"},   {"return", 36, "\r"},
                {"escape", 53, "\x1B"}, {"delete", 51, "\x7F"}, {"left", 123, "\xEF\x9C\x82"},
                {"right", 124, "\xEF\x9C\x83"}, {"up", 126, "\xEF\x9C\x80"}, {"down", 125, "\xEF\x9C\x81"}};
  if (text.size() == 1 && text[0] > ' ' && text[0] < 0x7F)
  {
    key = {KeyCodeFor(text[0]), text};
    return true;
  }
  for (const auto& named : kNamed)
    if (text == named.name)
    {
      key = {named.keyCode, named.characters};
      return true;
    }
  return false;
}

Status ParseEditorScript(std::istream& in, const std::string& name, double lengthMs, std::vector<ScriptStep>& out)
{
  std::vector<ScriptStep> steps;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number)
  {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos || text[first] == '#')
      continue;
    ScriptStep step;
    step.line = number;
    std::string why;
    if (ParseStep(text, step, why))
    {
      if (step.timeMs > lengthMs)
        why = "time " + text.substr(first, text.find_first_of(" \t", first) - first) + " ms is past the run's end";
      else if (!steps.empty() && step.timeMs < steps.back().timeMs)
        why = "time goes back before the previous line's";
    }
    if (!why.empty())
      return Status::Error("'" + name + "' line " + std::to_string(number) + ": " + why);
    steps.push_back(step);
  }
  if (in.bad())
    return Status::Error("cannot read '" + name + "'");
  out = std::move(steps);
  return Status::Ok();
}

Status ReadEditorScript(const std::string& path, double lengthMs, std::vector<ScriptStep>& out)
{
  std::ifstream file(path);
  if (!file)
    return Status::Error("cannot open the script '" + path + "'");
  return ParseEditorScript(file, path, lengthMs, out);
}

} // namespace pw::host
