#include "InstallTestFiles.h"

#include <functional>
#include <stdexcept>

bool TestFileExists(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Ansi(const std::wstring& Text) {
  const int size =
      WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::string ReadFileBytes(const std::wstring& Path) {
  std::string bytes;
  if (!testsupport::ReadWholeFile(Path, bytes)) throw std::runtime_error("cannot open a test file");
  return bytes;
}

FILETIME LastWriteTime(const std::wstring& Path) {
  FILETIME time{};
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return time;
  GetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return time;
}

void SetLastWriteTime(const std::wstring& Path, const FILETIME& Time) {
  HANDLE file = CreateFileW(Path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a test file for its time");
  SetFileTime(file, nullptr, nullptr, &Time);
  CloseHandle(file);
}

THeldOpen::THeldOpen(const std::wstring& Path)
    : FHandle(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

THeldOpen::~THeldOpen() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

namespace {

using UnixNameFn = char*(CDECL*)(const wchar_t*);
UnixNameFn WineUnixName() {
  return reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}
std::string UnixName(const std::wstring& Path) {
  char* name = WineUnixName()(Path.c_str());
  const std::string result = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Starts a Unix command under Wine and waits until Done holds (Wine does not wait on a Unix process).
bool RunUnix(const std::string& Command, const std::function<bool()>& Done) {
  std::wstring wide(Command.size() * 2 + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, Command.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) - 1);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100 && !Done(); ++i) Sleep(50);
  return Done();
}

bool Exists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// A link at Link to Target (a folder when Folder): Windows' own call where it makes one, else, under Wine,
// whose links are Unix ones, the Unix "ln". Empty when made, otherwise why not.
std::string MakeLink(const std::wstring& Link, const std::wstring& Target, bool Folder) {
  if (CreateSymbolicLinkW(Link.c_str(), Target.c_str(), Folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) && Exists(Link))
    return "";
  if (!WineUnixName()) return "no link could be made: no rights to make one, and not under Wine";
  const std::string command = "/bin/ln -s \"" + UnixName(Target) + "\" \"" + UnixName(Link) + "\"";
  return RunUnix(command, [&] { return Exists(Link); }) ? "" : "ln made no link: " + command;
}

// Takes a link away without touching what it points at, before the temporary folder's clean-up, which
// would follow it. Under Wine by the Unix "rm": Wine's DeleteFileW on a link to a file deletes that file.
void RemoveLink(const std::wstring& Link) {
  if (WineUnixName()) {
    RunUnix("/bin/rm -f \"" + UnixName(Link) + "\"", [&] { return !Exists(Link); });
  } else if (!DeleteFileW(Link.c_str())) {
    RemoveDirectoryW(Link.c_str());
  }
}

FILETIME DistributionTime() {
  SYSTEMTIME time{2020, 1, 3, 1, 12, 0, 1, 0};
  FILETIME result{};
  SystemTimeToFileTime(&time, &result);
  return result;
}

void MakeSmallDistribution(const std::wstring& Source) {
  for (const wchar_t* folder : {L"", L"DTAfb", L"Firebird", L"Firebird\\intl", L"Firebird\\udf", L"UDF", L"backup",
                                L"backup\\L010118", L"Updater"})
    CreateFolder(Source + folder);
  for (const TDeployed& file : DeployedFiles()) {
    WriteFileBytes(Source + file.From + file.Name, "distribution " + Ansi(file.Name));
    SetLastWriteTime(Source + file.From + file.Name, DistributionTime());
  }
  // The level's script puts the main program into the target, as a real one does.
  WriteFileBytes(Source + L"backup\\L010118\\Install.cmd", "@copy /y Vidoze.exe ..\\..\\ >nul\r\n@exit 0\r\n");
  WriteFileBytes(Source + L"backup\\L010118\\Vidoze.exe", "main program");
  WriteFileBytes(Source + L"Updater\\ReleaseInfo",
                 "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version><Level></Level></ROOT>\r\n");
  WriteFileBytes(Source + L"Updater\\Updater.exe.cfg", "stand-in\r\n");
  WriteFileBytes(Source + L"Install.exe", "the setup program");
}

TInstallPlan SmallDistributionPlan(const std::wstring& Source, const std::wstring& Target,
                                   const std::wstring& ProductName) {
  TInstallPlan plan;
  plan.Source = Source;
  plan.Target = Target;
  plan.DriverInstall = false;
  plan.MainProgram = L"Vidoze.exe";
  plan.ProductName = ProductName;
  plan.ProductDescription = L"Комплекс";
  return plan;
}
