#pragma once
// The scripts of `quillmere-host editor --script FILE`: one step a line, run
// in order against the editor window with real input events.
//
//   click X Y [shift|control]      left press and release at (X, Y)
//   rclick X Y [shift|control]     right press and release
//   dblclick X Y [shift|control]   two quick left clicks (the second arrives
//                                  as a double click)
//   drag X Y DX DY [shift|control] left press at (X, Y), moves in ten steps
//                                  to (X + DX, Y + DY), release there
//   wheel X Y N [shift|control]    N wheel notches over (X, Y); positive turns
//                                  away from the user. Fractions are turns of
//                                  less than a notch (Windows: delta N x 120)
//   key NAME                       one key: a-z, 0-9, space, enter, escape,
//                                  backspace, tab, delete, up, down, left,
//                                  right, f1-f12
//   type TEXT                      the characters of TEXT (the rest of the
//                                  line), one key each
//   wait MS                        runs the window for MS milliseconds
//   set INDEX VALUE                the host sets a parameter (normalised)
//   screenshot FILE                writes the window's client area as PNG
//   close / open                   effEditClose / effEditOpen again
//
// Coordinates are client coordinates of the editor. Blank lines and lines
// starting with # are ignored.

#include <string>
#include <vector>

namespace qmhost {

struct ScriptStep {
  enum Kind { Click, RightClick, DoubleClick, Drag, Wheel, Key, Type, Wait, Set, Screenshot, Close, Open };
  Kind kind = Click;
  int line = 0;
  std::string source;  // the line as written, without surrounding blanks
  int x = 0, y = 0, dx = 0, dy = 0;
  bool shift = false, control = false;
  double amount = 0;  // wheel notches, wait milliseconds, set value
  int index = 0;      // set
  std::string text;   // key name, typed text, screenshot file
};

// Parses a whole script. False, with "line N: what is wrong" in *error, at
// the first bad line.
bool ParseEditorScript(const std::string& script, std::vector<ScriptStep>* steps, std::string* error);

// Whether NAME is a key the scripts know (see above).
bool IsScriptKeyName(const std::string& name);

// Input steps go to the window; the others are the command's own.
inline bool IsInputStep(ScriptStep::Kind kind) {
  return kind == ScriptStep::Click || kind == ScriptStep::RightClick || kind == ScriptStep::DoubleClick ||
         kind == ScriptStep::Drag || kind == ScriptStep::Wheel || kind == ScriptStep::Key ||
         kind == ScriptStep::Type;
}

}  // namespace qmhost
