// The quillmere-host command line, run in-process against the test modules
// (and the plug-in module where the tree builds it).

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "QmVersion.h"
#include "tests/tools/TestModules.h"
#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/DemoSignal.h"

using qmhost::AudioData;
using qmtest::FakeLog;
using qmtest::ModulePath;

namespace {

struct CliRun {
  int code;
  std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  int code = qmhost::RunCommandLine(args, out, err);
  return {code, out.str(), err.str()};
}

std::string Temp(const std::string& name) { return qmhost::ExecutableDirectory() + "cli_test_" + name; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

const std::string kFake = ModulePath(QM_FAKE_EFFECT_FILE);

TEST(CliUsage, HelpDocumentsExitCodesAndBadCommandLinesExitOne) {
  CliRun help = Cli({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* code : {"0  success", "1  usage", "2  cannot load", "3  not a VST 2", "4  I/O", "5  the effect"}) {
    EXPECT_TRUE(Contains(help.out, code)) << code;
  }
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"play", kFake},
      {"info"},
      {"info", kFake, "extra"},
      {"info", kFake, "--param", "0"},
      {"info", kFake, "--param", "0=1.5"},
      {"info", kFake, "--param=0=abc"},
      {"info", kFake, "--block", "0"},
      {"info", kFake, "--rate", "-5"},
      {"info", kFake, "--frobnicate"},
      {"info", kFake, "--log=yes"},
      {"render", kFake, Temp("x.f64")},
      {"render", kFake, "--demo", Temp("x.f64"), "--precision", "half"},
      {"bench", kFake, "--blocks", "64,,512"},
  };
  for (const auto& args : bad) {
    CliRun r = Cli(args);
    EXPECT_EQ(r.code, 1) << (args.empty() ? "(nothing)" : args[0]) << " " << r.err;
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(CliErrors, ExitCodesForModulesThatCannotBeUsed) {
  std::string text = Temp("not_a_module.txt");
  std::FILE* f = std::fopen(text.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("plain text", f);
  std::fclose(f);
  struct Case {
    std::string module;
    int code;
  };
  const Case cases[] = {
      {ModulePath("missing-module.bin"), 2},
      {text, 3},
      {ModulePath(QM_FAKE_NO_ENTRY_FILE), 3},
      {ModulePath(QM_FAKE_NULL_ENTRY_FILE), 3},
      {ModulePath(QM_FAKE_BAD_MAGIC_FILE), 3},
  };
  for (const Case& c : cases) {
    CliRun r = Cli({"info", c.module});
    EXPECT_EQ(r.code, c.code) << c.module << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.module)) << r.err;
  }
  std::remove(text.c_str());

  // Requests the effect rejects.
  EXPECT_EQ(Cli({"info", kFake, "--program", "7"}).code, 5);
  EXPECT_EQ(Cli({"info", kFake, "--program", "Nonexistent"}).code, 5);
  EXPECT_EQ(Cli({"info", kFake, "--param", "Volume=0.5"}).code, 5);
  EXPECT_EQ(Cli({"info", kFake, "--param", "9=0.5"}).code, 5);
  EXPECT_EQ(Cli({"info", kFake, "--param", "Mode=text:Medium"}).code, 5);
  EXPECT_EQ(Cli({"render", ModulePath(QM_FAKE_FLOAT_ONLY_FILE), "--demo", Temp("d.f64"), "--precision", "double"}).code, 5);
  // Files that cannot be read or written.
  EXPECT_EQ(Cli({"info", kFake, "--load-chunk", Temp("no-such-chunk.bin")}).code, 4);
  EXPECT_EQ(Cli({"info", kFake, "--save-chunk", Temp("no-such-dir/chunk.bin")}).code, 4);
  EXPECT_EQ(Cli({"render", kFake, Temp("no-such-input.f64"), Temp("out.f64")}).code, 4);
  EXPECT_EQ(Cli({"render", kFake, "--demo", Temp("no-such-dir/out.f64")}).code, 4);
}

TEST(CliInfo, DescribesTheEffectDeterministically) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  CliRun first = Cli({"info", kFake, "--program", "Quiet", "--param", "Mode=text:Hard", "--param", "2=0.5"});
  ASSERT_EQ(first.code, 0) << first.err;
  const char* expected[] = {
      "  magic: 0x56737450 'VstP'\n",
      "  flags: 0x00001030 (CanReplacing ProgramChunks CanDoubleReplacing)\n",
      "  programs: 3\n",
      "  unique ID: 1366115947 'QmFk'\n",
      "  initial delay: 3\n",
      "  effect name: \"Fake Effect\"\n",
      "  vendor version: 7\n",
      "  category: 1 (effect)\n",
      "  input 0: \"In 1\" flags 3\n",
      "  output 1: \"Out 2\" flags 1\n",
      "  0 \"Gain\": value 0.250000, display \"0.50\", label \"x\"\n",
      "  1 \"Mode\": value 1.000000, display \"Hard\", label \"\"\n",
      "  2 \"Spare\": value 0.500000, display \"0.500\", label \"\"\n",
      "programs (current 2)\n",
      "  1 \"Loud\"\n",
      "  receiveVstTimeInfo: 1\n",
      "  hasCockosExtensions: 0\n",
      "  bank: 16 bytes, FNV-1a 0x",
  };
  for (const char* line : expected) EXPECT_TRUE(Contains(first.out, line)) << line << "\nin:\n" << first.out;
  // The effect saw the selection by name and the text through effString2Parameter.
  EXPECT_TRUE(log.Has("text1=Hard")) << log.Text();
  CliRun second = Cli({"info", kFake, "--program", "Quiet", "--param", "Mode=text:Hard", "--param", "2=0.5"});
  EXPECT_EQ(first.out, second.out);
}

TEST(CliUsage, VersionIsTheProjectsOwn) {
  CliRun version = Cli({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "quillmere-host " QM_VERSION_TEXT "\n");
  CliRun info = Cli({"info", kFake});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_EQ(info.out.rfind(version.out, 0), 0u) << "info begins with the version line:\n" << info.out;
}

TEST(CliInfo, LogShowsGesturesAndHostNameIsPassed) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  CliRun r = Cli({"info", kFake, "--host-name", "Ableton Live 11", "--log"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(log.Has("product=Ableton")) << log.Text();
  EXPECT_TRUE(Contains(r.out, "host requests\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  getProductString (33): 1\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  version (1): 2\n")) << "entry and open ask: " << r.out;
}

TEST(CliChunks, SaveAndLoadBack) {
  std::string chunk = Temp("chunk.bin");
  CliRun save = Cli({"info", kFake, "--param", "Gain=0.125", "--param", "Spare=0.75", "--save-chunk", chunk});
  ASSERT_EQ(save.code, 0) << save.err;
  std::vector<uint8_t> bytes = ReadAll(chunk);
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FKB1");
  CliRun load = Cli({"info", kFake, "--load-chunk", chunk});
  ASSERT_EQ(load.code, 0) << load.err;
  EXPECT_TRUE(Contains(load.out, "0 \"Gain\": value 0.125000")) << load.out;
  EXPECT_TRUE(Contains(load.out, "2 \"Spare\": value 0.750000")) << load.out;
  // Parameters given on the command line override the chunk.
  CliRun both = Cli({"info", kFake, "--load-chunk", chunk, "--param", "0=1"});
  EXPECT_TRUE(Contains(both.out, "0 \"Gain\": value 1.000000")) << both.out;
  // A bank chunk offered as a program chunk is refused: exit 5, nothing changed.
  EXPECT_EQ(Cli({"info", kFake, "--load-chunk", chunk, "--program-chunk"}).code, 5);
  std::remove(chunk.c_str());
}

TEST(CliRender, DemoThroughEachPrecision) {
  AudioData demo = qmhost::DemoSignal(44100);
  for (const char* precision : {"float", "float-adding", "double"}) {
    std::string out = Temp(std::string("render_") + precision + ".f64");
    CliRun r = Cli({"render", kFake, "--demo", out, "--precision", precision, "--param", "Gain=0.25", "--block", "300"});
    ASSERT_EQ(r.code, 0) << precision << ": " << r.err;
    EXPECT_TRUE(Contains(r.out, "2 ch, 44100 Hz, 176400 frames (4.000 s), peak ")) << r.out;
    AudioData rendered;
    std::string error;
    ASSERT_TRUE(qmhost::ReadAudio(out, 2, 44100, &rendered, &error)) << error;
    ASSERT_EQ(rendered.Frames(), demo.Frames());
    // Gain 0.25 is x0.5; single precision loses what a float cannot hold.
    double tolerance = std::string(precision) == "double" ? 0.0 : 1e-7;
    for (size_t i = 0; i < demo.Frames(); i += 997) {
      EXPECT_NEAR(rendered.channels[0][i], 0.5 * demo.channels[0][i], tolerance) << precision << " frame " << i;
      EXPECT_NEAR(rendered.channels[1][i], 0.5 * demo.channels[1][i], tolerance) << precision << " frame " << i;
    }
    std::remove(out.c_str());
  }
}

TEST(CliRender, SoundFileInAndOut) {
  if (!qmhost::HaveSoundFiles()) GTEST_SKIP() << "this build has raw files only";
  std::string in = Temp("in.wav"), out = Temp("out.wav");
  ASSERT_EQ(Cli({"demo", in, "--rate", "22050", "--format", "pcm24"}).code, 0);
  // The rate comes from the file; 24-bit output as asked.
  CliRun r = Cli({"render", kFake, in, out, "--param", "Gain=0.25", "--format", "pcm24"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "2 ch, 22050 Hz, 88200 frames")) << r.out;
  AudioData a, b;
  std::string error;
  ASSERT_TRUE(qmhost::ReadAudio(in, 0, 0, &a, &error)) << error;
  ASSERT_TRUE(qmhost::ReadAudio(out, 0, 0, &b, &error)) << error;
  for (auto& channel : a.channels)
    for (double& x : channel) x *= 0.5;
  EXPECT_EQ(qmhost::CompareAudio(a, b, 1.0 / (1 << 23)).beyondTolerance, 0u);
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(CliRender, PrefillStartTailAndMonoInput) {
  FakeLog log(QM_FAKE_EFFECT_FILE);
  // A mono raw input of 1000 frames feeds both effect inputs.
  AudioData mono;
  mono.sampleRate = 8000;
  mono.Resize(1, 1000);
  for (size_t i = 0; i < 1000; ++i) mono.channels[0][i] = (i % 10) * 0.05;
  std::string in = Temp("mono.f64"), out = Temp("prefilled.f64"), error;
  ASSERT_TRUE(qmhost::WriteAudio(in, mono, qmhost::SampleFormat::Double, &error)) << error;
  CliRun r = Cli({"render", kFake, in, out, "--channels", "1", "--rate", "8000", "--precision", "float-adding",
               "--prefill", "0.25", "--start", "5000", "--tail", "0.0125", "--block", "256"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "2 ch, 8000 Hz, 1100 frames")) << r.out;
  AudioData rendered;
  ASSERT_TRUE(qmhost::ReadAudio(out, 2, 8000, &rendered, &error)) << error;
  ASSERT_EQ(rendered.Frames(), 1100u);
  for (size_t i : {0u, 7u, 999u}) {
    EXPECT_NEAR(rendered.channels[0][i], 0.25 + mono.channels[0][i], 1e-7) << i;
    EXPECT_NEAR(rendered.channels[1][i], 0.25 + mono.channels[0][i], 1e-7) << i;
  }
  EXPECT_FLOAT_EQ(static_cast<float>(rendered.channels[1][1050]), 0.25f) << "the tail adds silence to the prefill";
  // The transport started at 5000 and advanced by 256-frame blocks.
  EXPECT_TRUE(log.Has("time=5000,8000,120.0,1.2500,4/4,2E03")) << log.Text();
  EXPECT_TRUE(log.Has("time=5256,8000,120.0,1.3140,4/4,2E02")) << log.Text();
  EXPECT_TRUE(log.Has("pA76")) << "the last block is the remainder: " << log.Text();
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(CliDemo, WritesTheEmbeddedInput) {
  std::string path = Temp("demo.f64");
  CliRun r = Cli({"demo", path, "--rate", "16000"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "2 ch, 16000 Hz, 64000 frames (4.000 s)")) << r.out;
  AudioData written;
  std::string error;
  ASSERT_TRUE(qmhost::ReadAudio(path, 2, 16000, &written, &error)) << error;
  EXPECT_TRUE(written.channels == qmhost::DemoSignal(16000).channels);
  std::remove(path.c_str());
  if (!qmhost::HaveSoundFiles()) {
    EXPECT_EQ(Cli({"demo", Temp("demo.wav")}).code, 1) << "this build has raw files only";
    EXPECT_EQ(Cli({"compare", Temp("a.wav"), Temp("b.wav")}).code, 1);
  }
}

TEST(CliCompare, SameWithinToleranceElseSix) {
  AudioData a = qmhost::DemoSignal(8000), b = a;
  b.channels[1][123] += 1e-9;
  std::string pa = Temp("a.f64"), pb = Temp("b.f64"), pc = Temp("c.f64"), error;
  ASSERT_TRUE(qmhost::WriteAudio(pa, a, qmhost::SampleFormat::Double, &error));
  ASSERT_TRUE(qmhost::WriteAudio(pb, b, qmhost::SampleFormat::Double, &error));
  CliRun same = Cli({"compare", pa, pa});
  EXPECT_EQ(same.code, 0) << same.out;
  CliRun close = Cli({"compare", pa, pb, "--tolerance", "1e-8"});
  EXPECT_EQ(close.code, 0) << close.out;
  EXPECT_EQ(close.out.compare(0, 6, "same: "), 0) << close.out;
  CliRun strict = Cli({"compare", pa, pb, "--tolerance", "1e-12"});
  EXPECT_EQ(strict.code, 6) << strict.out;
  EXPECT_EQ(strict.out,
            "differ: max abs difference 1e-09 at frame 123 channel 1; 1 of 64000 samples beyond tolerance 1e-12\n");
  a.channels[0].pop_back();
  a.channels[1].pop_back();
  ASSERT_TRUE(qmhost::WriteAudio(pc, a, qmhost::SampleFormat::Double, &error));
  EXPECT_EQ(Cli({"compare", pa, pc}).code, 6);
  EXPECT_EQ(Cli({"compare", pa, Temp("missing.f64")}).code, 4);
  for (const std::string& p : {pa, pb, pc}) std::remove(p.c_str());
}

TEST(CliBench, TimesEverySupportedCallbackAndBlockSize) {
  CliRun r = Cli({"bench", ModulePath(QM_FAKE_FLOAT_ONLY_FILE), "--seconds", "0.01", "--runs", "3", "--warmup", "0",
               "--blocks", "64,512"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "  float         block    64: ")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  float-adding  block   512: ")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  double        not supported by the module")) << r.out;
  EXPECT_TRUE(Contains(r.out, "ns per stereo frame, real-time factor")) << r.out;
}

#if defined(QM_QUILLMERE_FILE)
// The plug-in module of this tree, through the same commands.
const std::string kQuillmere = ModulePath(QM_QUILLMERE_FILE);

TEST(CliQuillmere, InfoProgramsTextParametersAndChunks) {
  CliRun r = Cli({"info", kQuillmere, "--program", "Bright Room", "--param", "Feedback=text:80"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "  unique ID: 2019124591 'xYeo'\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "programs (current 8)\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  2 \"Host Sync\": value 0.000000, display \"No\"")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  3 \"Feedback\": value 0.808081, display \"80\", label \"%\"")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  hasCockosExtensions: 3203334144 (0xBEEF0000)\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "  bank: 116 bytes")) << r.out;

  std::string chunk = Temp("quillmere.chunk");
  ASSERT_EQ(Cli({"info", kQuillmere, "--program", "25", "--save-chunk", chunk}).code, 0);
  CliRun loaded = Cli({"info", kQuillmere, "--load-chunk", chunk});
  ASSERT_EQ(loaded.code, 0) << loaded.err;
  EXPECT_TRUE(Contains(loaded.out, "  4 \"Direction Left\": value 0.000000, display \"Forward\"")) << loaded.out;
  std::remove(chunk.c_str());
}

TEST(CliQuillmere, RendersDeterministicallyAndChangesTheSound) {
  std::string a = Temp("q_a.f64"), b = Temp("q_b.f64");
  CliRun first = Cli({"render", kQuillmere, "--demo", a, "--program", "Forward Ping Pong", "--precision", "double"});
  ASSERT_EQ(first.code, 0) << first.err;
  CliRun second = Cli({"render", kQuillmere, "--demo", b, "--program", "25", "--precision", "double"});
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_EQ(Cli({"compare", a, b}).code, 0) << "the same render twice";
  std::string demo = Temp("q_demo.f64");
  ASSERT_EQ(Cli({"demo", demo}).code, 0);
  EXPECT_EQ(Cli({"compare", a, demo, "--tolerance", "0.01"}).code, 6) << "the effect changes the sound";
  for (const std::string& p : {a, b, demo}) std::remove(p.c_str());
}
#endif

}  // namespace
