// Built with debug information and not stripped, to show that the lean-build check catches such a program.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int Show) { return Show; }
