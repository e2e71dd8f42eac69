#pragma once
// SHA-256 by the system's own implementation (CNG, Vista and later). bcrypt.dll is not one of Windows'
// known DLLs, so it is loaded by its full path in the system folder, never found beside the program.
#include <windows.h>

#include <string>

#include "ChecksumList.h"
#include "MessagePump.h"

// What reading a file for its digest gave.
struct TFileDigest {
  TSha256Digest Digest{};
  unsigned long long Size = 0;  // what the file system says the file holds
  unsigned long long Read = 0;  // what could be read of it; less than Size on a damaged medium
  DWORD Error = 0;              // the Win32 code of the open or read that failed, 0 when none
};

// Reads the whole file once and hashes it, telling Pump of every piece read (TPumpByTime serves the
// window between pieces). Throws EProgramError when CNG cannot be loaded or refuses SHA-256.
TFileDigest Sha256OfFile(const std::wstring& Path, TMessagePump* Pump = nullptr);

// The digest of bytes in memory (tests, and small texts).
TSha256Digest Sha256Of(const std::string& Bytes);
