#include "Sha256.h"

#include <bcrypt.h>

#include <exception>
#include <memory>
#include <vector>

#include "Error.h"
#include "Scoped.h"
#include "SlowMedium.h"
#include "SystemLibraries.h"
#include "SystemError.h"

namespace {

using OpenAlgorithmProviderFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgorithmProviderFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHashFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using HashDataFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

// The provider, opened once for the program's life: opening it costs more than hashing a small file.
class TCng {
 public:
  static TCng& Instance() {
    static TCng cng;
    return cng;
  }
  CreateHashFn CreateHash = nullptr;
  HashDataFn HashData = nullptr;
  FinishHashFn FinishHash = nullptr;
  DestroyHashFn DestroyHash = nullptr;
  BCRYPT_ALG_HANDLE Algorithm = nullptr;

  [[noreturn]] static void Fail(const std::wstring& What, unsigned long Code) {
    throw EProgramError(L"SHA-256 недоступен (bcrypt.dll): " + What + L" " + HexCode(Code), Code);
  }

 private:
  TCng() {
    FModule = LateBound::SystemLibrary(L"bcrypt.dll");
    if (!FModule) Fail(L"не загружен", GetLastError());
    const auto open = Function<OpenAlgorithmProviderFn>("BCryptOpenAlgorithmProvider");
    FClose = Function<CloseAlgorithmProviderFn>("BCryptCloseAlgorithmProvider");
    CreateHash = Function<CreateHashFn>("BCryptCreateHash");
    HashData = Function<HashDataFn>("BCryptHashData");
    FinishHash = Function<FinishHashFn>("BCryptFinishHash");
    DestroyHash = Function<DestroyHashFn>("BCryptDestroyHash");
    const NTSTATUS status = open(&Algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status < 0) Fail(L"алгоритм не открыт", static_cast<unsigned long>(status));
  }
  ~TCng() {
    if (Algorithm) FClose(Algorithm, 0);
    // The module stays: the process ends next.
  }
  template <typename Fn>
  Fn Function(const char* Name) {
    const FARPROC address = GetProcAddress(FModule, Name);
    if (!address) Fail(L"нет функции", GetLastError());
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
  }

  HMODULE FModule = nullptr;
  CloseAlgorithmProviderFn FClose = nullptr;
};

// One digest; the object is not reused (a reusable hash needs Windows 8).
class THash {
 public:
  THash() : FCng(TCng::Instance()) {
    const NTSTATUS status = FCng.CreateHash(FCng.Algorithm, &FHash, nullptr, 0, nullptr, 0, 0);
    if (status < 0) TCng::Fail(L"хеш не создан", static_cast<unsigned long>(status));
  }
  ~THash() { FCng.DestroyHash(FHash); }
  THash(const THash&) = delete;
  THash& operator=(const THash&) = delete;
  void Add(const void* Bytes, ULONG Size) {
    const NTSTATUS status = FCng.HashData(FHash, static_cast<PUCHAR>(const_cast<void*>(Bytes)), Size, 0);
    if (status < 0) TCng::Fail(L"данные не приняты", static_cast<unsigned long>(status));
  }
  TSha256Digest Finish() {
    TSha256Digest digest{};
    const NTSTATUS status = FCng.FinishHash(FHash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    if (status < 0) TCng::Fail(L"хеш не получен", static_cast<unsigned long>(status));
    return digest;
  }

 private:
  TCng& FCng;
  BCRYPT_HASH_HANDLE FHash = nullptr;
};

struct TVirtualFree {
  void operator()(char* Memory) const { VirtualFree(Memory, 0, MEM_RELEASE); }
};

// As large as a copy's piece: the read costs the same as a copy's read.
constexpr DWORD ReadPiece = 256 * 1024;
// Files larger than this are hashed beside their reads.
constexpr unsigned long long ThreadedFrom = 4 * ReadPiece;

// Hashes on a worker thread the pieces the reading thread hands it, one at a time, so that the read of
// the next piece and the hashing of the last overlap on two processors. Without the thread (a small file,
// where starting one costs more than it saves) it hashes each piece as it is handed over.
class THashBeside {
 public:
  THashBeside(THash& Hash, bool Threaded)
      : FHash(Hash),
        FGiven(Threaded ? CreateEventW(nullptr, FALSE, FALSE, nullptr) : nullptr),
        FFree(Threaded ? CreateEventW(nullptr, FALSE, TRUE, nullptr) : nullptr),
        FThread(FGiven && FFree ? CreateThread(nullptr, 0, Run, this, 0, nullptr) : nullptr) {}
  ~THashBeside() {
    if (FThread) {
      WaitForSingleObject(FFree, INFINITE);
      FStop = true;
      SetEvent(FGiven);
      WaitForSingleObject(FThread, INFINITE);
      CloseHandle(FThread);
    }
    if (FGiven) CloseHandle(FGiven);
    if (FFree) CloseHandle(FFree);
  }
  THashBeside(const THashBeside&) = delete;
  THashBeside& operator=(const THashBeside&) = delete;

  // Waits until the piece handed over before is hashed, then hands this one over: Bytes stay untouched
  // until the next Add or Finish.
  void Add(const char* Bytes, DWORD Size) {
    if (!FThread) {
      FHash.Add(Bytes, Size);
      return;
    }
    WaitForSingleObject(FFree, INFINITE);
    if (FFailure) {
      // Free again, for the destructor's wait.
      SetEvent(FFree);
      std::rethrow_exception(FFailure);
    }
    FBytes = Bytes;
    FSize = Size;
    SetEvent(FGiven);
  }
  TSha256Digest Finish() {
    if (FThread) {
      WaitForSingleObject(FFree, INFINITE);
      SetEvent(FFree);
      if (FFailure) std::rethrow_exception(FFailure);
    }
    return FHash.Finish();
  }

 private:
  static DWORD WINAPI Run(void* Self) {
    auto* beside = static_cast<THashBeside*>(Self);
    for (;;) {
      WaitForSingleObject(beside->FGiven, INFINITE);
      if (beside->FStop) return 0;
      try {
        if (!beside->FFailure) beside->FHash.Add(beside->FBytes, beside->FSize);
      } catch (...) {
        beside->FFailure = std::current_exception();
      }
      SetEvent(beside->FFree);
    }
  }
  THash& FHash;
  const char* FBytes = nullptr;
  DWORD FSize = 0;
  std::exception_ptr FFailure;
  bool FStop = false;
  HANDLE FGiven;  // a piece waits to be hashed
  HANDLE FFree;   // the piece handed over last is hashed
  HANDLE FThread;
};

}  // namespace

TFileDigest Sha256OfFile(const std::wstring& Path, TMessagePump* Pump) {
  TFileDigest result;
  THash hash;
  TScopedFile file(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    result.Error = GetLastError();
    return result;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    result.Error = GetLastError();
    return result;
  }
  result.Size = static_cast<unsigned long long>(size.QuadPart);
  // Two pieces: one is read while the other is hashed.
  const std::unique_ptr<char, TVirtualFree> buffer(
      static_cast<char*>(VirtualAlloc(nullptr, 2 * ReadPiece, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
  if (!buffer) {
    result.Error = ERROR_NOT_ENOUGH_MEMORY;
    return result;
  }
  TPumpByTime pump(Pump);
  {
    THashBeside beside(hash, result.Size > ThreadedFrom);
    for (DWORD piece = 0;; piece ^= 1) {
      char* const bytes = buffer.get() + piece * ReadPiece;
      DWORD got = 0;
      if (!ReadFile(file.Get(), bytes, ReadPiece, &got, nullptr)) {
        result.Error = GetLastError();
        break;
      }
      if (got == 0) break;
      beside.Add(bytes, got);
      result.Read += got;
      if (result.Read < result.Size) SlowMediumPiece();
      pump.Copied(got);
    }
    result.Digest = beside.Finish();
  }
  return result;
}

TSha256Digest Sha256Of(const std::string& Bytes) {
  THash hash;
  if (!Bytes.empty()) hash.Add(Bytes.data(), static_cast<ULONG>(Bytes.size()));
  return hash.Finish();
}
