#pragma once
// Audio buffers and the files the host reads and writes.
//
// Two kinds of file:
//  - raw: interleaved little-endian 64-bit floats, no header (".f64"). The
//    channel count and sample rate are not in the file; readers are told.
//    Every build reads and writes it; renders of different builds compare
//    exactly through it.
//  - sound files through libsndfile (".wav", ".aif"/".aiff", ".flac" and
//    whatever else libsndfile reads), in builds that have it (Linux).

#include <cstddef>
#include <string>
#include <vector>

namespace qmhost {

struct AudioData {
  double sampleRate = 44100.0;
  std::vector<std::vector<double>> channels;  // one vector per channel, equal lengths

  int NumChannels() const { return static_cast<int>(channels.size()); }
  size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
  void Resize(int numChannels, size_t frames);
};

// Sample format of written sound files (raw files are always doubles).
enum class SampleFormat { Float, Double, Pcm16, Pcm24 };
bool ParseSampleFormat(const std::string& text, SampleFormat* format);  // "float", "double", "pcm16", "pcm24"

// Whether this build reads and writes sound files (libsndfile).
bool HaveSoundFiles();
bool IsRawFile(const std::string& path);  // by the ".f64" extension

// Reads a file. Raw files are taken as rawChannels interleaved channels at
// rawRate. On failure returns false with a message in *error.
bool ReadAudio(const std::string& path, int rawChannels, double rawRate, AudioData* data, std::string* error);
bool WriteAudio(const std::string& path, const AudioData& data, SampleFormat format, std::string* error);

struct AudioStats {
  int channels = 0;
  size_t frames = 0;
  double sampleRate = 0;
  double peak = 0;  // largest absolute sample over all channels
  double rms = 0;   // over all samples of all channels
};
AudioStats Measure(const AudioData& data);
// "NAME: 2 ch, 44100 Hz, 176400 frames (4.000 s), peak 0.812345 (-1.81 dBFS), RMS 0.123456 (-18.17 dBFS)"
std::string DescribeStats(const std::string& name, const AudioStats& stats);

// Sample-by-sample comparison of two renders.
struct Comparison {
  bool sameShape = false;    // equal channel counts and lengths
  double maxDifference = 0;  // largest absolute difference over the common part
  size_t worstFrame = 0;
  int worstChannel = 0;
  size_t beyondTolerance = 0;  // samples differing by more than the tolerance
};
Comparison CompareAudio(const AudioData& a, const AudioData& b, double tolerance);

// Formatting helper (printf-style) used throughout the host.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(gnu_printf, 1, 2)))
#endif
    ;

}  // namespace qmhost
