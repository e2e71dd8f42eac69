#pragma once
// Test seam for a slow medium: in a test build ordered so, every piece of a file copy of our own
// (CopyFileWithDate and CopyNewFileWithDate, 256 KiB each) but the last takes that many milliseconds
// longer, as from a CD or a network share, so that a test can watch the window while a file of a few MiB
// is copied; files of one piece are not slowed. Each entry of a folder listing and each file-attribute
// read of the walks outside copies (ServedReads.h) takes a tenth of that. The shipped program never
// waits here.
void SlowMediumPiece();
void SlowMediumLookup();

// The delay of a piece, 0 for none: the shipped program's is always 0 (app/NoTestSeams.cpp), a test
// build's comes from its environment (tests/seams).
unsigned long SlowMediumDelayMs();
