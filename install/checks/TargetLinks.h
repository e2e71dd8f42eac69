#pragma once
// Links and junctions in the target folder. Any user may change what is in the target; a link there
// that leads out of it would have the installation, with whatever rights it runs, write where that user
// points it. Where things lie is judged by the path the file system gives for an open handle, never by
// the text of a path; the target's own folder may itself be a link the operator chose, so "inside" means
// below the target's final path.
#include <windows.h>

#include <string>

// The first link or junction below Target (a full path with a trailing backslash) that leads out of
// it or nowhere, as "<link>" and where it leads (empty when it leads nowhere); empty Link when there is
// none. Links are not followed while looking, so a loop or a link to a large tree costs nothing.
struct TLinkOut {
  std::wstring Link;
  std::wstring LeadsTo;
};
TLinkOut FindLinkLeadingOut(const std::wstring& Target);

// The error text that ends an installation over such a link.
std::wstring LinkLeadingOutText(const TLinkOut& Found);

// While one lives, the file primitives check every file they write below Target, and the folder it goes
// into, by the path the file system gives for the open handle: a link planted while the installation
// runs ends it with LinkLeadingOutText's error instead of a write outside. Target: a full path with a
// trailing backslash.
class TWritesInsideTarget {
 public:
  explicit TWritesInsideTarget(const std::wstring& Target);
  ~TWritesInsideTarget();
  TWritesInsideTarget(const TWritesInsideTarget&) = delete;
  TWritesInsideTarget& operator=(const TWritesInsideTarget&) = delete;
};

// For a file about to be written at Path: its folder opened and held without delete sharing (so it can
// be neither renamed nor swapped for a link while held), once found inside the target. Throws
// EProgramError when it lies elsewhere. INVALID_HANDLE_VALUE when nothing is confined or Path is not
// meant for the target; the caller closes a valid handle once the file is open and checked.
HANDLE HoldFolderInside(const std::wstring& Path);
// Throws EProgramError when the open File, meant for Path, lies outside the confined target.
void CheckWrittenInside(HANDLE File, const std::wstring& Path);
// The same without the exception, for writes whose failure nobody hears of (the log file).
bool WrittenInside(HANDLE File, const std::wstring& Path);
