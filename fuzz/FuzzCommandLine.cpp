// The bytes are read as UTF-16LE code units, the way Windows hands over a command line; a trailing odd
// byte is dropped. Any line either parses or gives an error text, never both and never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "CommandLine.h"

namespace {

bool IsDefault(const TInstallOptions& Options) {
  const TInstallOptions defaults;
  return Options.Mode == defaults.Mode && Options.HasDir == defaults.HasDir && Options.Dir == defaults.Dir &&
         Options.NoDriver == defaults.NoDriver && Options.LogFile == defaults.LogFile &&
         Options.Help == defaults.Help && Options.Uninstall == defaults.Uninstall &&
         Options.HandOver == defaults.HandOver && Options.HandOverProcess == defaults.HandOverProcess &&
         Options.HandOverPipe == defaults.HandOverPipe && Options.Verify == defaults.Verify;
}

void Check(const std::wstring& Arguments) {
  TInstallOptions options;
  options.Help = true;  // stale state the parser must reset
  std::wstring error = L"stale";
  if (ParseInstallOptions(Arguments, options, error)) {
    if (!error.empty()) abort();
    if (options.HasDir == options.Dir.empty()) abort();
    // Only the uninstall's copy is handed handles, and never a null one.
    if (options.HandOver && (!options.Uninstall || options.HandOverProcess == 0 || options.HandOverPipe == 0)) abort();
    if (!options.HandOver && (options.HandOverProcess != 0 || options.HandOverPipe != 0)) abort();
  } else if (error.empty() || !IsDefault(options)) {
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::wstring line;
  line.reserve(Size / 2);
  for (size_t i = 0; i + 1 < Size; i += 2) {
    line.push_back(static_cast<wchar_t>(Data[i] | (Data[i + 1] << 8)));
  }
  const std::wstring arguments = ArgumentsOf(line);
  // What is left after the program name is the end of the line itself.
  if (arguments.size() > line.size() || line.compare(line.size() - arguments.size(), arguments.size(), arguments) != 0) {
    abort();
  }
  Check(line);
  Check(arguments);
  return 0;
}
