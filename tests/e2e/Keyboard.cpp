#include "Keyboard.h"

#include "Driver.h"
#include "E2eSupport.h"

namespace e2e {

namespace {

// Runs its arguments as a shell command on the test's X display and leaves the status in a file: Wine
// gives no handle to wait on for a Unix program.
const char KeysScript[] = R"SH(PATH=/usr/local/bin:/usr/bin:/bin
home=$1
shift
sh -c "$*" >"$home/log" 2>&1
echo $? >"$home/status.tmp" && mv "$home/status.tmp" "$home/status"
)SH";

}  // namespace

Keyboard::Keyboard() {
  wchar_t prefix[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) {
    FProblem = "not under Wine with WINEPREFIX set";
    return;
  }
  std::wstring home = prefix;
  while (!home.empty() && home.back() == L'/') home.pop_back();
  home += L".keyboard";
  FHomeUnix = Narrow(home);
  FHome = UnixToWindowsPath(FHomeUnix.c_str()) + L"\\";
  CreateDirectoryW(FHome.c_str(), nullptr);
  WriteBytes(FHome + L"keys.sh", KeysScript);
  Run("setxkbmap ru");
}

Keyboard::~Keyboard() {
  if (!FHome.empty()) Run("setxkbmap us");
}

bool Keyboard::Press(const std::string& Keys, HWND Target) {
  // The keys go to the active window, as an operator's do: they wait until Target is that window (a box
  // that just closed may still be it for a moment).
  if (!WaitFor([&] { return GetForegroundWindow() == Target; }, std::chrono::seconds(5))) {
    FProblem = "the window for " + Keys + " (class " + Narrow(ClassName(Target)) + ") is not the active window but " +
               Narrow(ClassName(GetForegroundWindow())) + " \"" + Narrow(WindowText(GetForegroundWindow())) + "\"";
    return false;
  }
  // Wine gives each top-level window an X window inside its desktop's; the keys reach the active window
  // when its X window has the X focus (the desktop's own window passes none on).
  const auto window = reinterpret_cast<uintptr_t>(GetPropW(Target, L"__wine_x11_whole_window"));
  const std::string focus = window ? "windowfocus --sync " + std::to_string(window) + " " : "";
  return Run("xdotool " + focus + "key --delay 40 " + Keys);
}

bool Keyboard::Run(const std::string& Command) {
  if (FHome.empty()) return false;
  const std::wstring status = FHome + L"status";
  DeleteFileW(status.c_str());
  std::wstring commandLine = L"sh \"" + Widen(FHomeUnix) + L"/keys.sh\" \"" + Widen(FHomeUnix) + L"\" " +
                             Widen(Command);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    FProblem = "cannot start sh, error " + std::to_string(GetLastError());
    return false;
  }
  if (started.hThread) CloseHandle(started.hThread);
  if (started.hProcess) CloseHandle(started.hProcess);
  if (!WaitFor([&] { return FileExists(status); }, std::chrono::seconds(20))) {
    FProblem = "no answer from: " + Command;
    return false;
  }
  if (ReadBytes(status).rfind("0", 0) != 0) {
    FProblem = Command + ": " + ReadBytes(FHome + L"log");
    return false;
  }
  // The program has the keys once its thread took them from the queue; a moment for that.
  Sleep(150);
  return true;
}

}  // namespace e2e
