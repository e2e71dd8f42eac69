#include "SlowMedium.h"

#include <windows.h>

void SlowMediumPiece() {
  if (const unsigned long delay = SlowMediumDelayMs()) Sleep(delay);
}
