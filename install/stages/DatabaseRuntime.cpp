// The database with its Firebird runtime and the suite's database extension libraries.
#include "FileOps.h"
#include "DatabaseRuntime.h"
#include "StageSteps.h"

namespace {

// The runtime set, in the order it is copied.
const wchar_t* const RuntimeFiles[] = {
    L"aliases.conf", L"firebird.conf", L"fbclient.Dll", L"ib_util.Dll", L"icudt30.Dll",  L"icuin30.Dll",
    L"icuuc30.Dll",  L"msvcp80.Dll",   L"msvcr80.Dll",  L"firebird.msg", L"gbak.exe",   L"gds32.dll"};
const wchar_t* const IntlFiles[] = {L"fbintl.conf", L"fbintl.dll"};
const wchar_t* const UdfFiles[] = {L"fbudf.dll", L"ib_udf.dll", L"fbudf.sql", L"ib_udf.sql", L"ib_udf2.sql"};
const wchar_t* const ExtensionLibraries[] = {L"Varnel.Dll", L"Tusko.Dll", L"Brindam.Dll", L"Olvexa.Dll"};

const wchar_t DatabaseFile[] = L"R12.FDB";

// Copies the files in order; the first failure ends the group.
template <size_t N>
bool CopyAll(TInstallContext& Context, const std::wstring& FromFolder, const std::wstring& ToFolder,
             const wchar_t* const (&Names)[N]) {
  for (const wchar_t* name : Names)
    if (!CopyStep(Context, FromFolder, ToFolder, name)) return false;
  return true;
}

template <size_t N>
void AddCopies(const std::wstring& FromFolder, const std::wstring& ToFolder, const wchar_t* const (&Names)[N],
               std::vector<TPlannedCopy>& Copies) {
  for (const wchar_t* name : Names) Copies.push_back({FromFolder + name, ToFolder + name});
}

}  // namespace

void AddDatabaseRuntimeCopies(const std::wstring& Target, std::vector<TPlannedCopy>& Copies) {
  // An existing database file is kept, not copied.
  if (!FileExists(Target + L"DTAfb\\" + DatabaseFile))
    Copies.push_back({std::wstring(L"DTAfb\\") + DatabaseFile, Target + L"DTAfb\\" + DatabaseFile});
  AddCopies(L"Firebird\\", Target, RuntimeFiles, Copies);
  AddCopies(L"Firebird\\intl\\", Target + L"intl\\", IntlFiles, Copies);
  AddCopies(L"Firebird\\udf\\", Target + L"udf\\", UdfFiles, Copies);
  AddCopies(L"UDF\\", Target + L"udf\\", ExtensionLibraries, Copies);
}

unsigned long long DatabaseRuntimeBytes(const std::wstring& Source, const std::wstring& Target) {
  std::vector<TPlannedCopy> copies;
  AddDatabaseRuntimeCopies(Target, copies);
  return PlannedBytes(Source, copies);
}

bool DeployDatabaseRuntime(TInstallContext& Context, const std::wstring& Source, const std::wstring& Target) {
  const std::wstring firebird = Source + L"Firebird\\";

  // The database folder.
  const std::wstring database = Target + L"DTAfb\\";
  if (!CreateFolderStep(Context, database, L"Каталог <DTAfb> создан...", L"Ошибка при создании каталога <DTAfb>!"))
    return false;

  // The database file. One that is already there holds the clinic's patients since the last
  // installation: it is never replaced, whatever the distribution brings. So it is copied whole or not
  // at all: a short one left by a power cut would be kept by every later installation.
  if (FileExists(database + DatabaseFile)) {
    Context.AddLine(L"Файл базы данных " + std::wstring(DatabaseFile) + L" уже есть: он сохранён без изменений");
    Context.ProcessMessages();
  } else if (!CopyNewFileStep(Context, Source + L"DTAfb\\", database, DatabaseFile)) {
    return false;
  }

  // The runtime into the target folder itself.
  if (!CopyAll(Context, firebird, Target, RuntimeFiles)) return false;

  // Whether "intl\" and "udf\" could be created shows in their first copy.
  const std::wstring intl = Target + L"intl\\";
  if (!DirectoryExists(intl)) CreateDir(intl);
  if (!CopyAll(Context, firebird + L"intl\\", intl, IntlFiles)) return false;

  const std::wstring udf = Target + L"udf\\";
  if (!DirectoryExists(udf)) CreateDir(udf);
  if (!CopyAll(Context, firebird + L"udf\\", udf, UdfFiles)) return false;

  // The suite's own libraries: a failed copy only marks its line (an error raised still ends the run).
  for (const wchar_t* name : ExtensionLibraries) CopyStep(Context, Source + L"UDF\\", udf, name);
  return true;
}
