#include "Fonts.h"
#include "SystemLibraries.h"

#include <windows.h>

#include <shlobj.h>

#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "FontNameTable.h"
#include "RH_Common_Proc.h"
#include "Scoped.h"
#include "SystemAccount.h"
#include "SystemError.h"
#include "SeamSlot.h"

namespace {

// Letter case as the suite has always shipped them; the registry data carries it.
const wchar_t* const FontList[] = {L"ARIAL.TTF",  L"ARIALN.TTF", L"COUR.TTF",   L"MICROSS.TTF",
                                   L"TAHOMA.TTF", L"TIMES.TTF",  L"verdana.TTF"};

const wchar_t FontsKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// Windows 10 version 1809: from this build on a user may install fonts for himself.
constexpr DWORD PerUserFontsBuild = 17763;

// One hung top-level window must not hang the installation with it: each window gets this long.
constexpr UINT FontChangeTimeoutMs = 1000;

// Query type 1: the font's full face name.
constexpr DWORD FontInfoFaceName = 1;
using TGetFontResourceInfoW = BOOL(WINAPI*)(LPCWSTR FontFile, LPDWORD Size, LPVOID Buffer, DWORD QueryType);

// A font file added as a resource of this process; removed again on every way out.
struct TFontResourceTraits {
  using Type = const wchar_t*;
  static Type None() { return nullptr; }
  static bool IsValid(Type Value) { return Value != nullptr; }
  static void Close(Type Value) { RemoveFontResourceW(Value); }
};
using TScopedFontResource = TScoped<TFontResourceTraits>;

// The system's own answer. Not linked: the call is undocumented and a system may lack it.
std::wstring SystemFaceName(const std::wstring& FontFile) {
  const HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
  if (gdi == nullptr) return std::wstring();
  const auto query = reinterpret_cast<TGetFontResourceInfoW>(
      reinterpret_cast<void*>(GetProcAddress(gdi, "GetFontResourceInfoW")));
  if (query == nullptr) return std::wstring();
  // The query answers only for a font the process has added.
  if (AddFontResourceW(FontFile.c_str()) == 0) return std::wstring();
  const TScopedFontResource added(FontFile.c_str());
  // The call may write into the name it is given, so it gets a copy.
  std::vector<wchar_t> name(FontFile.begin(), FontFile.end());
  name.push_back(L'\0');
  DWORD size = 0;
  if (!query(name.data(), &size, nullptr, FontInfoFaceName) || size < sizeof(wchar_t)) return std::wstring();
  // One character more than asked for, all zero: the text ends inside the buffer whatever comes back.
  std::vector<wchar_t> face(size / sizeof(wchar_t) + 1, L'\0');
  if (!query(name.data(), &size, face.data(), FontInfoFaceName)) return std::wstring();
  return std::wstring(face.data());
}

std::wstring NameWithoutExtension(const std::wstring& Path) {
  const size_t start = Path.find_last_of(L"\\/:");
  std::wstring name = start == std::wstring::npos ? Path : Path.substr(start + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot != 0) name.erase(dot);
  return name;
}

DWORD SystemWindowsBuild() {
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  // The kernel's own answer: GetVersionExW answers by the calling program's manifest.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto query = ntdll ? reinterpret_cast<TRtlGetVersion>(
                                 reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                           : nullptr;
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (query == nullptr || query(&version) != 0) return 0;
  return version.dwBuildNumber;
}

FontSeams::OpenMachineKeyFn OpenMachineKey = RegOpenKeyExW;
FontSeams::WindowsBuildFn WindowsBuild = SystemWindowsBuild;

// What no administrator rights look like to the calls that write fonts.
bool IsRefusal(unsigned long Code) { return Code == ERROR_ACCESS_DENIED || Code == ERROR_PRIVILEGE_NOT_HELD; }

// The fonts step's own signal that the machine-wide place refused a write for lack of rights.
struct TMachineRefusal {};

// Where fonts go: a folder and the fonts key of a hive. Machine-wide values name the file in the
// system's font folder; per-user values hold the full path.
struct TFontPlace {
  std::wstring Folder;  // with a trailing backslash
  HKEY Root;
  bool FullPath;
  const wchar_t* LineEnd;  // after "Шрифт <face> уcтановлен"
};

[[noreturn]] void ThrowKeyError(HKEY Root, const std::wstring& ValueName, LONG Result) {
  const DWORD code = static_cast<DWORD>(Result);
  const std::wstring keyName = std::wstring(Root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\") +
                               FontsKeyPath;
  throw EProgramError(L"Cannot write the registry value \"" + ValueName + L"\" in \"" + keyName + L"\". " +
                          SystemErrorText(code),
                      code);
}

// The fonts key, opened for writing before anything is copied: a key we may not write fails the font
// with the reason. The machine-wide key is never made (a system without it is no system we know); the
// user's is made when it is the first per-user font.
void OpenFontsKey(const TFontPlace& Place, const std::wstring& ValueName, TScopedKey& Key) {
  LONG result;
  if (Place.Root == HKEY_LOCAL_MACHINE) {
    result = OpenMachineKey(HKEY_LOCAL_MACHINE, FontsKeyPath, 0, KEY_SET_VALUE, Key.Receive());
  } else {
    result = RegCreateKeyExW(Place.Root, FontsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                             Key.Receive(), nullptr);
  }
  if (result != ERROR_SUCCESS) ThrowKeyError(Place.Root, ValueName, result);
}

void RegisterFont(const TFontPlace& Place, HKEY Key, const std::wstring& ValueName, const std::wstring& Data) {
  const LONG result = RegSetValueExW(Key, ValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Data.c_str()),
                                     static_cast<DWORD>((Data.size() + 1) * sizeof(wchar_t)));
  if (result != ERROR_SUCCESS) ThrowKeyError(Place.Root, ValueName, result);
  // Written through now: the installation may end in a restart.
  RegFlushKey(Key);
}

void AnnounceFontChange() {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, FontChangeTimeoutMs, &answer);
}

// Other programs see the new font at once; this process does not keep it loaded.
void AnnounceFont(const std::wstring& FontFile) {
  AddFontResourceW(FontFile.c_str());
  AnnounceFontChange();
  RemoveFontResourceW(FontFile.c_str());
  AnnounceFontChange();
}


// Fails with "Cannot open file" when the source cannot be read: a refusal after this is the destination's.
void CheckReadable(const std::wstring& File) {
  const TScopedFile file(CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) {
    const DWORD code = GetLastError();
    ThrowFileError(L"Cannot open file", File, code);
  }
}

// One font into Place. A font already in its folder is left alone (present counts as installed,
// registered or not). Throws EProgramError for what went wrong, and TMachineRefusal instead when
// SignalRefusal and the key or the folder refused the write for lack of rights.
void InstallFontInto(TInstallContext& Context, const std::wstring& SourceFolder, const TFontPlace& Place,
                     const std::wstring& FileName, bool SignalRefusal) {
  const std::wstring destination = Place.Folder + FileName;
  if (FileExists(destination)) return;
  CheckReadable(SourceFolder + FileName);
  // From the source: the destination is not there yet.
  const std::wstring face = GetFontFaceName(SourceFolder + FileName);
  const std::wstring valueName = face + L" (TrueType)";
  TScopedKey key;
  try {
    OpenFontsKey(Place, valueName, key);
    // Moved in whole or not at all: a font cut short by a power cut would count as installed for good.
    if (!CopyNewFileWithDate(SourceFolder + FileName, destination, &Context) && !FileExists(destination)) {
      ThrowFileError(L"Cannot create file", destination, ERROR_WRITE_FAULT);
    }
  } catch (const EProgramError& error) {
    if (SignalRefusal && IsRefusal(error.SystemCode())) throw TMachineRefusal();
    throw;
  }
  try {
    RegisterFont(Place, key.Get(), valueName, Place.FullPath ? destination : FileName);
  } catch (const EProgramError&) {
    // Unregistered, the file would count as installed at every later installation.
    DeleteFileW(destination.c_str());
    throw;
  }
  AnnounceFont(destination);
  // The second letter of the last word is a Latin c: the suite's logs have always read so.
  Context.AddLine(L"Шрифт <" + face + L"> уcтановлен" + Place.LineEnd);
}

TFontPlace MachinePlace(const std::wstring& Folder) { return {Folder, HKEY_LOCAL_MACHINE, false, L""}; }

// The user's own fonts, where this Windows has them; empty where it has not.
std::wstring UserFontsFolder() {
  if (WindowsBuild() < PerUserFontsBuild) return std::wstring();
  wchar_t local[MAX_PATH] = {};
  if (FAILED(LateBound::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)) || !local[0]) {
    return std::wstring();
  }
  return std::wstring(local) + L"\\Microsoft\\Windows\\Fonts\\";
}

std::wstring JoinNames(const std::vector<std::wstring>& Names) {
  std::wstring text;
  for (const std::wstring& name : Names) text += (text.empty() ? L"" : L", ") + name;
  return text;
}

}  // namespace

namespace FontSeams {
OpenMachineKeyFn SetOpenMachineKey(OpenMachineKeyFn Fn) { return ReplaceSeam(OpenMachineKey, Fn, &RegOpenKeyExW); }
WindowsBuildFn SetWindowsBuildQuery(WindowsBuildFn Fn) { return ReplaceSeam(WindowsBuild, Fn, &SystemWindowsBuild); }
}  // namespace FontSeams

void AddFontCopies(std::vector<TPlannedCopy>& Copies) {
  const std::wstring machineFolder = GetWindowsFolder() + L"fonts\\";
  for (const wchar_t* fileName : FontList)
    if (!FileExists(machineFolder + fileName))
      Copies.push_back({std::wstring(L"fonts\\") + fileName, machineFolder + fileName, true});
}

unsigned long long FontBytes(const std::wstring& Source) {
  std::vector<TPlannedCopy> copies;
  AddFontCopies(copies);
  return PlannedBytes(Source, copies);
}

void InstallFonts(TInstallContext& Context, const std::wstring& Source) {
  const std::wstring sourceFolder = Source + L"fonts\\";
  const std::wstring machineFolder = GetWindowsFolder() + L"fonts\\";
  bool machineRefused = false;
  // The system account's own fonts would serve no one: a refusal there is the font's error.
  const bool machineOnly = RunsAsLocalSystem();
  std::wstring userFolder;
  std::vector<std::wstring> leftOut;
  for (const wchar_t* fileName : FontList) {
    try {
      if (!machineRefused) {
        try {
          InstallFontInto(Context, sourceFolder, MachinePlace(machineFolder), fileName, !machineOnly);
          continue;
        } catch (const TMachineRefusal&) {
          // Every later font would be refused alike.
          machineRefused = true;
          userFolder = UserFontsFolder();
        }
      }
      // A font in the system's folder is there for every user.
      if (FileExists(machineFolder + fileName)) continue;
      if (userFolder.empty()) {
        leftOut.push_back(fileName);
        continue;
      }
      // A missing folder shows as the copy's error.
      ForceDirectories(userFolder);
      InstallFontInto(Context, sourceFolder, {userFolder, HKEY_CURRENT_USER, true, L" для текущего пользователя"},
                      fileName, false);
    } catch (const EProgramError& error) {
      Context.AddLine(L"Шрифт " + std::wstring(fileName) + L" не установлен: " + error.Text());
    }
  }
  if (!leftOut.empty()) {
    Context.AddLine(L"Шрифты " + JoinNames(leftOut) +
                    L" не установлены: для их установки нужны права администратора");
  }
}

void InstallFont(TInstallContext& Context, const std::wstring& SourceFolder, const std::wstring& DestinationFolder,
                 const std::wstring& FileName) {
  InstallFontInto(Context, SourceFolder, MachinePlace(DestinationFolder), FileName, false);
}

std::wstring GetFontFaceName(const std::wstring& FontFile) {
  std::wstring face = SystemFaceName(FontFile);
  if (face.empty()) face = ReadFontFullNameFromFile(FontFile);
  // A value named " (TrueType)" would name no font at all.
  if (face.empty()) face = NameWithoutExtension(FontFile);
  return face;
}
