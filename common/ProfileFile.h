#pragma once
#include <cstdint>
#include <string>

// Reads values of a profile (INI) file through the system's profile function, one call per key, with
// the suite's value syntax. Section and key names are compared without regard to case. The system
// reads ANSI files in the process code page (1251 on the operator's Windows) and UTF-16LE files with
// a byte-order mark.
class TProfileFile {
 public:
  // Longest value returned; a longer one is cut.
  static constexpr size_t MaxValueLength = 2047;

  // An empty name stands for no file: every read yields its default.
  explicit TProfileFile(std::wstring FileName);

  const std::wstring& FileName() const { return FFileName; }

  // The value as the system returns it; the default only when the key (or file, or section) is missing.
  std::wstring ReadString(const std::wstring& Section, const std::wstring& Key,
                          const std::wstring& Default) const;
  // An integer as TryStrToInt reads it; the default when missing or not an integer.
  std::int32_t ReadInteger(const std::wstring& Section, const std::wstring& Key, std::int32_t Default) const;
  // An integer: 0 is false, any other true; the default when missing or not an integer ("yes", "true").
  bool ReadBool(const std::wstring& Section, const std::wstring& Key, bool Default) const;
  // A number as TryStrToFloat reads it with the process-wide format; the default when missing, empty
  // or unparsable.
  double ReadFloat(const std::wstring& Section, const std::wstring& Key, double Default) const;

 private:
  std::wstring FFileName;
};
