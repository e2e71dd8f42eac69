// Stand-in for the system setup library's font-size switch, for the tests of the large-font page:
// instead of changing the display it records how it was called, in "%TEMP%\syssetup-call.txt"
// (UTF-8: "window=<handle as a number>", then "size=<text>", one per line), and reports success.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI SetupChangeFontSize(HWND Owner, const wchar_t* Size) {
  wchar_t temp[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, temp)) return FALSE;
  const std::wstring text = L"window=" + std::to_wstring(reinterpret_cast<UINT_PTR>(Owner)) + L"\r\nsize=" +
                            (Size ? std::wstring(Size) : std::wstring(L"<null>")) + L"\r\n";
  char utf8[512] = {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8,
                                         sizeof(utf8), nullptr, nullptr);
  HANDLE file = CreateFileW((std::wstring(temp) + L"syssetup-call.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  WriteFile(file, utf8, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
  return TRUE;
}
