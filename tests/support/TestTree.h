#pragma once
// Files and folders read back as the tests check them, without the program's own helpers: shared by the
// engine's tests and the end-to-end ones.
#include <map>
#include <string>

namespace testsupport {

// The whole file into Bytes; false when it cannot be opened.
bool ReadWholeFile(const std::wstring& Path, std::string& Bytes);

// Every file below Folder (with its trailing backslash) by its relative name with its bytes, and every
// folder as "name\" with none; links are listed, not followed. Throws std::runtime_error for a file it
// cannot read, so an unreadable file never passes for an empty one.
using FileTree = std::map<std::wstring, std::string>;
FileTree ReadTree(const std::wstring& Folder);

}  // namespace testsupport
