#pragma once
// The system's words for a Win32 error code or an HRESULT.
#include <string>

// The system's text as one sentence without its closing dot, so that it reads well at the end of a
// message of ours; empty when the system has none.
std::wstring SystemMessage(unsigned long Code);
// The same, "Error N" when the system has none.
std::wstring SystemErrorText(unsigned long Code);
// "0x8007000E": how support staff look a code up.
std::wstring HexCode(unsigned long Code);
