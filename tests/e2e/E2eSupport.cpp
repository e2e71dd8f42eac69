#include "E2eSupport.h"

#include <bcrypt.h>

#include <shlobj.h>
#include <cwchar>
#include <shobjidl.h>
#include <wrl/client.h>

namespace e2e {

std::string Narrow(const std::wstring& Text) {
  if (Text.empty()) return std::string();
  std::string s(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, s.data(), static_cast<int>(s.size()), nullptr, nullptr);
  s.pop_back();
  return s;
}

std::wstring Widen(const std::string& Text) {
  if (Text.empty()) return std::wstring();
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                                            nullptr, 0)),
                    L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

namespace {

const wchar_t* const DistributionFonts[] = {L"ARIAL.TTF", L"ARIALN.TTF", L"COUR.TTF", L"MICROSS.TTF",
                                            L"TAHOMA.TTF", L"TIMES.TTF", L"verdana.TTF"};

std::wstring FontsFolder() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\Fonts\\";
}

}  // namespace

std::wstring MachineFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\Zuzavo\\";
}

std::wstring MachineUninstaller() { return MachineFolder() + L"Uninstall.exe"; }

void SampleDistribution::SetUp() {
  Work = TempFolder(L"Рабочая папка");
  Dist = Work + L"Дистрибутив 8.74\\";
  CopyTree(UnixToWindowsPath(DistributionSource) + L"\\", Dist);
  Elsewhere = Work + L"elsewhere\\";
  CreateDirectoryW(Elsewhere.c_str(), nullptr);
  for (const wchar_t* font : DistributionFonts)
    if (FileExists(FontsFolder() + font)) FontsBefore.push_back(font);
}

void SampleDistribution::TearDown() {
  RemoveInstalledFonts();
  RemoveEntriesOfThisTest();
}

void SampleDistribution::RemoveEntriesOfThisTest() {
  // Every installation registers itself; an entry of a folder this test made goes with the test, and so
  // does one of a folder that is gone (a scratch drive the test mounted and removed again): left behind,
  // it would be the entry a later test's uninstaller finds.
  const wchar_t* const key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zuzavo";
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
      HKEY entry = nullptr;
      if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, &entry) != ERROR_SUCCESS) continue;
      wchar_t location[MAX_PATH * 2] = {};
      DWORD size = sizeof(location) - sizeof(wchar_t), type = 0;
      const bool ours = RegQueryValueExW(entry, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location),
                                         &size) == ERROR_SUCCESS &&
                        (std::wstring(location).rfind(Work, 0) == 0 ||
                         GetFileAttributesW(location) == INVALID_FILE_ATTRIBUTES);
      RegCloseKey(entry);
      if (!ours) continue;
      RegDeleteKeyExW(root, key, view, 0);
      // An administrator's installation keeps its uninstaller and the record's copy under Program Files.
      const std::wstring machine = MachineFolder();
      for (const wchar_t* name : {L"Uninstall.exe", L"install-record.txt"}) DeleteFileW((machine + name).c_str());
      RemoveDirectoryW(machine.c_str());
    }
  }
}

std::vector<std::wstring> SampleDistribution::CompletedLog() {
  // The distribution's build wrote its checksum list: the run begins by checking it.
  std::vector<std::wstring> expected = {L"Проверка дистрибутива...", L"Создание настроечных файлов....Завершено",
                                        L"Каталог <DTAfb> создан..."};
  for (const Deployed& file : DeployedFiles()) expected.push_back(L"Копирование файла " + file.Name + L"....Завершено");
  // The fonts the prefix lacks, by the face names of the free fonts behind the distribution's files
  // (Wine has a Tahoma of its own); "уcтановлен" is spelt with a Latin c.
  for (const wchar_t* face : {L"Liberation Sans", L"Liberation Sans Narrow", L"Liberation Mono",
                              L"DejaVu Sans Condensed", L"Liberation Serif", L"DejaVu Sans"})
    expected.push_back(L"Шрифт <" + std::wstring(face) + L"> у\u0063тановлен");
  expected.push_back(L"Началась установка драйверов устройства...");
  expected.push_back(L"Установка драйверов устройства завершена");
  return expected;
}

void SampleDistribution::RemoveInstalledFonts() {
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, KEY_ALL_ACCESS, &key);
  for (const wchar_t* font : DistributionFonts) {
    bool before = false;
    for (const auto& name : FontsBefore) before = before || name == font;
    if (before) continue;
    DeleteFileW((FontsFolder() + font).c_str());
    // Its registry value: any value whose data is the bare file name.
    for (DWORD index = 0; key;) {
      wchar_t name[512];
      DWORD nameLength = 512;
      wchar_t data[512] = {};
      DWORD dataSize = sizeof(data) - sizeof(wchar_t);
      DWORD type = 0;
      if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) !=
          ERROR_SUCCESS)
        break;
      if (type == REG_SZ && lstrcmpiW(data, font) == 0)
        RegDeleteValueW(key, name);
      else
        ++index;
    }
  }
  if (key) RegCloseKey(key);
}

ShellLink ReadShellLink(const std::wstring& LinkFile) {
  ShellLink result;
  const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Load(LinkFile.c_str(), STGM_READ))) {
      wchar_t text[1024] = {};
      link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
      result.Path = text;
      text[0] = 0;
      link->GetArguments(text, 1024);
      result.Arguments = text;
      text[0] = 0;
      link->GetDescription(text, 1024);
      result.Description = text;
      text[0] = 0;
      link->GetWorkingDirectory(text, 1024);
      result.WorkingFolder = text;
      result.Read = true;
    }
  }
  if (SUCCEEDED(apartment)) CoUninitialize();
  return result;
}

namespace {
std::wstring ShellFolder(int Csidl) {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, Csidl, nullptr, 0, folder);
  return folder;
}
}  // namespace

std::wstring DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }
std::wstring CommonDesktopFolder() { return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }

std::vector<std::wstring> LogFileLines(const std::wstring& Path) {
  const std::wstring text = ReadText(Path);
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::vector<std::wstring> LastRunLines(const std::wstring& Path) {
  std::vector<std::wstring> lines;
  for (const std::wstring& line : LogFileLines(Path)) {
    if (line.rfind(L"==== ", 0) == 0)
      lines.clear();
    else
      lines.push_back(line);
  }
  return lines;
}

void MakeNewerDriver(const std::wstring& Distribution) {
  const std::wstring installer = Distribution + L"FTDIDriverInstall\\FTDIDriverInstall.exe";
  WriteBytes(installer, ReadBytes(installer) + "a newer driver installer");
  CreateDirectoryW((Distribution + L"FTDIDriverInstall\\amd64").c_str(), nullptr);
  WriteBytes(Distribution + L"FTDIDriverInstall\\amd64\\ftdibus.sys", "64-bit driver");
  RewriteChecksumList(Distribution);
}

std::vector<long long> RecordedInstallerSizes(const std::wstring& Record) {
  std::vector<long long> sizes;
  const std::wstring text = ReadText(Record);
  for (size_t at = 0; (at = text.find(L"FileSize=", at)) != std::wstring::npos; at += 9)
    sizes.push_back(std::wcstoll(text.c_str() + at + 9, nullptr, 10));
  return sizes;
}

long long FileSize(const std::wstring& Path) { return static_cast<long long>(ReadBytes(Path).size()); }

namespace {

// SHA-256 by the system's CNG, independent of the program's own reader.
std::string Sha256Hex(const std::string& Bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[32] = {};
  BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
  BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(Bytes.data())), static_cast<ULONG>(Bytes.size()), 0);
  BCryptFinishHash(hash, digest, sizeof(digest), 0);
  BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

std::string Utf8(const std::wstring& Text) {
  std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                                            nullptr, 0, nullptr, nullptr)),
                    '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(),
                      static_cast<int>(bytes.size()), nullptr, nullptr);
  return bytes;
}

}  // namespace

void RewriteChecksumList(const std::wstring& Distribution) {
  DropChecksumList(Distribution);
  std::string list;
  for (const auto& [name, bytes] : ReadTree(Distribution)) {
    if (!name.empty() && name.back() == L'\\') continue;
    std::wstring path = name;
    std::replace(path.begin(), path.end(), L'\\', L'/');
    list += Sha256Hex(bytes) + "  " + Utf8(path) + "\n";
  }
  WriteBytes(Distribution + L"SHA256SUMS", list);
}

void DropChecksumList(const std::wstring& Distribution) { DeleteFileW((Distribution + L"SHA256SUMS").c_str()); }

}  // namespace e2e
