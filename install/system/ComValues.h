#pragma once
// Owners of the values COM calls take and hand back: each is freed on every way out.
#include <windows.h>
#include <oleauto.h>

#include <string>

// A BSTR made from a text, for a call that takes one.
class TBstr {
 public:
  explicit TBstr(const std::wstring& Text = std::wstring());
  ~TBstr();
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  BSTR Get() const { return FValue; }

 private:
  BSTR FValue;
};

// A BSTR handed back by a call; empty when the call gave none.
class TReceivedBstr {
 public:
  TReceivedBstr() = default;
  ~TReceivedBstr();
  TReceivedBstr(const TReceivedBstr&) = delete;
  TReceivedBstr& operator=(const TReceivedBstr&) = delete;
  BSTR* Receive();
  std::wstring Text() const;

 private:
  BSTR FValue = nullptr;
};

// A VARIANT: empty, a text, or the bytes of a string as an array of bytes (VT_ARRAY | VT_UI1).
class TVariant {
 public:
  TVariant();
  explicit TVariant(const std::wstring& Text);
  static TVariant Bytes(const std::string& Bytes);
  ~TVariant();
  TVariant(TVariant&& Other) noexcept;
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT& Get() { return FValue; }
  VARIANT* Receive();
  // The value as text; false when it cannot be changed into text.
  bool AsText(std::wstring& Text) const;

 private:
  VARIANT FValue;
};

// The system's words for a failed call where it has them, with the code for support staff.
std::wstring ResultText(HRESULT Result);
