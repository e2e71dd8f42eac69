#include "SlowMedium.h"

#include <windows.h>

void SlowMediumPiece() {
  if (const unsigned long delay = SlowMediumDelayMs()) Sleep(delay);
}

// A listing entry or an attribute read is a small request to the medium: a tenth of a piece.
void SlowMediumLookup() {
  if (const unsigned long delay = SlowMediumDelayMs() / 10) Sleep(delay);
}
