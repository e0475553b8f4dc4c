// quillmere-host demo: the embedded demo input as a sound file.
#include "tools/host/CliCommand.h"
#include "tools/host/DemoSignal.h"

namespace qmhost {

int CommandDemo(Options& o, std::ostream& out) {
  ExpectPositional(o, 1, "demo OUT [--rate HZ] [--format F]");
  const std::string& outPath = o.positional[0];
  RequireAudioSupport(outPath);
  AudioData demo = DemoSignal(o.rate);
  std::string error;
  if (!WriteAudio(outPath, demo, o.format, &error)) throw Failure{kExitIo, error};
  out << DescribeStats(outPath, Measure(demo)) << "\n";
  return kExitOk;
}

}  // namespace qmhost
