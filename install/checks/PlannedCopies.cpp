#include "PlannedCopies.h"

#include <windows.h>

#include "DatabaseRuntime.h"
#include "FileOps.h"
#include "Fonts.h"
#include "Registration.h"
#include "Scoped.h"
#include "ServedReads.h"
#include "Text.h"

namespace {

void AddFilesBelow(const std::wstring& Source, const std::wstring& Relative, const std::wstring& To,
                   std::vector<TPlannedCopy>& Copies) {
  WIN32_FIND_DATAW found;
  BeforeMediumLookup();
  TScopedFind search(FindFirstFileW((Source + Relative + L"*").c_str(), &found));
  if (!search.Valid()) return;
  std::vector<std::wstring> folders;
  do {
    BeforeMediumLookup();
    if (IsDotEntry(found.cFileName)) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      folders.push_back(found.cFileName);
    else
      Copies.push_back({Relative + found.cFileName, To + found.cFileName});
  } while (FindNextFileW(search.Get(), &found));
  for (const std::wstring& folder : folders) AddFilesBelow(Source, Relative + folder + L"\\", To + folder + L"\\", Copies);
}

}  // namespace

void AddTreeCopies(const std::wstring& Source, const std::wstring& Folder, const std::wstring& To,
                   TPlannedReads& Reads) {
  Reads.Trees.push_back(Folder);
  std::vector<TPlannedCopy> copies;
  AddFilesBelow(Source, Folder, To, copies);
  Reads.Copies.insert(Reads.Copies.end(), copies.begin(), copies.end());
}

TPlannedReads PlannedReads(const TInstallPlan& Plan) {
  TPlannedReads reads;
  AddDatabaseRuntimeCopies(Plan.Target, reads.Copies);
  AddFontCopies(reads.Copies);
  if (Plan.DriverInstall && DirectoryExists(Plan.Source + L"FTDIDriverInstall"))
    AddTreeCopies(Plan.Source, L"FTDIDriverInstall\\", Plan.Target + L"FTDIDriverInstall\\", reads);
  AddTreeCopies(Plan.Source, L"backup\\", Plan.Target + L"backup\\", reads);
  AddTreeCopies(Plan.Source, L"Updater\\", Plan.Target, reads);
  // The copy that uninstalls, when the program runs from the distribution (a test's program may not).
  const std::wstring& program = Plan.SetupProgram;
  if (!Plan.EntryName.empty() && program.size() > Plan.Source.size() &&
      UpperCase(program.substr(0, Plan.Source.size())) == UpperCase(Plan.Source))
    reads.Copies.push_back({program.substr(Plan.Source.size()), Plan.Target + SetupCopyName});
  return reads;
}
