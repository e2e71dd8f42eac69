#pragma once
// Test seam for power cuts: places where a cut could leave something half done name themselves here.
// The shipped program does nothing here. A test build (tests/seams) reads its orders from the
// environment: the n-th point passed (counted from 1) ends the process at once with PowerCutExitCode,
// nothing flushed or closed, and every point may append its name and a line break to a list file first,
// so a test can count a full run's points and tell where a cut happened.
//
// A process kill leaves what it wrote in the system's cache, which a real cut may lose: what this seam
// shows is which states the program's own order of steps can leave behind, not what the disk keeps.

// The exit code of a process ended by the seam.
constexpr unsigned PowerCutExitCode = 0xC07;

void PowerCutPoint(const char* Where);
