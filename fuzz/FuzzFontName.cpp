// Any bytes given to the font name reader give a name or an empty text, never a crash or a read outside
// them. The name must hold 16-bit code units only, so it means the same where wchar_t is 32 bits wide.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FontNameTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::wstring name = ReadFontFullName(Data, Size);
  // A name is stored as two bytes per unit somewhere inside the file.
  if (name.size() > Size / 2) abort();
  for (wchar_t unit : name) {
    if (unit == 0 || static_cast<uint32_t>(unit) > 0xFFFF) abort();
  }
  return 0;
}
