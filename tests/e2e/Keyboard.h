#pragma once
// Real keystrokes: xdotool presses keys on the X server's keyboard, and Wine hands them to the active
// window and its focused control, as an operator's keyboard would.
#include <windows.h>

#include <string>

namespace e2e {

class Keyboard {
 public:
  // The X keyboard switched to the Russian layout for the access keys (Alt plus a Cyrillic letter);
  // Enter, Esc, Tab and Alt are the same on every layout. The layout goes back to US at the end.
  Keyboard();
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // The keys in xdotool's names, one press after the other ("Return", "shift+Tab", "alt+Cyrillic_de"),
  // once Target is the active window. False when it did not become so or xdotool could not send them
  // (the reason in Problem()).
  bool Press(const std::string& Keys, HWND Target);
  const std::string& Problem() const { return FProblem; }

 private:
  bool Run(const std::string& Command);
  std::wstring FHome;      // the Windows path of the scripts' folder
  std::string FHomeUnix;  // the same as Unix sees it
  std::string FProblem;
};

}  // namespace e2e
