#include "RunningPrograms.h"

#include <restartmanager.h>
#include <tlhelp32.h>

#include "Scoped.h"
#include "SystemLibraries.h"

namespace {

bool LiesBelow(const std::wstring& Path, const std::wstring& Folder) {
  return Path.size() > Folder.size() &&
         CompareStringOrdinal(Path.c_str(), static_cast<int>(Folder.size()), Folder.c_str(),
                              static_cast<int>(Folder.size()), TRUE) == CSTR_EQUAL;
}

bool SamePath(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), -1, B.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring ImageOf(DWORD ProcessId) {
  const TScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessId));
  if (!process.Valid()) return std::wstring();
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(path.size());
    if (QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size)) {
      path.resize(size);
      return path;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    path.resize(path.size() * 4);
  }
  return std::wstring();
}

// The target's program files, for the Restart Manager to tell who holds them; links are not followed.
void CollectProgramFiles(const std::wstring& Folder, std::vector<std::wstring>& Files) {
  WIN32_FIND_DATAW found;
  const TScopedFind find(FindFirstFileW((Folder + L"*").c_str(), &found));
  if (!find.Valid()) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectProgramFiles(Folder + name + L"\\", Files);
      continue;
    }
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) continue;
    const std::wstring extension = name.substr(dot);
    if (SamePath(extension, L".exe") || SamePath(extension, L".dll")) Files.push_back(Folder + name);
  } while (FindNextFileW(find.Get(), &found));
}

using RmStartSessionFn = decltype(&RmStartSession);
using RmRegisterResourcesFn = decltype(&RmRegisterResources);
using RmGetListFn = decltype(&RmGetList);
using RmEndSessionFn = decltype(&RmEndSession);

template <typename Fn>
Fn Function(const char* Name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(LateBound::SystemFunction(L"rstrtmgr.dll", Name)));
}

// What the Restart Manager says holds the target's program files; nothing where it cannot say (Wine's is
// a stub, and it is missing from some stripped systems).
std::vector<RM_PROCESS_INFO> RestartManagerList(const std::wstring& Target) {
  std::vector<std::wstring> files;
  CollectProgramFiles(Target, files);
  if (files.empty()) return {};
  try {
    const auto start = Function<RmStartSessionFn>("RmStartSession");
    const auto add = Function<RmRegisterResourcesFn>("RmRegisterResources");
    const auto list = Function<RmGetListFn>("RmGetList");
    const auto end = Function<RmEndSessionFn>("RmEndSession");
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start(&session, 0, key) != ERROR_SUCCESS) return {};
    std::vector<LPCWSTR> names;
    for (const std::wstring& file : files) names.push_back(file.c_str());
    std::vector<RM_PROCESS_INFO> found;
    if (add(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
      for (int attempt = 0; attempt < 3; ++attempt) {
        UINT needed = 0, count = static_cast<UINT>(found.size());
        DWORD reasons = 0;
        const DWORD result = list(session, &needed, &count, found.empty() ? nullptr : found.data(), &reasons);
        if (result == ERROR_SUCCESS) {
          found.resize(count);
          break;
        }
        found.clear();
        if (result != ERROR_MORE_DATA) break;
        found.resize(needed);
      }
    }
    end(session);
    return found;
  } catch (...) {
    return {};
  }
}

}  // namespace

std::vector<TRunningProgram> ProgramsRunningFrom(const std::wstring& Target) {
  const DWORD self = GetCurrentProcessId();
  const std::wstring ownCopy = Target + L"Uninstall.exe";
  std::vector<TRunningProgram> running;
  const auto add = [&](DWORD ProcessId, const std::wstring& Path, const std::wstring& Title) {
    if (ProcessId == self || SamePath(Path, ownCopy)) return;
    for (TRunningProgram& known : running) {
      if (known.ProcessId != ProcessId) continue;
      if (known.Title.empty()) known.Title = Title;
      return;
    }
    running.push_back({ProcessId, Path, Title});
  };
  const TScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.Valid()) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
      if (entry.th32ProcessID == 0 || entry.th32ProcessID == self) continue;
      const std::wstring image = ImageOf(entry.th32ProcessID);
      if (LiesBelow(image, Target)) add(entry.th32ProcessID, image, std::wstring());
    }
  }
  for (const RM_PROCESS_INFO& holder : RestartManagerList(Target)) {
    const DWORD id = holder.Process.dwProcessId;
    std::wstring image = ImageOf(id);
    // A process that ended meanwhile has nothing to close.
    if (image.empty()) continue;
    add(id, image, holder.strAppName);
  }
  return running;
}

bool NoProgramRunsFrom(TInstallContext& Context, const std::wstring& Target, const wchar_t* NotStarted) {
  for (;;) {
    const std::vector<TRunningProgram> running = ProgramsRunningFrom(Target);
    if (running.empty()) return true;
    const std::wstring text = RunningProgramsText(running);
    if (Context.AskRetry(text + L".\n\nЗакройте их и нажмите \"Повторить\".")) continue;
    Context.AddLine(text + L". " + NotStarted);
    return false;
  }
}

std::wstring RunningProgramsText(const std::vector<TRunningProgram>& Programs) {
  std::wstring text = L"Из папки установки запущены программы: ";
  for (size_t at = 0; at < Programs.size(); ++at) {
    if (at > 0) text += L", ";
    text += L"\"" + Programs[at].Path + L"\"";
    if (!Programs[at].Title.empty()) text += L" (" + Programs[at].Title + L")";
  }
  return text;
}
