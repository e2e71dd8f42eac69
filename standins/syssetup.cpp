#include <windows.h>

extern "C" BOOL WINAPI SetupChangeFontSize(HWND, const wchar_t*) { return FALSE; }
