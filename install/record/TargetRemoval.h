#pragma once
// Removing what an installation record names, one thing at a time, never anything outside the target:
// each is opened without following a link at its end, checked by the path the file system gives back
// for that open file (which a link or junction on the way, a short 8.3 name or a letter case cannot
// disguise), and deleted through the same handle, so nothing can be swapped in between.
#include <windows.h>

#include <string>

#include "InstallRecordText.h"

enum TRemoval {
  rmRemoved,
  rmMissing,       // not there (any more)
  rmOutside,       // the open file lies outside the target, or in its database or settings folder
  rmLink,          // a link or junction: neither it nor what it points at is the installation's
  rmOtherKind,     // a folder where the record has a file, or the other way round
  rmNotEmpty,      // a folder that still holds something
  rmFailed,        // the system refused (a file held open, no rights); Error says why
};

struct TRemovalResult {
  TRemoval Result = rmFailed;
  DWORD Error = 0;
};

class TTargetRemover {
 public:
  // Target: a full path with a trailing backslash.
  explicit TTargetRemover(const std::wstring& Target);
  // False when the target folder itself cannot be opened: nothing can be removed then.
  bool Usable() const { return !FRoot.empty(); }
  // Removes Target + Entry.Path: a file (a read-only one too), or a folder only when it is empty.
  TRemovalResult Remove(const TRecordEntry& Entry) const;

 private:
  std::wstring FTarget;
  std::wstring FRoot;  // the target as the file system names it, without a trailing backslash
};

// The path the file system gives for an open handle ("\\?\C:\..."), empty when it gives none.
std::wstring FinalPathOf(HANDLE Handle);
