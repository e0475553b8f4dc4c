#include "framework/IProgram.h"

#include "framework/TextUtil.h"

void IProgram::SetName(const char* text) { CopyTextField(name, text, kNameSize); }
