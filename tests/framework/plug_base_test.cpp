#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestPlug.h"

namespace {

TEST(PlugBase, ChannelIOText) {
  TestPlug p(1, "1-1 2-2");
  EXPECT_EQ(p.NInChannels(), 2);
  EXPECT_EQ(p.NOutChannels(), 2);
  EXPECT_TRUE(p.AcceptsChannels(1, -1));
  EXPECT_TRUE(p.AcceptsChannels(-1, 2));
  EXPECT_FALSE(p.AcceptsChannels(3, 2));
  EXPECT_FALSE(p.AcceptsChannels(1, 2));

  TestPlug stereo(1, "2-2");
  EXPECT_FALSE(stereo.AcceptsChannels(1, -1));

  TestPlug odd(1, "x 2-4 3");
  ASSERT_EQ(odd.ChannelIOList().size(), 3u);
  EXPECT_EQ(odd.ChannelIOList()[0], std::make_pair(0, 0));
  EXPECT_EQ(odd.ChannelIOList()[2], std::make_pair(3, 0));
  EXPECT_EQ(odd.NInChannels(), 3);
  EXPECT_EQ(odd.NOutChannels(), 4);
}

TEST(PlugBase, IdentityAndVersion) {
  TestPlug p;
  EXPECT_EQ(p.VersionNumber(false), 0x10203);
  EXPECT_EQ(p.VersionNumber(true), 10203);
  char text[16];
  p.VersionText(text, sizeof text);
  EXPECT_STREQ(text, "v1.02");
  EXPECT_EQ(p.GetHostType(), -1);
  EXPECT_EQ(p.CurrentSampleRate(), 44100.0);
  EXPECT_EQ(p.CurrentBlockSize(), 0);
  EXPECT_EQ(p.ParamAt(-1), nullptr);
  EXPECT_EQ(p.ParamAt(3), nullptr);
  ASSERT_NE(p.ParamAt(2), nullptr);
  EXPECT_EQ(p.ParamAt(2)->GetKind(), IParameter::kNone);
}

TEST(PlugBase, SamplesPerBeatAndRatesAndTemposNoHostRunsAt) {
  TestPlug p;
  EXPECT_TRUE(p.StoreSampleRate(48000.0));
  EXPECT_EQ(p.SamplesPerBeat(), 0.0);
  p.tempo = 120.0;
  EXPECT_EQ(p.SamplesPerBeat(), 24000.0);
  p.tempo = 1.0;
  EXPECT_EQ(p.SamplesPerBeat(), 2880000.0);
  p.tempo = 0.999;  // slower than any host plays: no tempo
  EXPECT_EQ(p.SamplesPerBeat(), 0.0);
  for (double rate : {1e9, 768000.5, 999.0, 0.0, -48000.0, std::nan(""), HUGE_VAL}) EXPECT_FALSE(p.StoreSampleRate(rate));
  EXPECT_EQ(p.CurrentSampleRate(), 48000.0);
  EXPECT_TRUE(p.StoreSampleRate(768000.0));
  EXPECT_TRUE(p.StoreSampleRate(1000.0));
}

TEST(PlugBase, TransportStartsAndJumpsAreSeenOncePerCall) {
  TestPlug p;
  // No time information counts as stopped, however the position moves.
  p.position = 500;
  p.BeginProcessCall(64);
  p.BeginProcessCall(64);
  EXPECT_EQ(p.restarts, 0);
  // Playing for the first time: a start.
  p.timeInfo = p.playing = true;
  p.position = 1234.5;
  p.BeginProcessCall(100);
  EXPECT_EQ(p.restarts, 1);
  // Continuing where the last call ended, fractions and all: nothing.
  p.position = 1334.5;
  p.BeginProcessCall(100);
  p.position = 1434.5;
  p.BeginProcessCall(0);  // no frames: not a call
  p.BeginProcessCall(7);
  EXPECT_EQ(p.restarts, 1);
  // Half a sample off is a jump; so is a locate back to 0.
  p.position = 1441.0;
  p.BeginProcessCall(64);
  p.position = 0;
  p.BeginProcessCall(64);
  EXPECT_EQ(p.restarts, 3);
  // Stopped (at a position that stands still), then playing from there.
  p.playing = false;
  p.BeginProcessCall(64);
  p.BeginProcessCall(64);
  EXPECT_EQ(p.restarts, 3);
  p.playing = true;
  p.BeginProcessCall(64);
  EXPECT_EQ(p.restarts, 4);
  // A call without time information in between also counts as stopped.
  p.position = 64;
  p.timeInfo = false;
  p.BeginProcessCall(64);
  p.timeInfo = true;
  p.position = 128;
  p.BeginProcessCall(64);
  EXPECT_EQ(p.restarts, 5);
}

struct Block {
  std::vector<float> in[2], out[2];
  float* inPtr[2];
  float* outPtr[2];
  explicit Block(int n) {
    for (int c = 0; c < 2; ++c) {
      in[c].resize(n);
      out[c].assign(n, 7.0f);
      for (int i = 0; i < n; ++i) in[c][i] = static_cast<float>((c + 1) * 10 + i);
      inPtr[c] = in[c].data();
      outPtr[c] = out[c].data();
    }
  }
};

TEST(PlugBase, ProcessingBeforeAndAfterReady) {
  TestPlug p;
  p.SetInputConnections(0, 2, true);
  p.SetOutputConnections(0, 2, true);
  p.ResizeBlock(8);

  // Not ready: doubles untouched, replacing floats write zeros, adding adds zeros.
  std::vector<double> din = {1, 2, 3, 4}, dout = {9, 9, 9, 9};
  double* di[2] = {din.data(), din.data()};
  double* dop[2] = {dout.data(), dout.data()};
  p.AttachInputs(di, 4);
  p.AttachOutputs(dop, 4);
  p.RunBlockDouble(4);
  EXPECT_EQ(dout[0], 9.0);
  Block b(4);
  p.AttachInputs(b.inPtr, 4);
  p.AttachOutputs(b.outPtr, 4);
  p.RunBlockFloatAdding(4);
  EXPECT_EQ(b.out[0][0], 7.0f);
  p.RunBlockFloat(4);
  EXPECT_EQ(b.out[1][3], 0.0f);

  // Ready: the default processing copies each input to its output.
  p.MakeReady();
  Block c(4);
  p.AttachInputs(c.inPtr, 4);
  p.AttachOutputs(c.outPtr, 4);
  p.RunBlockFloat(4);
  EXPECT_EQ(c.out[0], c.in[0]);
  EXPECT_EQ(c.out[1], c.in[1]);
  Block d(4);
  p.AttachInputs(d.inPtr, 4);
  p.AttachOutputs(d.outPtr, 4);
  p.RunBlockFloatAdding(4);
  EXPECT_EQ(d.out[1][2], 7.0f + d.in[1][2]);
  std::vector<double> l = {1, 2}, r = {3, 4}, lo(2), ro(2);
  double* ins[2] = {l.data(), r.data()};
  double* outs[2] = {lo.data(), ro.data()};
  p.AttachInputs(ins, 2);
  p.AttachOutputs(outs, 2);
  p.RunBlockDouble(2);
  EXPECT_EQ(lo, l);
  EXPECT_EQ(ro, r);
}

TEST(PlugBase, UnconnectedChannelsUseScratchAndConsumeNoHostPointer) {
  TestPlug p;
  p.ResizeBlock(4);
  p.SetInputConnections(0, 1, true);   // only the first input
  p.SetOutputConnections(0, 2, true);
  p.MakeReady();
  std::vector<float> left = {1, 2, 3, 4}, o0(4, 5.0f), o1(4, 5.0f);
  float* ins[1] = {left.data()};  // the host hands over one pointer only
  float* outs[2] = {o0.data(), o1.data()};
  p.AttachInputs(ins, 4);
  p.AttachOutputs(outs, 4);
  p.RunBlockFloat(4);
  EXPECT_EQ(o0, left);
  EXPECT_EQ(o1, std::vector<float>(4, 0.0f));  // input 2 reads zeros
}

TEST(PlugBase, HostileConnectionRangesStayInside) {
  TestPlug p;
  p.ResizeBlock(4);
  p.SetInputConnections(-5, 6, true);  // covers channel 0 only
  EXPECT_TRUE(p.IsInChannelConnected(0));
  EXPECT_FALSE(p.IsInChannelConnected(1));
  p.SetInputConnections(1, 0x7fffffff, true);
  EXPECT_TRUE(p.IsInChannelConnected(1));
  p.SetInputConnections(0x7ffffff0, 0x7ffffff0, false);
  p.SetInputConnections(0, -3, false);
  EXPECT_TRUE(p.IsInChannelConnected(0));
  p.SetOutputConnections(-2147483647 - 1, -2147483647 - 1, true);
  p.SetOutputConnections(2, 100, true);
  EXPECT_FALSE(p.IsOutChannelConnected(0));
  EXPECT_FALSE(p.IsOutChannelConnected(2));
}

TEST(PlugBase, ResizeBlockClearsOnlyOnChange) {
  TestPlug p;
  p.ResizeBlock(4);
  p.SetOutputConnections(0, 2, true);
  p.SetInputConnections(0, 2, true);
  p.MakeReady();
  Block b(4);
  p.AttachInputs(b.inPtr, 4);
  p.AttachOutputs(b.outPtr, 4);
  p.RunBlockFloat(4);  // input 2's scratch now holds the converted samples
  p.SetInputConnections(1, 1, false);

  auto runWithOneInput = [&p]() {
    std::vector<float> left(4, 0.0f), o0(4), o1(4, -1.0f);
    float* ins[1] = {left.data()};
    float* outs[2] = {o0.data(), o1.data()};
    p.AttachInputs(ins, 4);
    p.AttachOutputs(outs, 4);
    p.RunBlockFloat(4);
    return o1;
  };
  p.ResizeBlock(4);  // same size: contents kept
  EXPECT_EQ(runWithOneInput(), b.in[1]);
  p.ResizeBlock(8);  // new size: cleared
  EXPECT_EQ(p.CurrentBlockSize(), 8);
  EXPECT_EQ(runWithOneInput(), std::vector<float>(4, 0.0f));
}

TEST(PlugBase, EditorGetsValuesOnAttachAndOnRestore) {
  TestPlug p(2);
  p.ParamAt(0)->DefineInteger("a", 5, 0, 10);
  p.ParamAt(1)->DefineInteger("b", 1, 0, 4);
  std::vector<std::string> journal;
  p.AttachEditor(nullptr);
  EXPECT_EQ(p.Editor(), nullptr);
  p.AttachEditor(new TestEditor(&journal));
  EXPECT_EQ(journal, (std::vector<std::string>{"apply 0 0.500000 n", "apply 1 0.250000 n", "prepare"}));
  journal.clear();
  p.UpdateEditorFromParams();
  EXPECT_EQ(journal, (std::vector<std::string>{"apply 0 5.000000 p", "apply 1 1.000000 p"}));
}

TEST(PlugBase, EditorEditsReachTheHost) {
  TestPlug p(2);
  p.ParamAt(1)->DefineInteger("b", 0, 0, 10);
  p.SetParameterFromEditor(1, 0.25);
  EXPECT_EQ(p.ParamAt(1)->Value(), 3.0);  // 2.5 rounds up
  EXPECT_EQ(p.log, (std::vector<std::string>{"automate 1 0.250000"}));
  EXPECT_EQ(p.changed, (std::vector<int>{1}));
  p.SetParameterFromEditor(7, 0.5);  // no such parameter
  EXPECT_EQ(p.log.size(), 1u);
  // Values outside [0, 1] are held to it, and the host hears the held one.
  p.SetParameterFromEditor(1, -3.0);
  EXPECT_EQ(p.ParamAt(1)->Value(), 0.0);
  p.SetParameterFromEditor(1, 7.0);
  EXPECT_EQ(p.ParamAt(1)->Value(), 10.0);
  EXPECT_EQ(p.log.back(), "automate 1 1.000000");
}

TEST(PlugBase, DelayedEndOfEditGesture) {
  TestPlug bare;
  bare.EndParamEditDelayed(3);  // no editor: ends at once
  EXPECT_EQ(bare.log, (std::vector<std::string>{"end 3"}));

  TestPlug p;
  std::vector<std::string> journal;
  p.AttachEditor(new TestEditor(&journal, 30));
  journal.clear();
  p.EndParamEditDelayed(2);
  EXPECT_EQ(p.PendingEditParam(), 2);
  EXPECT_EQ(journal, (std::vector<std::string>{"countdown 15"}));
  EXPECT_TRUE(p.log.empty());
  p.BeginParamEdit(0);  // a new gesture ends the pending one first
  EXPECT_EQ(p.log, (std::vector<std::string>{"end 2", "begin 0"}));
  EXPECT_EQ(p.PendingEditParam(), -1);
  p.EndPendingParamEdit();  // nothing pending any more
  EXPECT_EQ(p.log.size(), 2u);

  TestPlug slow;
  std::vector<std::string> j2;
  slow.AttachEditor(new TestEditor(&j2, 1));
  j2.clear();
  slow.EndParamEditDelayed(0);
  EXPECT_EQ(j2, (std::vector<std::string>{"countdown 1"}));
}

TEST(PlugBase, MidiListsAndDefaults) {
  TestPlug p;
  EXPECT_TRUE(p.SendMidiMessages({}));
  MidiMessage good, silent;
  good.status = 0x90;
  EXPECT_TRUE(p.SendMidiMessages({good, good}));
  EXPECT_FALSE(p.SendMidiMessages({good, silent, good}));
  char name[8] = "x";
  EXPECT_FALSE(p.NameOfMidiNote(60, name));
  EXPECT_STREQ(name, "");
}

}  // namespace
