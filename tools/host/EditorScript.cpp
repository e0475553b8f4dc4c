// The editor command's script language.
#include "tools/host/EditorScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace qmhost {

namespace {

struct Verb {
  const char* name;
  ScriptStep::Kind kind;
};
const Verb kVerbs[] = {
    {"click", ScriptStep::Click}, {"rclick", ScriptStep::RightClick}, {"dblclick", ScriptStep::DoubleClick},
    {"drag", ScriptStep::Drag},   {"wheel", ScriptStep::Wheel},       {"key", ScriptStep::Key},
    {"type", ScriptStep::Type},   {"wait", ScriptStep::Wait},         {"set", ScriptStep::Set},
    {"screenshot", ScriptStep::Screenshot}, {"close", ScriptStep::Close}, {"open", ScriptStep::Open},
};

const char* const kNamedKeys[] = {"space", "enter", "escape", "backspace", "tab", "delete",
                                  "up",    "down",  "left",   "right"};

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ToInt(const std::string& text, int* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < -1000000 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ToNumber(const std::string& text, double* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// Reads the words after the verb into the step; returns what is wrong, or an
// empty text.
std::string ReadArguments(const std::vector<std::string>& w, ScriptStep* s) {
  auto ints = [&](size_t count) -> std::string {
    if (w.size() < 1 + count) return "needs " + std::to_string(count) + " whole numbers";
    int* targets[4] = {&s->x, &s->y, &s->dx, &s->dy};
    for (size_t i = 0; i < count; ++i) {
      if (!ToInt(w[1 + i], targets[i])) return "\"" + w[1 + i] + "\" is not a whole number";
    }
    return std::string();
  };
  auto modifiers = [&](size_t from) -> std::string {
    for (size_t i = from; i < w.size(); ++i) {
      if (w[i] == "shift") s->shift = true;
      else if (w[i] == "control" || w[i] == "ctrl") s->control = true;
      else return "unknown modifier \"" + w[i] + "\" (shift or control)";
    }
    return std::string();
  };
  switch (s->kind) {
    case ScriptStep::Click:
    case ScriptStep::RightClick:
    case ScriptStep::DoubleClick: {
      std::string e = ints(2);
      return e.empty() ? modifiers(3) : e;
    }
    case ScriptStep::Drag: {
      std::string e = ints(4);
      return e.empty() ? modifiers(5) : e;
    }
    case ScriptStep::Wheel: {
      std::string e = ints(2);
      if (!e.empty()) return e;
      if (w.size() < 4 || !ToNumber(w[3], &s->amount) || std::fabs(s->amount) > 1000) {
        return "needs X Y NOTCHES (a number of notches up to 1000)";
      }
      return modifiers(4);
    }
    case ScriptStep::Key:
      if (w.size() != 2) return "needs one key name";
      if (!IsScriptKeyName(w[1])) return "unknown key \"" + w[1] + "\"";
      s->text = w[1];
      return std::string();
    case ScriptStep::Wait:
      if (w.size() != 2 || !ToNumber(w[1], &s->amount) || s->amount < 0 || s->amount > 600000) {
        return "needs milliseconds from 0 to 600000";
      }
      return std::string();
    case ScriptStep::Set:
      if (w.size() != 3 || !ToInt(w[1], &s->index) || s->index < 0 || !ToNumber(w[2], &s->amount) ||
          s->amount < 0 || s->amount > 1) {
        return "needs a parameter index and a normalised value from 0 to 1";
      }
      return std::string();
    case ScriptStep::Close:
    case ScriptStep::Open:
      return w.size() == 1 ? std::string() : "takes no arguments";
    case ScriptStep::Type:
    case ScriptStep::Screenshot:
      break;  // the rest of the line, read by the caller
  }
  return std::string();
}

}  // namespace

bool IsScriptKeyName(const std::string& name) {
  if (name.size() == 1) return (name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9');
  for (const char* k : kNamedKeys) {
    if (name == k) return true;
  }
  int f = 0;
  return name.size() >= 2 && name[0] == 'f' && ToInt(name.substr(1), &f) && f >= 1 && f <= 12 &&
         name.substr(1) == std::to_string(f);
}

bool ParseEditorScript(const std::string& script, std::vector<ScriptStep>* steps, std::string* error) {
  steps->clear();
  std::istringstream in(script);
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);

    ScriptStep step;
    step.line = lineNumber;
    step.source = line;
    bool known = false;
    for (const Verb& verb : kVerbs) {
      if (w[0] == verb.name) {
        step.kind = verb.kind;
        known = true;
      }
    }
    std::string problem;
    if (!known) {
      problem = "unknown step \"" + w[0] + "\"";
    } else if (step.kind == ScriptStep::Type || step.kind == ScriptStep::Screenshot) {
      // Everything after the verb and one blank, blanks inside kept.
      step.text = Trim(line.substr(w[0].size()));
      if (step.text.empty()) problem = step.kind == ScriptStep::Type ? "needs a text" : "needs a file name";
    } else {
      problem = ReadArguments(w, &step);
    }
    if (!problem.empty()) {
      *error = "line " + std::to_string(lineNumber) + ": " + w[0] + ": " + problem;
      steps->clear();
      return false;
    }
    steps->push_back(step);
  }
  return true;
}

}  // namespace qmhost
