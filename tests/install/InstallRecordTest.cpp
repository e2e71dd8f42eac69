// The installation record as the stages fill it: what the file primitives report inside the target, what
// a script adds there, what an earlier installation listed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Error.h"
#include "InstallRecord.h"
#include "InstallTestFiles.h"
#include "InstalledFiles.h"

namespace {

class InstallRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    Target = Temp.Path() + L"Папка установки\\";
    Outside = Temp.Path() + L"Рядом\\";
    for (const std::wstring& folder : {Target, Target + L"Settings", Target + L"DTAfb", Outside}) CreateFolder(folder);
  }
  void Write(const std::wstring& Relative, const std::string& Bytes = "x") { WriteFileBytes(Target + Relative, Bytes); }
  // The record's lines after its signature and comment.
  std::vector<std::wstring> Lines() const {
    TInstallRecordText record;
    EXPECT_EQ(ReadInstallRecord(Target, record), rrRead);
    EXPECT_TRUE(record.Problems.empty());
    std::vector<std::wstring> lines;
    for (const TRecordEntry& entry : record.Entries) lines.push_back(entry.Path + (entry.Folder ? L"\\" : L""));
    return lines;
  }

  TTempFolder Temp;
  std::wstring Target, Outside;
};

TEST_F(InstallRecord, ListsWhatIsReportedInsideTheTargetAndTheFoldersThatHoldIt) {
  CreateFolder(Target + L"Библиотеки");
  CreateFolder(Target + L"Библиотеки\\udf");
  Write(L"Библиотеки\\udf\\fbudf.dll");
  Write(L"gds32.dll");
  Write(L"DTAfb\\R12.FDB");
  Write(L"Settings\\rarovu.ini");
  WriteFileBytes(Outside + L"чужой.dll", "x");
  CreateFolder(Target + L"Пустая");
  {
    TInstallRecorder recorder(Target);
    EXPECT_EQ(TInstallRecorder::Active(), &recorder);
    ReportFilePut(Target + L"Библиотеки\\udf\\fbudf.dll");
    ReportFilePut(Target + L"GDS32.DLL");            // letter case aside, it is inside
    ReportFilePut(Target + L"DTAfb\\R12.FDB");       // the database: never listed
    ReportFilePut(Target + L"Settings\\rarovu.ini"); // the settings: never listed
    ReportFilePut(Outside + L"чужой.dll");           // not the target's
    ReportFilePut(Target + L"не скопирован.dll");    // reported, but not there at the end
    ReportFolderPut(Target + L"Пустая");
    ReportFolderPut(Target);                          // the target itself is no entry
    // A tree is looked at when the record is written: what is put into it meanwhile counts.
    ReportTreePut(Target + L"Драйвер\\");
    CreateFolder(Target + L"Драйвер");
    CreateFolder(Target + L"Драйвер\\Вложенная");
    Write(L"Драйвер\\установщик.exe");
    Write(L"Драйвер\\Вложенная\\журнал.txt");
  }
  EXPECT_EQ(TInstallRecorder::Active(), nullptr);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{
                         L"GDS32.DLL",
                         L"Библиотеки\\", L"Библиотеки\\udf\\", L"Библиотеки\\udf\\fbudf.dll",
                         L"Драйвер\\", L"Драйвер\\Вложенная\\", L"Драйвер\\Вложенная\\журнал.txt",
                         L"Драйвер\\установщик.exe", L"Пустая\\"}));
}

TEST_F(InstallRecord, KeepsWhatTheEarlierRecordListedWhileItIsThere) {
  Write(L"прежний.dll");
  Write(L"новый.dll");
  Write(L"Settings\\install-record.txt",
        "\xEF\xBB\xBFInstallRecord 1\r\n"
        "\xD0\xBF\xD1\x80\xD0\xB5\xD0\xB6\xD0\xBD\xD0\xB8\xD0\xB9.dll\r\n"  // прежний.dll
        "removed-since.dll\r\n"
        "..\\outside.dll\r\n"
        "DTAfb\\R12.FDB\r\n");
  {
    TInstallRecorder recorder(Target);
    ReportFilePut(Target + L"новый.dll");
  }
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"новый.dll", L"прежний.dll"}));
  EXPECT_FALSE(TestFileExists(Target + L"Settings\\install-record.txt.tmp"));
}

TEST_F(InstallRecord, NothingToListWritesNoRecord) {
  { TInstallRecorder recorder(Target); }
  TInstallRecordText record;
  EXPECT_EQ(ReadInstallRecord(Target, record), rrMissing);
}

TEST_F(InstallRecord, SaveTellsWhatTheListedFilesWeigh) {
  Write(L"a.dll", std::string(1024, 'a'));
  Write(L"b.dll", std::string(1, 'b'));
  TInstallRecorder recorder(Target);
  ReportFilePut(Target + L"a.dll");
  ReportFilePut(Target + L"b.dll");
  ReportFilePut(Target + L"A.DLL");  // once
  recorder.Save();
  EXPECT_EQ(recorder.SizeKiB(), 2u) << "1025 bytes, rounded up";
}

TEST_F(InstallRecord, ARecordThatCannotBeWrittenEndsSaveButNotTheRecorder) {
  Write(L"a.dll");
  // A folder in the record's place: no file can be moved there.
  CreateFolder(Target + L"Settings\\install-record.txt");
  TInstallRecorder recorder(Target);
  ReportFilePut(Target + L"a.dll");
  EXPECT_THROW(recorder.Save(), EProgramError);
}

TEST_F(InstallRecord, WhatAScriptAddsOrRewritesIsTheInstallations) {
  Write(L"untouched.dll", "same");
  Write(L"rewritten.dll", "same");
  Write(L"Settings\\clinic.ini", "old");
  const FILETIME written = LastWriteTime(Target + L"rewritten.dll");
  TInstallRecorder recorder(Target);
  {
    const TTargetChanges script(Target);
    Sleep(20);
    CreateFolder(Target + L"Новая");
    Write(L"Новая\\added.exe");
    // Copied over with the same bytes and the source's time, as "copy /y" does: only the change time moves.
    Write(L"rewritten.dll", "same");
    SetLastWriteTime(Target + L"rewritten.dll", written);
    Write(L"Settings\\clinic.ini", "changed");  // never looked at
    Write(L"DTAfb\\new.dat");
  }
  recorder.Save();
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"rewritten.dll", L"Новая\\", L"Новая\\added.exe"}));
}

TEST_F(InstallRecord, ReadingTellsAMissingRecordFromOneThatIsNot) {
  TInstallRecordText record;
  EXPECT_EQ(ReadInstallRecord(Target, record), rrMissing);
  EXPECT_EQ(ReadInstallRecord(Temp.Path() + L"нет такой папки\\", record), rrMissing);
  Write(L"Settings\\install-record.txt", "gds32.dll\r\n");
  EXPECT_EQ(ReadInstallRecord(Target, record), rrUnreadable);
  EXPECT_TRUE(record.Entries.empty());
  DeleteFileW((Target + L"Settings\\install-record.txt").c_str());
  CreateFolder(Target + L"Settings\\install-record.txt");
  EXPECT_EQ(ReadInstallRecord(Target, record), rrUnreadable);
  RemoveDirectoryW((Target + L"Settings\\install-record.txt").c_str());
  Write(L"Settings\\install-record.txt", "InstallRecord 1\r\ngds32.dll\r\n..\\x\r\n");
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  EXPECT_EQ(record.Entries.size(), 1u);
  EXPECT_EQ(record.Problems.size(), 1u);
}

}  // namespace
