#include "tools/host/Render.h"

#include <algorithm>
#include <chrono>

#include "tools/host/DemoSignal.h"

namespace qmhost {

namespace {

// Per-channel block buffers of either precision and the pointer arrays the
// callbacks take. At least one channel each way so the arrays are never empty.
template <typename T>
struct BlockBuffers {
  std::vector<std::vector<T>> in, out;
  std::vector<T*> inPtr, outPtr;

  void Setup(int inputs, int outputs, int frames) {
    in.assign(static_cast<size_t>(std::max(inputs, 1)), std::vector<T>(static_cast<size_t>(frames), T(0)));
    out.assign(static_cast<size_t>(std::max(outputs, 1)), std::vector<T>(static_cast<size_t>(frames), T(0)));
    inPtr.clear();
    outPtr.clear();
    for (auto& c : in) inPtr.push_back(c.data());
    for (auto& c : out) outPtr.push_back(c.data());
  }
};

int SourceChannel(int effectChannel, int fileChannels) {
  if (fileChannels <= 0) return -1;
  if (effectChannel < fileChannels) return effectChannel;
  return fileChannels == 1 ? 0 : -1;
}

// Fills the input buffers with frames of input starting at pos (silence past
// its end, looping when loop is set), and the outputs with prefill.
template <typename T>
void FillBlock(const AudioData& input, size_t pos, int frames, bool loop, double prefill, BlockBuffers<T>& b) {
  const size_t length = input.Frames();
  for (size_t c = 0; c < b.in.size(); ++c) {
    int source = SourceChannel(static_cast<int>(c), input.NumChannels());
    T* dst = b.in[c].data();
    for (int i = 0; i < frames; ++i) {
      size_t at = pos + static_cast<size_t>(i);
      if (loop && length > 0) at %= length;
      dst[i] = source >= 0 && at < length ? static_cast<T>(input.channels[static_cast<size_t>(source)][at]) : T(0);
    }
  }
  for (auto& c : b.out) std::fill(c.begin(), c.begin() + frames, static_cast<T>(prefill));
}

bool Process(VstHost& host, Precision precision, BlockBuffers<float>& b, int frames) {
  if (precision == Precision::FloatAdding) return host.ProcessFloatAdding(b.inPtr.data(), b.outPtr.data(), frames);
  return host.ProcessFloat(b.inPtr.data(), b.outPtr.data(), frames);
}

bool Process(VstHost& host, Precision, BlockBuffers<double>& b, int frames) {
  return host.ProcessDouble(b.inPtr.data(), b.outPtr.data(), frames);
}

template <typename T>
bool RenderWith(VstHost& host, const AudioData& input, const RenderOptions& options, AudioData* output,
                std::string* error) {
  AEffect* effect = host.Effect();
  const int blockSize = host.Settings().blockSize;
  const size_t total = input.Frames() + options.tailFrames;
  BlockBuffers<T> b;
  b.Setup(effect->numInputs, effect->numOutputs, blockSize);
  output->sampleRate = host.Settings().sampleRate;
  output->Resize(std::max(effect->numOutputs, 0), total);
  for (size_t pos = 0; pos < total;) {
    int frames = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), total - pos));
    FillBlock(input, pos, frames, false, options.prefill, b);
    if (!Process(host, options.precision, b, frames)) {
      *error = "the host could not run a processing block";
      return false;
    }
    for (size_t c = 0; c < output->channels.size(); ++c) {
      std::copy(b.out[c].begin(), b.out[c].begin() + frames, output->channels[c].begin() + static_cast<std::ptrdiff_t>(pos));
    }
    pos += static_cast<size_t>(frames);
  }
  return true;
}

template <typename T>
bool BenchWith(VstHost& host, Precision precision, const BenchOptions& options, BenchResult* result,
               std::string* error) {
  AEffect* effect = host.Effect();
  const int blockSize = host.Settings().blockSize;
  const double rate = host.Settings().sampleRate;
  AudioData input = DemoSignal(rate);
  BlockBuffers<T> b;
  b.Setup(effect->numInputs, effect->numOutputs, blockSize);
  size_t pos = 0;
  auto run = [&](size_t frames) {
    for (size_t done = 0; done < frames;) {
      int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), frames - done));
      FillBlock(input, pos, n, true, 0.0, b);
      if (!Process(host, precision, b, n)) return false;
      pos += static_cast<size_t>(n);
      done += static_cast<size_t>(n);
    }
    return true;
  };
  if (!run(static_cast<size_t>(options.warmup * rate))) {
    *error = "the host could not run a processing block";
    return false;
  }
  // Time only the processing calls: filling the input buffers is the
  // host's cost, not the effect's.
  const size_t frames = std::max<size_t>(static_cast<size_t>(options.seconds * rate), static_cast<size_t>(blockSize));
  result->runNsPerFrame.clear();
  for (int r = 0; r < options.runs; ++r) {
    std::chrono::nanoseconds spent(0);
    for (size_t done = 0; done < frames;) {
      int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), frames - done));
      FillBlock(input, pos, n, true, 0.0, b);
      auto start = std::chrono::steady_clock::now();
      bool ok = Process(host, precision, b, n);
      spent += std::chrono::steady_clock::now() - start;
      if (!ok) {
        *error = "the host could not run a processing block";
        return false;
      }
      pos += static_cast<size_t>(n);
      done += static_cast<size_t>(n);
    }
    result->runNsPerFrame.push_back(static_cast<double>(spent.count()) / static_cast<double>(frames));
  }
  std::vector<double> sorted = result->runNsPerFrame;
  std::sort(sorted.begin(), sorted.end());
  size_t mid = sorted.size() / 2;
  result->nsPerFrame = sorted.size() % 2 ? sorted[mid] : 0.5 * (sorted[mid - 1] + sorted[mid]);
  result->realTimeFactor = result->nsPerFrame * rate * 1e-9;
  return true;
}

}  // namespace

bool RenderAudio(VstHost& host, const AudioData& input, const RenderOptions& options, AudioData* output,
                 std::string* error) {
  if (!host.Effect() || !host.Running()) {
    *error = "the effect is not running";
    return false;
  }
  if (!host.Supports(options.precision)) {
    *error = std::string("the module does not support ") + PrecisionName(options.precision) + " processing";
    return false;
  }
  if (options.precision == Precision::Double) return RenderWith<double>(host, input, options, output, error);
  return RenderWith<float>(host, input, options, output, error);
}

bool BenchOne(VstHost& host, Precision precision, int blockSize, const BenchOptions& options, BenchResult* result,
              std::string* error) {
  result->precision = precision;
  result->blockSize = blockSize;
  if (!host.Effect()) {
    *error = "no effect";
    return false;
  }
  if (!host.Supports(precision)) {
    *error = std::string("the module does not support ") + PrecisionName(precision) + " processing";
    return false;
  }
  if (options.runs < 1 || !(options.seconds > 0) || options.warmup < 0) {
    *error = "bench needs at least one run of some audio";
    return false;
  }
  host.Suspend();
  if (!host.SetBlockSize(blockSize) || !host.Resume(precision)) {
    *error = "cannot set the block size";
    return false;
  }
  bool ok = precision == Precision::Double ? BenchWith<double>(host, precision, options, result, error)
                                           : BenchWith<float>(host, precision, options, result, error);
  host.Suspend();
  return ok;
}

}  // namespace qmhost
