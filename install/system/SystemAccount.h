#pragma once
// Whose installation this is. A deployment tool runs the setup program as the system account
// (LocalSystem): its profile is no one's, so what would go to "the current user" goes to every user
// instead (the common desktop, the machine's fonts, the machine's entry in Programs and Features).

// True when this process runs as LocalSystem.
bool RunsAsLocalSystem();

// The seam for what Wine cannot show: it never runs a program as LocalSystem.
namespace SystemAccountSeams {
using RunsAsLocalSystemFn = bool (*)();
// Installs a replacement (nullptr restores the token's answer) and returns the previous one.
RunsAsLocalSystemFn SetRunsAsLocalSystem(RunsAsLocalSystemFn Fn);
}  // namespace SystemAccountSeams
