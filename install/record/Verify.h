#pragma once
// /VERIFY: the program files of an installed suite against what its installation recorded, for a support
// call about a broken installation (an antivirus that quarantined a runtime library, a deleted file).
#include <string>
#include <vector>

#include "DistributionCheck.h"
#include "InstallRecord.h"
#include "MessagePump.h"

struct TVerifyResult {
  TRecordRead Read = rrMissing;                   // the record; nothing is judged without one
  std::vector<TDistributionProblem> Differences;  // File relative to the target
  size_t Judged = 0;                              // files looked at
};

// Every file the record lists is there, and where the record holds its SHA-256, of that digest. The
// database and settings folders and the files the suite rewrites by design ("ReleaseInfo",
// "Updater.exe.cfg") are not judged. Pump is told of every piece read.
TVerifyResult VerifyInstallation(const std::wstring& Target, TMessagePump* Pump);

// What the box (or the log) says: the differences and that a reinstall repairs them, or that there are none.
std::wstring VerifyReportText(const std::wstring& Target, const TVerifyResult& Result);
