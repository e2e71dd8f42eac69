#pragma once
// The calls into the shell, COM, OLE automation and the common controls. The program imports none of
// these DLLs: each is loaded when one of its functions is first called, after the program has
// restricted the DLL search, from the system folder (the common controls by name, so that the
// manifest's side-by-side version 6 is the one taken). A DLL or function that cannot be found is an
// EProgramError naming it, never a call through an empty pointer.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shtypes.h>

#include <string>

// The folder browser's parameters; its header would bring the shell's automation names (Folder...)
// into every unit that includes this one.
struct _browseinfoW;

namespace LateBound {

// shell32
PIDLIST_ABSOLUTE SHBrowseForFolderW(_browseinfoW* Info);
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE Item, LPWSTR Path);
HRESULT SHGetFolderPathW(HWND Owner, int Folder, HANDLE Token, DWORD Flags, LPWSTR Path);
// WINAPI: it stands in the process runner's seam for the system's function.
BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* Info);

// ole32
HRESULT OleInitialize(LPVOID Reserved);
void OleUninitialize();
HRESULT CoInitializeEx(LPVOID Reserved, DWORD Model);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID Class, LPUNKNOWN Outer, DWORD Context, REFIID Interface, LPVOID* Object);
void CoTaskMemFree(LPVOID Memory);

// oleaut32
BSTR SysAllocStringLen(const OLECHAR* Text, UINT Length);
void SysFreeString(BSTR Text);
UINT SysStringLen(BSTR Text);
void VariantInit(VARIANTARG* Value);
HRESULT VariantClear(VARIANTARG* Value);
HRESULT VariantChangeType(VARIANTARG* Destination, const VARIANTARG* Source, USHORT Flags, VARTYPE Type);
SAFEARRAY* SafeArrayCreateVector(VARTYPE Type, LONG LowerBound, ULONG Count);
HRESULT SafeArrayAccessData(SAFEARRAY* Array, void** Data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* Array);
HRESULT SafeArrayDestroy(SAFEARRAY* Array);

// comctl32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* Controls);

// One of the system's DLLs, loaded once (later calls find it loaded): by its full path in the system
// folder, and the common controls by name; nullptr when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* Dll);

// The address of a function of one of the system's DLLs; throws EProgramError naming the DLL or the
// function when either is missing. Dll: a file name in the system folder.
FARPROC SystemFunction(const wchar_t* Dll, const char* Name);

// The texts of those errors: "Не удалось загрузить системную библиотеку <dll>", and for a function the DLL
// lacks "Не удалось загрузить системную функцию <name> из библиотеки <dll>".
std::wstring MissingLibraryText(const wchar_t* Dll);
std::wstring MissingFunctionText(const wchar_t* Dll, const char* Name);

}  // namespace LateBound
