// The temporary copy's end as its parent sees it: this test program starts a copy of itself as the
// uninstall starts its copy, and the copy ends with the code it is told, as a crashed copy would.
#include "SetupCopy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t ExitCodeVariable[] = L"SETUP_COPY_TEST_EXIT_CODE";

// A crashed copy has no hand-over and the exception's code as its exit code; an ordinary end is its result.
TEST(SetupCopy, ACopyEndedByAnExceptionReachesTheParentWithItsCode) {
  struct TCase {
    const wchar_t* ExitCode;
    int Result;
    const wchar_t* Text;
  };
  const TCase cases[] = {
      {L"3228369023", -1, L"завершилась аварийно: исключение 0xC06D007F"},  // a missing delay-loaded function
      {L"3221225477", -1, L"завершилась аварийно: исключение 0xC0000005"},  // an access violation
      {L"4", 4, L""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.ExitCode)));
    SetEnvironmentVariableW(ExitCodeVariable, c.ExitCode);
    std::wstring error;
    const int result = RunFromTemporaryCopy(L"--gtest_filter=SetupCopyStandIn.EndsWithTheCodeItIsTold", error);
    SetEnvironmentVariableW(ExitCodeVariable, nullptr);
    EXPECT_EQ(result, c.Result);
    if (*c.Text) {
      EXPECT_NE(error.find(c.Text), std::wstring::npos) << ::testing::PrintToString(error);
      EXPECT_EQ(error.rfind(L"Копия программы удаления \"", 0), 0u) << ::testing::PrintToString(error);
    } else {
      EXPECT_TRUE(error.empty()) << ::testing::PrintToString(error);
    }
  }
}

// The copy's side of the test above; alone it has nothing to do.
TEST(SetupCopyStandIn, EndsWithTheCodeItIsTold) {
  wchar_t value[32] = {};
  const DWORD length = GetEnvironmentVariableW(ExitCodeVariable, value, 32);
  if (length == 0 || length >= 32) GTEST_SKIP() << "run as the copy of SetupCopy.ACopyEndedByAnException...";
  // As the system ends a process for an exception it did not handle.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(std::wcstoul(value, nullptr, 10)));
}

}  // namespace
