#include "tools/host/ValidateSupport.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "tools/host/AllocationCount.h"
#include "tools/host/AudioIO.h"
#include "tools/host/Cli.h"

namespace qmhost {

namespace {

constexpr unsigned char kTextFill = 0xA5;
constexpr int kGuardFrames = 16;  // samples after a call's frames that must stay untouched
constexpr uint32_t kFillFloat = 0x7FC0DEADu;
constexpr uint64_t kFillDouble = 0x7FF8DEADDEADDEADull;

template <typename T>
T FillValue();
template <>
float FillValue<float>() {
  float f;
  std::memcpy(&f, &kFillFloat, sizeof f);
  return f;
}
template <>
double FillValue<double>() {
  double d;
  std::memcpy(&d, &kFillDouble, sizeof d);
  return d;
}

template <typename T>
bool IsFill(T value) {
  T fill = FillValue<T>();
  return std::memcmp(&value, &fill, sizeof value) == 0;
}

template <typename T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

// ---- Texts ------------------------------------------------------------------------

HostText AskText(VstHost& host, VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt) {
  unsigned char buffer[HostText::kSize];
  std::memset(buffer, kTextFill, sizeof buffer);
  buffer[0] = '\0';
  HostText result;
  result.answer = host.Dispatch(opcode, index, value, buffer, opt);
  const void* nul = std::memchr(buffer, 0, sizeof buffer);
  result.terminated = nul != nullptr;
  size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - buffer) : sizeof buffer;
  result.text.assign(reinterpret_cast<const char*>(buffer), length);
  size_t last = sizeof buffer;
  while (last > 1 && buffer[last - 1] == kTextFill) --last;
  result.touched = std::max(last, length + (nul ? 1 : 0));
  return result;
}

bool ExpectTextFits(CheckReport& report, const HostText& text, size_t limit, const std::string& what) {
  if (!text.terminated) {
    report.Fail(what + ": no terminator within " + std::to_string(HostText::kSize) + " bytes");
    return false;
  }
  if (text.touched > limit) {
    // Long texts shown by their start and length.
    constexpr size_t kShown = 40;
    const std::string shown = text.text.size() <= kShown
                                  ? QuoteText(text.text)
                                  : QuoteText(text.text.substr(0, kShown)) + Format("... (%zu characters)", text.text.size());
    report.Fail(Format("%s: %s wrote %zu bytes, more than the %zu a host's buffer holds", what.c_str(), shown.c_str(),
                       text.touched, limit));
    return false;
  }
  return true;
}

// ---- Signals -----------------------------------------------------------------------

const char* SignalName(Signal signal) {
  switch (signal) {
    case Signal::Noise: return "noise";
    case Signal::Quiet: return "noise at the smallest normal float";
    case Signal::Silence: return "silence";
    case Signal::Impulses: return "impulses";
  }
  return "?";
}

// ---- Findings ------------------------------------------------------------------------

void OutputFindings::ReportTo(CheckReport& report, const std::string& where) const {
  if (Clean()) return;
  std::string counts;
  auto add = [&counts](int64_t n, const char* what) {
    if (!n) return;
    counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + what;
  };
  add(nan, "NaN samples");
  add(inf, "infinite samples");
  add(subnormal, "subnormal samples");
  add(unwritten, "samples left unwritten");
  add(pastEnd, "samples written past the call's frames");
  add(inputChanged, "input samples changed");
  report.Fail(where + ", " + std::to_string(frames) + " frames: " + counts);
  for (const std::string& f : first) report.Note("  " + f);
}

void OutputFindings::Add(const OutputFindings& o) {
  calls += o.calls;
  frames += o.frames;
  nan += o.nan;
  inf += o.inf;
  subnormal += o.subnormal;
  unwritten += o.unwritten;
  pastEnd += o.pastEnd;
  inputChanged += o.inputChanged;
  nonZero += o.nonZero;
  for (const std::string& f : o.first) {
    if (first.size() < 6) first.push_back(f);
  }
}

// ---- Processing ------------------------------------------------------------------------

ProcessHarness::ProcessHarness(VstHost& host, Precision precision, int capacity, uint32_t seed)
    : mHost(host), mPrecision(precision), mCapacity(std::max(capacity, 1)) {
  AEffect* e = host.Effect();
  mInputs = e ? std::max(e->numInputs, 0) : 0;
  mOutputs = e ? std::max(e->numOutputs, 0) : 0;
  const size_t size = static_cast<size_t>(mCapacity + kGuardFrames);
  // At least one channel each way, so that the pointer arrays are never empty.
  const size_t ins = static_cast<size_t>(std::max(mInputs, 1)), outs = static_cast<size_t>(std::max(mOutputs, 1));
  if (precision == Precision::Double) mDouble.Setup(ins, outs, size);
  else mFloat.Setup(ins, outs, size);
  for (size_t c = 0; c < ins; ++c) mNoise.push_back(seed * 2654435761u + static_cast<uint32_t>(c) * 40503u + 1u);
  mCaptured.assign(static_cast<size_t>(mOutputs), std::vector<double>());
}

template <typename T>
void ProcessHarness::Buffers<T>::Setup(size_t ins, size_t outs, size_t size) {
  in.assign(ins, std::vector<T>(size));
  kept.assign(ins, std::vector<T>(size));
  out.assign(outs, std::vector<T>(size));
  for (auto& c : in) inPtr.push_back(c.data());
  for (auto& c : out) outPtr.push_back(c.data());
}

template <typename T>
void ProcessHarness::Fill(std::vector<std::vector<T>>& in, int frames, Signal signal) {
  const double rate = mHost.Settings().sampleRate;
  const int64_t period = std::max<int64_t>(1, static_cast<int64_t>(rate / 8));
  for (size_t c = 0; c < in.size(); ++c) {
    uint32_t& s = mNoise[c];
    for (int i = 0; i < frames; ++i) {
      s ^= s << 13;
      s ^= s >> 17;
      s ^= s << 5;
      const double u = (s >> 8) * (2.0 / 16777216.0) - 1.0;  // [-1, 1)
      double v = 0;
      switch (signal) {
        case Signal::Noise: v = u; break;
        case Signal::Quiet: v = (u < 0 ? -1.0 : 1.0) * (2.0 + 2.0 * std::fabs(u)) * FLT_MIN; break;
        case Signal::Silence: v = 0; break;
        case Signal::Impulses: v = (mSample + i) % period == 0 ? 1.0 : 0.0; break;
      }
      in[c][static_cast<size_t>(i)] = static_cast<T>(v);
    }
  }
}

template <typename T>
bool ProcessHarness::CallWith(Buffers<T>& b, int frames, Signal signal) {
  std::vector<std::vector<T>>& in = b.in;
  std::vector<std::vector<T>>& out = b.out;
  frames = std::min(std::max(frames, 0), mCapacity);
  Fill(in, frames, signal);
  const bool adding = mPrecision == Precision::FloatAdding;
  for (auto& channel : out) std::fill(channel.begin(), channel.end(), adding ? T(0) : FillValue<T>());
  // Keep the inputs as given, to see whether the effect changes them.
  for (size_t c = 0; c < in.size(); ++c) std::copy(in[c].begin(), in[c].begin() + frames, b.kept[c].begin());

  if (mCountAllocations) StartCountingAllocations();
  const auto start = std::chrono::steady_clock::now();
  bool ok;
  if constexpr (sizeof(T) == sizeof(double)) {
    ok = mHost.ProcessDouble(b.inPtr.data(), b.outPtr.data(), frames);
  } else {
    ok = adding ? mHost.ProcessFloatAdding(b.inPtr.data(), b.outPtr.data(), frames)
                : mHost.ProcessFloat(b.inPtr.data(), b.outPtr.data(), frames);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (mCountAllocations) {
    uint64_t n = StopCountingAllocations();
    mAllocations += n;
    if (n) ++mCallsAllocating;
  }
  if (!ok) return false;
  mSlowest = std::max(mSlowest, seconds);
  mSample += frames;
  ++mFindings.calls;
  mFindings.frames += frames;

  auto note = [this, frames, signal](const std::string& what, size_t channel, int frame, double value) {
    if (mFindings.first.size() < 6) {
      mFindings.first.push_back(Format("%s, %s: %s at channel %zu, frame %d of a %d-frame call (value %g)",
                                       mPlace.c_str(), SignalName(signal), what.c_str(), channel, frame, frames,
                                       value));
    }
  };
  const T minNormal = std::numeric_limits<T>::min();
  for (size_t c = 0; c < static_cast<size_t>(mOutputs); ++c) {
    const std::vector<T>& o = out[c];
    for (int i = 0; i < frames; ++i) {
      const T v = o[static_cast<size_t>(i)];
      if (!adding && IsFill(v)) {
        if (!mFindings.unwritten++) note("left unwritten", c, i, 0.0);
      } else if (std::isnan(v)) {
        if (!mFindings.nan++) note("NaN", c, i, v);
      } else if (std::isinf(v)) {
        if (!mFindings.inf++) note("infinity", c, i, v);
      } else if (v != 0 && std::fabs(v) < minNormal) {
        if (!mFindings.subnormal++) note("subnormal", c, i, v);
      }
      if (v != 0) ++mFindings.nonZero;
      if (mCapture) mCaptured[c].push_back(static_cast<double>(v));
    }
    const T guard = adding ? T(0) : FillValue<T>();
    for (int i = frames; i < frames + kGuardFrames; ++i) {
      if (!SameBits(o[static_cast<size_t>(i)], guard)) {
        if (!mFindings.pastEnd++) note("written past the call's frames", c, i, o[static_cast<size_t>(i)]);
      }
    }
  }
  for (size_t c = 0; c < static_cast<size_t>(mInputs); ++c) {
    for (int i = 0; i < frames; ++i) {
      if (!SameBits(in[c][static_cast<size_t>(i)], b.kept[c][static_cast<size_t>(i)])) {
        if (!mFindings.inputChanged++) note("input changed", c, i, in[c][static_cast<size_t>(i)]);
      }
    }
  }
  return true;
}

bool ProcessHarness::Call(int frames, Signal signal) {
  if (mPrecision == Precision::Double) return CallWith(mDouble, frames, signal);
  return CallWith(mFloat, frames, signal);
}

bool ProcessHarness::Run(int64_t total, int block, Signal signal) {
  block = std::max(1, std::min(block, mCapacity));
  for (int64_t done = 0; done < total;) {
    int n = static_cast<int>(std::min<int64_t>(block, total - done));
    if (!Call(n, signal)) return false;
    done += n;
  }
  return true;
}

std::vector<Precision> OfferedPrecisions(const VstHost& host) {
  std::vector<Precision> offered;
  for (Precision p : {Precision::Float, Precision::Double, Precision::FloatAdding}) {
    if (host.Supports(p)) offered.push_back(p);
  }
  return offered;
}

void Restart(VstHost& host, double rate, int block, Precision precision) {
  host.Suspend();
  if (!host.SetSampleRate(rate) || !host.SetBlockSize(block) || !host.Resume(precision)) {
    throw CheckAbort{Format("the host could not restart the effect at %.0f Hz, block %d", rate, block)};
  }
}

// ---- State ---------------------------------------------------------------------------------

std::vector<float> ParamValues(VstHost& host) {
  std::vector<float> values;
  for (int i = 0; i < host.NumParams(); ++i) values.push_back(host.GetParam(i));
  return values;
}

std::vector<uint8_t> ChunkOf(VstHost& host, bool program) {
  std::vector<uint8_t> chunk;
  host.GetChunk(program, &chunk);
  return chunk;
}

int FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameBits(a[i], b[i])) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace qmhost
