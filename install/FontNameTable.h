#pragma once
// Reads a font's full name from the font file's own name table (TrueType/OpenType, also the first font
// of a collection): the Windows-platform Unicode record for name id 4, US English preferred. Any input is
// safe: a file that is not a valid font gives an empty text, never a crash.
#include <cstddef>
#include <string>

std::wstring ReadFontFullName(const unsigned char* Data, size_t Size);
// The same for a file; empty when it cannot be read.
std::wstring ReadFontFullNameFromFile(const std::wstring& Path);
