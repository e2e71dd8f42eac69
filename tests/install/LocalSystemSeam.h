#pragma once
// This process as the system account, for one scope: Wine never runs a program as LocalSystem.
#include "SystemAccount.h"

class TAsLocalSystem {
 public:
  explicit TAsLocalSystem(bool LocalSystem = true)
      : FPrevious(SystemAccountSeams::SetRunsAsLocalSystem(LocalSystem ? +[] { return true; }
                                                                       : +[] { return false; })) {}
  ~TAsLocalSystem() { SystemAccountSeams::SetRunsAsLocalSystem(FPrevious); }
  TAsLocalSystem(const TAsLocalSystem&) = delete;
  TAsLocalSystem& operator=(const TAsLocalSystem&) = delete;

 private:
  SystemAccountSeams::RunsAsLocalSystemFn FPrevious;
};
