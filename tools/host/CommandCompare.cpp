// quillmere-host compare: two renders sample by sample.
#include "tools/host/CliCommand.h"

namespace qmhost {

int CommandCompare(Options& o, std::ostream& out) {
  ExpectPositional(o, 2, "compare A B [--tolerance T] [--channels N]");
  RequireAudioSupport(o.positional[0]);
  RequireAudioSupport(o.positional[1]);
  AudioData a, b;
  std::string error;
  if (!ReadAudio(o.positional[0], o.rawChannels, o.rate, &a, &error)) throw Failure{kExitIo, error};
  if (!ReadAudio(o.positional[1], o.rawChannels, o.rate, &b, &error)) throw Failure{kExitIo, error};
  Comparison c = CompareAudio(a, b, o.tolerance);
  if (!c.sameShape) {
    out << Format("differ: %d ch x %zu frames against %d ch x %zu frames\n", a.NumChannels(), a.Frames(),
                  b.NumChannels(), b.Frames());
    return kExitDiffer;
  }
  // One line, so that a script may keep just the first line of the output.
  out << Format("%s: max abs difference %.6g at frame %zu channel %d; %zu of %zu samples beyond tolerance %g\n",
                c.beyondTolerance == 0 ? "same" : "differ", c.maxDifference, c.worstFrame, c.worstChannel,
                c.beyondTolerance, a.Frames() * static_cast<size_t>(a.NumChannels()), o.tolerance);
  return c.beyondTolerance == 0 ? kExitOk : kExitDiffer;
}

}  // namespace qmhost
