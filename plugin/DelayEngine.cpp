#include "plugin/DelayEngine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

namespace {

// Round half away from zero in single precision.
int32_t RoundSingle(float x) { return static_cast<int32_t>(x >= 0.0f ? std::trunc(x + 0.5f) : std::trunc(x - 0.5f)); }

// Whether engines made from now on may use the AVX loop.
std::atomic<bool> gUseAvx{true};

}  // namespace

bool DelayEngine::ProcessorHasAvx() {
  // The compiler's check asks the processor and whether the system saves
  // the AVX registers.
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  return has;
}

void DelayEngine::UseAvxWhereAvailable(bool use) { gUseAvx.store(use, std::memory_order_relaxed); }

DelayEngine::DelayEngine() : avxRuns(gUseAvx.load(std::memory_order_relaxed) && ProcessorHasAvx()) {
  if (!GrowLines(1)) throw std::bad_alloc();
}

void DelayEngine::SetLoopLength(uint32_t length) {
  loopLength = length;
  UpdateTaps();
}

void DelayEngine::UpdateTaps() {
  const uint32_t L = loopLength;
  for (DelayChannel* channel : {&left, &right}) {
    if (L == 0) {
      channel->tap = 0;
    } else {
      // Offsets in single precision, as the taps have always been computed;
      // a float (L - 1) can round up for very long loops, so the taps are
      // held inside the loop.
      const float last = static_cast<float>(L - 1);
      channel->tap = std::clamp(RoundSingle(last * channel->offset), 0, static_cast<int32_t>(L - 1));
    }
  }
  ResetLines();
}

bool DelayEngine::GrowLines(uint32_t n) {
  const size_t entries = std::max<uint32_t>(n, 1);
  const size_t chunks = (entries + kChunk - 1) / kChunk;
  // Not zeroed here: every chunk is zeroed when the loop first reaches it.
  std::unique_ptr<double[]> memory(new (std::nothrow) double[2 * entries]);
  std::unique_ptr<uint32_t[]> epochs(new (std::nothrow) uint32_t[chunks]());
  if (!memory || !epochs) return false;
  lineMemory = std::move(memory);
  chunkEpochs = std::move(epochs);
  left.line = lineMemory.get();
  right.line = lineMemory.get() + entries;
  capacity = static_cast<uint32_t>(entries);
  epoch = 1;
  if (toggleFreq) ProvideGlideTable();
  return true;
}

bool DelayEngine::ProvideGlideTable() {
  if (glideEntries >= capacity) return true;
  const size_t chunks = (capacity + kChunk - 1) / kChunk;
  glideTable.reset();
  glideEpochs.reset();
  glideEntries = 0;
  std::unique_ptr<double[]> table(new (std::nothrow) double[2 * static_cast<size_t>(capacity)]);
  std::unique_ptr<uint32_t[]> epochs(new (std::nothrow) uint32_t[chunks]());
  if (!table || !epochs) return false;
  glideTable = std::move(table);
  glideEpochs = std::move(epochs);
  glideEntries = capacity;
  glideEpoch = 1;
  return true;
}

void DelayEngine::SetToggleFreq(bool on) {
  toggleFreq = on;
  if (on) ProvideGlideTable();
}

bool DelayEngine::ProvideLines(uint32_t n) {
  if (n <= capacity) {
    ClearLines();
    return true;
  }
  const uint32_t roomy = capacity + capacity / 2;
  if (GrowLines(std::max(n, std::min(roomy, kMaxLoop))) || GrowLines(n)) return true;
  ClearLines();
  return false;
}

void DelayEngine::ClearLines() {
  if (++epoch != 0) return;
  // After four billion clears the epochs start again: every chunk is then
  // zeroed when next reached.
  std::fill(chunkEpochs.get(), chunkEpochs.get() + (capacity + kChunk - 1) / kChunk, 0u);
  epoch = 1;
}

void DelayEngine::ZeroStaleChunks(uint32_t first, uint32_t count) {
  const uint32_t end = first + count;
  for (uint32_t c = first / kChunk; c * kChunk < end; ++c) {
    if (chunkEpochs[c] == epoch) continue;
    const uint32_t begin = c * kChunk;
    const uint32_t n = std::min(kChunk, capacity - begin);
    std::fill(left.line + begin, left.line + begin + n, 0.0);
    std::fill(right.line + begin, right.line + begin + n, 0.0);
    chunkEpochs[c] = epoch;
  }
}

void DelayEngine::ResetLines() {
  if (loopLength > capacity) {
    if (!ProvideLines(loopLength)) FitLoopToLines();
  } else {
    ClearLines();
  }
  resync = true;
}

void DelayEngine::FitLoopToLines() {
  if (loopLength <= capacity) return;
  SetLoopLength(capacity & ~1u);
}

void DelayEngine::Realign(int hostPosition) {
  right.flip = left.flip = false;
  resync = false;
  writePos = loopLength ? static_cast<uint32_t>(hostPosition) % loopLength : 0;
}
