#pragma once
// Where the program is, and full paths.
#include <string>

// The folder part of a file name with its trailing backslash; empty when the name has no folder.
std::wstring ProgramFolderOf(const std::wstring& FileName);
// The running program's file, however long its path; empty when the system cannot tell.
std::wstring ProgramFile();
// The folder of the running program with a trailing backslash, however long its path; empty when the
// system cannot tell.
std::wstring ProgramFolder();
// The system folder (System32, or SysWOW64 for a 32-bit program on a 64-bit Windows) without a
// trailing backslash, however long its path; empty when the system cannot tell.
std::wstring SystemFolder();
// The path made full (a relative name counts from the current folder); as given when that fails.
std::wstring FullPathOf(const std::wstring& Path);
