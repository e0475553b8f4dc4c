// libFuzzer target: the dispatcher and the other callbacks of the effect
// record, in any order, with any opcodes, indices, values and options.
//
// Every pointer handed over points into a buffer this target owns, of the
// size the request's record has: texts in 256-byte buffers, chunks of
// exactly their size, and well-formed but hostile records (event lists with
// odd types, sizes and offsets, speaker arrangements with any channel count,
// pin properties, key names) for the requests that take one. Besides the
// sanitizers, checked: texts come back terminated, parameters stay
// normalised, finite input gives finite output.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfloat>
#include <limits>
#include <memory>

#include "fuzz/FuzzHost.h"

using namespace fuzzhost;

namespace {

constexpr size_t kText = 256;
constexpr int kMaxEvents = 8;
constexpr int kMaxSpeakers = 64;

VstInt32 PickIndex(FuzzedDataProvider& in, AEffect* e) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return in.ConsumeIntegralInRange<VstInt32>(-1, e->numParams);
    case 1: return in.ConsumeIntegralInRange<VstInt32>(-1, e->numPrograms);
    case 2: return in.ConsumeIntegralInRange<VstInt32>(0, 3);
    case 3: return in.PickValueInArray<VstInt32>({0x73744341, 7, 8, 27, 56, 58, INT32_MIN, INT32_MAX});
    default: return in.ConsumeIntegral<VstInt32>();
  }
}

VstIntPtr PickValue(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return in.ConsumeIntegralInRange<VstIntPtr>(-2, 40);
    case 1: return in.PickValueInArray<VstIntPtr>({0x57686565, 512, 4096, 8192, 65536, INT32_MAX,
                                                   static_cast<VstIntPtr>(INT32_MAX) + 1, -1});
    default: return in.ConsumeIntegral<VstIntPtr>();
  }
}

float PickFloat(FuzzedDataProvider& in) {
  const float inf = std::numeric_limits<float>::infinity();
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: return in.PickValueInArray<float>({0.0f, 1.0f, 0.5f, -1.0f, 2.0f, 8000.0f, 44100.0f, 1e-30f, FLT_MIN / 2,
                                               FLT_MAX, -FLT_MAX, std::numeric_limits<float>::quiet_NaN(), inf, -inf});
    case 1: return in.ConsumeFloatingPointInRange(-2.0f, 2.0f);
    default: {
      uint32_t bits = in.ConsumeIntegral<uint32_t>();
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
  }
}

// A text in a buffer of kText bytes, terminated.
struct Text {
  char bytes[kText] = {};
  explicit Text(const std::string& s) { std::memcpy(bytes, s.data(), std::min(s.size(), kText - 1)); }
  bool Terminated() const { return std::memchr(bytes, 0, sizeof bytes) != nullptr; }
};

// An event list whose records live as long as it does.
struct Events {
  std::vector<uint8_t> list;  // VstEvents with room for the pointers
  std::vector<std::unique_ptr<VstMidiSysexEvent>> records;
  std::vector<std::vector<char>> dumps;

  explicit Events(FuzzedDataProvider& in) {
    const int n = in.ConsumeIntegralInRange(0, kMaxEvents);
    list.assign(sizeof(VstEvents) + sizeof(VstEvent*) * static_cast<size_t>(n), 0);
    VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
    events->numEvents = n;
    VstEvent** slots = events->events;
    for (int i = 0; i < n; ++i) {
      if (in.ConsumeIntegralInRange(0, 7) == 0) continue;  // an empty entry
      // The larger of the two records, so that any type reads within it.
      auto record = std::make_unique<VstMidiSysexEvent>();
      std::memset(record.get(), 0, sizeof *record);
      const int kind = in.ConsumeIntegralInRange(0, 2);
      record->type = kind == 0 ? kVstMidiType : kind == 1 ? kVstSysExType : in.ConsumeIntegral<VstInt32>();
      record->byteSize = in.ConsumeBool() ? (kind == 1 ? 48 : 32) : in.ConsumeIntegral<VstInt32>();
      record->deltaFrames = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 511) : in.ConsumeIntegral<VstInt32>();
      record->flags = in.ConsumeIntegral<VstInt32>();
      if (record->type == kVstSysExType) {
        std::vector<char> dump = in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, 64));
        record->dumpBytes = static_cast<VstInt32>(dump.size());
        dumps.push_back(std::move(dump));
        record->sysexDump = dumps.back().empty() ? nullptr : dumps.back().data();
      } else {
        VstMidiEvent* midi = reinterpret_cast<VstMidiEvent*>(record.get());
        for (char& b : midi->midiData) b = static_cast<char>(in.ConsumeIntegral<uint8_t>());
      }
      slots[i] = reinterpret_cast<VstEvent*>(record.get());
      records.push_back(std::move(record));
    }
  }
  void* Pointer() { return list.data(); }
};

// A speaker arrangement with room for the speakers it claims (at least the
// record's own eight).
struct Arrangement {
  std::vector<uint8_t> bytes;
  explicit Arrangement(FuzzedDataProvider& in) {
    const VstInt32 channels = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 8) : in.ConsumeIntegralInRange(-100, kMaxSpeakers);
    const size_t speakers = static_cast<size_t>(std::max(8, channels));
    bytes.assign(offsetof(VstSpeakerArrangement, speakers) + speakers * sizeof(VstSpeakerProperties), 0);
    VstSpeakerArrangement* a = reinterpret_cast<VstSpeakerArrangement*>(bytes.data());
    a->type = in.ConsumeIntegralInRange(-2, 40);
    a->numChannels = channels;
  }
  void* Pointer() { return bytes.data(); }
};

void DispatchOne(FuzzedDataProvider& in, AEffect* e) {
  VstInt32 opcode = in.ConsumeIntegralInRange(0, 5) ? in.ConsumeIntegralInRange(0, 80) : in.ConsumeIntegral<VstInt32>();
  // The editor is not opened here: there is no window to give it. Closing is
  // done by the caller, which then makes a new effect.
  if (opcode == effEditOpen || opcode == effClose) opcode = effIdentify;
  const VstInt32 index = PickIndex(in, e);
  const VstIntPtr value = PickValue(in);
  const float opt = PickFloat(in);
  switch (opcode) {
    case effGetChunk: {
      void* chunk = nullptr;
      const VstIntPtr size = Dispatch(e, opcode, index, value, in.ConsumeBool() ? &chunk : nullptr, opt);
      if (size > 0) FUZZ_CHECK(chunk != nullptr);
      break;
    }
    case effSetChunk: {
      std::vector<uint8_t> chunk = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 300));
      uint8_t none = 0;
      Dispatch(e, opcode, index, static_cast<VstIntPtr>(chunk.size()), chunk.empty() ? &none : chunk.data(), opt);
      break;
    }
    case effProcessEvents: {
      Events events(in);
      Dispatch(e, opcode, index, value, events.Pointer(), opt);
      break;
    }
    case effGetInputProperties:
    case effGetOutputProperties: {
      VstPinProperties pin;
      std::memset(&pin, 0, sizeof pin);
      if (Dispatch(e, opcode, index, value, &pin, opt)) FUZZ_CHECK(std::memchr(pin.label, 0, sizeof pin.label));
      break;
    }
    case effSetSpeakerArrangement: {
      Arrangement input(in), output(in);
      const bool withInput = in.ConsumeBool(), withOutput = in.ConsumeBool();
      Dispatch(e, opcode, index, withInput ? reinterpret_cast<VstIntPtr>(input.Pointer()) : 0,
               withOutput ? output.Pointer() : nullptr, opt);
      break;
    }
    case effGetSpeakerArrangement: {
      void* input = nullptr;
      void* output = nullptr;
      const bool withInput = in.ConsumeBool(), withOutput = in.ConsumeBool();
      Dispatch(e, opcode, index, withInput ? reinterpret_cast<VstIntPtr>(&input) : 0, withOutput ? &output : nullptr, opt);
      break;
    }
    case effEditGetRect: {
      ERect* rect = nullptr;
      Dispatch(e, opcode, index, value, &rect, opt);
      break;
    }
    case effGetMidiKeyName: {
      MidiKeyName key;
      std::memset(&key, 0, sizeof key);
      key.thisProgramIndex = in.ConsumeIntegral<VstInt32>();
      key.thisKeyNumber = in.ConsumeIntegral<VstInt32>();
      Dispatch(e, opcode, index, value, &key, opt);
      FUZZ_CHECK(std::memchr(key.keyName, 0, sizeof key.keyName));
      break;
    }
    default: {
      // Anything else: a text buffer (holding a text for the requests that
      // read one), or no pointer.
      const int pointer = in.ConsumeIntegralInRange(0, 3);
      Text text(pointer == 1 ? in.ConsumeRandomLengthString(kText) : std::string());
      Dispatch(e, opcode, index, value, pointer ? text.bytes : nullptr, opt);
      FUZZ_CHECK(text.Terminated());
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  AEffect* e = NewEffect();
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    // The step's kind: a new instance is rare, for each costs as much as
    // many other steps.
    const int kind = in.ConsumeIntegralInRange(0, 36);
    switch (kind < 36 ? kind / 4 : 9) {
      case 0:
      case 1:
      case 2:
      case 3: DispatchOne(in, e); break;
      case 4: {
        const VstInt32 index = PickIndex(in, e);
        e->setParameter(e, index, PickFloat(in));
        break;
      }
      case 5: {
        const VstInt32 index = PickIndex(in, e);
        const float v = e->getParameter(e, index);
        if (index >= 0 && index < e->numParams) FUZZ_CHECK(v >= 0.0f && v <= 1.0f);
        else FUZZ_CHECK(v == 0.0f);
        break;
      }
      case 6:
      case 7: {
        // Mostly short calls, which keep the executions many; some longer
        // than any block size the host gave.
        const int frames = in.ConsumeBool() ? in.PickValueInArray({0, 1, 31, 64, 511, 512, 513, 1024, 8192})
                                            : in.ConsumeIntegralInRange(0, 600);
        Process(e, frames, in.ConsumeIntegralInRange(0, 3), in.ConsumeIntegralInRange(0, 2), in.ConsumeIntegral<uint32_t>());
        break;
      }
      case 8: {
        VstTimeInfo& t = Time();
        // Mostly fast tempos, which keep the lines short and the executions
        // many; any other value too.
        t.tempo = in.ConsumeBool() ? in.ConsumeFloatingPointInRange(240.0, 960.0) : in.ConsumeFloatingPoint<double>();
        t.samplePos = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 1 << 24) : in.ConsumeFloatingPoint<double>();
        t.flags = in.ConsumeBool() ? in.ConsumeIntegral<VstInt32>() : (kVstTempoValid | kVstTransportPlaying);
        break;
      }
      default:
        CloseEffect(e);
        e = NewEffect();
        break;
    }
  }
  CheckParams(e);
  CloseEffect(e);
  return 0;
}
