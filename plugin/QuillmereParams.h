#pragma once
// The effect's parameters and factory programs (tables in
// QuillmereParams.cpp).

class IPlugBase;

// Declares the 14 parameters, in the order of CLS_QUILLMERE::Param, with
// their ranges, units, curves and display texts.
void DeclareQuillmereParams(IPlugBase& plug);
// Names program slot 0 and fills the next 28 slots with the factory programs.
void MakeQuillmerePrograms(IPlugBase& plug);
