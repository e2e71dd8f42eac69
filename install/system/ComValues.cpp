#include "ComValues.h"

#include <cstring>

#include "Error.h"
#include "SystemError.h"
#include "SystemLibraries.h"

TBstr::TBstr(const std::wstring& Text)
    : FValue(LateBound::SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()))) {
  if (!FValue) throw EProgramError(L"out of memory");
}

TBstr::~TBstr() { LateBound::SysFreeString(FValue); }

TReceivedBstr::~TReceivedBstr() { LateBound::SysFreeString(FValue); }

BSTR* TReceivedBstr::Receive() {
  LateBound::SysFreeString(FValue);
  FValue = nullptr;
  return &FValue;
}

std::wstring TReceivedBstr::Text() const {
  return FValue ? std::wstring(FValue, LateBound::SysStringLen(FValue)) : std::wstring();
}

TVariant::TVariant() { LateBound::VariantInit(&FValue); }

TVariant::TVariant(const std::wstring& Text) : TVariant() {
  FValue.bstrVal = LateBound::SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()));
  if (!FValue.bstrVal) throw EProgramError(L"out of memory");
  FValue.vt = VT_BSTR;
}

TVariant TVariant::Bytes(const std::string& Bytes) {
  TVariant value;
  SAFEARRAY* array = LateBound::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(Bytes.size()));
  if (!array) throw EProgramError(L"out of memory");
  void* data = nullptr;
  if (FAILED(LateBound::SafeArrayAccessData(array, &data))) {
    LateBound::SafeArrayDestroy(array);
    throw EProgramError(L"out of memory");
  }
  if (!Bytes.empty()) memcpy(data, Bytes.data(), Bytes.size());
  LateBound::SafeArrayUnaccessData(array);
  value.FValue.vt = VT_ARRAY | VT_UI1;
  value.FValue.parray = array;
  return value;
}

TVariant::~TVariant() { LateBound::VariantClear(&FValue); }

TVariant::TVariant(TVariant&& Other) noexcept : FValue(Other.FValue) { Other.FValue.vt = VT_EMPTY; }

VARIANT* TVariant::Receive() {
  LateBound::VariantClear(&FValue);
  return &FValue;
}

bool TVariant::AsText(std::wstring& Text) const {
  TVariant text;
  if (FAILED(LateBound::VariantChangeType(text.Receive(), &FValue, 0, VT_BSTR))) return false;
  Text.assign(text.FValue.bstrVal, LateBound::SysStringLen(text.FValue.bstrVal));
  return true;
}

std::wstring ResultText(HRESULT Result) {
  const std::wstring message = SystemMessage(static_cast<unsigned long>(Result));
  const std::wstring code = HexCode(static_cast<unsigned long>(Result));
  return message.empty() ? L"error " + code : message + L" (" + code + L")";
}
