#include "SystemLibraries.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "Error.h"

// A DLL or function the system lacks ends the operation with a text naming it, where an empty import
// slot would have jumped to address 0.
TEST(SystemLibraries, AMissingDllOrFunctionIsAnErrorNamingIt) {
  struct Case {
    const wchar_t* Dll;
    const char* Function;
    const wchar_t* Text;
  };
  const Case cases[] = {
      {L"shell32.dll", "NoSuchShellFunction",
       L"Не удалось загрузить системную функцию NoSuchShellFunction из библиотеки shell32.dll"},
      {L"no-such-library.dll", "Anything", L"Не удалось загрузить системную библиотеку no-such-library.dll"},
  };
  for (const Case& c : cases) {
    try {
      LateBound::SystemFunction(c.Dll, c.Function);
      ADD_FAILURE() << "no error for " << c.Function;
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text(), c.Text) << error.what();
    }
  }
}

// The functions come from the system's DLLs and work: the ones the wizard and the stages call first.
TEST(SystemLibraries, TheTableReachesTheSystemsFunctions) {
  const FARPROC found = LateBound::SystemFunction(L"ole32.dll", "CoCreateInstance");
  EXPECT_EQ(found, GetProcAddress(GetModuleHandleW(L"ole32.dll"), "CoCreateInstance"));

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  EXPECT_TRUE(LateBound::InitCommonControlsEx(&controls));

  wchar_t folder[MAX_PATH] = {};
  EXPECT_TRUE(SUCCEEDED(LateBound::SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, folder)));
  EXPECT_NE(folder[0], L'\0');

  const std::wstring text = L"Текст";
  const BSTR copy = LateBound::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(LateBound::SysStringLen(copy), text.size());
  LateBound::SysFreeString(copy);
}
