#include "RH_Common_Init.h"

#include "Paths.h"
#include "RH_Common_Proc.h"
#include "RH_Common_Var.h"

void InitialiseCommonUnits() {
  static bool initialised = false;
  // Start-up happens once: a second pass would re-read settings the program may have changed since.
  if (initialised) return;
  initialised = true;
  InitialiseCommonVar(ProgramFolder());
  InitialiseCommonProc();
}
