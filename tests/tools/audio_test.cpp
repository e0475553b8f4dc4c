// Audio files, measurements, comparison and the demo input.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <limits>

#include "tools/host/AudioIO.h"
#include "tools/host/DemoSignal.h"
#include "tools/host/Platform.h"

using qmhost::AudioData;
using qmhost::SampleFormat;

namespace {

std::string Temp(const std::string& name) { return qmhost::ExecutableDirectory() + "audio_test_" + name; }

TEST(DemoSignal, StereoFourSecondsAtAnyRateAndRepeatable) {
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0}) {
    AudioData demo = qmhost::DemoSignal(rate);
    ASSERT_EQ(demo.NumChannels(), 2);
    EXPECT_EQ(demo.Frames(), static_cast<size_t>(rate * 4));
    EXPECT_EQ(demo.sampleRate, rate);
    qmhost::AudioStats stats = qmhost::Measure(demo);
    EXPECT_GT(stats.peak, 0.3) << rate;
    EXPECT_LE(stats.peak, 1.0) << "no clipping at " << rate;
    EXPECT_GT(stats.rms, 0.02) << rate;
  }
  AudioData a = qmhost::DemoSignal(44100), b = qmhost::DemoSignal(44100);
  EXPECT_TRUE(a.channels == b.channels);
  // The two sides differ (plucks alternate), and the last half second is
  // quiet for echoes.
  EXPECT_FALSE(a.channels[0] == a.channels[1]);
  double tail = 0;
  for (size_t i = static_cast<size_t>(3.5 * 44100); i < a.Frames(); ++i) {
    tail = std::max(tail, std::fabs(a.channels[0][i]) + std::fabs(a.channels[1][i]));
  }
  EXPECT_LT(tail, 1e-3);
}

TEST(DemoSignal, PortableSineFollowsTheLibrarySine) {
  double worst = 0;
  for (int i = -20000; i <= 20000; ++i) {
    double x = i * 0.001;
    worst = std::max(worst, std::fabs(qmhost::PortableSine(x) - std::sin(x)));
  }
  EXPECT_LT(worst, 1e-10);
}

TEST(AudioFiles, RawRoundTripKeepsEveryBit) {
  AudioData data;
  data.sampleRate = 1000;
  data.Resize(3, 4);
  const double values[] = {0.0, -0.0, 1e-310, -1.0, 0.1, std::numeric_limits<double>::max(), -3.5, 1.0 / 3.0,
                           std::numeric_limits<double>::infinity(), 2.0, -2.0, 42.0};
  for (int i = 0; i < 12; ++i) data.channels[static_cast<size_t>(i % 3)][static_cast<size_t>(i / 3)] = values[i];
  std::string path = Temp("round.f64"), error;
  ASSERT_TRUE(qmhost::WriteAudio(path, data, SampleFormat::Float, &error)) << error;
  AudioData back;
  ASSERT_TRUE(qmhost::ReadAudio(path, 3, 1000, &back, &error)) << error;
  ASSERT_EQ(back.NumChannels(), 3);
  ASSERT_EQ(back.Frames(), 4u);
  for (int c = 0; c < 3; ++c) {
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(std::memcmp(&back.channels[static_cast<size_t>(c)][i], &data.channels[static_cast<size_t>(c)][i], 8), 0);
    }
  }
  // Read as two channels, 12 doubles are 6 frames; as five channels they are
  // no whole number of frames.
  ASSERT_TRUE(qmhost::ReadAudio(path, 2, 1000, &back, &error)) << error;
  EXPECT_EQ(back.Frames(), 6u);
  EXPECT_FALSE(qmhost::ReadAudio(path, 5, 1000, &back, &error));
  EXPECT_NE(error.find("whole number"), std::string::npos) << error;
  std::remove(path.c_str());
}

TEST(AudioFiles, SoundFilesWhereTheBuildHasThem) {
  AudioData data = qmhost::DemoSignal(8000);
  std::string path = Temp("demo.wav"), error;
  if (!qmhost::HaveSoundFiles()) {
    EXPECT_FALSE(qmhost::WriteAudio(path, data, SampleFormat::Float, &error));
    EXPECT_NE(error.find(".f64"), std::string::npos) << error;
    return;
  }
  for (SampleFormat format : {SampleFormat::Float, SampleFormat::Double, SampleFormat::Pcm24}) {
    ASSERT_TRUE(qmhost::WriteAudio(path, data, format, &error)) << error;
    AudioData back;
    ASSERT_TRUE(qmhost::ReadAudio(path, 0, 0, &back, &error)) << error;
    EXPECT_EQ(back.sampleRate, 8000);
    ASSERT_EQ(back.NumChannels(), 2);
    ASSERT_EQ(back.Frames(), data.Frames());
    double tolerance = format == SampleFormat::Double ? 0.0 : format == SampleFormat::Float ? 1e-7 : 2e-7;
    qmhost::Comparison c = qmhost::CompareAudio(data, back, tolerance);
    EXPECT_EQ(c.beyondTolerance, 0u) << "max difference " << c.maxDifference;
  }
  EXPECT_FALSE(qmhost::WriteAudio(Temp("demo.xyz"), data, SampleFormat::Float, &error));
  EXPECT_FALSE(qmhost::ReadAudio(Temp("missing.wav"), 0, 0, &data, &error));
  std::remove(path.c_str());
}

TEST(AudioMeasure, PeakRmsAndDescription) {
  AudioData data;
  data.sampleRate = 100;
  data.Resize(2, 50);
  data.channels[0][3] = -0.5;
  data.channels[1][7] = 0.5;
  qmhost::AudioStats stats = qmhost::Measure(data);
  EXPECT_DOUBLE_EQ(stats.peak, 0.5);
  EXPECT_DOUBLE_EQ(stats.rms, std::sqrt(0.5 / 100.0));
  EXPECT_EQ(qmhost::DescribeStats("x.wav", stats),
            "x.wav: 2 ch, 100 Hz, 50 frames (0.500 s), peak 0.500000 (-6.02 dBFS), RMS 0.070711 (-23.01 dBFS)");
  data.channels[0][9] = std::nan("");
  EXPECT_TRUE(std::isnan(qmhost::Measure(data).peak)) << "a NaN shows in the peak";
}

TEST(AudioCompare, NaNsAndShapes) {
  AudioData a;
  a.Resize(1, 3);
  AudioData b = a;
  a.channels[0][1] = std::nan("");
  qmhost::Comparison c = qmhost::CompareAudio(a, b, 1.0);
  EXPECT_EQ(c.beyondTolerance, 1u) << "NaN against a number is a difference";
  EXPECT_EQ(c.worstFrame, 1u);
  b.channels[0][1] = std::nan("");
  EXPECT_EQ(qmhost::CompareAudio(a, b, 0.0).beyondTolerance, 0u) << "NaN against NaN is the same";
  b.Resize(2, 3);
  EXPECT_FALSE(qmhost::CompareAudio(a, b, 0.0).sameShape);
}

}  // namespace
