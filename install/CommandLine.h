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
};

// The process's exit codes, the same with and without the wizard.
enum TInstallExitCode {
  ecInstalled = 0,
  ecBadCommandLine = 1,  // also: the program could not start
  ecCancelled = 2,       // by the operator, before the installation started
  ecBadTargetFolder = 3, // not valid or cannot be created
  ecInstallFailed = 4,   // the error's text is the last log line
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
