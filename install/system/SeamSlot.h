#pragma once
// A replaceable system call of the engine's test seams: the slot holds the call in use.

// Puts NewFn into Slot (nullptr: the system's SystemFn again) and returns what was there.
template <typename Fn>
Fn ReplaceSeam(Fn& Slot, Fn NewFn, Fn SystemFn) {
  const Fn previous = Slot;
  Slot = NewFn ? NewFn : SystemFn;
  return previous;
}
