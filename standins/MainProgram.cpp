// Stand-in of the suite's main program: the newest release level of the sample distribution puts it
// into the target folder, and the desktop link points at it. Started, it says what it is and where it
// runs from, so an operator trying the sample installation sees that the link works.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring text = std::wstring(L"Заглушка основной программы комплекса из пробного дистрибутива.\n\n") +
                            L"Программа: " + path + L"\nРабочая папка: " + folder;
  MessageBoxW(nullptr, text.c_str(), L"Ритмон - Vidoze", MB_OK | MB_ICONINFORMATION);
  return 0;
}
