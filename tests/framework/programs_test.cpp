#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestPlug.h"

namespace {

// Three parameters: an integer, a list and a continuous one.
void Define(TestPlug& p) {
  p.ParamAt(0)->DefineInteger("int", 5, 0, 100);
  p.ParamAt(1)->DefineList("list", 1, 3);
  p.ParamAt(2)->DefineContinuous("cont", 0.5, -1.0, 1.0, 0.01);
}

TEST(Programs, SlotsAreNamedAndFilledInOrder) {
  TestPlug p(3, "2-2", 4);
  Define(p);
  EXPECT_STREQ(p.GetProgramName(0), "- 1 -");
  EXPECT_STREQ(p.GetProgramName(3), "- 4 -");
  EXPECT_STREQ(p.GetProgramName(4), "");
  p.MakeDefaultProgram(nullptr, 1);
  p.MakeProgramFromValues("first", 7, 2, -0.25);
  p.MakeProgramFromValues("second", 1, 0, 0.75);
  EXPECT_STREQ(p.GetProgramName(0), "Default");
  EXPECT_STREQ(p.GetProgramName(1), "first");
  const IProgram* first = p.ProgramAt(1);
  ASSERT_EQ(first->state.Length(), 24);
  double v[3];
  int pos = 0;
  for (double& x : v) pos = first->state.GetDouble(&x, pos);
  EXPECT_EQ(v[0], 7.0);
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(v[2], -0.25);

  p.MakeProgramFromValues("third", 1, 1, 0.0);
  p.MakeProgramFromValues("fourth", 1, 1, 0.0);  // every slot taken: nothing happens
  EXPECT_STREQ(p.GetProgramName(3), "third");
  EXPECT_EQ(p.NPrograms(), 4);
}

TEST(Programs, EnsureDefaultProgramOnlyWithoutSlots) {
  TestPlug none(3, "2-2", 0);
  none.EnsureDefaultProgram();
  ASSERT_EQ(none.NPrograms(), 1);
  EXPECT_STREQ(none.GetProgramName(0), "Default");
  EXPECT_TRUE(none.ProgramAt(0)->initialised);
  TestPlug some(3, "2-2", 2);
  some.EnsureDefaultProgram();
  EXPECT_EQ(some.NPrograms(), 2);
  EXPECT_FALSE(some.ProgramAt(0)->initialised);
}

TEST(Programs, StateRoundTripsBitForBitAndClampsOnLoad) {
  TestPlug p;
  Define(p);
  p.ParamAt(2)->SetClamped(0.1 + 0.2);  // not representable in decimal
  IChunkBuffer state;
  ASSERT_TRUE(p.SaveParams(&state));
  EXPECT_EQ(state.Length(), 24);
  TestPlug q;
  Define(q);
  EXPECT_EQ(q.LoadParams(&state, 0), 24);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(q.ParamAt(i)->Value(), p.ParamAt(i)->Value());
  EXPECT_EQ(q.changed, (std::vector<int>{0, 1, 2}));

  IChunkBuffer wild;
  wild.PutDouble(1e9);
  wild.PutDouble(std::nan(""));
  wild.PutDouble(-5.0);
  EXPECT_EQ(q.LoadParams(&wild, 0), 24);
  EXPECT_EQ(q.ParamAt(0)->Value(), 100.0);
  EXPECT_EQ(q.ParamAt(1)->Value(), 0.0);
  EXPECT_EQ(q.ParamAt(2)->Value(), -1.0);
}

TEST(Programs, ShortStateAppliesZeroWhereItEnds) {
  TestPlug p;
  Define(p);
  p.ParamAt(0)->SetClamped(40);
  p.ParamAt(1)->SetClamped(2);
  IChunkBuffer empty;
  EXPECT_EQ(p.LoadParams(&empty, 0), -1);
  EXPECT_EQ(p.ParamAt(0)->Value(), 0.0);  // 0.0 clamped to [0, 100]
  EXPECT_EQ(p.ParamAt(1)->Value(), 2.0);  // loading stopped before it
  EXPECT_EQ(p.changed, (std::vector<int>{0}));
  p.restoreAll = false;  // parameter 1 refuses
  IChunkBuffer two;
  two.PutDouble(9);
  two.PutDouble(0);
  two.PutDouble(0.5);
  EXPECT_EQ(p.LoadParams(&two, 0), 24);
  EXPECT_EQ(p.ParamAt(1)->Value(), 2.0);
  EXPECT_EQ(p.ParamAt(2)->Value(), 0.5);
}

TEST(Programs, ChunkCheckedWholeBeforeAnythingIsApplied) {
  // A chunk that ends early, inside the version, the values or the length
  // of a text slot, is refused without a single parameter changing; a whole
  // one loads. (A text whose bytes are cut short still loads, as it always
  // has: no read follows it that could fail.)
  TestPlug p;
  Define(p);
  p.AddTextSlots({"abc"});
  IChunkBuffer whole;
  ASSERT_TRUE(p.SaveChunk(&whole, false));
  EXPECT_EQ(p.CheckState(&whole, 4), whole.Length());
  for (int n = 0; n < 4 + 3 * 8 + 4; ++n) {
    IChunkBuffer cut;
    cut.PutBytes(whole.Data(), n);
    EXPECT_FALSE(p.LoadChunk(cut)) << n;
  }
  EXPECT_TRUE(p.changed.empty());
  EXPECT_TRUE(p.LoadChunk(whole));
  EXPECT_EQ(p.changed, (std::vector<int>{0, 1, 2}));
}

TEST(Programs, TextSlotsTravelWithTheState) {
  TestPlug p(1);
  p.ParamAt(0)->DefineInteger("int", 5, 0, 100);
  p.AddTextSlots({"", "path"});
  IChunkBuffer state;
  ASSERT_TRUE(p.SaveParams(&state));
  EXPECT_EQ(state.Length(), 8 + 5 + 8);
  EXPECT_EQ(p.TextSlotAt(0), "0");  // an empty slot is stored as "0"
  EXPECT_EQ(p.LoadParams(&state, 0), state.Length());
}

TEST(Programs, RestoreAndCapture) {
  TestPlug p(3, "2-2", 4);
  Define(p);
  p.MakeDefaultProgram("---- default ----", 1);
  p.MakeProgramFromValues("preset", 9, 2, 0.5);
  std::vector<std::string> journal;
  p.AttachEditor(new TestEditor(&journal));
  journal.clear();

  EXPECT_FALSE(p.RestoreProgram(4));
  EXPECT_FALSE(p.RestoreProgram(-1));
  // Slot 0 has an empty state: the first parameter gets 0, the selection fails.
  p.ParamAt(0)->SetClamped(33);
  EXPECT_FALSE(p.RestoreProgram(0));
  EXPECT_EQ(p.ParamAt(0)->Value(), 0.0);

  EXPECT_TRUE(p.RestoreProgram(1));
  EXPECT_EQ(p.CurrentProgram(), 1);
  EXPECT_EQ(p.ParamAt(0)->Value(), 9.0);
  EXPECT_EQ(journal.size(), 3u);  // the editor was refreshed with plain values

  // An uninitialised slot takes over the current settings under a user name.
  EXPECT_TRUE(p.RestoreProgram(2));
  EXPECT_STREQ(p.GetProgramName(2), "user preset 1");
  EXPECT_EQ(p.ProgramAt(2)->state.Length(), 0);
  EXPECT_TRUE(p.RestoreProgram(3));
  EXPECT_STREQ(p.GetProgramName(3), "user preset 2");
  char name[32];
  p.MakeUserProgramName(name, sizeof name);
  EXPECT_STREQ(name, "user preset 3");

  p.ParamAt(0)->SetClamped(12);
  p.CaptureCurrentProgram("");
  EXPECT_STREQ(p.GetProgramName(3), "user preset 2");
  EXPECT_EQ(p.ProgramAt(3)->state.Length(), 24);
  p.CaptureCurrentProgram(std::string(300, 'n').c_str());
  EXPECT_EQ(std::string(p.GetProgramName(3)), std::string(255, 'n'));
  p.ParamAt(0)->SetClamped(50);
  EXPECT_TRUE(p.RestoreProgram(3));
  EXPECT_EQ(p.ParamAt(0)->Value(), 12.0);
}

TEST(Programs, BankRoundTrip) {
  TestPlug p(3, "2-2", 3);
  Define(p);
  p.MakeDefaultProgram("zero", 1);
  p.MakeProgramFromValues("one", 3, 1, 0.25);
  IChunkBuffer bank;
  ASSERT_TRUE(p.SavePrograms(&bank));
  // "zero" (4+4) + flag + empty state, "one" (4+3) + flag + 24, "- 3 -" (4+5) + flag
  EXPECT_EQ(bank.Length(), 9 + 32 + 10);

  TestPlug q(3, "2-2", 3);
  Define(q);
  EXPECT_EQ(q.LoadPrograms(&bank, 0), -1);  // slot 0's empty state ends the load
  EXPECT_STREQ(q.GetProgramName(0), "zero");

  // A bank whose every initialised slot carries a full state loads completely.
  TestPlug r(3, "2-2", 2);
  Define(r);
  r.MakeProgramFromValues("a", 1, 0, 0.0);
  r.MakeProgramFromValues("b", 4, 2, -0.5);
  IChunkBuffer full;
  ASSERT_TRUE(r.SavePrograms(&full));
  TestPlug s(3, "2-2", 2);
  Define(s);
  EXPECT_EQ(s.LoadPrograms(&full, 0), full.Length());
  EXPECT_STREQ(s.GetProgramName(1), "b");
  EXPECT_EQ(s.ProgramAt(1)->state.Length(), 24);
  // Afterwards the current program (0, "a") is restored into the live values.
  EXPECT_EQ(s.ParamAt(0)->Value(), 1.0);

  IChunkBuffer cut;
  cut.PutBytes(full.Data(), 10);
  TestPlug t(3, "2-2", 2);
  Define(t);
  EXPECT_EQ(t.LoadPrograms(&cut, 0), -1);
}

}  // namespace
