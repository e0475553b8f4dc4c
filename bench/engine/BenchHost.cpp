#include "BenchHost.h"

#include <algorithm>
#include <cmath>

namespace bench {

VstTimeInfo gTime;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterGetTime ? reinterpret_cast<VstIntPtr>(&gTime) : 0;
}

const char* CallbackName(Callback callback) {
  switch (callback) {
    case kDouble: return "double";
    case kFloat: return "float";
    case kFloatAdding: return "adding";
  }
  return "?";
}

EffectFixture::EffectFixture(int program, int frames) {
  gTime = VstTimeInfo{};
  gTime.tempo = 120.0;
  gTime.sampleRate = kRate;
  gTime.flags = kVstTempoValid;
  plug.reset(MakePlug(Host));
  e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
  e->dispatcher(e, effSetBlockSize, 0, frames, nullptr, 0);
  e->dispatcher(e, effSetProgram, 0, program, nullptr, 0);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  for (auto* v : {&fl, &fr, &ofl, &ofr}) v->resize(frames);
  for (auto* v : {&dl, &dr, &odl, &odr}) v->resize(frames);
  for (int i = 0; i < frames; ++i) {
    fl[i] = static_cast<float>(std::sin(i * 0.01));
    fr[i] = static_cast<float>(std::cos(i * 0.013));
    dl[i] = fl[i];
    dr[i] = fr[i];
  }
  // A second of sound first, so that the loops hold something.
  std::vector<double> l(48000, 0.0), r(48000, 0.0);
  for (int i = 0; i < 4800; ++i) l[i] = r[i] = std::sin(i * 0.05);
  for (int at = 0; at < 48000; at += frames) {
    double* part[2] = {l.data() + at, r.data() + at};
    e->processDoubleReplacing(e, part, part, std::min(frames, 48000 - at));
  }
}

void EffectFixture::DecayToSilence() {
  const int frames = static_cast<int>(dl.size());
  std::vector<double> l(48000, 0.0), r(48000, 0.0);
  for (int second = 0; second < 60; ++second) {
    for (int at = 0; at < 48000; at += frames) {
      double* part[2] = {l.data() + at, r.data() + at};
      e->processDoubleReplacing(e, part, part, std::min(frames, 48000 - at));
    }
    std::fill(l.begin(), l.end(), 0.0);
    std::fill(r.begin(), r.end(), 0.0);
  }
  std::fill(fl.begin(), fl.end(), 0.0f);
  std::fill(fr.begin(), fr.end(), 0.0f);
  std::fill(dl.begin(), dl.end(), 0.0);
  std::fill(dr.begin(), dr.end(), 0.0);
}

void EffectFixture::Run(Callback callback, int frames) {
  float* in[2] = {fl.data(), fr.data()};
  float* out[2] = {ofl.data(), ofr.data()};
  switch (callback) {
    case kFloat: e->processReplacing(e, in, out, frames); break;
    case kFloatAdding: e->process(e, in, out, frames); break;
    case kDouble: {
      double* din[2] = {dl.data(), dr.data()};
      double* dout[2] = {odl.data(), odr.data()};
      e->processDoubleReplacing(e, din, dout, frames);
      break;
    }
  }
}

}  // namespace bench
