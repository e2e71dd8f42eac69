#pragma once
// The distribution's checksum list, "SHA256SUMS" in its root, as sha256sum writes it: one line a file,
// 64 lower-case hex digits of its SHA-256, two blanks, its path relative to the root with "/" between
// folders; UTF-8, every file of the distribution but the list itself. The list comes with the medium, so
// it is hostile input: pure code (no Windows call), fuzzed natively.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

extern const wchar_t* const ChecksumListName;  // "SHA256SUMS"
// Far above any distribution's list; what is larger is not one, and is not read.
constexpr size_t MaxChecksumListBytes = 4u << 20;

using TSha256Digest = std::array<unsigned char, 32>;

struct TChecksumEntry {
  std::wstring Path;  // relative to the distribution, backslashes between folders
  TSha256Digest Digest{};
  size_t Line = 0;  // the first line is 1
};

// A line that is not of the list's form: its number and why (Russian).
struct TChecksumProblem {
  size_t Line = 0;
  std::wstring Reason;
};

struct TChecksumList {
  std::vector<TChecksumEntry> Entries;
  std::vector<TChecksumProblem> Problems;  // any of them makes the whole list unusable
};

// Reads the list's bytes. A byte-order mark and CR before LF are let through (a list made on Windows);
// every other departure from the form is a problem of its line: a line without 64 lower-case hex digits
// and two blanks, a path that is not UTF-8, that leaves the root ("..", a drive, absolute), names a
// folder or holds a backslash, the list itself, and a second line for one path (letter case aside).
TChecksumList ParseChecksumList(const std::string& Bytes);

// The key paths are compared by: Windows' names ignore the letter case of Latin and Cyrillic letters.
std::wstring FoldedPath(const std::wstring& Path);

// The digest as the list writes it.
std::wstring DigestHex(const TSha256Digest& Digest);
