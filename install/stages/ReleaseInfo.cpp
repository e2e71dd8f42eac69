#include "ReleaseInfo.h"

#include <windows.h>

#include <algorithm>

#include "ComValues.h"
#include "Error.h"
#include "FileOps.h"
#include "HostileXml.h"
#include "Scoped.h"
#include "SystemError.h"
#include "Text.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* const ReleaseInfoName = L"ReleaseInfo";
const wchar_t* const ReleaseInfoError = L"Cannot get release information, error: ";

// A release information file holds a few hundred bytes; what is far larger is not one.
constexpr unsigned long long ReleaseInfoSizeLimit = 1024 * 1024;
// The file's elements lie three deep; the parser need not go further than this.
constexpr long ReleaseInfoDepthLimit = 64;

// The whole file as bytes, refused above the limit before anything is read.
std::string ReadReleaseInfo(const std::wstring& File) {
  std::string bytes;
  const TWholeFileRead read = ReadWholeFile(File, bytes, ReleaseInfoSizeLimit);
  if (read.Outcome == TWholeFileRead::TooLarge) {
    throw EProgramError(L"the file is too large (" + std::to_wstring(read.Size) + L" bytes, at most " +
                        std::to_wstring(ReleaseInfoSizeLimit) + L")");
  }
  if (!read) throw EProgramError(L"cannot read \"" + File + L"\": " + SystemErrorText(read.Code), read.Code);
  return bytes;
}

// The whole text as a decimal integer with an optional sign; false for anything else.
bool ParseInteger(const std::wstring& Text, long long& Value) {
  const std::wstring text = TrimBlanks(Text);
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  if (at == text.size()) return false;
  long long value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < L'0' || text[at] > L'9') return false;
    value = value * 10 + (text[at] - L'0');
    if (value > 0x7FFFFFFFLL + 1) return false;
  }
  Value = negative ? -value : value;
  return Value >= -0x80000000LL && Value <= 0x7FFFFFFFLL;
}

// Every interface is released before the caller leaves the apartment.
void SetReleaseLevel(const std::wstring& File, const std::wstring& Level) {
  const ComPtr<IXMLDOMDocument2> document = ParseHostileXml(ReadReleaseInfo(File), ReleaseInfoDepthLimit);
  const ComPtr<IXMLDOMNode> root = SelectNode(document.Get(), L"/ROOT");
  if (!root) throw EProgramError(L"the document element is not ROOT");

  // A file of another version may mean another layout: it is left to the updater that knows it.
  long long version = 0;
  if (const ComPtr<IXMLDOMNode> versionNode = SelectNode(root.Get(), L"Version")) {
    TVariant value;
    const HRESULT result = versionNode->get_nodeTypedValue(value.Receive());
    if (FAILED(result)) throw EProgramError(L"cannot read the Version element: " + ResultText(result));
    std::wstring text;
    if (!value.AsText(text) || !ParseInteger(text, version)) throw EProgramError(L"the Version element is not an integer");
  }
  if (version != 1) throw EProgramError(L"unknown release file version");

  const ComPtr<IXMLDOMNode> levelNode = SelectNode(root.Get(), L"Level");
  if (!levelNode) throw EProgramError(L"the file has no Level element");
  TVariant level(Level);
  HRESULT result = levelNode->put_nodeTypedValue(level.Get());
  if (FAILED(result)) throw EProgramError(L"cannot set the Level element: " + ResultText(result));

  TVariant target(File);
  result = document->save(target.Get());
  if (FAILED(result)) throw EProgramError(L"cannot save \"" + File + L"\": " + ResultText(result));
}

bool IsLevelChar(wchar_t C) {
  return (C >= L'0' && C <= L'9') || (C >= L'A' && C <= L'Z') || (C >= L'a' && C <= L'z') || C == L'.' ||
         C == L'-' || C == L'_';
}

// The level as the document holds it; empty when its Level element has markup inside.
std::wstring LevelOf(const std::wstring& File) {
  const ComPtr<IXMLDOMDocument2> document = ParseHostileXml(ReadReleaseInfo(File), ReleaseInfoDepthLimit);
  const ComPtr<IXMLDOMNode> level = SelectNode(document.Get(), L"/ROOT/Level");
  if (!level || SelectNode(level.Get(), L"*")) return std::wstring();
  TReceivedBstr text;
  if (FAILED(level->get_text(text.Receive()))) return std::wstring();
  return text.Text();
}

}  // namespace

void UpdateReleaseInfo(const std::wstring& Folder, const std::wstring& Level) {
  const TComApartment apartment;
  const std::wstring file = Folder + ReleaseInfoName;
  if (!FileExists(file)) throw EProgramError(L"Release info file does not exist");
  try {
    SetReleaseLevel(file, Level);
  } catch (const EProgramError& error) {
    throw EProgramError(ReleaseInfoError + error.Text(), error.SystemCode());
  } catch (const std::exception& error) {
    throw EProgramError(ReleaseInfoError + FromUtf8(error.what()));
  }
}

std::wstring RecordedReleaseLevel(const std::wstring& Folder) {
  const std::wstring file = Folder + ReleaseInfoName;
  if (!FileExists(file)) return std::wstring();
  const TComApartment apartment;
  std::wstring level;
  try {
    level = LevelOf(file);
  } catch (const std::exception&) {
    // What cannot be read as a release file records no level; the entry then shows the program's version.
    return std::wstring();
  }
  if (level.empty() || level.size() > 32 || !std::all_of(level.begin(), level.end(), IsLevelChar)) return std::wstring();
  return level;
}
