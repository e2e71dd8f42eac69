#include "SystemLibraries.h"

#include <shlobj.h>

#include "Error.h"
#include "Paths.h"

namespace LateBound {
namespace {

template <typename Fn>
Fn* Function(const wchar_t* Dll, const char* Name) {
  return reinterpret_cast<Fn*>(reinterpret_cast<void*>(SystemFunction(Dll, Name)));
}

// The name asked for. A test build (LATE_BOUND_TEST_MISSING_FUNCTION) asks for one function under a name
// no system has, to show what a system without it gets.
const char* AskedName(const char* Name) {
#ifdef LATE_BOUND_TEST_MISSING_FUNCTION
  if (lstrcmpA(Name, LATE_BOUND_TEST_MISSING_FUNCTION) == 0) return LATE_BOUND_TEST_MISSING_FUNCTION "Missing";
#endif
  return Name;
}

// One cached pointer per function, found at its first call.
#define LATE_BOUND(dll, name) \
  static auto* const name##Ptr = Function<decltype(::name)>(dll, AskedName(#name))

}  // namespace

std::wstring MissingLibraryText(const wchar_t* Dll) {
  return L"Не удалось загрузить системную библиотеку " + std::wstring(Dll);
}

std::wstring MissingFunctionText(const wchar_t* Dll, const char* Name) {
  return L"Не удалось загрузить системную функцию " + std::wstring(Name, Name + lstrlenA(Name)) +
         L" из библиотеки " + Dll;
}

// Kept for the life of the process, as an import would be.
HMODULE SystemLibrary(const wchar_t* Dll) {
  // The common controls by name: the activation context of the manifest then yields the system's
  // side-by-side version 6, which a full path would bypass. Every other DLL by its full path in the
  // system folder, whatever the search order of this Windows is; the altered search path makes the
  // DLLs it needs come from there too.
  if (lstrcmpiW(Dll, L"comctl32.dll") == 0) return LoadLibraryW(Dll);
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return nullptr;
  const std::wstring path = folder + L"\\" + Dll;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const wchar_t* Dll, const char* Name) {
  const HMODULE module = SystemLibrary(Dll);
  const DWORD loadError = module ? 0 : GetLastError();
  if (!module) throw EProgramError(MissingLibraryText(Dll), loadError);
  const FARPROC function = GetProcAddress(module, Name);
  if (!function) throw EProgramError(MissingFunctionText(Dll, Name), GetLastError());
  return function;
}

PIDLIST_ABSOLUTE SHBrowseForFolderW(_browseinfoW* Info) {
  LATE_BOUND(L"shell32.dll", SHBrowseForFolderW);
  return SHBrowseForFolderWPtr(Info);
}
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE Item, LPWSTR Path) {
  LATE_BOUND(L"shell32.dll", SHGetPathFromIDListW);
  return SHGetPathFromIDListWPtr(Item, Path);
}
HRESULT SHGetFolderPathW(HWND Owner, int Folder, HANDLE Token, DWORD Flags, LPWSTR Path) {
  LATE_BOUND(L"shell32.dll", SHGetFolderPathW);
  return SHGetFolderPathWPtr(Owner, Folder, Token, Flags, Path);
}
BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* Info) {
  LATE_BOUND(L"shell32.dll", ShellExecuteExW);
  return ShellExecuteExWPtr(Info);
}

HRESULT OleInitialize(LPVOID Reserved) {
  LATE_BOUND(L"ole32.dll", OleInitialize);
  return OleInitializePtr(Reserved);
}
void OleUninitialize() {
  LATE_BOUND(L"ole32.dll", OleUninitialize);
  OleUninitializePtr();
}
HRESULT CoInitializeEx(LPVOID Reserved, DWORD Model) {
  LATE_BOUND(L"ole32.dll", CoInitializeEx);
  return CoInitializeExPtr(Reserved, Model);
}
void CoUninitialize() {
  LATE_BOUND(L"ole32.dll", CoUninitialize);
  CoUninitializePtr();
}
HRESULT CoCreateInstance(REFCLSID Class, LPUNKNOWN Outer, DWORD Context, REFIID Interface, LPVOID* Object) {
  LATE_BOUND(L"ole32.dll", CoCreateInstance);
  return CoCreateInstancePtr(Class, Outer, Context, Interface, Object);
}
void CoTaskMemFree(LPVOID Memory) {
  LATE_BOUND(L"ole32.dll", CoTaskMemFree);
  CoTaskMemFreePtr(Memory);
}

BSTR SysAllocStringLen(const OLECHAR* Text, UINT Length) {
  LATE_BOUND(L"oleaut32.dll", SysAllocStringLen);
  return SysAllocStringLenPtr(Text, Length);
}
void SysFreeString(BSTR Text) {
  LATE_BOUND(L"oleaut32.dll", SysFreeString);
  SysFreeStringPtr(Text);
}
UINT SysStringLen(BSTR Text) {
  LATE_BOUND(L"oleaut32.dll", SysStringLen);
  return SysStringLenPtr(Text);
}
void VariantInit(VARIANTARG* Value) {
  LATE_BOUND(L"oleaut32.dll", VariantInit);
  VariantInitPtr(Value);
}
HRESULT VariantClear(VARIANTARG* Value) {
  LATE_BOUND(L"oleaut32.dll", VariantClear);
  return VariantClearPtr(Value);
}
HRESULT VariantChangeType(VARIANTARG* Destination, const VARIANTARG* Source, USHORT Flags, VARTYPE Type) {
  LATE_BOUND(L"oleaut32.dll", VariantChangeType);
  return VariantChangeTypePtr(Destination, const_cast<VARIANTARG*>(Source), Flags, Type);
}
SAFEARRAY* SafeArrayCreateVector(VARTYPE Type, LONG LowerBound, ULONG Count) {
  LATE_BOUND(L"oleaut32.dll", SafeArrayCreateVector);
  return SafeArrayCreateVectorPtr(Type, LowerBound, Count);
}
HRESULT SafeArrayAccessData(SAFEARRAY* Array, void** Data) {
  LATE_BOUND(L"oleaut32.dll", SafeArrayAccessData);
  return SafeArrayAccessDataPtr(Array, Data);
}
HRESULT SafeArrayUnaccessData(SAFEARRAY* Array) {
  LATE_BOUND(L"oleaut32.dll", SafeArrayUnaccessData);
  return SafeArrayUnaccessDataPtr(Array);
}
HRESULT SafeArrayDestroy(SAFEARRAY* Array) {
  LATE_BOUND(L"oleaut32.dll", SafeArrayDestroy);
  return SafeArrayDestroyPtr(Array);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* Controls) {
  LATE_BOUND(L"comctl32.dll", InitCommonControlsEx);
  return InitCommonControlsExPtr(Controls);
}

}  // namespace LateBound
