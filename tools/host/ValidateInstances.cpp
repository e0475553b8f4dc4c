// Validation: many instances at once, and threads.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"
#include "tools/host/ValidateSupport.h"

namespace qmhost {

namespace {

constexpr int kInstances = 16;
constexpr int kThreads = 4;
constexpr int kThreadRounds = 3;
constexpr int kBlock = 512;

// One instance's part: its program, its input and its automation come from
// its number, so that it can be played again alone.
struct Part {
  std::unique_ptr<VstHost> host;
  std::unique_ptr<ProcessHarness> harness;
  Random random{1};
};

void StartPart(const ValidationTarget& target, Part& part, int number, Precision p) {
  part.host = target.NewInstance(44100, kBlock);
  if (part.host->NumPrograms() > 1) part.host->SetProgram(number % part.host->NumPrograms());
  part.host->Resume(p);
  part.harness = std::make_unique<ProcessHarness>(*part.host, p, kBlock, static_cast<uint32_t>(number + 1));
  part.harness->SetPlace(Format("instance %d", number));
  part.harness->Capture(true);
  part.random = Random(static_cast<uint32_t>(number * 7 + 3));
}

// One block of the part: a parameter change, then the call.
void PlayBlock(Part& part, int block) {
  VstHost& host = *part.host;
  if (host.NumParams() > 0) host.SetParam(part.random.Below(host.NumParams()), static_cast<float>(part.random.Unit()));
  part.harness->Call(kBlock, block % 8 < 6 ? Signal::Noise : Signal::Impulses);
}

// The first output sample where a and b differ, or -1.
long long FirstSampleDifference(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b,
                                size_t* channel) {
  for (size_t c = 0; c < a.size() && c < b.size(); ++c) {
    size_t n = std::min(a[c].size(), b[c].size());
    for (size_t i = 0; i < n; ++i) {
      if (!(a[c][i] == b[c][i])) {
        *channel = c;
        return static_cast<long long>(i);
      }
    }
    if (a[c].size() != b[c].size()) {
      *channel = c;
      return static_cast<long long>(n);
    }
  }
  return -1;
}

std::vector<std::vector<double>> PlayAlone(const ValidationTarget& target, int number, Precision p, int blocks) {
  Part part;
  StartPart(target, part, number, p);
  for (int b = 0; b < blocks; ++b) PlayBlock(part, b);
  return part.harness->Captured();
}

// Whether an instance played alone twice gives the same output twice: only
// then can instances be compared with instances alone. (Some modules do part
// of their work on threads of their own, in their own time.)
bool Repeatable(const ValidationTarget& target, Precision p, int blocks) {
  return PlayAlone(target, 0, p, blocks) == PlayAlone(target, 0, p, blocks);
}

// A barrier for threads that should start together.
class StartLine {
public:
  explicit StartLine(int count) : mWaiting(count) {}
  void Arrive() {
    std::unique_lock<std::mutex> lock(mLock);
    if (--mWaiting == 0) mGo.notify_all();
    else mGo.wait(lock, [this] { return mWaiting <= 0; });
  }

private:
  std::mutex mLock;
  std::condition_variable mGo;
  int mWaiting;
};

}  // namespace

void CheckInstances(const ValidationTarget& target, CheckReport& report) {
  const Precision p = OfferedPrecisions(*target.NewInstance())[0];
  const int blocks = 86;  // one second at 44.1 kHz
  std::vector<Part> parts(kInstances);
  for (int k = 0; k < kInstances; ++k) StartPart(target, parts[static_cast<size_t>(k)], k, p);
  for (int b = 0; b < blocks; ++b) {
    for (Part& part : parts) PlayBlock(part, b);
  }
  for (int k = 0; k < kInstances; ++k) {
    parts[static_cast<size_t>(k)].harness->Findings().ReportTo(report, Format("instance %d of %d", k, kInstances));
  }
  std::string compared = "not compared with instances alone (the module's output is not repeatable)";
  if (Repeatable(target, p, blocks)) {
    compared = "each sounds as it does alone";
    for (int k = 0; k < kInstances; ++k) {
      const auto alone = PlayAlone(target, k, p, blocks);
      size_t channel = 0;
      long long at = FirstSampleDifference(parts[static_cast<size_t>(k)].harness->Captured(), alone, &channel);
      if (at >= 0) {
        report.Fail(Format("instance %d sounds different beside %d others than alone (output %zu, frame %lld)", k,
                           kInstances - 1, channel, at));
        compared = "they do not sound as they do alone";
      }
    }
  }
  parts.clear();
  report.SetSummary(Format("%d instances open at once, played in turns for 1 s each: clean; %s", kInstances,
                           compared.c_str()));
}

void CheckThreads(const ValidationTarget& target, CheckReport& report) {
  const Precision p = OfferedPrecisions(*target.NewInstance())[0];
  const int blocks = 86;
  const bool compare = Repeatable(target, p, blocks);
  std::mutex reportLock;
  // Instances made, played and closed on several threads at once.
  for (int round = 0; round < kThreadRounds; ++round) {
    StartLine line(kThreads);
    std::vector<std::vector<std::vector<double>>> outputs(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        try {
          Part part;
          line.Arrive();
          StartPart(target, part, t, p);
          for (int b = 0; b < blocks; ++b) PlayBlock(part, b);
          std::lock_guard<std::mutex> lock(reportLock);
          part.harness->Findings().ReportTo(report, Format("thread %d", t));
          outputs[static_cast<size_t>(t)] = part.harness->Captured();
        } catch (const CheckAbort& abort) {
          std::lock_guard<std::mutex> lock(reportLock);
          report.Fail(Format("thread %d: %s", t, abort.reason.c_str()));
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    if (!compare) continue;
    for (int t = 0; t < kThreads; ++t) {
      size_t channel = 0;
      long long at = FirstSampleDifference(outputs[static_cast<size_t>(t)], PlayAlone(target, t, p, blocks), &channel);
      if (at >= 0) {
        report.Fail(Format("round %d: the instance on thread %d sounds different than alone (output %zu, frame %lld)",
                           round, t, channel, at));
      }
    }
  }

  // One instance: processing on one thread while another changes parameters,
  // reads texts and the state, and selects programs, as a host's user
  // interface does.
  auto host = target.NewInstance(44100, kBlock);
  host->Resume(p);
  ProcessHarness h(*host, p, kBlock, 9);
  h.SetPlace("processing beside a control thread");
  std::atomic<bool> stop{false};
  std::atomic<int> audioCalls{0};
  std::thread audio([&] {
    int b = 0;
    while (!stop.load()) {
      h.Call(kBlock, b++ % 8 < 6 ? Signal::Noise : Signal::Quiet);
      ++audioCalls;
    }
  });
  Random random(5);
  AEffect* e = host->Effect();
  int texts = 0, calls = 0;
  // 2000 rounds of control calls, and more while the audio thread has made
  // fewer than 200 calls, within five seconds.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int i = 0; (i < 2000 || audioCalls.load() < 200) && std::chrono::steady_clock::now() < end; ++i, ++calls) {
    if (e->numParams > 0) {
      const int index = random.Below(e->numParams);
      e->setParameter(e, index, static_cast<float>(random.Unit()));
      const float v = e->getParameter(e, index);
      if (!(v >= 0.0f && v <= 1.0f)) {
        std::lock_guard<std::mutex> lock(reportLock);
        report.Fail(Format("parameter %d read %g from the control thread", index, static_cast<double>(v)));
      }
      if (!AskText(*host, effGetParamDisplay, index).terminated) ++texts;
    }
    if (i % 50 == 0) {
      std::vector<uint8_t> chunk;
      if (host->GetChunk(false, &chunk)) host->SetChunk(false, chunk);
    }
    if (i % 200 == 100 && e->numPrograms > 1) host->Dispatch(effSetProgram, 0, random.Below(e->numPrograms));
  }
  stop.store(true);
  audio.join();
  if (texts) report.Fail(Format("%d display texts without terminator while processing", texts));
  h.Findings().ReportTo(report, "one instance, two threads");
  report.SetSummary(Format("%d rounds of %d threads making, playing and closing instances; %d rounds of control calls "
                           "beside %lld processing calls on one instance: clean%s",
                           kThreadRounds, kThreads, calls, static_cast<long long>(h.Findings().calls),
                           compare ? ", each sounding as alone" : ""));
}

}  // namespace qmhost
