#pragma once
#include "framework/IChunkBuffer.h"

// One program slot: a name and, once initialised, its saved parameter state.
struct IProgram {
  static constexpr int kNameSize = 256;  // 255 characters and the terminator

  bool initialised = false;
  char name[kNameSize] = {};
  IChunkBuffer state;

  void SetName(const char* text);
};
