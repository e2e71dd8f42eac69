// A damaged distribution found before anything is touched, and /VERIFY of an installed suite, on the real
// Install.exe started from a copy of the sample distribution (whose build wrote its SHA256SUMS).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Driver.h"
#include "E2eSupport.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t MainCaption[] = L"Установка комплекса";

bool Contains(const std::vector<std::wstring>& Lines, const std::wstring& Line) {
  return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
}

class Checked : public SampleDistribution {
 protected:
  void SetUp() override {
    SampleDistribution::SetUp();
    Log = Work + L"журнал.log";
  }
  DWORD Run(const std::wstring& Arguments) {
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, Arguments);
    if (!Setup->WaitForExit(90s)) return 99;
    return Setup->ExitCode();
  }
  DWORD InstallSilently(const std::wstring& Target, const std::wstring& Extra = L"/NODRIVER") {
    return Run(L"/VERYSILENT " + Extra + L" /DIR=\"" + Target + L"\" /LOG=\"" + Log + L"\"");
  }
  // The lines of the last run in Log, its header left out.
  std::vector<std::wstring> LastRun() const { return LastRunLines(Log); }
  std::wstring Log;
  std::unique_ptr<Program> Setup;
};

struct TDamage {
  const char* Name;
  std::function<void(const std::wstring& Dist)> Damage;
  std::wstring Line;  // the log line naming the file; empty: the distribution is sound for this run
};
void PrintTo(const TDamage& Case, std::ostream* Out) { *Out << Case.Name; }

class DamagedDistribution : public Checked, public ::testing::WithParamInterface<TDamage> {};

TEST_P(DamagedDistribution, EndsAnUnattendedRunWithExitSevenBeforeTheTargetIsMade) {
  const TDamage& c = GetParam();
  c.Damage(Dist);
  const std::wstring target = Work + L"Клиника\\";
  const DWORD code = InstallSilently(target);
  const std::vector<std::wstring> lines = LastRun();
  if (c.Line.empty()) {
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(FileExists(target + L"fbclient.Dll"));
    return;
  }
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(FolderExists(target)) << "the target was made";
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"Проверка дистрибутива...");
  EXPECT_TRUE(Contains(lines, c.Line)) << Narrow(lines[1]);
  EXPECT_NE(lines.back().find(L"Получите новую копию дистрибутива"), std::wstring::npos) << Narrow(lines.back());
  for (const std::wstring& line : lines) EXPECT_EQ(line.find(L"Копирование"), std::wstring::npos) << Narrow(line);
}

void ChangeByte(const std::wstring& File, size_t At) {
  std::string bytes = ReadBytes(File);
  bytes[At % bytes.size()] ^= 0x20;
  WriteBytes(File, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedDistribution,
    ::testing::Values(
        TDamage{"OneByteChangedInARuntimeLibrary",
                [](const std::wstring& Dist) { ChangeByte(Dist + L"Firebird\\fbclient.Dll", 7); },
                L"Файл дистрибутива \"Firebird\\fbclient.Dll\": содержимое повреждено"},
        TDamage{"RuntimeLibraryCutShortByOneByte",
                [](const std::wstring& Dist) {
                  const std::string bytes = ReadBytes(Dist + L"Firebird\\icuin30.Dll");
                  WriteBytes(Dist + L"Firebird\\icuin30.Dll", bytes.substr(0, bytes.size() - 1));
                },
                L"Файл дистрибутива \"Firebird\\icuin30.Dll\": содержимое повреждено"},
        TDamage{"RuntimeLibraryMissing",
                [](const std::wstring& Dist) { DeleteFileW((Dist + L"Firebird\\icuuc30.Dll").c_str()); },
                L"Файл дистрибутива \"Firebird\\icuuc30.Dll\": нет файла"},
        TDamage{"UnlistedFileTheInstallationReads",
                [](const std::wstring& Dist) { WriteBytes(Dist + L"backup\\L011226\\extra.dll", "extra"); },
                L"Файл дистрибутива \"backup\\L011226\\extra.dll\": нет в списке SHA256SUMS"},
        TDamage{"ChangedFileInTheDriverFolderARunWithoutTheDriverSkips",
                [](const std::wstring& Dist) { ChangeByte(Dist + L"FTDIDriverInstall\\FTDIDriverInstall.exe", 100); },
                L""}));

TEST_F(Checked, DamagedDistributionThroughTheWizardIsABoxAndTheFolderPageFoldersStayAsTheyWere) {
  ChangeByte(Dist + L"UDF\\Olvexa.Dll", 3);
  const std::wstring target = Work + L"Клиника мастера\\";
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere);
  HWND main = Setup->WaitForWindowByCaption(MainCaption);
  ASSERT_NE(main, nullptr);
  Click(FindVisibleByText(main, L"Далее"));
  ASSERT_TRUE(WaitFor([&] { return IsShown(FindFolderBox(main)); }));
  SetText(FindFolderBox(main), target);
  Click(FindVisibleByText(main, L"Далее"));
  // The driver notice of the components page.
  HWND notice = Setup->WaitForWindowByClass(L"TFMessageform");
  ASSERT_NE(notice, nullptr);
  Click(FindVisibleByText(notice, L"OK"));
  ASSERT_TRUE(WaitFor([&] { return FindVisibleByText(main, L"Начать установку") != nullptr; }));
  const auto before = ReadTree(target);
  EXPECT_EQ(before.size(), 1u) << "the folder page makes the target and its Settings";
  Click(FindVisibleByText(main, L"Начать установку"));
  HWND box = Setup->WaitForMessageBox(30s);
  ASSERT_NE(box, nullptr);
  const std::wstring text = MessageBoxText(box);
  Screenshot(L"60-damaged-distribution");
  EXPECT_NE(text.find(L"Дистрибутив повреждён"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"Файл дистрибутива \"UDF\\Olvexa.Dll\": содержимое повреждено"), std::wstring::npos)
      << Narrow(text);
  EXPECT_NE(text.find(L"Получите новую копию дистрибутива"), std::wstring::npos);
  AnswerMessageBox(box, IDOK);
  HWND list = FindVisibleByClass(main, L"ListBox");
  ASSERT_NE(list, nullptr);
  const std::vector<std::wstring> lines = ListBoxLines(list);
  EXPECT_TRUE(Contains(lines, L"Проверка дистрибутива..."));
  EXPECT_TRUE(Contains(lines, L"Файл дистрибутива \"UDF\\Olvexa.Dll\": содержимое повреждено"));
  EXPECT_EQ(ReadTree(target), before) << "the target changed";
  // The window closes by its close box, with the exit code of a damaged distribution.
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Setup->WaitForExit(15s));
  EXPECT_EQ(Setup->ExitCode(), 7u);
}

TEST_F(Checked, VerifyNamesTheRuntimeFilesGoneOrChangedAndAReinstallRepairsThem) {
  const std::wstring target = Work + L"Проверяемая клиника\\";
  ASSERT_EQ(InstallSilently(target), 0u);
  const std::wstring verify = L"/VERIFY /VERYSILENT /DIR=\"" + target + L"\" /LOG=\"" + Log + L"\"";
  EXPECT_EQ(Run(verify), 0u);
  ASSERT_FALSE(LastRun().empty());
  EXPECT_NE(LastRun().back().find(L"не изменены"), std::wstring::npos) << Narrow(LastRun().back());

  // An antivirus took a runtime library away, someone changed another; the suite's own rewrites and the
  // clinic's data are not differences.
  DeleteFileW((target + L"icuuc30.Dll").c_str());
  ChangeByte(target + L"udf\\fbudf.dll", 5);
  WriteBytes(target + L"Updater.exe.cfg", "rewritten by the updater");
  WriteBytes(target + L"DTAfb\\R12.FDB", "patients");
  EXPECT_EQ(Run(verify), 8u);
  const std::vector<std::wstring> lines = LastRun();
  EXPECT_TRUE(Contains(lines, L"icuuc30.Dll: нет файла"));
  EXPECT_TRUE(Contains(lines, L"udf\\fbudf.dll: изменён после установки"));
  for (const std::wstring& line : lines) {
    EXPECT_EQ(line.find(L"Updater.exe.cfg"), std::wstring::npos);
    EXPECT_EQ(line.find(L"R12.FDB"), std::wstring::npos);
  }
  EXPECT_TRUE(Contains(lines, L"Повторная установка из дистрибутива восстановит их; база данных и настройки при этом "
                              L"сохранятся."));

  // The box an operator sees without /VERYSILENT.
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/VERIFY /DIR=\"" + target + L"\"");
  HWND box = Setup->WaitForMessageBox(30s);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxText(box).find(L"icuuc30.Dll: нет файла"), std::wstring::npos);
  Screenshot(L"61-verify-differences");
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(Setup->WaitForExit(15s));
  EXPECT_EQ(Setup->ExitCode(), 8u);

  ASSERT_EQ(InstallSilently(target), 0u);
  EXPECT_EQ(Run(verify), 0u);
  EXPECT_EQ(ReadBytes(target + L"DTAfb\\R12.FDB"), "patients");
}

}  // namespace
