// Writes the Windows version a program of ours sees to the file named on its command line, as one line
// "<major>.<minor>.<build>". It is linked with the setup program's resources: what GetVersionEx answers
// depends on the versions the manifest declares.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR CommandLine, int) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return 2;
#pragma GCC diagnostic pop
  FILE* out = _wfopen(CommandLine, L"wb");
  if (!out) return 3;
  fprintf(out, "%lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
  return fclose(out) == 0 ? 0 : 3;
}
