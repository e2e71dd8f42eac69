#pragma once
// The text of the installation record: which files and folders an installation put into its target, one
// path relative to the target a line. Pure (no Windows call): the uninstall reads the record as hostile
// input, and its fuzz target reads it natively.
#include <cstddef>
#include <string>
#include <vector>

// One thing the installation put into the target. Path is relative to the target folder, components
// separated by backslashes, without a trailing backslash; a folder is removed only when it is empty.
struct TRecordEntry {
  std::wstring Path;
  bool Folder = false;
  // A file's SHA-256 as the installation put it there (64 lower-case hex digits), when it was known: the
  // distribution's list proved it. Empty otherwise.
  std::wstring Digest;
};

// A line the reader left out: its number (the first line is 1) and why.
struct TRecordProblem {
  size_t Line = 0;
  std::wstring Reason;
};

struct TInstallRecordText {
  bool Signed = false;  // the first line is the record's own; nothing else is read without it
  std::vector<TRecordEntry> Entries;
  // The desktop links the installations wrote, full paths: the operator's desktop or every user's.
  std::vector<std::wstring> Links;
  std::vector<TRecordProblem> Problems;
};

// The file as it is written: UTF-8 with a byte-order mark, the signature line, a comment for whoever opens
// it, then one entry a line (a folder's ends with a backslash; a file's digest follows its path after a
// tab, which no path holds), CR LF line ends, sorted, each once (the first of twins); then one line a
// desktop link: LinkLinePrefix and the link's full path.
std::string FormatInstallRecord(std::vector<TRecordEntry> Entries, const std::vector<std::wstring>& Links = {});

// Starts a desktop link's line: "*" starts no path the record lists.
extern const char LinkLinePrefix[];  // "*DesktopLink\t"

// True when Text is a full path of a shell link a record may name: a drive's or a share's (no device or
// "\\?\" form), no "." or ".." component, no character Windows forbids in names, ending in ".lnk".
bool CheckLinkPath(const std::wstring& Text, std::wstring& Reason);

// Reads the file's bytes. Empty lines and comment lines (";") are skipped; a link's line whose path
// CheckLinkPath refuses is left out and named in Problems; a line that is not valid UTF-8,
// not a path CheckRecordedPath accepts, or with a digest that is not 64 lower-case hex digits (or on a
// folder) is left out and named in Problems.
TInstallRecordText ParseInstallRecord(const std::string& Bytes);

// True when Text names something inside the target that the uninstall may remove: relative (no drive,
// no UNC or device prefix, no leading backslash), no "." or ".." component, no empty component, no
// component ending in a dot or a blank (Windows would strip them and reach another name), no ";" at the
// start (the line would read as a comment), no character
// Windows forbids in names (the stream separator ":" and "/" among them), no reserved device name, not in
// the folders the uninstall always keeps (IsKeptArea), and at most MaxRecordedPath characters. A trailing
// backslash makes it a folder. Entry gets the path and kind; otherwise Reason says why not (Russian).
bool CheckRecordedPath(const std::wstring& Text, TRecordEntry& Entry, std::wstring& Reason);

// True when the relative path is "DTAfb" or "Settings" or lies in one of them (letter case aside): the
// database and the settings stay, whatever a record says.
bool IsKeptArea(const std::wstring& RelativePath);

constexpr size_t MaxRecordedPath = 1024;

// The path rules of CheckRecordedPath without its kept areas, for any folder whose files a text names:
// FolderWords name that folder in the reasons ("папки установки"). Path gets the text without a trailing
// backslash, Folder whether it had one.
bool CheckRelativePath(const std::wstring& Text, const std::wstring& FolderWords, std::wstring& Path, bool& Folder,
                       std::wstring& Reason);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF); false for anything else.
bool DecodeUtf8(const std::string& Bytes, std::wstring& Text);
// The line of Bytes that starts at At, without its LF or CR LF; At moves past it. False at the end.
bool NextLine(const std::string& Bytes, size_t& At, std::string& Line);

// Text as UTF-8; a lone surrogate becomes U+FFFD.
std::string EncodeUtf8(const std::wstring& Text);
