#pragma once
// The installation: one ordered run of stages, each reported as lines of the context's log.
#include <string>

#include "InstallContext.h"

// What the wizard gathered, and where the files come from.
struct TInstallPlan {
  std::wstring Target;  // the target folder, trimmed, with a trailing backslash
  std::wstring Source;  // the distribution: the setup program's folder, with a trailing backslash
  bool DriverInstall = true;
  bool SiblingProduct = false;
  // The product's identity from the string table, for the desktop link.
  std::wstring MainProgram;         // the suite's main program, a file name in the target folder
  std::wstring ProductName;         // the link's name
  std::wstring ProductDescription;  // the first part of the link's description
  std::wstring LogFile;             // a second copy of the installation log; empty: none
};

// How a run ended.
enum TInstallOutcome {
  ioInstalled,      // every stage ran
  ioFolderFailed,   // the target folder or its database folder could not be created
  ioStageFailed,    // a stage reported a failure that ends the run (its database folder, a copy)
  ioError,          // an error raised by a stage ended the run; its text was shown
};

// The program's exit code for an outcome: 0 installed, 3 the target folder could not be created, 4 the
// installation ended by an error. (1 is a bad command line, 2 a cancel before the start.)
int ExitCodeOf(TInstallOutcome Outcome);

// The folder of the running program with a trailing backslash.
std::wstring ProgramFolder();

// Runs the whole installation against Context. An error raised by a stage is shown through
// Context.ShowError and kept in the installation log; nothing is rolled back.
TInstallOutcome RunInstallation(TInstallContext& Context, const TInstallPlan& Plan);

// The database with its Firebird runtime and the suite's extension libraries (24 copy lines). False when
// a failure ended the installation.
bool DeployDatabaseRuntime(TInstallContext& Context, const std::wstring& Source, const std::wstring& Target);
