#pragma once
// Listing folders and reading file attributes outside a copy (the progress measure before a run, the
// look for links leading out of the target, the comparisons of the target around the release level's
// script) takes a moment per entry on a CD or a network share, and thousands of entries make seconds.
// While a TServedReads lives, each such read first serves the window, as a copy does between its pieces
// (at most every TPumpByTime::DefaultIntervalMs).
#include "MessagePump.h"

class TServedReads {
 public:
  // A null Pump serves nothing (a run without a window), but an enclosing TServedReads still does.
  explicit TServedReads(TMessagePump* Pump);
  ~TServedReads();
  TServedReads(const TServedReads&) = delete;
  TServedReads& operator=(const TServedReads&) = delete;

 private:
  TPumpByTime FPump;
  TServedReads* FPrevious;
  bool FServes;
};

// Called before reading one entry of a folder listing or one file's attributes.
void BeforeMediumLookup();
