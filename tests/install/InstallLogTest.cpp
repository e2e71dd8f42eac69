// The installation log file that support staff ask clinics for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstallLog.h"
#include "InstallTestFiles.h"

namespace {

// Screen side of the log: a list of strings.
struct TScreen : TInstallContext {
  std::vector<std::wstring> Lines;
  std::vector<std::wstring> Errors;
  int AddLine(const std::wstring& Text) override {
    Lines.push_back(Text);
    return static_cast<int>(Lines.size()) - 1;
  }
  void AppendOutcome(int Line, const std::wstring& Word) override { Lines.at(static_cast<size_t>(Line)) += Word; }
  void ShowProgress() override { Lines.clear(); }
  void ProcessMessages() override {}
  void RepaintLog() override {}
  bool AskYesNo(const std::wstring&) override { return true; }
  void ShowError(const std::wstring& Text) override { Errors.push_back(Text); }
  void SetBusy(bool) override {}
  void EnableExit() override {}
  bool ShowFontSizePage() override { return true; }
  void CloseProgram() override {}
};

std::wstring Utf8(const std::string& Bytes) {
  std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, Bytes.data(), static_cast<int>(Bytes.size()), nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Bytes.data(), static_cast<int>(Bytes.size()), text.data(), static_cast<int>(text.size()));
  return text;
}

// The file's lines after its byte-order mark, which must be there.
std::vector<std::wstring> FileLines(const std::wstring& Path) {
  const std::string bytes = ReadFileBytes(Path);
  EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 with a byte-order mark";
  std::vector<std::wstring> lines;
  const std::wstring text = Utf8(bytes.substr(3));
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return lines;
}

class InstallLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Target = Temp.Path() + L"Целевая папка\\";
    CreateFolder(Target);
    CreateFolder(Target + L"Settings");
  }
  std::wstring LogPath() const { return Target + L"Settings\\install.log"; }
  TTempFolder Temp;
  std::wstring Source = L"D:\\Дистрибутив\\", Target;
  TScreen Screen;
};

TEST_F(InstallLogFile, MirrorsTheScreenWithFinalOutcomesUnderAHeader) {
  TInstallLog log(Screen, Source, Target);
  log.ShowProgress();
  const int settings = log.AddLine(L"Создание настроечных файлов....");
  log.AddLine(L"Каталог <DTAfb> создан...");
  const int copy = log.AddLine(L"Копирование файла R12.FDB....");
  log.AppendOutcome(settings, L"Завершено");
  log.AppendOutcome(copy, L"ОШИБКА!!!");

  EXPECT_EQ(Screen.Lines, (std::vector<std::wstring>{L"Создание настроечных файлов....Завершено",
                                                     L"Каталог <DTAfb> создан...",
                                                     L"Копирование файла R12.FDB....ОШИБКА!!!"}));
  const std::vector<std::wstring> lines = FileLines(LogPath());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], log.Header());
  EXPECT_NE(lines[0].find(Source), std::wstring::npos);
  EXPECT_NE(lines[0].find(Target), std::wstring::npos);
  EXPECT_EQ(std::vector<std::wstring>(lines.begin() + 1, lines.end()), Screen.Lines);
}

TEST_F(InstallLogFile, EachRunAppendsItsOwnSectionAndKeepsTheEarlierOnes) {
  {
    TInstallLog first(Screen, Source, Target);
    first.AddLine(L"первый запуск");
  }
  TScreen second;
  TInstallLog log(second, Source, Target);
  const int line = log.AddLine(L"второй запуск....");
  log.Note(L"Cannot open file \"x\". Не найден файл");
  log.AppendOutcome(line, L"Завершено");  // rewrites the section, not the earlier run
  const std::vector<std::wstring> lines = FileLines(LogPath());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], L"первый запуск");
  EXPECT_EQ(lines[2], log.Header());
  EXPECT_EQ(lines[3], L"второй запуск....Завершено");
  EXPECT_EQ(lines[4], L"Cannot open file \"x\". Не найден файл") << "the error text shown is kept too";
  EXPECT_EQ(second.Lines, std::vector<std::wstring>{L"второй запуск....Завершено"}) << "notes stay off the screen";
}

TEST_F(InstallLogFile, LinesFromBeforeTheSettingsFolderExistedArriveWithTheFirstWrite) {
  RemoveDirectoryW((Target + L"Settings").c_str());
  TInstallLog log(Screen, Source, Target);
  log.AddLine(L"Каталог создан...");
  EXPECT_FALSE(TestFileExists(LogPath()));
  CreateFolder(Target + L"Settings");
  log.AddLine(L"Создание настроечных файлов....");
  EXPECT_EQ(FileLines(LogPath()),
            (std::vector<std::wstring>{log.Header(), L"Каталог создан...", L"Создание настроечных файлов...."}));
}

TEST_F(InstallLogFile, AFileThatCannotBeWrittenChangesNothingElse) {
  CreateFolder(LogPath());  // a folder where the file should be
  const std::wstring extra = Temp.Path() + L"нет такой папки\\setup.log";
  TInstallLog log(Screen, Source, Target, extra);
  const int line = log.AddLine(L"Копирование файла gds32.dll....");
  log.AppendOutcome(line, L"Завершено");
  log.ShowError(L"ошибка");
  EXPECT_EQ(Screen.Lines, std::vector<std::wstring>{L"Копирование файла gds32.dll....Завершено"});
  EXPECT_EQ(Screen.Errors, std::vector<std::wstring>{L"ошибка"});
  EXPECT_FALSE(TestFileExists(extra));
}

TEST_F(InstallLogFile, AnExtraFileGetsTheSameLines) {
  const std::wstring extra = Temp.Path() + L"журнал установки.log";
  TInstallLog log(Screen, Source, Target, extra);
  log.AddLine(L"Каталог создан...");
  EXPECT_EQ(FileLines(extra), FileLines(LogPath()));
}

}  // namespace
