#include "Shortcut.h"
#include "SystemLibraries.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "Error.h"
#include "InstallRecord.h"
#include "Scoped.h"
#include "SystemAccount.h"
#include "SystemError.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* const ExplorerKey = L"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
const wchar_t* const GrpConvKey = L"Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv";

bool IsPathDelimiter(wchar_t Char) { return Char == L'\\' || Char == L'/' || Char == L':'; }

// Folder + "\\" + Name, without doubling a backslash the folder was given with.
std::wstring JoinPath(const std::wstring& Folder, const std::wstring& Name) {
  return !Folder.empty() && Folder.back() == L'\\' ? Folder + Name : Folder + L"\\" + Name;
}

size_t NameStart(const std::wstring& Path) {
  size_t at = Path.size();
  while (at > 0 && !IsPathDelimiter(Path[at - 1])) --at;
  return at;
}

// The last path component with its extension (after the last dot) replaced by ".lnk".
std::wstring LinkFileName(const std::wstring& Name) {
  std::wstring name = Name.substr(NameStart(Name));
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name + L".lnk";
}

// A string value of Key's sub-key, or an empty text when the sub-key or value is missing. Key itself is
// made when missing: an empty key of the user's own is harmless, and the sub-key is never made.
std::wstring ReadFolderValue(const wchar_t* Key, const wchar_t* SubKey, const wchar_t* Value) {
  TScopedKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key.Receive(), nullptr) != ERROR_SUCCESS) {
    return std::wstring();
  }
  TScopedKey subKey;
  if (RegOpenKeyExW(key.Get(), SubKey, 0, KEY_QUERY_VALUE, subKey.Receive()) != ERROR_SUCCESS) return std::wstring();
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(subKey.Get(), Value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::wstring();
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(subKey.Get(), Value, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return std::wstring();
  }
  text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
  if (type == REG_EXPAND_SZ && !text.empty()) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    std::wstring expanded(needed, L'\0');
    if (needed > 0 && ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed) == needed) {
      expanded.resize(needed - 1);
      text = expanded;
    }
  }
  return text;
}

// Where the shell keeps a folder; empty when it has none.
std::wstring ShellFolder(int Csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(LateBound::SHGetFolderPathW(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
  return path;
}

// A profile whose "Shell Folders" value is missing or empty still has these folders: the shell knows them.
std::wstring ExplorerFolder(const wchar_t* Value, int Csidl) {
  const std::wstring folder = ReadFolderValue(ExplorerKey, L"Shell Folders", Value);
  return folder.empty() ? ShellFolder(Csidl) : folder;
}

std::wstring LocationFolder(BYTE Location, const std::wstring& SubFolder) {
  switch (Location) {
    case slDesktop:
      // The system account's own desktop is seen by no one (and its key is not to be touched): every
      // user's desktop instead.
      if (RunsAsLocalSystem()) return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
      return ExplorerFolder(L"Desktop", CSIDL_DESKTOPDIRECTORY);
    case slQuickLaunch:
      return ReadFolderValue(GrpConvKey, L"MapGroups", L"Quick Launch");
    case slSendTo:
      return ExplorerFolder(L"SendTo", CSIDL_SENDTO);
    case slStartMenu:
      return ExplorerFolder(L"Start Menu", CSIDL_STARTMENU);
    case slFolder:
      return SubFolder;
    default:
      return std::wstring();
  }
}

[[noreturn]] void ThrowNoLinkObject(HRESULT Result) {
  throw EProgramError(L"Не удалось создать объект ярлыка Windows, код ошибки " + HexCode(static_cast<unsigned long>(Result)),
                      static_cast<unsigned long>(Result));
}

}  // namespace

std::wstring AddShortcut(const std::wstring& FileName, BYTE Location, const std::wstring& SubFolder,
                         const std::wstring& WorkingDir, const std::wstring& Arguments,
                         const std::wstring& Description, const std::wstring& LinkName, HRESULT* SaveResult) {
  const TComApartment apartment;
  // Declared after the apartment: released before it is left.
  ComPtr<IShellLinkW> link;
  HRESULT result = LateBound::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(result)) ThrowNoLinkObject(result);
  ComPtr<IPersistFile> file;
  result = link.As(&file);
  if (FAILED(result)) ThrowNoLinkObject(result);

  link->SetPath(FileName.c_str());
  link->SetArguments(Arguments.c_str());
  link->SetDescription(Description.c_str());
  const std::wstring linkFile = LinkFileName(LinkName.empty() ? FileName : LinkName);

  const std::wstring folder = LocationFolder(Location, SubFolder);
  if (folder.empty()) return std::wstring();
  // The sub-folder is not made: a link goes only where the operator's folders already are.
  const std::wstring linkPath = !SubFolder.empty() && Location != slFolder
                                    ? JoinPath(JoinPath(folder, SubFolder), linkFile)
                                    : JoinPath(folder, linkFile);

  link->SetWorkingDirectory(WorkingDir.empty() ? FileName.substr(0, NameStart(FileName)).c_str() : WorkingDir.c_str());
  // Not remembered as the object's file: the object is thrown away next.
  const HRESULT saved = file->Save(linkPath.c_str(), FALSE);
  if (SaveResult) *SaveResult = saved;
  return linkPath;
}

void CreateDesktopShortcut(TInstallContext& Context, const TInstallPlan& Plan) {
  HRESULT saved = S_OK;
  const std::wstring link = AddShortcut(Plan.Target + Plan.MainProgram, slDesktop, L"", L"", L"",
                                        Plan.ProductDescription + L" \"" + Plan.ProductName + L"\"",
                                        Plan.ProductName, &saved);
  if (link.empty()) {
    Context.AddLine(L"Ярлык на рабочем столе не создан: папка рабочего стола не найдена");
  } else if (FAILED(saved)) {
    const unsigned long code = static_cast<unsigned long>(saved);
    // Saving to a path: the shell's code is mostly a Win32 one in a result, which has the system's words.
    const unsigned long win32 = HRESULT_FACILITY(saved) == FACILITY_WIN32 ? HRESULT_CODE(saved) : code;
    Context.AddLine(L"Ярлык на рабочем столе не сохранён: \"" + link + L"\". " + SystemErrorText(win32) + L" (" +
                    HexCode(code) + L")");
  } else if (TInstallRecorder* recorder = TInstallRecorder::Active()) {
    // The uninstall, perhaps run by another account, finds it where it went.
    recorder->LinkPut(link);
  }
}

std::wstring DesktopShortcutPath(const std::wstring& ProductName) {
  const std::wstring folder = LocationFolder(slDesktop, L"");
  return folder.empty() ? std::wstring() : JoinPath(folder, LinkFileName(ProductName));
}

std::wstring ShortcutTarget(const std::wstring& LinkFile) {
  const TComApartment apartment;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(LateBound::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(LinkFile.c_str(), STGM_READ)))
    return std::wstring();
  wchar_t path[MAX_PATH] = {};
  // The path as stored: resolving it could search the disk for a moved target.
  if (link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return std::wstring();
  return path;
}
