#include "ServedReads.h"

#include "SlowMedium.h"

namespace {

TServedReads* Active = nullptr;
TPumpByTime* ActivePump = nullptr;

}  // namespace

TServedReads::TServedReads(TMessagePump* Pump) : FPump(Pump), FPrevious(Active), FServes(Pump != nullptr) {
  Active = this;
  if (FServes) ActivePump = &FPump;
}

TServedReads::~TServedReads() {
  Active = FPrevious;
  if (!FServes) return;
  // The enclosing one serves again, or none.
  ActivePump = nullptr;
  for (TServedReads* outer = FPrevious; outer; outer = outer->FPrevious) {
    if (outer->FServes) {
      ActivePump = &outer->FPump;
      break;
    }
  }
}

void BeforeMediumLookup() {
  SlowMediumLookup();
  if (ActivePump) ActivePump->Poll();
}
