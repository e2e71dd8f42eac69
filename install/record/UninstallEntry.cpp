#include "UninstallEntry.h"

#include <vector>

#include "Error.h"
#include "Paths.h"
#include "Scoped.h"
#include "SystemAccount.h"
#include "SystemError.h"

const wchar_t* const UninstallKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

bool MachineRefused = false;

struct TTextValue {
  const wchar_t* Name;
  std::wstring TUninstallEntry::*Field;
};
const TTextValue TextValues[] = {
    {L"DisplayName", &TUninstallEntry::DisplayName},
    {L"DisplayVersion", &TUninstallEntry::DisplayVersion},
    {L"Publisher", &TUninstallEntry::Publisher},
    {L"InstallLocation", &TUninstallEntry::InstallLocation},
    {L"DisplayIcon", &TUninstallEntry::DisplayIcon},
    {L"UninstallString", &TUninstallEntry::UninstallString},
    {L"QuietUninstallString", &TUninstallEntry::QuietUninstallString},
    {L"InstallDate", &TUninstallEntry::InstallDate},
    {L"URLInfoAbout", &TUninstallEntry::URLInfoAbout},
};
struct TNumberValue {
  const wchar_t* Name;
  DWORD TUninstallEntry::*Field;
};
const TNumberValue NumberValues[] = {
    {L"EstimatedSize", &TUninstallEntry::EstimatedSize},
    {L"NoModify", &TUninstallEntry::NoModify},
    {L"NoRepair", &TUninstallEntry::NoRepair},
};

// The same folder however it was written: full, long names, no trailing backslash.
std::wstring Comparable(const std::wstring& Folder) {
  std::wstring path = FullPathOf(Folder);
  const DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (size > 0) {
    std::wstring longPath(size, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), longPath.data(), size);
    if (length > 0 && length < size) path = longPath.substr(0, length);
  }
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

bool SameFolder(const std::wstring& A, const std::wstring& B) {
  const std::wstring a = Comparable(A), b = Comparable(B);
  return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                            static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

LONG WriteUnder(HKEY Root, const std::wstring& Name, const TUninstallEntry& Entry) {
  if (Root == HKEY_LOCAL_MACHINE && MachineRefused) return ERROR_ACCESS_DENIED;
  // A reinstall's entry replaces the earlier one whole: no value of an older program stays behind.
  RegDeleteKeyW(Root, (UninstallKeyPath + Name).c_str());
  TScopedKey key;
  LONG result = RegCreateKeyExW(Root, (UninstallKeyPath + Name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
  if (result != ERROR_SUCCESS) return result;
  for (const TTextValue& value : TextValues) {
    const std::wstring& text = Entry.*value.Field;
    if (text.empty()) continue;
    result = RegSetValueExW(key.Get(), value.Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) return result;
  }
  for (const TNumberValue& value : NumberValues) {
    const DWORD number = Entry.*value.Field;
    result = RegSetValueExW(key.Get(), value.Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    if (result != ERROR_SUCCESS) return result;
  }
  return ERROR_SUCCESS;
}

std::wstring ReadText(HKEY Key, const wchar_t* Name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(Key, Name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::wstring();
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(Key, Name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
    return std::wstring();
  return std::wstring(text.data(), wcsnlen(text.data(), size / sizeof(wchar_t)));
}

[[noreturn]] void NotWritten(LONG Result) {
  throw EProgramError(L"Не удалось записать комплекс в список установленных программ Windows: " +
                          SystemErrorText(static_cast<unsigned long>(Result)),
                      static_cast<unsigned long>(Result));
}

}  // namespace

HKEY WriteUninstallEntry(const std::wstring& Name, const TUninstallEntry& Entry, TEntryRoots Roots) {
  // The system account's own hive is listed to no one: its entry is the machine's or none.
  const bool systemAccount = RunsAsLocalSystem();
  LONG result = Roots == erUserOnly ? ERROR_ACCESS_DENIED : WriteUnder(HKEY_LOCAL_MACHINE, Name, Entry);
  HKEY root = HKEY_LOCAL_MACHINE;
  if (result != ERROR_SUCCESS) {
    // What an unfinished attempt left there is no entry of ours.
    if (!MachineRefused && Roots != erUserOnly) RegDeleteKeyW(HKEY_LOCAL_MACHINE, (UninstallKeyPath + Name).c_str());
    if (Roots == erMachineOnly || systemAccount) NotWritten(result);
    root = HKEY_CURRENT_USER;
    result = WriteUnder(root, Name, Entry);
    if (result != ERROR_SUCCESS) {
      RegDeleteKeyW(root, (UninstallKeyPath + Name).c_str());
      NotWritten(result);
    }
  }
  const HKEY other = root == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  TUninstallEntry earlier;
  if (!systemAccount && !(other == HKEY_LOCAL_MACHINE && MachineRefused) && ReadUninstallEntry(other, Name, earlier) &&
      SameFolder(earlier.InstallLocation, Entry.InstallLocation))
    RegDeleteKeyW(other, (UninstallKeyPath + Name).c_str());
  return root;
}

bool ReadUninstallEntry(HKEY Root, const std::wstring& Name, TUninstallEntry& Entry) {
  Entry = TUninstallEntry();
  TScopedKey key;
  if (RegOpenKeyExW(Root, (UninstallKeyPath + Name).c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
    return false;
  for (const TTextValue& value : TextValues) Entry.*value.Field = ReadText(key.Get(), value.Name);
  for (const TNumberValue& value : NumberValues) {
    DWORD type = 0, number = 0, size = sizeof(number);
    Entry.*value.Field = RegQueryValueExW(key.Get(), value.Name, nullptr, &type, reinterpret_cast<BYTE*>(&number),
                                          &size) == ERROR_SUCCESS && type == REG_DWORD
                             ? number
                             : 0;
  }
  return true;
}

bool IsUninstallEntryOf(HKEY Root, const std::wstring& Name, const std::wstring& Folder) {
  TUninstallEntry entry;
  return ReadUninstallEntry(Root, Name, entry) && SameFolder(entry.InstallLocation, Folder);
}

TEntryRemoval RemoveUninstallEntries(const std::wstring& Name, const std::wstring& Folder) {
  TEntryRemoval removal;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    TUninstallEntry entry;
    if (!ReadUninstallEntry(root, Name, entry)) continue;
    if (!SameFolder(entry.InstallLocation, Folder)) {
      ++removal.OtherFolder;
      continue;
    }
    const LONG result = root == HKEY_LOCAL_MACHINE && MachineRefused
                            ? ERROR_ACCESS_DENIED
                            : RegDeleteKeyW(root, (UninstallKeyPath + Name).c_str());
    if (result == ERROR_SUCCESS) {
      ++removal.Removed;
    } else if (removal.Error.empty()) {
      removal.Error = SystemErrorText(static_cast<unsigned long>(result));
    }
  }
  return removal;
}

namespace UninstallEntrySeams {
bool SetMachineRefused(bool Refused) {
  const bool previous = MachineRefused;
  MachineRefused = Refused;
  return previous;
}
}  // namespace UninstallEntrySeams
