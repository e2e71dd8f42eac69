#pragma once
// Test seam for a slow medium: with INSTALL_TEST_SLOW_COPY_MS=<n> in the environment every piece of a
// file copy of our own (CopyFileWithDate and CopyNewFileWithDate, 256 KiB each) but the last takes n
// milliseconds longer, as from a CD or a network share, so that a test can watch the window while a file
// of a few MiB is copied; files of one piece are not slowed. Each entry of a folder listing and each
// file-attribute read of the walks outside copies (ServedReads.h) takes a tenth of that. In a normal run
// nothing happens.
void SlowMediumPiece();
void SlowMediumLookup();
