#include "Sha256.h"

#include <bcrypt.h>

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
  const std::unique_ptr<char, TVirtualFree> buffer(
      static_cast<char*>(VirtualAlloc(nullptr, ReadPiece, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
  if (!buffer) {
    result.Error = ERROR_NOT_ENOUGH_MEMORY;
    return result;
  }
  TPumpByTime pump(Pump);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer.get(), ReadPiece, &got, nullptr)) {
      result.Error = GetLastError();
      break;
    }
    if (got == 0) break;
    hash.Add(buffer.get(), got);
    result.Read += got;
    if (result.Read < result.Size) SlowMediumPiece();
    pump.Copied(got);
  }
  result.Digest = hash.Finish();
  return result;
}

TSha256Digest Sha256Of(const std::string& Bytes) {
  THash hash;
  if (!Bytes.empty()) hash.Add(Bytes.data(), static_cast<ULONG>(Bytes.size()));
  return hash.Finish();
}
