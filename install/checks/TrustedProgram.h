#pragma once
// What the installation starts with administrator rights: only a file this installation copied from the
// distribution, unchanged. The target folder is no administrator's: under "C:\" every user may change
// what is in it, and a program or script a user put there must not run with rights that user lacks.
#include <string>

#include "Scoped.h"

// True when this process holds administrator rights: an elevated token (a consent prompt, an elevated
// deployment agent, the system account). On a system without UAC, a member of Administrators has them.
bool RunsWithAdministratorRights();

// A target's file held open without write or delete sharing from its check until it is let go, so it
// can be neither changed nor swapped for another between the check and the run.
class TTrustedProgram {
 public:
  // Opens Path and compares its bytes with Original's (the distribution's file of the same name).
  TTrustedProgram(const std::wstring& Path, const std::wstring& Original);
  // Empty when the file is the distribution's; otherwise why it is not to be run, as the log says it.
  const std::wstring& Refusal() const { return FRefusal; }

 private:
  TScopedFile FFile;
  std::wstring FRefusal;
};

// The seam for what Wine cannot show: it runs every program as a full administrator.
namespace AdministratorRightsSeams {
using RunsElevatedFn = bool (*)();
// Installs a replacement (nullptr restores the token's answer) and returns the previous one.
RunsElevatedFn SetRunsElevated(RunsElevatedFn Fn);
}  // namespace AdministratorRightsSeams
