// quillmere-host render: a sound file or the demo input through the effect.
#include "tools/host/CliCommand.h"
#include "tools/host/DemoSignal.h"
#include "tools/host/Render.h"

namespace qmhost {

int CommandRender(Options& o, std::ostream& out) {
  ExpectPositional(o, o.demo ? 2 : 3, "render MODULE IN OUT [options]  or  render MODULE --demo OUT [options]");
  const std::string& module = o.positional[0];
  const std::string& outPath = o.positional.back();
  RequireAudioSupport(outPath);
  if (!o.demo) RequireAudioSupport(o.positional[1]);
  AudioData input;
  if (o.demo) {
    input = DemoSignal(o.rate);
  } else {
    std::string error;
    if (!ReadAudio(o.positional[1], o.rawChannels, o.rate, &input, &error)) throw Failure{kExitIo, error};
    if (!o.rateGiven) o.rate = input.sampleRate;
    input.sampleRate = o.rate;
  }
  VstHost host(SettingsFrom(o));
  LoadModule(host, module);
  if (!host.Supports(o.precision)) {
    throw Failure{kExitRejected, std::string("the module does not support ") + PrecisionName(o.precision) + " processing"};
  }
  host.Open();
  ApplyState(host, o);
  host.Resume(o.precision);
  RenderOptions options;
  options.precision = o.precision;
  options.prefill = o.prefill;
  options.tailFrames = static_cast<size_t>(o.tail * o.rate + 0.5);
  AudioData output;
  std::string error;
  if (!RenderAudio(host, input, options, &output, &error)) throw Failure{kExitRejected, error};
  host.Suspend();
  SaveChunkIfAsked(host, o);
  if (o.log) PrintLog(host, out);
  host.Unload();
  if (!WriteAudio(outPath, output, o.format, &error)) throw Failure{kExitIo, error};
  out << DescribeStats(outPath, Measure(output)) << "\n";
  return kExitOk;
}

}  // namespace qmhost
