#include <gtest/gtest.h>

#include "tools/host/EditorScript.h"

namespace qmhost {
namespace {

TEST(EditorScript, ReadsEveryStepWithItsArguments) {
  const std::string script =
      "# a comment, then a blank line\n"
      "\n"
      "click 300 104\n"
      "  rclick 249 116 control  \n"
      "dblclick 10 20 shift\n"
      "drag 249 116 0 -40 shift\n"
      "wheel 49 166 -2.5\n"
      "key f12\n"
      "type 250  ms\n"
      "wait 500\n"
      "set 3 0.25\n"
      "screenshot out dir/shot.png\n"
      "close\n"
      "open\n";
  std::vector<ScriptStep> steps;
  std::string error;
  ASSERT_TRUE(ParseEditorScript(script, &steps, &error)) << error;
  ASSERT_EQ(steps.size(), 12u);

  EXPECT_EQ(steps[0].kind, ScriptStep::Click);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[0].x, 300);
  EXPECT_EQ(steps[0].y, 104);
  EXPECT_FALSE(steps[0].shift || steps[0].control);

  EXPECT_EQ(steps[1].kind, ScriptStep::RightClick);
  EXPECT_EQ(steps[1].source, "rclick 249 116 control");
  EXPECT_TRUE(steps[1].control);
  EXPECT_TRUE(steps[2].shift);

  EXPECT_EQ(steps[3].kind, ScriptStep::Drag);
  EXPECT_EQ(steps[3].dx, 0);
  EXPECT_EQ(steps[3].dy, -40);
  EXPECT_TRUE(steps[3].shift);

  EXPECT_EQ(steps[4].kind, ScriptStep::Wheel);
  EXPECT_DOUBLE_EQ(steps[4].amount, -2.5);
  EXPECT_EQ(steps[5].text, "f12");
  EXPECT_EQ(steps[6].text, "250  ms");  // blanks inside the text are kept
  EXPECT_DOUBLE_EQ(steps[7].amount, 500);
  EXPECT_EQ(steps[8].index, 3);
  EXPECT_DOUBLE_EQ(steps[8].amount, 0.25);
  EXPECT_EQ(steps[9].text, "out dir/shot.png");
  EXPECT_EQ(steps[10].kind, ScriptStep::Close);
  EXPECT_EQ(steps[11].kind, ScriptStep::Open);

  for (const ScriptStep& s : steps) {
    bool input = s.kind <= ScriptStep::Type;
    EXPECT_EQ(IsInputStep(s.kind), input) << s.source;
  }
}

TEST(EditorScript, RefusesBadLinesWithTheirNumber) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"tap 1 2", "unknown step \"tap\""},
      {"click 1", "needs 2 whole numbers"},
      {"click 1 2.5", "\"2.5\" is not a whole number"},
      {"click 1 2 alt", "unknown modifier \"alt\""},
      {"drag 1 2 3", "needs 4 whole numbers"},
      {"wheel 1 2", "needs X Y NOTCHES"},
      {"wheel 1 2 nan", "needs X Y NOTCHES"},
      {"key enter escape", "needs one key name"},
      {"key f13", "unknown key \"f13\""},
      {"key F1", "unknown key \"F1\""},
      {"key f01", "unknown key \"f01\""},
      {"type", "needs a text"},
      {"screenshot", "needs a file name"},
      {"wait -1", "needs milliseconds"},
      {"set 3 1.5", "normalised value from 0 to 1"},
      {"set -1 0.5", "normalised value from 0 to 1"},
      {"close now", "takes no arguments"},
  };
  for (const Case& c : cases) {
    std::vector<ScriptStep> steps;
    std::string error;
    const std::string script = "click 1 1\n" + std::string(c.line) + "\nclick 2 2\n";
    EXPECT_FALSE(ParseEditorScript(script, &steps, &error)) << c.line;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.line << " -> " << error;
    EXPECT_TRUE(steps.empty());
  }
}

TEST(EditorScript, KnowsTheKeysItPromises) {
  for (const char* name : {"a", "z", "0", "9", "space", "enter", "escape", "backspace", "tab", "delete", "up",
                           "down", "left", "right", "f1", "f12"}) {
    EXPECT_TRUE(IsScriptKeyName(name)) << name;
  }
  for (const char* name : {"", "A", "!", "f0", "f13", "return", "ctrl"}) EXPECT_FALSE(IsScriptKeyName(name)) << name;
}

}  // namespace
}  // namespace qmhost
