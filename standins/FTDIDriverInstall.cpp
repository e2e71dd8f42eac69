// Stands in for the FTDI driver installer of the distribution: installs nothing, records how it was
// started and ends.
//
// Each run appends one record, UTF-8 without a byte-order mark, to "FTDIDriverInstall.record" in the
// folder of the running exe (or to the file named by FTDI_STANDIN_RECORD):
//   Program=<its own path, GetModuleFileNameW>
//   CommandLine=<GetCommandLineW, as it came>
//   UseShowWindow=<1 when STARTF_USESHOWWINDOW was given, else 0>
//   ShowWindow=<wShowWindow of its start-up record: 0 hidden, 1 normal...>
//   CurrentFolder=<GetCurrentDirectoryW>
//   FileSize=<the size of its own file in bytes: tells a newer copy, made longer, from an older one>
//   <an empty line>
// Lines end in CR LF. FTDI_STANDIN_DELAY_MS delays the record and the end, FTDI_STANDIN_EXIT_CODE gives
// the exit code (0 otherwise); both are for the tests of the programs that start it.
#include <windows.h>

#include <string>

namespace {

std::wstring Variable(const wchar_t* Name) {
  const DWORD size = GetEnvironmentVariableW(Name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(Name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, folder.data());
  folder.resize(length < size ? length : 0);
  return folder;
}

std::string Utf8(const std::wstring& Text) {
  if (Text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

long long FileSize(const std::wstring& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

void AppendRecord(const std::wstring& FileName, const std::wstring& Record) {
  HANDLE file = CreateFileW(FileName.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string bytes = Utf8(Record);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  const std::wstring delay = Variable(L"FTDI_STANDIN_DELAY_MS");
  if (!delay.empty()) Sleep(static_cast<DWORD>(wcstoul(delay.c_str(), nullptr, 10)));

  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  const std::wstring self = OwnPath();
  std::wstring record = L"Program=" + self + L"\r\n";
  record += L"CommandLine=" + std::wstring(GetCommandLineW()) + L"\r\n";
  record += L"UseShowWindow=" + std::wstring((startup.dwFlags & STARTF_USESHOWWINDOW) ? L"1" : L"0") + L"\r\n";
  record += L"ShowWindow=" + std::to_wstring(startup.wShowWindow) + L"\r\n";
  record += L"CurrentFolder=" + CurrentFolder() + L"\r\n";
  record += L"FileSize=" + std::to_wstring(FileSize(self)) + L"\r\n\r\n";

  std::wstring recordFile = Variable(L"FTDI_STANDIN_RECORD");
  if (recordFile.empty()) recordFile = self.substr(0, self.find_last_of(L'\\') + 1) + L"FTDIDriverInstall.record";
  AppendRecord(recordFile, record);

  const std::wstring exitCode = Variable(L"FTDI_STANDIN_EXIT_CODE");
  return exitCode.empty() ? 0 : static_cast<int>(wcstoul(exitCode.c_str(), nullptr, 10));
}
