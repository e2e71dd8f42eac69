#pragma once
// The setup program's switches. Parsing is pure (no Windows call) so that it can be built natively
// and fuzzed; the caller takes the command line from the system and shows the result.
#include <string>

struct TInstallOptions {
  enum TMode { imWizard, imSilent, imVerySilent } Mode = imWizard;
  bool HasDir = false;
  std::wstring Dir;
  bool NoDriver = false;
  std::wstring LogFile;
  bool Help = false;
  // /UNINSTALL: remove the suite from /DIR (without it: from the program's own folder).
  bool Uninstall = false;
  // /VERIFY: check the installed suite in /DIR against its installation record.
  bool Verify = false;
  // /HANDOVER=<process>,<pipe>: this is the uninstall's temporary copy, started by the setup program that
  // holds these handles for it (decimal handle values): it waits for that program and tells it the result.
  bool HandOver = false;
  unsigned long HandOverProcess = 0, HandOverPipe = 0;
};

// The process's exit codes, the same with and without the wizard.
enum TInstallExitCode {
  ecInstalled = 0,       // also: uninstalled
  ecBadCommandLine = 1,  // also: the program could not start, or another setup program runs
  ecCancelled = 2,       // by the operator, before the installation (or the uninstall) started
  ecBadTargetFolder = 3, // not valid or cannot be created
  ecInstallFailed = 4,   // the error's text is the last log line; an uninstall that did not complete
  ecSuiteRunning = 5,    // programs run from the target folder; nothing was copied or removed
  ecNoDiskSpace = 6,     // a drive has too little room for the copies; nothing was written
  ecDamagedDistribution = 7,  // the distribution's files differ from its checksum list; nothing was written
  ecVerifyDifferences = 8,    // /VERIFY found program files missing or changed since the installation
};

// Arguments: the command line after the program's own name. Switches are case-insensitive, start
// with "/" or "-", and take values after "="; blanks and tabs separate tokens outside double quotes, a
// double quote anywhere in a token toggles quoting and is dropped (backslashes are plain characters,
// so "C:\Dir\" keeps its trailing backslash). On success Options holds what was given (defaults
// otherwise) and Error is empty; on failure returns false with a Russian text naming the offending
// token as it was typed, and Options is left in its default state.
bool ParseInstallOptions(const std::wstring& Arguments, TInstallOptions& Options, std::wstring& Error);

// The command line without the program name token: a leading quoted token runs to the next quote,
// an unquoted one to the first blank or tab; blanks and tabs before and after it are dropped.
std::wstring ArgumentsOf(const std::wstring& CommandLine);

// The text of the /? message box: usage, every switch and the exit codes.
std::wstring InstallHelpText();
