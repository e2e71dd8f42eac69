// A test build whose table of system functions asks for CoInitializeEx under a name ole32.dll lacks, as
// an older or damaged system would answer: the installation ends by the program's error, logged and
// shown, exit code 4, where a delay-loaded import would have crashed the program.
#include <gtest/gtest.h>

#include "InstallSequence.h"
#include "InstallTestFiles.h"
#include "RecordingContext.h"
#include "SystemLibraries.h"

namespace {

TEST(MissingSystemFunction, EndsTheInstallationWithTheErrorNamingIt) {
  const TTempFolder temp;
  const std::wstring source = temp.Path() + L"Дистрибутив\\", target = temp.Path() + L"Папка установки\\";
  MakeSmallDistribution(source);
  CreateFolder(target);
  CreateFolder(target + L"Settings");
  TInstallPlan plan = SmallDistributionPlan(source, target, L"Проверка системной функции");
  plan.LogFile = temp.Path() + L"setup.log";

  TRecordingContext context;
  const TInstallOutcome outcome = RunInstallation(context, plan);
  EXPECT_EQ(outcome, ioError);
  EXPECT_EQ(ExitCodeOf(outcome), 4);
  const std::wstring text = L"Не удалось загрузить системную функцию CoInitializeExMissing из библиотеки ole32.dll";
  EXPECT_EQ(context.Errors, std::vector<std::wstring>{text}) << "shown once, in the error box";
  // The log file's last line is the error, where a deployment tool looks for it.
  const std::string log = ReadFileBytes(plan.LogFile);
  const std::string last = log.substr(log.rfind("\r\n", log.size() - 3) + 2);
  EXPECT_NE(last.find("CoInitializeExMissing"), std::string::npos) << last;
}

}  // namespace
