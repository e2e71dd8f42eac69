#pragma once
// Before anything is touched: the distribution's files that the installation will read are those its
// checksum list names, whole and unchanged. A scratched disc, a stick pulled out during the copy or a
// download cut short is found here, not weeks later in a damaged runtime library.
#include <map>
#include <string>
#include <vector>

#include "ChecksumList.h"
#include "InstallContext.h"
#include "PlannedCopies.h"

struct TDistributionProblem {
  std::wstring File;  // relative to the distribution; the list's own name for a fault of the list
  std::wstring What;  // "нет файла", "размер ...", "содержимое повреждено", ...
};

enum TListRead {
  lrRead,        // List holds the list
  lrMissing,     // the distribution has none (every distribution made before lists came)
  lrUnreadable,  // there is one, but it cannot be read whole or is far too large
};

// Reads Source + "SHA256SUMS"; Problem says why it was unreadable.
TListRead ReadChecksumList(const std::wstring& Source, TChecksumList& List, std::wstring& Problem);

struct TDistributionCheck {
  bool HasList = false;
  std::vector<TDistributionProblem> Problems;  // empty: sound (or no list)
  // The size each file read had, by its full path, for the copies that follow (TCheckedSizes).
  std::map<std::wstring, unsigned long long> CheckedSizes;
  // The proven SHA-256 (hex) of each copy, by its destination's full path, for the installation record.
  std::map<std::wstring, std::wstring> Digests;
};

// What the check will read in bytes: the files Reads names that the list lists; 0 without a list.
unsigned long long DistributionCheckBytes(const std::wstring& Source, const TPlannedReads& Reads);

// Checks every file of Reads against the list: listed, present, read whole and of the listed SHA-256,
// telling Pump of every piece read. A listed file missing from a tree of Reads is missing too; files
// the installation will not read are not looked at. Throws EProgramError when the system's SHA-256
// cannot be used.
TDistributionCheck CheckDistribution(const std::wstring& Source, const TPlannedReads& Reads, TMessagePump* Pump);

// The words for the operator: the log line of a problem, and the box that ends the run.
std::wstring ProblemLine(const TDistributionProblem& Problem);
std::wstring DamagedDistributionText(const std::vector<TDistributionProblem>& Problems);
