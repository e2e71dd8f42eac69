#pragma once
// A settings (INI) file held in memory and written back whole. Only the lines whose values change are
// touched: every other line, comment, blank and line ending of an existing file is written back byte
// for byte, as it was read (never converted to text and back). An ANSI file stays in the process code
// page (1251 on the operator's Windows); a UTF-16 file with a byte-order mark stays UTF-16 in its byte
// order with its mark; a UTF-8 file with a byte-order mark stays UTF-8 with its mark.
//
// Names are matched as the system's profile reader matches them: lines end at "\n" ("\r\n" included);
// section and key names are compared without regard to case, blanks around key names and around "="
// do not count; only the first section of a name is searched, and its first key of a name wins.
#include <string>
#include <vector>

enum class TIniEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

class TIniFile {
 public:
  // Reads the file whole; a missing file (or folder) starts empty and is written as ANSI with "\r\n"
  // line ends. Throws EProgramError "Cannot open file "<name>". <cause>" when the file exists but
  // cannot be read: starting empty then would lose its content on writing.
  explicit TIniFile(std::wstring FileName);

  const std::wstring& FileName() const { return FFileName; }
  TIniEncoding Encoding() const { return FEncoding; }
  bool IsUnicode() const { return FEncoding == TIniEncoding::Utf16LE || FEncoding == TIniEncoding::Utf16BE; }

  // The value of the key (blanks around it and one pair of enclosing quotes removed, as the system
  // returns it), or Default when the section or key is missing or the key has no "=".
  std::wstring ReadString(const std::wstring& Section, const std::wstring& Key,
                          const std::wstring& Default) const;
  // Replaces the value of an existing key (its name as spelt in the file and its line ending kept), or
  // adds the key after the last key of its section, or adds the section at the end of the file.
  void WriteString(const std::wstring& Section, const std::wstring& Key, const std::wstring& Value);
  void WriteInteger(const std::wstring& Section, const std::wstring& Key, int Value);

  // Writes the whole content back through a temporary file in the same folder that replaces the old
  // file in one step, so the file on disk is always either the old or the new one. Throws
  // EProgramError "Cannot create file "<name>". <cause>" when it cannot be written.
  void UpdateFile() const;

 private:
  struct TLine {
    std::string Bytes;   // as in the file, without the line ending
    std::string Ending;  // "\r\n", "\n" (in the file's encoding) or nothing at the end of the file
    std::wstring Text;   // decoded, only to find names
  };

  std::wstring Decode(const std::string& Bytes) const;
  std::string Encode(const std::wstring& Text) const;
  std::string DefaultEnding() const;
  // Index of the first section line of that name, or -1.
  int FindSection(const std::wstring& Section) const;
  // Index of the key's line within the section starting at SectionLine, or -1.
  int FindKey(int SectionLine, const std::wstring& Key) const;
  void InsertLine(size_t Index, const std::wstring& Text);

  std::wstring FFileName;
  TIniEncoding FEncoding = TIniEncoding::Ansi;
  std::vector<TLine> FLines;
};

// Writes Bytes to a temporary file beside Target (Target + ".tmp", a leftover of an earlier run simply
// overwritten), flushes it, and moves it over Target in one step (MoveFileExW with replace and
// write-through). On any failure the temporary file is removed, Target is as it was, and EProgramError
// "Cannot create file "<Target>". <cause>" is thrown. A read-only Target is not replaced: that error.
void ReplaceFileAtomically(const std::wstring& Target, const std::string& Bytes);

// Creates Target with Bytes only if it does not exist, the same way but moving without replacing: Target
// is either absent or complete, never half-written, and an existing one is never touched. False when
// Target exists or anything failed (the temporary file is removed then). Throws nothing of its own.
bool CreateFileAtomically(const std::wstring& Target, const std::string& Bytes);

namespace FileWriteSeams {
// Called with the temporary file's name after it is written, flushed and closed, just before it is
// moved into place. A test that throws from it leaves the files as a power cut at that moment would.
using BeforeMoveFn = void (*)(const std::wstring& TemporaryFile);
// Installs Fn (nullptr: none) and returns the previous one.
BeforeMoveFn SetBeforeMove(BeforeMoveFn Fn);

// Installs Fn for its lifetime and puts the previous one back.
class TScopedBeforeMove {
 public:
  explicit TScopedBeforeMove(BeforeMoveFn Fn) : FPrevious(SetBeforeMove(Fn)) {}
  ~TScopedBeforeMove() { SetBeforeMove(FPrevious); }
  TScopedBeforeMove(const TScopedBeforeMove&) = delete;
  TScopedBeforeMove& operator=(const TScopedBeforeMove&) = delete;

 private:
  BeforeMoveFn FPrevious;
};
}  // namespace FileWriteSeams
