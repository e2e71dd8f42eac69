#pragma once
// Owners of the Win32 resources the engine takes: each releases its resource on every way out of the
// scope, errors included.
#include <windows.h>
#include <objbase.h>

#include "SystemLibraries.h"

#include <utility>

template <typename Traits>
class TScoped {
 public:
  using Type = typename Traits::Type;
  explicit TScoped(Type Value = Traits::None()) : FValue(Value) {}
  ~TScoped() { Reset(); }
  TScoped(const TScoped&) = delete;
  TScoped& operator=(const TScoped&) = delete;
  TScoped(TScoped&& Other) noexcept : FValue(Other.Take()) {}
  TScoped& operator=(TScoped&& Other) noexcept {
    if (this != &Other) Reset(Other.Take());
    return *this;
  }

  bool Valid() const { return Traits::IsValid(FValue); }
  Type Get() const { return FValue; }
  // Gives ownership away.
  Type Take() { return std::exchange(FValue, Traits::None()); }
  void Reset(Type Value = Traits::None()) {
    if (Valid()) {
      // A release must not change the error code the caller is about to read.
      const DWORD saved = GetLastError();
      Traits::Close(FValue);
      SetLastError(saved);
    }
    FValue = Value;
  }
  // For calls that return the resource through a pointer (RegOpenKeyExW...).
  Type* Receive() {
    Reset();
    return &FValue;
  }

 private:
  Type FValue;
};

// Files, pipes: INVALID_HANDLE_VALUE means none.
struct TFileHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type Value) { return Value != INVALID_HANDLE_VALUE && Value != nullptr; }
  static void Close(Type Value) { CloseHandle(Value); }
};
// Processes, threads, tokens, events: nullptr means none.
struct TKernelHandleTraits {
  using Type = HANDLE;
  static Type None() { return nullptr; }
  static bool IsValid(Type Value) { return Value != nullptr && Value != INVALID_HANDLE_VALUE; }
  static void Close(Type Value) { CloseHandle(Value); }
};
struct TFindHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type Value) { return Value != INVALID_HANDLE_VALUE && Value != nullptr; }
  static void Close(Type Value) { FindClose(Value); }
};
struct TRegKeyTraits {
  using Type = HKEY;
  static Type None() { return nullptr; }
  static bool IsValid(Type Value) { return Value != nullptr; }
  static void Close(Type Value) { RegCloseKey(Value); }
};
struct TModuleTraits {
  using Type = HMODULE;
  static Type None() { return nullptr; }
  static bool IsValid(Type Value) { return Value != nullptr; }
  static void Close(Type Value) { FreeLibrary(Value); }
};

using TScopedFile = TScoped<TFileHandleTraits>;
using TScopedHandle = TScoped<TKernelHandleTraits>;
using TScopedFind = TScoped<TFindHandleTraits>;
using TScopedKey = TScoped<TRegKeyTraits>;
using TScopedModule = TScoped<TModuleTraits>;

// The COM apartment of one stage. The main thread's OleInitialize makes this return S_FALSE, which
// must be balanced too.
class TComApartment {
 public:
  TComApartment() : FResult(LateBound::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TComApartment() {
    if (SUCCEEDED(FResult)) LateBound::CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  bool Usable() const { return SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return FResult; }

 private:
  HRESULT FResult;
};
