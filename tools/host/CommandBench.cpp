// quillmere-host bench: the cost of each processing callback per stereo frame.
#include "tools/host/CliCommand.h"
#include "tools/host/Render.h"

namespace qmhost {

int CommandBench(Options& o, std::ostream& out) {
  ExpectPositional(o, 1, "bench MODULE [options]");
  if (!o.rateGiven) o.rate = 48000;
  VstHost host(SettingsFrom(o));
  LoadModule(host, o.positional[0]);
  host.Open();
  ApplyState(host, o);
  BenchOptions options;
  options.seconds = o.seconds;
  options.runs = o.runs;
  options.warmup = o.warmup;
  out << Format("bench %s at %.0f Hz: median of %d runs of %.2f s of audio after %.2f s warm-up\n",
                QuoteText(host.EffectName()).c_str(), o.rate, o.runs, o.seconds, o.warmup);
  std::vector<Precision> precisions = {Precision::Float, Precision::FloatAdding, Precision::Double};
  if (o.precisionGiven) precisions = {o.precision};
  for (Precision p : precisions) {
    if (!host.Supports(p)) {
      out << Format("  %-12s  not supported by the module\n", PrecisionName(p));
      continue;
    }
    for (int block : o.blocks) {
      BenchResult result;
      std::string error;
      if (!BenchOne(host, p, block, options, &result, &error)) throw Failure{kExitRejected, error};
      out << Format("  %-12s  block %5d: %10.2f ns per stereo frame, real-time factor %.6f (%.0fx real time)\n",
                    PrecisionName(p), block, result.nsPerFrame, result.realTimeFactor,
                    result.realTimeFactor > 0 ? 1.0 / result.realTimeFactor : 0.0);
    }
  }
  SaveChunkIfAsked(host, o);
  if (o.log) PrintLog(host, out);
  host.Unload();
  return kExitOk;
}

}  // namespace qmhost
