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

#include "FileOps.h"

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
