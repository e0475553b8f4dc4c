// libFuzzer target: the state chunk through the exported interface
// (effSetChunk, bank and program form).
//
// Input: one byte of choices (bit 0: program form, bit 1: process before
// loading, bit 2: double precision), then the chunk. Checked:
// - a rejected chunk changes nothing: the effect's own chunk and every
//   parameter stay as they were;
// - an accepted chunk leaves every parameter normalised, and the chunk the
//   effect then gives loads back to itself, byte for byte;
// - processing afterwards gives finite output.
#include "fuzz/FuzzHost.h"

using namespace fuzzhost;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choices = data[0];
  const bool program = choices & 1;
  const int precision = (choices & 4) ? 1 : 0;
  AEffect* e = NewEffect();
  if (choices & 2) Process(e, 512, 0, precision);

  const std::vector<uint8_t> before = ChunkOf(e, program);
  const std::vector<float> paramsBefore = Params(e);
  if (LoadChunk(e, program, data + 1, size - 1)) {
    CheckParams(e);
    const std::vector<uint8_t> given = ChunkOf(e, program);
    FUZZ_CHECK(!given.empty());
    FUZZ_CHECK(LoadChunk(e, program, given.data(), given.size()));
    FUZZ_CHECK(ChunkOf(e, program) == given);
  } else {
    FUZZ_CHECK(ChunkOf(e, program) == before);
    const std::vector<float> paramsAfter = Params(e);
    FUZZ_CHECK(std::memcmp(paramsAfter.data(), paramsBefore.data(), paramsBefore.size() * sizeof(float)) == 0);
  }
  Process(e, 512, 0, precision);
  Process(e, 512, 1, precision);
  CloseEffect(e);
  return 0;
}
