#include "tools/host/AudioIO.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/host/Platform.h"

#if defined(QM_HOST_SNDFILE)
#include <sndfile.h>
#endif

namespace qmhost {

namespace {

bool EndsWith(const std::string& text, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

double Decibels(double value) { return value > 0 ? 20.0 * std::log10(value) : -INFINITY; }

bool ReadRaw(const std::string& path, int channels, double rate, AudioData* data, std::string* error) {
  if (channels < 1) {
    *error = path + ": a raw file needs a channel count of at least 1";
    return false;
  }
  std::FILE* f = OpenFile(path, "rb");
  if (!f) {
    *error = path + ": cannot open for reading";
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    *error = path + ": read error";
    return false;
  }
  size_t frameBytes = 8 * static_cast<size_t>(channels);
  if (bytes.size() % frameBytes != 0) {
    *error = Format("%s: %zu bytes is not a whole number of %d-channel frames of 64-bit floats", path.c_str(),
                    bytes.size(), channels);
    return false;
  }
  size_t frames = bytes.size() / frameBytes;
  data->sampleRate = rate;
  data->Resize(channels, frames);
  const uint8_t* p = bytes.data();
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c, p += 8) {
      uint64_t bits = 0;
      for (int b = 7; b >= 0; --b) bits = (bits << 8) | p[b];
      double value;
      std::memcpy(&value, &bits, sizeof value);
      data->channels[static_cast<size_t>(c)][i] = value;
    }
  }
  return true;
}

bool WriteRaw(const std::string& path, const AudioData& data, std::string* error) {
  std::FILE* f = OpenFile(path, "wb");
  if (!f) {
    *error = path + ": cannot open for writing";
    return false;
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(data.Frames() * static_cast<size_t>(data.NumChannels()) * 8);
  for (size_t i = 0; i < data.Frames(); ++i) {
    for (const auto& channel : data.channels) {
      uint64_t bits;
      std::memcpy(&bits, &channel[i], sizeof bits);
      for (int b = 0; b < 8; ++b) bytes.push_back(static_cast<uint8_t>(bits >> (8 * b)));
    }
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) *error = path + ": write error";
  return ok;
}

#if defined(QM_HOST_SNDFILE)
bool ReadSound(const std::string& path, AudioData* data, std::string* error) {
  SF_INFO info;
  std::memset(&info, 0, sizeof info);
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    *error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.frames < 0) {
    sf_close(file);
    *error = path + ": no audio channels";
    return false;
  }
  std::vector<double> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  sf_count_t got = sf_readf_double(file, interleaved.data(), info.frames);
  sf_close(file);
  if (got != info.frames) {
    *error = path + ": read error";
    return false;
  }
  data->sampleRate = info.samplerate;
  data->Resize(info.channels, static_cast<size_t>(info.frames));
  for (size_t i = 0; i < static_cast<size_t>(info.frames); ++i) {
    for (int c = 0; c < info.channels; ++c) {
      data->channels[static_cast<size_t>(c)][i] = interleaved[i * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
    }
  }
  return true;
}

bool WriteSound(const std::string& path, const AudioData& data, SampleFormat format, std::string* error) {
  int major;
  if (EndsWith(path, ".wav")) major = SF_FORMAT_WAV;
  else if (EndsWith(path, ".aif") || EndsWith(path, ".aiff")) major = SF_FORMAT_AIFF;
  else if (EndsWith(path, ".flac")) major = SF_FORMAT_FLAC;
  else {
    *error = path + ": unknown file type (use .wav, .aiff, .flac or .f64)";
    return false;
  }
  int minor = SF_FORMAT_FLOAT;
  switch (format) {
    case SampleFormat::Float: minor = SF_FORMAT_FLOAT; break;
    case SampleFormat::Double: minor = SF_FORMAT_DOUBLE; break;
    case SampleFormat::Pcm16: minor = SF_FORMAT_PCM_16; break;
    case SampleFormat::Pcm24: minor = SF_FORMAT_PCM_24; break;
  }
  SF_INFO info;
  std::memset(&info, 0, sizeof info);
  info.samplerate = static_cast<int>(std::lround(data.sampleRate));
  info.channels = data.NumChannels();
  info.format = major | minor;
  if (info.channels < 1 || !sf_format_check(&info)) {
    *error = path + ": this file type cannot hold that sample format or channel count";
    return false;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    *error = path + ": " + sf_strerror(nullptr);
    return false;
  }
  // Integer formats clip instead of wrapping.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  std::vector<double> interleaved(data.Frames() * static_cast<size_t>(info.channels));
  for (size_t i = 0; i < data.Frames(); ++i) {
    for (int c = 0; c < info.channels; ++c) {
      interleaved[i * static_cast<size_t>(info.channels) + static_cast<size_t>(c)] = data.channels[static_cast<size_t>(c)][i];
    }
  }
  sf_count_t frames = static_cast<sf_count_t>(data.Frames());
  bool ok = sf_writef_double(file, interleaved.data(), frames) == frames;
  ok = sf_close(file) == 0 && ok;
  if (!ok) *error = path + ": write error";
  return ok;
}
#endif

}  // namespace

void AudioData::Resize(int numChannels, size_t frames) {
  channels.assign(static_cast<size_t>(numChannels < 0 ? 0 : numChannels), std::vector<double>(frames, 0.0));
}

bool ParseSampleFormat(const std::string& text, SampleFormat* format) {
  if (text == "float") *format = SampleFormat::Float;
  else if (text == "double") *format = SampleFormat::Double;
  else if (text == "pcm16") *format = SampleFormat::Pcm16;
  else if (text == "pcm24") *format = SampleFormat::Pcm24;
  else return false;
  return true;
}

bool HaveSoundFiles() {
#if defined(QM_HOST_SNDFILE)
  return true;
#else
  return false;
#endif
}

bool IsRawFile(const std::string& path) { return EndsWith(path, ".f64"); }

bool ReadAudio(const std::string& path, int rawChannels, double rawRate, AudioData* data, std::string* error) {
  if (IsRawFile(path)) return ReadRaw(path, rawChannels, rawRate, data, error);
  if (!FileExists(path)) {
    *error = path + ": no such file";
    return false;
  }
#if defined(QM_HOST_SNDFILE)
  return ReadSound(path, data, error);
#else
  *error = path + ": this build reads only raw .f64 files";
  return false;
#endif
}

bool WriteAudio(const std::string& path, const AudioData& data, SampleFormat format, std::string* error) {
  if (IsRawFile(path)) return WriteRaw(path, data, error);
#if defined(QM_HOST_SNDFILE)
  return WriteSound(path, data, format, error);
#else
  (void)format;
  *error = path + ": this build writes only raw .f64 files";
  return false;
#endif
}

AudioStats Measure(const AudioData& data) {
  AudioStats stats;
  stats.channels = data.NumChannels();
  stats.frames = data.Frames();
  stats.sampleRate = data.sampleRate;
  double sum = 0;
  size_t count = 0;
  for (const auto& channel : data.channels) {
    for (double x : channel) {
      double a = std::fabs(x);
      if (a > stats.peak || std::isnan(a)) stats.peak = a;
      sum += x * x;
      ++count;
    }
  }
  stats.rms = count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
  return stats;
}

std::string DescribeStats(const std::string& name, const AudioStats& stats) {
  double seconds = stats.sampleRate > 0 ? static_cast<double>(stats.frames) / stats.sampleRate : 0.0;
  return Format("%s: %d ch, %.0f Hz, %zu frames (%.3f s), peak %.6f (%.2f dBFS), RMS %.6f (%.2f dBFS)", name.c_str(),
                stats.channels, stats.sampleRate, stats.frames, seconds, stats.peak, Decibels(stats.peak), stats.rms,
                Decibels(stats.rms));
}

Comparison CompareAudio(const AudioData& a, const AudioData& b, double tolerance) {
  Comparison result;
  result.sameShape = a.NumChannels() == b.NumChannels() && a.Frames() == b.Frames();
  int channels = std::min(a.NumChannels(), b.NumChannels());
  size_t frames = std::min(a.Frames(), b.Frames());
  for (int c = 0; c < channels; ++c) {
    const auto& x = a.channels[static_cast<size_t>(c)];
    const auto& y = b.channels[static_cast<size_t>(c)];
    for (size_t i = 0; i < frames; ++i) {
      double d = std::fabs(x[i] - y[i]);
      if (std::isnan(d)) d = (std::isnan(x[i]) && std::isnan(y[i])) ? 0.0 : INFINITY;
      if (d > result.maxDifference) {
        result.maxDifference = d;
        result.worstFrame = i;
        result.worstChannel = c;
      }
      if (d > tolerance) ++result.beyondTolerance;
    }
  }
  return result;
}

std::string Format(const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string text;
  if (n < 0) {
    text.clear();
  } else if (static_cast<size_t>(n) < sizeof small) {
    text.assign(small, static_cast<size_t>(n));
  } else {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&text[0], text.size(), format, again);
    text.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return text;
}

}  // namespace qmhost
