#include "CreateNSI.h"

#include <windows.h>

#include "FileOps.h"
#include "PowerCut.h"

namespace {
constexpr size_t EntryCount = 60;
constexpr size_t EntrySize = 14;
}  // namespace

void CreateNsiFiles(const std::wstring& Folder) {
  try {
    // Not checked: when the folder cannot be made, the files below simply cannot be either.
    if (!DirectoryExists(Folder)) CreateDir(Folder);
    // Sixty empty entries, every byte zero.
    const std::string emptyList(EntryCount * EntrySize, '\0');
    // "uca.nsi" before "wra.nsi". Each is written aside and moved in without replacing, so a file is
    // either missing (and made by the next installation) or whole, and an existing one is never touched.
    PowerCutPoint("settings.before");
    CreateFileAtomically(Folder + L"uca.nsi", emptyList);
    PowerCutPoint("settings.after");
    CreateFileAtomically(Folder + L"wra.nsi", emptyList);
    PowerCutPoint("settings.after");
  } catch (...) {
    // Nothing reaches the installation: it goes on with its next step.
  }
}
