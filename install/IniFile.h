#pragma once
// A settings (INI) file held in memory and written back whole. Only the lines whose values change are
// touched: every other line, comment, blank and line ending of an existing file is written back byte
// for byte. An ANSI file stays in the process code page (1251 on the operator's Windows); a UTF-16LE
// file with a byte-order mark stays UTF-16LE with its mark. Section and key names are compared without
// regard to case, as the system's profile functions do.
#include <string>
#include <vector>

class TIniFile {
 public:
  // Reads the file whole; a missing file starts empty (and is written as ANSI).
  explicit TIniFile(std::wstring FileName);

  const std::wstring& FileName() const { return FFileName; }
  bool IsUnicode() const { return FUnicode; }

  // The value of the key, or Default when the section or key is missing.
  std::wstring ReadString(const std::wstring& Section, const std::wstring& Key,
                          const std::wstring& Default) const;
  // Replaces the value of an existing key, or adds the key at the end of its section, or adds the
  // section at the end of the file.
  void WriteString(const std::wstring& Section, const std::wstring& Key, const std::wstring& Value);
  void WriteInteger(const std::wstring& Section, const std::wstring& Key, int Value);

  // Writes the whole content back through a temporary file in the same folder that replaces the old
  // file in one step, so the file on disk is always either the old or the new one. Throws
  // EProgramError "Cannot create file "<name>". <cause>" when it cannot be written.
  void UpdateFile() const;

 private:
  std::wstring FFileName;
  bool FUnicode = false;
  // The file as lines of text, each with its own line ending ("\r\n", "\n", "\r" or none at the end).
  struct TLine {
    std::wstring Text;
    std::wstring Ending;
  };
  std::vector<TLine> FLines;
};

// Writes Bytes to a temporary file beside Target, flushes it, and moves it over Target in one step
// (MoveFileExW with replace and write-through). On any failure the temporary file is removed, Target
// is as it was, and EProgramError "Cannot create file "<Target>". <cause>" is thrown.
void ReplaceFileAtomically(const std::wstring& Target, const std::string& Bytes);
