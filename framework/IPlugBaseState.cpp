// IPlugBase: programs, the parameter state and the state chunk the host
// keeps.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/IPlugBase.h"

const IProgram* IPlugBase::ProgramAt(int index) const {
  return (index >= 0 && index < NPrograms()) ? mPrograms[static_cast<size_t>(index)].get() : nullptr;
}

void IPlugBase::MakeProgramFromValues(const char* name, ...) {
  std::vector<double> values;
  values.reserve(mParams.size());
  va_list args;
  va_start(args, name);
  for (const IParameter& param : mParams) {
    const int kind = param.GetKind();
    values.push_back((kind >= 1 && kind <= 3) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double));
  }
  va_end(args);
  MakeProgramFromValues(name, values.data(), static_cast<int>(values.size()));
}

void IPlugBase::MakeProgramFromValues(const char* name, const double* values, int count) {
  auto slot = std::find_if(mPrograms.begin(), mPrograms.end(), [](const auto& p) { return !p->initialised; });
  if (slot == mPrograms.end()) return;
  IProgram& program = **slot;
  program.initialised = true;
  program.SetName(name);
  program.state.Clear();
  for (int i = 0; i < NParams(); ++i) program.state.PutDouble(values && i < count ? values[i] : 0.0);
}

void IPlugBase::MakeDefaultProgram(const char* name, int count) {
  for (int i = 0; i < count; ++i) {
    auto slot = std::find_if(mPrograms.begin(), mPrograms.end(), [](const auto& p) { return !p->initialised; });
    if (slot == mPrograms.end()) return;
    (*slot)->initialised = true;
    (*slot)->SetName(name ? name : "Default");
  }
}

void IPlugBase::EnsureDefaultProgram() {
  if (!mPrograms.empty()) return;
  auto program = std::make_unique<IProgram>();
  program->initialised = true;
  program->SetName("Default");
  mPrograms.push_back(std::move(program));
}

void IPlugBase::CaptureCurrentProgram(const char* name) {
  if (mCurrentProgram < 0 || mCurrentProgram >= NPrograms()) return;
  IProgram& program = *mPrograms[static_cast<size_t>(mCurrentProgram)];
  program.state.Clear();
  SaveParams(&program.state);
  if (name && name[0]) program.SetName(name);
}

bool IPlugBase::RestoreProgram(int index) {
  if (index < 0 || index >= NPrograms()) return false;
  IProgram& program = *mPrograms[static_cast<size_t>(index)];
  if (program.initialised) {
    if (LoadParams(&program.state, 0) < 1) return false;
  } else {
    program.initialised = true;
    MakeUserProgramName(program.name, IProgram::kNameSize);
  }
  mCurrentProgram = index;
  UpdateEditorFromParams();
  return true;
}

const char* IPlugBase::GetProgramName(int index) const {
  const IProgram* program = ProgramAt(index);
  return program ? program->name : "";
}

void IPlugBase::MakeUserProgramName(char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  int count = 0;
  for (const auto& p : mPrograms)
    if (strstr(p->name, "user preset")) ++count;
  snprintf(out, static_cast<size_t>(outSize), "%s %d", "user preset", count + 1);
}

bool IPlugBase::SelectProgram(int index) {
  IPlugLockGuard lock(mLock);
  CaptureCurrentProgram(nullptr);
  return RestoreProgram(index);
}

bool IPlugBase::SaveChunk(IChunkBuffer* chunk, bool bank) {
  if (!chunk) return false;
  IPlugLockGuard lock(mLock);
  chunk->Clear();
  chunk->PutInt32(VersionNumber(true));
  if (bank) CaptureCurrentProgram(nullptr);
  return SaveState(chunk) && chunk->Length() > 0;
}

bool IPlugBase::LoadChunk(const IChunkBuffer& chunk) {
  IPlugLockGuard lock(mLock);
  int version = 0, pos = -1;
  if (chunk.Length() >= 4) pos = chunk.GetInt32(&version, 0);
  if (CheckState(&chunk, pos) < 0) return false;
  IChunkBuffer backup;
  const bool haveBackup = SaveState(&backup);
  StateVersionLoaded(version);
  if (LoadState(&chunk, pos) >= 0) {
    UpdateEditorFromParams();
    return true;
  }
  if (haveBackup) LoadState(&backup, 0);
  return false;
}

bool IPlugBase::SaveParams(IChunkBuffer* buffer) {
  if (!buffer) return false;
  IPlugLockGuard lock(mLock);
  for (const IParameter& param : mParams) {
    buffer->PutDouble(param.Value());
    if (buffer->Length() == 0) return false;
  }
  for (std::string& text : mTextSlots) {
    if (text.empty()) text = "0";
    buffer->PutStr(text.c_str());
    if (buffer->Length() == 0) return false;
  }
  return true;
}

int IPlugBase::LoadParams(const IChunkBuffer* buffer, int pos) {
  if (!buffer) return -1;
  IPlugLockGuard lock(mLock);
  for (int i = 0; i < NParams() && pos >= 0; ++i) {
    double v = 0.0;
    pos = buffer->GetDouble(&v, pos);
    if (CanRestoreParam(i)) {
      mParams[static_cast<size_t>(i)].SetClamped(v);
      ParamChanged(i);
    }
  }
  for (int i = 0; i < NTextSlots() && pos >= 0; ++i) {
    std::string text;
    pos = buffer->GetStr(&text, pos);
    if (!text.empty() && text != "0") TextSlotChanged(i, text.c_str());
  }
  return pos;
}

int IPlugBase::CheckParams(const IChunkBuffer* buffer, int pos) const {
  if (!buffer) return -1;
  for (int i = 0; i < NParams() && pos >= 0; ++i) {
    double v = 0.0;
    pos = buffer->GetDouble(&v, pos);
  }
  for (int i = 0; i < NTextSlots() && pos >= 0; ++i) {
    std::string text;
    pos = buffer->GetStr(&text, pos);
  }
  return pos;
}

bool IPlugBase::SavePrograms(IChunkBuffer* buffer) {
  if (!buffer) return false;
  bool ok = true;
  for (size_t i = 0; i < mPrograms.size() && ok; ++i) {
    const IProgram& program = *mPrograms[i];
    buffer->PutStr(program.name);
    buffer->PutByte(program.initialised ? 1 : 0);
    if (program.initialised) {
      buffer->PutBytes(program.state.Data(), program.state.Length());
      ok = buffer->Length() > 0;
    }
  }
  return ok;
}

int IPlugBase::LoadPrograms(const IChunkBuffer* buffer, int pos) {
  if (!buffer) return -1;
  std::string name;
  for (size_t i = 0; i < mPrograms.size() && pos >= 0; ++i) {
    IProgram& program = *mPrograms[i];
    pos = buffer->GetStr(&name, pos);
    program.SetName(name.c_str());
    uint8_t flag = 0;
    pos = buffer->GetByte(&flag, pos);
    if (pos < 0) break;
    program.initialised = flag != 0;
    if (program.initialised) {
      pos = LoadParams(buffer, pos);
      if (pos > 0) {
        program.state.Clear();
        SaveParams(&program.state);
      }
    }
  }
  RestoreProgram(mCurrentProgram);
  return pos;
}
