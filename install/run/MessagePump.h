#pragma once
// The installation runs on the window's one thread. Its long work (a file copy, a wait for an outside
// program) calls back through this between its pieces, so the window keeps answering and can show how
// far the work has come. The installation context is one (TInstallContext derives from it); a caller
// without a window passes none.
#include <windows.h>

class TMessagePump {
 public:
  virtual ~TMessagePump() = default;
  // Handles what waits in the window's queue, then returns.
  virtual void ProcessMessages() = 0;
  // Bytes more of a file copy are written.
  virtual void Copied(unsigned long long Bytes) { (void)Bytes; }
  // An outside program was started (true) or has ended (false): how far it is cannot be told meanwhile.
  virtual void WaitingForProgram(bool Waiting) { (void)Waiting; }
};

// Serves Pump at most every IntervalMs: cheap enough to ask between any two pieces of work, so a copy
// is not slowed by serving the window after each of its pieces. A null Pump is never served.
class TPumpByTime {
 public:
  static constexpr DWORD DefaultIntervalMs = 50;
  explicit TPumpByTime(TMessagePump* Pump, DWORD IntervalMs = DefaultIntervalMs)
      : FPump(Pump), FInterval(IntervalMs), FLast(GetTickCount()) {}
  // Counts Bytes copied and serves the window when the interval has passed.
  void Copied(unsigned long long Bytes) {
    if (!FPump) return;
    FPump->Copied(Bytes);
    Poll();
  }
  void Poll() {
    if (!FPump) return;
    const DWORD now = GetTickCount();
    if (now - FLast < FInterval) return;
    FPump->ProcessMessages();
    // From the end of the serving: a slow handler does not make the next piece serve at once.
    FLast = GetTickCount();
  }

 private:
  TMessagePump* FPump;
  DWORD FInterval;
  DWORD FLast;
};

// Tells Pump that an outside program runs for its lifetime, on every way out.
class TWaitingForProgram {
 public:
  explicit TWaitingForProgram(TMessagePump* Pump) : FPump(Pump) {
    if (FPump) FPump->WaitingForProgram(true);
  }
  ~TWaitingForProgram() {
    if (FPump) FPump->WaitingForProgram(false);
  }
  TWaitingForProgram(const TWaitingForProgram&) = delete;
  TWaitingForProgram& operator=(const TWaitingForProgram&) = delete;

 private:
  TMessagePump* FPump;
};
