// Any bytes given to the distribution's checksum list reader: nothing it lets through leads out of the
// distribution or names a file twice, and what it reads survives being written as sha256sum does and
// read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "ChecksumList.h"
#include "InstallRecordText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  const TChecksumList list = ParseChecksumList(bytes);
  std::set<std::wstring> seen;
  size_t lastLine = 0;
  std::string again;
  for (const TChecksumEntry& entry : list.Entries) {
    std::wstring path;
    bool folder = true;
    std::wstring reason;
    if (!CheckRelativePath(entry.Path, L"папки", path, folder, reason) || folder || path != entry.Path) abort();
    if (entry.Path.find(L'/') != std::wstring::npos) abort();
    if (!seen.insert(FoldedPath(entry.Path)).second || FoldedPath(entry.Path) == FoldedPath(ChecksumListName)) abort();
    if (entry.Line <= lastLine) abort();
    lastLine = entry.Line;
    std::wstring slashed = entry.Path;
    for (wchar_t& c : slashed)
      if (c == L'\\') c = L'/';
    const std::wstring hex = DigestHex(entry.Digest);
    again += std::string(hex.begin(), hex.end()) + "  " + EncodeUtf8(slashed) + "\n";
  }
  for (const TChecksumProblem& problem : list.Problems)
    if (problem.Reason.empty()) abort();
  if (list.Entries.empty()) return 0;
  const TChecksumList read = ParseChecksumList(again);
  if (!read.Problems.empty() || read.Entries.size() != list.Entries.size()) abort();
  for (size_t i = 0; i < read.Entries.size(); ++i)
    if (read.Entries[i].Path != list.Entries[i].Path || read.Entries[i].Digest != list.Entries[i].Digest) abort();
  return 0;
}
