#pragma once
// Reads a font's full name from the font file's own name table (TrueType/OpenType, also the first font
// of a collection): the Windows-platform Unicode record for name id 4, US English preferred, else the
// first such record. For the systems whose font query gives no face name (Wine's gives none).
#include <cstddef>
#include <string>

// Any bytes are safe: what is not a valid font gives an empty text, never a crash or a read outside
// Data..Data+Size. No system calls, so it builds and fuzzes natively as well. Text up to the first zero
// character; UTF-16 code units as the font stores them.
std::wstring ReadFontFullName(const unsigned char* Data, size_t Size);
// The same for a file; empty when it cannot be read or is larger than any font we install.
std::wstring ReadFontFullNameFromFile(const std::wstring& Path);
