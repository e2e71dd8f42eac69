// Any bytes given to the installation record's reader: nothing it lets through may lead out of the target
// or into its database and settings folders, and what it reads survives being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "InstallRecordText.h"

namespace {

bool SameFolded(const std::wstring& A, const std::wstring& B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    const wchar_t a = A[i] >= L'a' && A[i] <= L'z' ? static_cast<wchar_t>(A[i] - 32) : A[i];
    const wchar_t b = B[i] >= L'a' && B[i] <= L'z' ? static_cast<wchar_t>(B[i] - 32) : B[i];
    if (a != b) return false;
  }
  return true;
}

void CheckEntry(const TRecordEntry& Entry) {
  const std::wstring& path = Entry.Path;
  if (path.empty() || path.size() > MaxRecordedPath || IsKeptArea(path)) abort();
  if (path[0] == L'\\' || (path.size() >= 2 && path[1] == L':')) abort();
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(L'\\', start);
    const std::wstring component = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (path[0] == L';' || component.empty() || component == L"." || component == L".." || component.back() == L'.' ||
        component.back() == L' ')
      abort();
    for (wchar_t c : component)
      if (c < 0x20 || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' ||
          c == L'|')
        abort();
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  const TInstallRecordText read = ParseInstallRecord(bytes);
  if (!read.Signed && (!read.Entries.empty() || !read.Problems.empty())) abort();
  for (const TRecordEntry& entry : read.Entries) CheckEntry(entry);
  for (const TRecordProblem& problem : read.Problems)
    if (problem.Line < 2 || problem.Reason.empty()) abort();
  // Written and read again: every entry is still there (twins that differ in letter case once), nothing else.
  for (const std::wstring& link : read.Links) {
    std::wstring reason;
    if (!CheckLinkPath(link, reason)) abort();
  }
  const TInstallRecordText again = ParseInstallRecord(FormatInstallRecord(read.Entries, read.Links));
  if (!again.Signed || !again.Problems.empty() || again.Entries.size() > read.Entries.size() ||
      again.Links.size() > read.Links.size() || (again.Links.empty() != read.Links.empty()))
    abort();
  for (const TRecordEntry& entry : read.Entries) {
    bool found = false;
    for (const TRecordEntry& other : again.Entries) found = found || (other.Folder == entry.Folder && SameFolded(other.Path, entry.Path));
    if (!found) abort();
  }
  return 0;
}
