#pragma once
// What an installation is asked to do: the target, the distribution and the product it installs.
#include <string>

// What the wizard gathered, and where the files come from.
struct TInstallPlan {
  std::wstring Target;  // the target folder, trimmed, with a trailing backslash
  std::wstring Source;  // the distribution: the setup program's folder, with a trailing backslash
  bool DriverInstall = true;
  bool SiblingProduct = false;
  // A run without the wizard: the target and its "Settings\" are made as the folder page makes them, but
  // only once the checks before the run have passed.
  bool PrepareTarget = false;
  // The product's identity from the string table, for the desktop link.
  std::wstring MainProgram;         // the suite's main program, a file name in the target folder
  std::wstring ProductName;         // the link's name
  std::wstring ProductDescription;  // the first part of the link's description
  std::wstring LogFile;             // a second copy of the installation log; empty: none
  // The entry in Programs and Features: its key's name (empty: the installation is not registered), the
  // maker, a link to the maker's site (empty: none), and the running setup program, which is kept in the
  // target to uninstall it.
  std::wstring EntryName, Publisher, AboutLink, SetupProgram;
};
