#include "plugin/QuillmereParams.h"

#include <array>
#include <iterator>

#include "plugin/CLS_QUILLMERE.h"

namespace {

const char* const kDivisionTexts[] = {
    "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4",
    "1/2T", "1/4D",  "1/2",   "1/1T", "1/2D",  "1/1",   "2/1T", "1/1D", "2/1",  "4/1T", "2/1D", "4/1"};
static_assert(std::size(kDivisionTexts) == CLS_QUILLMERE::kNumDivisions, "one text per division");
const char* const kNoYes[] = {"No", "Yes"};
const char* const kDirections[] = {"Forward", "Reverse"};

// One parameter. A list parameter has a text for each of its values 0 to
// max; an integer parameter has none.
struct ParamRow {
  const char* name;
  int defaultValue;
  int min;
  int max;
  const char* label;
  double curve;  // exponent of the response: 1 is linear
  const char* const* texts;
};

const ParamRow kParams[] = {
    {"Delay Rate", 9, 0, CLS_QUILLMERE::kNumDivisions - 1, "", 1.0, kDivisionTexts},
    {"Delay Time", 500, 1, 24000, "ms", 1.0, nullptr},
    {"Host Sync", 1, 0, 1, "", 1.0, kNoYes},
    {"Feedback", 50, 0, 99, "%", 1.0, nullptr},
    {"Direction Left", 1, 0, 1, "", 1.0, kDirections},
    {"Offset Left", 25, 0, 100, "%", 1.0, nullptr},
    {"Freq Left", 600, 100, 20000, "Hz", 2.0, nullptr},
    {"Mix Left", 33, 0, 100, "%", 1.0, nullptr},
    {"Direction Right", 1, 0, 1, "", 1.0, kDirections},
    {"Offset Right", 75, 0, 100, "%", 1.0, nullptr},
    {"Freq Right", 6000, 100, 20000, "Hz", 2.0, nullptr},
    {"Mix Right", 33, 0, 100, "%", 1.0, nullptr},
    {"Toggle Freq", 1, 0, 1, "", 1.0, kNoYes},
    {"Toggle Reverse", 0, 0, 1, "", 1.0, kNoYes},
};
static_assert(std::size(kParams) == CLS_QUILLMERE::kNumParams, "one row per parameter");

// A channel's settings in a program: direction (0 forward, 1 reverse),
// offset %, lowpass frequency Hz, mix %.
struct ChannelSettings {
  int direction, offset, freq, mix;
};

struct FactoryProgram {
  const char* name;
  int delayRate;  // division
  int delayTime;  // ms
  int hostSync;
  int feedback;   // %
  ChannelSettings left, right;
  int toggleFreq, toggleReverse;

  // In parameter order.
  std::array<double, CLS_QUILLMERE::kNumParams> Values() const {
    return {static_cast<double>(delayRate), static_cast<double>(delayTime), static_cast<double>(hostSync),
            static_cast<double>(feedback),  static_cast<double>(left.direction), static_cast<double>(left.offset),
            static_cast<double>(left.freq), static_cast<double>(left.mix),     static_cast<double>(right.direction),
            static_cast<double>(right.offset), static_cast<double>(right.freq), static_cast<double>(right.mix),
            static_cast<double>(toggleFreq), static_cast<double>(toggleReverse)};
  }
};

const FactoryProgram kFactoryPrograms[] = {
    // name                            rate  ms sync fb  left: dir off freq mix  right: dir off freq mix   tglF tglR
    {"Frequency Stereo Toggle",        9, 500, 1, 40, {1, 50, 200, 40},   {1, 100, 12000, 40}, 1, 0},
    {"All Frequencies Stereo Toggle",  9, 500, 1, 45, {1, 50, 100, 40},   {1, 100, 20000, 40}, 1, 0},
    {"Amazing Direction Toggle",       9, 500, 1, 30, {1, 25, 300, 40},   {0, 75, 6000, 40},   1, 1},
    {"Amazing Direction Toggle 2",     9, 500, 1, 30, {1, 33, 300, 40},   {0, 66, 6000, 40},   1, 1},
    {"Amazing Direction Toggle 3",     9, 500, 1, 30, {1, 50, 300, 33},   {0, 66, 6000, 33},   1, 1},
    {"Amazing Direction Toggle 4",     9, 500, 1, 30, {1, 50, 300, 33},   {0, 75, 6000, 33},   1, 1},
    {"Complete Amazing Toggle",        9, 500, 1, 30, {1, 33, 100, 40},   {0, 66, 20000, 40},  1, 1},
    {"Bright Room",                    0, 31, 0, 50,  {1, 25, 20000, 60}, {1, 75, 20000, 60},  0, 0},
    {"Bright Room 2",                  0, 31, 0, 50,  {1, 25, 20000, 60}, {0, 75, 20000, 60},  0, 1},
    {"Dark Room",                      1, 42, 0, 50,  {1, 25, 500, 50},   {1, 75, 500, 50},    0, 0},
    {"Etheric Room",                   1, 42, 0, 50,  {1, 25, 5000, 60},  {1, 75, 15000, 60},  1, 0},
    {"Etheric Room 2",                 1, 42, 0, 50,  {1, 25, 5000, 60},  {0, 75, 15000, 60},  1, 1},
    {"Resonant Room",                  0, 31, 0, 80,  {1, 33, 3000, 65},  {1, 66, 9000, 65},   1, 0},
    {"Resonant Room 2",                0, 31, 0, 80,  {1, 33, 3000, 65},  {0, 66, 9000, 65},   1, 1},
    {"Distant Echoes",                 21, 31, 1, 60, {1, 50, 3000, 55},  {1, 100, 9000, 55},  1, 0},
    {"Distant Echoes 2",               20, 31, 1, 60, {1, 33, 3000, 55},  {1, 66, 9000, 55},   1, 0},
    {"Harp",                           3, 62, 0, 80,  {1, 33, 3000, 45},  {1, 66, 6000, 45},   1, 0},
    {"Long Feedback",                  9, 62, 1, 80,  {1, 33, 3000, 60},  {1, 66, 6000, 60},   1, 0},
    {"Don't Stop",                     9, 62, 1, 96,  {1, 33, 3000, 60},  {1, 66, 6000, 60},   1, 0},
    {"Light Drops",                    2, 47, 0, 80,  {1, 33, 3000, 40},  {1, 66, 6000, 40},   1, 0},
    {"Only Delay",                     9, 47, 1, 80,  {1, 50, 3000, 100}, {1, 100, 6000, 100}, 1, 0},
    {"Quiet Delay",                    6, 47, 1, 80,  {1, 50, 100, 20},   {1, 100, 3000, 20},  1, 0},
    {"Quiet Delay Dotted",             6, 47, 1, 80,  {1, 50, 100, 20},   {1, 75, 3000, 20},   1, 0},
    {"Relaxation",                     6, 47, 1, 80,  {1, 50, 100, 50},   {1, 100, 6000, 50},  1, 0},
    {"Forward Ping Pong",              12, 500, 1, 50, {0, 50, 20000, 40}, {0, 100, 20000, 40}, 0, 0},
    {"Forward Pan Triplet",            12, 500, 1, 50, {0, 33, 20000, 40}, {0, 66, 20000, 40},  0, 0},
    {"Forward Pan Triplet 2",          12, 500, 1, 50, {0, 50, 20000, 40}, {0, 66, 20000, 40},  0, 0},
    {"Forward Pan Dotted",             12, 500, 1, 50, {0, 50, 20000, 40}, {0, 75, 20000, 40},  0, 0},
};

}  // namespace

void DeclareQuillmereParams(IPlugBase& plug) {
  for (int i = 0; i < CLS_QUILLMERE::kNumParams; ++i) {
    const ParamRow& row = kParams[i];
    IParameter* param = plug.ParamAt(i);
    if (row.texts) {
      param->DefineList(row.name, row.defaultValue, row.max + 1, row.label);
      for (int value = 0; value <= row.max; ++value) param->AddDisplayText(value, row.texts[value]);
    } else {
      param->DefineInteger(row.name, row.defaultValue, row.min, row.max, row.label);
    }
    if (row.curve != 1.0) param->SetCurve(row.curve);
  }
}

void MakeQuillmerePrograms(IPlugBase& plug) {
  plug.MakeDefaultProgram("---- default ----", 1);
  for (const FactoryProgram& program : kFactoryPrograms) {
    const auto values = program.Values();
    plug.MakeProgramFromValues(program.name, values.data(), static_cast<int>(values.size()));
  }
}
