#pragma once
// Drives the real Install.exe from another process, as an operator would: finds its windows, reads
// their texts, types, clicks, answers message boxes and takes screenshots.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

std::wstring UnixToWindowsPath(const char* UnixPath);
std::wstring TempFolder(const std::wstring& Name);  // a new empty folder below %TEMP%
void CopyTree(const std::wstring& From, const std::wstring& To);
bool FolderExists(const std::wstring& Path);
bool FileExists(const std::wstring& Path);
// The whole file (empty when it cannot be read); as text: UTF-8, a byte-order mark dropped.
std::string ReadBytes(const std::wstring& Path);
std::wstring ReadText(const std::wstring& Path);
void WriteBytes(const std::wstring& Path, const std::string& Bytes);
// The last-write time in 100 ns units; 0 when the file is missing.
long long WriteTime(const std::wstring& Path);

// Polls Condition until it holds or the time runs out.
bool WaitFor(const std::function<bool()>& Condition, std::chrono::milliseconds Timeout = std::chrono::seconds(15));

std::wstring WindowText(HWND Wnd);
std::wstring ClassName(HWND Wnd);
std::vector<HWND> VisibleChildren(HWND Parent);

class Program {
 public:
  // Starts the program with CurrentFolder as its working folder (not its own folder), with Arguments
  // after its quoted path.
  Program(const std::wstring& ExePath, const std::wstring& CurrentFolder, const std::wstring& Arguments = L"");
  ~Program();
  DWORD ProcessId() const { return Info.dwProcessId; }
  DWORD MainThreadId() const { return Info.dwThreadId; }
  HANDLE Handle() const { return Info.hProcess; }
  bool Running() const;
  bool WaitForExit(std::chrono::milliseconds Timeout);
  DWORD ExitCode() const;

  // Top-level visible windows of the process.
  std::vector<HWND> TopWindows() const;
  HWND WaitForTopWindow(const std::function<bool(HWND)>& Match,
                        std::chrono::milliseconds Timeout = std::chrono::seconds(15)) const;
  HWND WaitForWindowByCaption(const std::wstring& Caption) const;
  HWND WaitForWindowByClass(const std::wstring& Class) const;
  // A standard message box of the process (class #32770).
  HWND WaitForMessageBox(std::chrono::milliseconds Timeout = std::chrono::seconds(15)) const;

 private:
  PROCESS_INFORMATION Info{};
};

// The main window's folder box: its one visible edit box that is not read-only.
HWND FindFolderBox(HWND Main);
// The first window of that class below Parent, shown or not.
HWND FindChildByClass(HWND Parent, const std::wstring& Class);

// A caption as the operator reads it: the ampersand that marks the access key left out ("&&" is one).
std::wstring WithoutAccessKey(const std::wstring& Caption);

// Controls below Parent that are visible on screen; a control's text is compared as the operator reads it.
HWND FindVisibleByText(HWND Parent, const std::wstring& Text, const std::wstring& Class = L"");
HWND FindVisibleByClass(HWND Parent, const std::wstring& Class);
std::vector<std::wstring> VisibleTexts(HWND Parent, const std::wstring& Class);
bool IsShown(HWND Control);  // visible including all its parents

void Click(HWND Button);          // posted: the handler may open a modal box
void SetText(HWND Control, const std::wstring& Text);
std::wstring MessageBoxText(HWND Box);
void AnswerMessageBox(HWND Box, int ButtonId);
std::vector<std::wstring> ListBoxLines(HWND List);

// Saves the screen as a PNG below the screenshot folder, when one was configured.
void Screenshot(const std::wstring& Name);

}  // namespace e2e
