#pragma once
#include <string>

// The file version of the running program from its own version resource, "8.74.3.0"; empty when it
// has none. Read without the system's version library, which a program must not load from its folder.
std::wstring ProgramVersion();
