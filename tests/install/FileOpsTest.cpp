#include "FileOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Error.h"
#include "InstallTestFiles.h"
#include "PatternBytes.h"
#include "Text.h"

using testsupport::PatternBytes;

namespace {

// The system's sentence for a code, ended without its dot, as the operator is to read it.
std::wstring SystemSentence(DWORD Code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, Code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring sentence = text ? text : L"";
  LocalFree(text);
  sentence.erase(sentence.find_last_not_of(L" .\r\n") + 1);
  return sentence;
}

// A local wall-clock time as the file system keeps it (UTC).
FILETIME LocalTime(WORD Year, WORD Month, WORD Day, WORD Hour, WORD Minute, WORD Second, WORD Milliseconds) {
  SYSTEMTIME wall = {};
  wall.wYear = Year;
  wall.wMonth = Month;
  wall.wDay = Day;
  wall.wHour = Hour;
  wall.wMinute = Minute;
  wall.wSecond = Second;
  wall.wMilliseconds = Milliseconds;
  FILETIME local, utc;
  SystemTimeToFileTime(&wall, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

unsigned long long Ticks(const FILETIME& Time) {
  return (static_cast<unsigned long long>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
}

DWORD Attributes(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()); }

// Odd seconds and a fraction: the copy must land on the even second below.
const FILETIME SourceTime = LocalTime(2019, 3, 17, 14, 25, 37, 500);
const FILETIME SourceTimeOnFat = LocalTime(2019, 3, 17, 14, 25, 36, 0);

class FileOpsCopyFile : public ::testing::Test {
 protected:
  TTempFolder Temp;
  std::wstring Source = Temp.Path() + L"Исходная база.FDB";
  std::wstring Destination = Temp.Path() + L"Копия базы.FDB";

  void WriteSource(const std::string& Bytes) {
    WriteFileBytes(Source, Bytes);
    SetLastWriteTime(Source, SourceTime);
  }
  // The copy must let go of both files: nobody else could open them exclusively otherwise.
  void ExpectReleased(const std::wstring& Path) {
    THeldOpen probe(Path);
    EXPECT_TRUE(probe.Held()) << "still held: " << ToUtf8(Path);
  }
};

TEST_F(FileOpsCopyFile, ReplacesExistingDestinationWithSourceContentAndFatTime) {
  WriteSource("новое");
  WriteFileBytes(Destination, "an older and much longer content");
  ASSERT_TRUE(CopyFileWithDate(Source, Destination));
  EXPECT_EQ(ReadFileBytes(Destination), "новое");
  EXPECT_EQ(Ticks(LastWriteTime(Destination)), Ticks(SourceTimeOnFat));
  EXPECT_EQ(Ticks(LastWriteTime(Source)), Ticks(SourceTime));
  ExpectReleased(Source);
  ExpectReleased(Destination);
}

TEST_F(FileOpsCopyFile, CopiesContentOfEverySize) {
  // Empty, one byte, and sizes around and well above the copy buffer (at most a few MiB).
  for (size_t size : {size_t(0), size_t(1), size_t(65536), size_t(256 * 1024 - 1), size_t(256 * 1024),
                      size_t(256 * 1024 + 1), size_t(5 * 1024 * 1024 + 123)}) {
    SCOPED_TRACE(size);
    const std::string content = PatternBytes(size);
    WriteSource(content);
    ASSERT_TRUE(CopyFileWithDate(Source, Destination));
    EXPECT_TRUE(ReadFileBytes(Destination) == content);
    EXPECT_EQ(Ticks(LastWriteTime(Destination)), Ticks(SourceTimeOnFat));
  }
}

TEST_F(FileOpsCopyFile, LongCyrillicNamesWithBlanks) {
  const std::wstring folder = Temp.Path() + L"Папка с очень длинным русским именем для проверки копирования файлов";
  CreateFolder(folder);
  const std::wstring source = folder + L"\\Исходный файл с длинным именем из кириллицы и пробелов — номер 1.dat";
  const std::wstring destination = folder + L"\\Файл назначения с длинным именем из кириллицы и пробелов — номер 2.dat";
  ASSERT_GT(destination.size(), 100u);
  WriteFileBytes(source, "содержимое");
  SetLastWriteTime(source, SourceTime);
  ASSERT_TRUE(CopyFileWithDate(source, destination));
  EXPECT_EQ(ReadFileBytes(destination), "содержимое");
  EXPECT_EQ(Ticks(LastWriteTime(destination)), Ticks(SourceTimeOnFat));
}

// Each case starts from a source with known content in a folder of its own.
enum TDestinationPlace { dpBeside, dpInMissingFolder, dpTheSourceItself };
struct TCopyFailure {
  const char* Name;
  std::function<std::unique_ptr<THeldOpen>(const std::wstring& Source, const std::wstring& Destination)> Arrange;
  bool SourceGone;  // the source is removed before the copy
  TDestinationPlace Place;
  const wchar_t* Text;  // "Cannot open file" or "Cannot create file"
  bool NameIsSource;    // which file the text names
  DWORD Code;
};

TEST_F(FileOpsCopyFile, FailuresRaiseTheFileErrorAndSpareWhatIsThere) {
  const auto nothing = [](const std::wstring&, const std::wstring&) { return std::unique_ptr<THeldOpen>(); };
  const TCopyFailure cases[] = {
      {"missing source", nothing, true, dpBeside, L"Cannot open file", true, ERROR_FILE_NOT_FOUND},
      {"source held open elsewhere",
       [](const std::wstring& source, const std::wstring&) { return std::make_unique<THeldOpen>(source); }, false,
       dpBeside, L"Cannot open file", true, ERROR_SHARING_VIOLATION},
      {"destination held open elsewhere",
       [](const std::wstring&, const std::wstring& destination) {
         WriteFileBytes(destination, "старое");
         return std::make_unique<THeldOpen>(destination);
       },
       false, dpBeside, L"Cannot create file", false, ERROR_SHARING_VIOLATION},
      {"missing destination folder", nothing, false, dpInMissingFolder, L"Cannot create file", false,
       ERROR_PATH_NOT_FOUND},
      // Copying a file onto itself must not truncate it.
      {"destination is the source", nothing, false, dpTheSourceItself, L"Cannot create file", false,
       ERROR_SHARING_VIOLATION},
  };
  int number = 0;
  for (const TCopyFailure& failure : cases) {
    SCOPED_TRACE(failure.Name);
    const std::wstring folder = Temp.Path() + L"Случай " + std::to_wstring(++number) + L"\\";
    CreateFolder(folder);
    const std::wstring source = folder + L"Исходный файл.dll";
    const std::wstring destination = failure.Place == dpTheSourceItself ? source
                                     : failure.Place == dpInMissingFolder ? folder + L"Нет папки\\Файл назначения.dll"
                                                                          : folder + L"Файл назначения.dll";
    WriteFileBytes(source, "исходное");
    if (failure.SourceGone) DeleteFileW(source.c_str());
    bool destinationExisted = false;
    {
      const std::unique_ptr<THeldOpen> held = failure.Arrange(source, destination);
      ASSERT_TRUE(!held || held->Held());
      destinationExisted = TestFileExists(destination);
      try {
        CopyFileWithDate(source, destination);
        ADD_FAILURE() << "no error raised";
      } catch (const EProgramError& error) {
        const std::wstring name = failure.NameIsSource ? source : destination;
        EXPECT_EQ(error.Text(), std::wstring(failure.Text) + L" \"" + name + L"\". " + SystemSentence(failure.Code));
        EXPECT_EQ(error.SystemCode(), failure.Code);
      }
    }
    EXPECT_EQ(TestFileExists(destination), destinationExisted);
    if (!failure.SourceGone) {
      EXPECT_EQ(ReadFileBytes(source), "исходное");
      ExpectReleased(source);
    }
    if (destinationExisted && failure.Place != dpTheSourceItself) {
      EXPECT_EQ(ReadFileBytes(destination), "старое");
      SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
      ExpectReleased(destination);
    }
  }
}

// Windows refuses to create over a read-only or hidden file; the copy refuses them itself, so that Wine run
// by root (which would write them) behaves the same.
TEST_F(FileOpsCopyFile, ReadOnlyOrHiddenDestinationRaisesTheCreateError) {
  WriteSource("новое");
  for (const DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN}) {
    SCOPED_TRACE(attribute);
    WriteFileBytes(Destination, "старое");
    SetFileAttributesW(Destination.c_str(), attribute);
    try {
      CopyFileWithDate(Source, Destination);
      ADD_FAILURE() << "no error raised";
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text(), L"Cannot create file \"" + Destination + L"\". " + SystemSentence(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(ReadFileBytes(Destination), "старое");
    SetFileAttributesW(Destination.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  ExpectReleased(Source);
}

// Under Wine, Linux files reached through drive Z: fail the way a broken medium does: /dev/full refuses
// every write as a full disk, and a sysfs file claims 4096 bytes but yields a few (a short read). Windows
// has neither; there the cases are skipped.
const wchar_t ShortFile[] = L"Z:\\sys\\kernel\\uevent_seqnum";

// Why ShortFile cannot serve as a file that reads short here; empty when it can.
std::string WhyNoShortFile() {
  HANDLE probe = CreateFileW(ShortFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
  if (probe == INVALID_HANDLE_VALUE) return "no Linux files through drive Z:";
  LARGE_INTEGER claimed = {};
  GetFileSizeEx(probe, &claimed);
  CloseHandle(probe);
  if (claimed.QuadPart <= static_cast<LONGLONG>(ReadFileBytes(ShortFile).size())) return "the sysfs file reads in full";
  return std::string();
}

TEST_F(FileOpsCopyFile, ReadOrWriteErrorReturnsFalseAndLeavesThePartialFile) {
  const std::wstring shortFile = ShortFile;
  const std::wstring fullDisk = L"Z:\\dev\\full";
  const std::string why = WhyNoShortFile();
  if (!why.empty()) GTEST_SKIP() << why;
  {
    THeldOpen full(fullDisk);
    if (!full.Held()) GTEST_SKIP() << "no /dev/full through drive Z:";
  }

  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  EXPECT_FALSE(CopyFileWithDate(shortFile, Destination));
  EXPECT_TRUE(TestFileExists(Destination));
  // A partial copy keeps the time it was written at, not the source's.
  EXPECT_GE(Ticks(LastWriteTime(Destination)) + 20000000u, Ticks(before));
  ExpectReleased(Destination);

  WriteSource(PatternBytes(3 * 1024 * 1024));
  EXPECT_FALSE(CopyFileWithDate(Source, fullDisk));
  ExpectReleased(Source);
}

// A file that later runs keep once it is there is copied whole or not at all.
TEST_F(FileOpsCopyFile, NewFileArrivesWholeWithTheSourceTimeAndNoTemporaryFile) {
  const std::string content = PatternBytes(600 * 1024 + 5);
  WriteSource(content);
  // A short leftover of a cut run, even a read-only one, is overwritten.
  WriteFileBytes(Destination + L".tmp", "short");
  SetFileAttributesW((Destination + L".tmp").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(CopyNewFileWithDate(Source, Destination));
  EXPECT_TRUE(ReadFileBytes(Destination) == content);
  EXPECT_EQ(Ticks(LastWriteTime(Destination)), Ticks(SourceTimeOnFat));
  EXPECT_FALSE(TestFileExists(Destination + L".tmp"));
  ExpectReleased(Source);
  ExpectReleased(Destination);
}

TEST_F(FileOpsCopyFile, NewFileNeverReplacesOneThatIsThere) {
  WriteSource("новое");
  WriteFileBytes(Destination, "данные клиники");
  EXPECT_FALSE(CopyNewFileWithDate(Source, Destination));
  EXPECT_EQ(ReadFileBytes(Destination), "данные клиники");
  EXPECT_FALSE(TestFileExists(Destination + L".tmp"));
}

TEST_F(FileOpsCopyFile, NewFileErrorsNameTheFileMeantAndLeaveNothing) {
  DeleteFileW(Source.c_str());
  try {
    CopyNewFileWithDate(Source, Destination);
    ADD_FAILURE() << "no error raised";
  } catch (const EProgramError& error) {
    EXPECT_EQ(error.Text(), L"Cannot open file \"" + Source + L"\". " + SystemSentence(ERROR_FILE_NOT_FOUND));
  }
  WriteSource("новое");
  const std::wstring missingFolder = Temp.Path() + L"нет папки\\база.FDB";
  try {
    CopyNewFileWithDate(Source, missingFolder);
    ADD_FAILURE() << "no error raised";
  } catch (const EProgramError& error) {
    EXPECT_EQ(error.Text(), L"Cannot create file \"" + missingFolder + L"\". " + SystemSentence(ERROR_PATH_NOT_FOUND));
  }
  EXPECT_FALSE(TestFileExists(Destination));
  EXPECT_FALSE(TestFileExists(Destination + L".tmp"));
  ExpectReleased(Source);
}

// A copy that fails half-way leaves neither the file nor its temporary one.
TEST_F(FileOpsCopyFile, NewFileShortReadLeavesNothing) {
  const std::wstring shortFile = ShortFile;
  const std::string why = WhyNoShortFile();
  if (!why.empty()) GTEST_SKIP() << why;
  EXPECT_FALSE(CopyNewFileWithDate(shortFile, Destination));
  EXPECT_FALSE(TestFileExists(Destination));
  EXPECT_FALSE(TestFileExists(Destination + L".tmp"));
}

// Counts what a copy tells it; each piece takes a while, as from a slow medium.
struct TSlowPump : TMessagePump {
  unsigned long long Bytes = 0;
  int Pieces = 0, Served = 0;
  void ProcessMessages() override { ++Served; }
  void Copied(unsigned long long Piece) override {
    Bytes += Piece;
    ++Pieces;
    Sleep(15);
  }
};

// A long copy serves the window by time, every 50 ms, not after every piece, and tells every byte.
TEST_F(FileOpsCopyFile, ALongCopyServesTheWindowByTimeAndCountsEveryByte) {
  struct {
    const char* Way;
    bool (*Copy)(const std::wstring&, const std::wstring&, TMessagePump*);
  } const ways[] = {{"CopyFileWithDate", CopyFileWithDate}, {"CopyNewFileWithDate", CopyNewFileWithDate}};
  // Twelve pieces of 256 KiB and a short one.
  const std::string content = PatternBytes(3 * 1024 * 1024 + 1000);
  WriteSource(content);
  for (const auto& way : ways) {
    SCOPED_TRACE(way.Way);
    DeleteFileW(Destination.c_str());
    TSlowPump pump;
    const DWORD started = GetTickCount();
    EXPECT_TRUE(way.Copy(Source, Destination, &pump));
    const DWORD elapsed = GetTickCount() - started;
    EXPECT_EQ(ReadFileBytes(Destination), content);
    EXPECT_EQ(pump.Bytes, content.size());
    EXPECT_EQ(pump.Pieces, 13);
    EXPECT_GE(pump.Served, 2) << "13 pieces of 15 ms or more: served at least every 50 ms";
    EXPECT_LE(pump.Served, static_cast<int>(elapsed / 50) + 1) << "never more often than every 50 ms";
  }
}

// Windows' own copy keeps the attributes it copies; the tree copy must bring along hidden and read-only
// files, empty folders and folders at any depth.
class FileOpsCopyFolderTree : public ::testing::Test {
 protected:
  TTempFolder Temp;
  std::wstring Source = Temp.Path() + L"Обновление";

  void SetUp() override {
    CreateFolder(Source);
    WriteFileBytes(Source + L"\\Updater.exe", "программа");
    WriteFileBytes(Source + L"\\Скрытый файл.cfg", "скрытый");
    SetFileAttributesW((Source + L"\\Скрытый файл.cfg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteFileBytes(Source + L"\\ReleaseInfo", "<release/>");
    SetFileAttributesW((Source + L"\\ReleaseInfo").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateFolder(Source + L"\\Уровень 1");
    CreateFolder(Source + L"\\Уровень 1\\Уровень 2");
    CreateFolder(Source + L"\\Уровень 1\\Уровень 2\\Уровень 3");
    WriteFileBytes(Source + L"\\Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd", "@echo off");
    CreateFolder(Source + L"\\Пустая папка");
  }

  void ExpectCopiedInto(const std::wstring& Folder) {
    EXPECT_EQ(ReadFileBytes(Folder + L"Updater.exe"), "программа");
    EXPECT_EQ(ReadFileBytes(Folder + L"Скрытый файл.cfg"), "скрытый");
    EXPECT_TRUE(Attributes(Folder + L"Скрытый файл.cfg") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadFileBytes(Folder + L"ReleaseInfo"), "<release/>");
    EXPECT_TRUE(Attributes(Folder + L"ReleaseInfo") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadFileBytes(Folder + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd"), "@echo off");
    EXPECT_TRUE(DirectoryExists(Folder + L"Пустая папка"));
  }
};

TEST_F(FileOpsCopyFolderTree, CopiesTheWholeTreeIntoAMissingDestinationWithItsParents) {
  const std::wstring destination = Temp.Path() + L"Цель\\Ещё уровень";
  CopyFolderTree(Source, destination);
  ExpectCopiedInto(destination + L"\\");
}

TEST_F(FileOpsCopyFolderTree, DestinationWithTrailingBackslashGetsTheFilesDirectly) {
  const std::wstring destination = Temp.Path() + L"Программа\\";
  CreateFolder(destination);
  CopyFolderTree(Source, destination);
  ExpectCopiedInto(destination);
  EXPECT_FALSE(DirectoryExists(destination + L"Обновление"));
}

TEST_F(FileOpsCopyFolderTree, ReplacesFilesAndSkipsOneThatCannotBeReplaced) {
  const std::wstring destination = Temp.Path() + L"Программа\\";
  CreateFolder(destination);
  WriteFileBytes(destination + L"Updater.exe", "старая программа");
  WriteFileBytes(destination + L"Скрытый файл.cfg", "занят");
  {
    THeldOpen running(destination + L"Скрытый файл.cfg");
    ASSERT_TRUE(running.Held());
    CopyFolderTree(Source, destination);
  }
  EXPECT_EQ(ReadFileBytes(destination + L"Updater.exe"), "программа");
  EXPECT_EQ(ReadFileBytes(destination + L"Скрытый файл.cfg"), "занят");
  // The refusal stops nothing after it.
  EXPECT_EQ(ReadFileBytes(destination + L"ReleaseInfo"), "<release/>");
  EXPECT_EQ(ReadFileBytes(destination + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd"), "@echo off");
}

TEST_F(FileOpsCopyFolderTree, SkipsAReadOnlyDestination) {
  const std::wstring destination = Temp.Path() + L"Программа\\";
  CreateFolder(destination);
  WriteFileBytes(destination + L"ReleaseInfo", "<old/>");
  SetFileAttributesW((destination + L"ReleaseInfo").c_str(), FILE_ATTRIBUTE_READONLY);
  CopyFolderTree(Source, destination);
  EXPECT_EQ(ReadFileBytes(destination + L"ReleaseInfo"), "<old/>");
  EXPECT_EQ(ReadFileBytes(destination + L"Updater.exe"), "программа");
}

// What a tree copy will write, known before it: every file at every depth, hidden and read-only ones too.
TEST_F(FileOpsCopyFolderTree, TreeBytesCountEveryFileBelowTheFolder) {
  const size_t expected = std::string("программа").size() + std::string("скрытый").size() +
                          std::string("<release/>").size() + std::string("@echo off").size();
  EXPECT_EQ(FolderTreeBytes(Source), expected);
  EXPECT_EQ(FolderTreeBytes(Temp.Path() + L"Нет такой папки"), 0u);
  EXPECT_EQ(FileBytes(Source + L"\\ReleaseInfo"), 10u);
  EXPECT_EQ(FileBytes(Source + L"\\Нет такого файла"), 0u);
  EXPECT_EQ(FileBytes(Source), 0u) << "a folder is no file";
}

TEST_F(FileOpsCopyFolderTree, ReportsTheFirstFileNotCopiedWithItsCause) {
  const std::wstring destination = Temp.Path() + L"Программа\\";
  CreateFolder(destination);
  // Without its trailing backslash, so the paths reported are joined as written.
  const std::wstring folder = Temp.Path() + L"Программа";
  WriteFileBytes(destination + L"ReleaseInfo", "<old/>");
  SetFileAttributesW((destination + L"ReleaseInfo").c_str(), FILE_ATTRIBUTE_READONLY);
  TTreeCopyReport report;
  {
    CreateFolder(destination + L"Уровень 1");
    CreateFolder(destination + L"Уровень 1\\Уровень 2");
    CreateFolder(destination + L"Уровень 1\\Уровень 2\\Уровень 3");
    WriteFileBytes(destination + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd", "занят");
    THeldOpen running(destination + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd");
    ASSERT_TRUE(running.Held());
    CopyFolderTree(Source, folder, false, &report);
  }
  // The refused read-only file comes first: the files of a folder before its sub-folders.
  EXPECT_EQ(report.FirstNotCopied, destination + L"ReleaseInfo");
  EXPECT_EQ(report.Error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFileBytes(destination + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd"), "занят");

  TTreeCopyReport clean;
  const std::wstring other = Temp.Path() + L"Другая\\";
  CopyFolderTree(Source, other, false, &clean);
  EXPECT_TRUE(clean.FirstNotCopied.empty());
  EXPECT_EQ(clean.Error, 0u);
  ExpectCopiedInto(other);
}

// A folder only this program fills (the driver's): what a medium made read-only or hidden is replaced.
TEST_F(FileOpsCopyFolderTree, ReplaceProtectedReplacesReadOnlyAndHiddenFilesAtAnyDepth) {
  const std::wstring destination = Temp.Path() + L"Драйвер\\";
  CopyFolderTree(Source, destination);
  const std::wstring deep = destination + L"Уровень 1\\Уровень 2\\Уровень 3\\Install.cmd";
  for (const std::wstring& file : {destination + L"ReleaseInfo", destination + L"Скрытый файл.cfg", deep}) {
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(file, "старый");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  }
  TTreeCopyReport report;
  CopyFolderTree(Source, destination, true, &report);
  EXPECT_TRUE(report.FirstNotCopied.empty()) << ToUtf8(report.FirstNotCopied);
  ExpectCopiedInto(destination);
  // The copies carry the source's attributes, not the old files'.
  EXPECT_FALSE(Attributes(destination + L"ReleaseInfo") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(Attributes(deep) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

// The shell's folder copy put a folder copied onto an existing one of its name inside it; the tree copy
// puts the content there, however often it runs.
TEST_F(FileOpsCopyFolderTree, CopyOntoAnExistingFolderOfTheSameNameNeverNests) {
  const std::wstring destination = Temp.Path() + L"Программа\\Обновление";
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    CopyFolderTree(Source, destination);
    ExpectCopiedInto(destination + L"\\");
    EXPECT_FALSE(DirectoryExists(destination + L"\\Обновление"));
  }
}

TEST_F(FileOpsCopyFolderTree, MissingSourceStillCreatesTheDestination) {
  const std::wstring destination = Temp.Path() + L"Цель";
  CopyFolderTree(Temp.Path() + L"Нет такой папки", destination);
  EXPECT_TRUE(DirectoryExists(destination));
}

TEST(FileOpsListSubfolders, ListsDirectSubfoldersExceptExactlyWithOutAnswer) {
  // The file system ignores letter case, so each spelling lives in a folder of its own.
  TTempFolder temp;
  const std::wstring exact = temp.Path() + L"Резерв 1\\";
  const std::wstring other = temp.Path() + L"Резерв 2\\";
  CreateFolder(exact);
  CreateFolder(other);
  for (const wchar_t* name : {L"2.1.0", L"WithOutAnswer", L"Уровень 3"}) CreateFolder(exact + name);
  CreateFolder(exact + L"2.1.0\\вложенная");
  WriteFileBytes(exact + L"файл.txt", "не папка");
  CreateFolder(other + L"withoutanswer");
  CreateFolder(other + L"WITHOUTANSWER 2");

  std::vector<std::wstring> list = {L"было раньше"};
  ListSubfolders(exact, list);
  ListSubfolders(other, list);
  std::sort(list.begin() + 1, list.end());
  const std::vector<std::wstring> expected = {L"было раньше", exact + L"2.1.0", exact + L"Уровень 3",
                                              other + L"WITHOUTANSWER 2", other + L"withoutanswer"};
  EXPECT_EQ(list, expected);
}

TEST(FileOpsListSubfolders, MissingFolderAppendsNothing) {
  TTempFolder temp;
  std::vector<std::wstring> list;
  ListSubfolders(temp.Path() + L"Нет папки\\", list);
  EXPECT_TRUE(list.empty());
}

TEST(FileOpsSetReadOnly, SwitchesOnlyTheReadOnlyBit) {
  TTempFolder temp;
  const std::wstring file = temp.Path() + L"Файл настроек.cfg";
  WriteFileBytes(file, "x");
  // What the file system reports for a file without bits: "normal" on Windows, "archive" under Wine.
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
  const DWORD plain = Attributes(file);
  struct {
    DWORD Before;
    bool ReadOnly;
    DWORD After;
  } const cases[] = {
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, false,
       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true,
       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_READONLY, false, plain},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const auto& step : cases) {
    SCOPED_TRACE(step.Before);
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), step.Before));
    SetReadOnly(file, step.ReadOnly);
    EXPECT_EQ(Attributes(file), step.After);
  }
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileOpsSetReadOnly, MissingPathIsLeftAlone) {
  TTempFolder temp;
  const std::wstring missing = temp.Path() + L"Нет файла.cfg";
  SetReadOnly(missing, true);
  SetReadOnly(missing, false);
  EXPECT_EQ(Attributes(missing), INVALID_FILE_ATTRIBUTES);
}

TEST(FileOpsFolders, CreateDirMakesOneLevelAndForceDirectoriesEveryLevel) {
  TTempFolder temp;
  const std::wstring deep = temp.Path() + L"Первый уровень\\Второй уровень\\Третий";
  EXPECT_FALSE(CreateDir(deep));
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDir(temp.Path() + L"Один"));
  EXPECT_FALSE(CreateDir(temp.Path() + L"Один"));  // it was there already

  EXPECT_TRUE(ForceDirectories(deep + L"\\"));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(DirectoryExists(deep + L"\\"));
  EXPECT_TRUE(ForceDirectories(deep));

  // A file is no folder, and nothing can be made below it.
  WriteFileBytes(temp.Path() + L"Файл", "x");
  EXPECT_FALSE(DirectoryExists(temp.Path() + L"Файл"));
  EXPECT_FALSE(ForceDirectories(temp.Path() + L"Файл\\Папка"));
  EXPECT_FALSE(DirectoryExists(temp.Path() + L"Нет папки"));
}

TEST(FileOpsTextHelpers, TrimBlanksAndUpperCase) {
  struct {
    const wchar_t* Text;
    const wchar_t* Trimmed;
  } const trims[] = {
      {L"", L""},
      {L"   ", L""},
      {L" \t C:\\Ритмон Vidoze\\ \r\n", L"C:\\Ритмон Vidoze\\"},
      {L"без пробелов", L"без пробелов"},
  };
  for (const auto& c : trims) EXPECT_EQ(TrimBlanks(c.Text), c.Trimmed);
  struct {
    const wchar_t* Text;
    const wchar_t* Upper;
  } const uppers[] = {
      {L"", L""},
      {L"Велена", L"ВЕЛЕНА"},
      {L"ёжик Vidoze 12", L"ЁЖИК VIDOZE 12"},
  };
  for (const auto& c : uppers) EXPECT_EQ(UpperCase(c.Text), c.Upper);
}

}  // namespace
