// Deliberately imports calls that Windows Vista lacks, to show that the import check catches them.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return static_cast<int>(GetDpiForWindow(nullptr));
}
