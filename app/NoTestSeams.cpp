// The shipped program's answers to the test seams: no power cut, full speed, the room always checked,
// high contrast only as Windows reports it. Test builds link tests/seams/TestSeams.cpp instead.
#include "DiskSpace.h"
#include "Graphics.h"
#include "PowerCut.h"
#include "SlowMedium.h"

void PowerCutPoint(const char*) {}

unsigned long SlowMediumDelayMs() { return 0; }

bool SpaceCheckWanted() { return true; }

bool HighContrastForced() { return false; }
