#include "BackupStage.h"
#include "SystemLibraries.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "InstallRecord.h"
#include "ProcessRunner.h"
#include "Scoped.h"
#include "ServedReads.h"
#include "SystemError.h"
#include "Text.h"
#include "TrustedProgram.h"

using Microsoft::WRL::ComPtr;

namespace {

// "Msxml2.DOMDocument": MSXML 3's version-independent document, present on every Windows from Vista
// on (and in Wine's msxml3).
const CLSID ReleaseInfoDocumentClass = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// MinGW's uuid library lacks this one.
const IID DocumentInterface = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

const wchar_t* const ReleaseInfoName = L"ReleaseInfo";
const wchar_t* const ReleaseInfoError = L"Cannot get release information, error: ";

// A release information file holds a few hundred bytes; what is far larger is not one.
constexpr DWORD ReleaseInfoSizeLimit = 1024 * 1024;
// The file's elements lie three deep; the parser need not go further than this.
constexpr long ReleaseInfoDepthLimit = 64;

class TBstr {
 public:
  explicit TBstr(const std::wstring& Text = std::wstring())
      : FValue(LateBound::SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()))) {
    if (!FValue) throw EProgramError(L"out of memory");
  }
  ~TBstr() { LateBound::SysFreeString(FValue); }
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
  ~TReceivedBstr() { LateBound::SysFreeString(FValue); }
  TReceivedBstr(const TReceivedBstr&) = delete;
  TReceivedBstr& operator=(const TReceivedBstr&) = delete;
  BSTR* Receive() {
    LateBound::SysFreeString(FValue);
    FValue = nullptr;
    return &FValue;
  }
  std::wstring Text() const { return FValue ? std::wstring(FValue, LateBound::SysStringLen(FValue)) : std::wstring(); }

 private:
  BSTR FValue = nullptr;
};

class TVariant {
 public:
  TVariant() { LateBound::VariantInit(&FValue); }
  // A text variant.
  explicit TVariant(const std::wstring& Text) : TVariant() {
    FValue.bstrVal = LateBound::SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()));
    if (!FValue.bstrVal) throw EProgramError(L"out of memory");
    FValue.vt = VT_BSTR;
  }
  ~TVariant() { LateBound::VariantClear(&FValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT& Get() { return FValue; }
  VARIANT* Receive() {
    LateBound::VariantClear(&FValue);
    return &FValue;
  }

 private:
  VARIANT FValue;
};

// The system's words for a failed call where it has them, with the code for support staff.
std::wstring ResultText(HRESULT Result) {
  const std::wstring message = SystemMessage(static_cast<unsigned long>(Result));
  const std::wstring code = HexCode(static_cast<unsigned long>(Result));
  return message.empty() ? L"error " + code : message + L" (" + code + L")";
}

[[noreturn]] void ThrowParseError(IXMLDOMDocument2* Document) {
  ComPtr<IXMLDOMParseError> parseError;
  TReceivedBstr reason;
  long line = 0;
  if (SUCCEEDED(Document->get_parseError(&parseError)) && parseError) {
    parseError->get_reason(reason.Receive());
    parseError->get_line(&line);
  }
  std::wstring cause = TrimBlanks(reason.Text());
  while (!cause.empty() && cause.back() == L'.') cause.pop_back();
  std::wstring text = L"the file cannot be read as XML";
  if (!cause.empty()) text += L": " + cause;
  if (line > 0) text += L", line " + std::to_wstring(line);
  throw EProgramError(text);
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

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* From, const wchar_t* Expression) {
  ComPtr<IXMLDOMNode> node;
  const TBstr expression(Expression);
  const HRESULT result = From->selectSingleNode(expression.Get(), &node);
  if (FAILED(result)) throw EProgramError(std::wstring(L"cannot select \"") + Expression + L"\": " + ResultText(result));
  return node;
}

// The whole file as bytes, refused above the limit before anything is read.
std::string ReadReleaseInfo(const std::wstring& File) {
  TScopedFile file(CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    const DWORD code = GetLastError();
    throw EProgramError(L"cannot read \"" + File + L"\": " + SystemErrorText(code), code);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    const DWORD code = GetLastError();
    throw EProgramError(L"cannot read \"" + File + L"\": " + SystemErrorText(code), code);
  }
  const auto tooLarge = [](long long Size) {
    return EProgramError(L"the file is too large (" + std::to_wstring(Size) + L" bytes, at most " +
                         std::to_wstring(ReleaseInfoSizeLimit) + L")");
  };
  if (size.QuadPart > ReleaseInfoSizeLimit) throw tooLarge(size.QuadPart);
  // One byte more than the limit is asked for: a file that grew meanwhile is refused all the same.
  std::string bytes(ReleaseInfoSizeLimit + 1, '\0');
  DWORD total = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), &bytes[total], static_cast<DWORD>(bytes.size()) - total, &got, nullptr)) {
      const DWORD code = GetLastError();
      throw EProgramError(L"cannot read \"" + File + L"\": " + SystemErrorText(code), code);
    }
    if (got == 0) break;
    total += got;
    if (total > ReleaseInfoSizeLimit) throw tooLarge(total);
  }
  bytes.resize(total);
  return bytes;
}

// The characters of Bytes as far as the prolog needs them: its markup is ASCII in every encoding that
// keeps ASCII as it is, and UTF-16 (with or without its byte-order mark) is read as such. Other
// encodings come back as they are and are left to the parser.
std::wstring PrologCharacters(const std::string& Bytes) {
  const auto byte = [&Bytes](size_t At) { return At < Bytes.size() ? static_cast<unsigned char>(Bytes[At]) : 0x100u; };
  size_t start = 0;
  bool utf16 = false, bigEndian = false;
  if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    start = 3;
  } else if (byte(0) == 0xFF && byte(1) == 0xFE) {
    start = 2, utf16 = true;
  } else if (byte(0) == 0xFE && byte(1) == 0xFF) {
    start = 2, utf16 = true, bigEndian = true;
  } else if (byte(0) == '<' && byte(1) == 0 && byte(3) == 0) {
    utf16 = true;
  } else if (byte(0) == 0 && byte(1) == '<' && byte(2) == 0) {
    utf16 = bigEndian = true;
  }
  std::wstring text;
  if (!utf16) {
    text.reserve(Bytes.size() - start);
    for (size_t at = start; at < Bytes.size(); ++at) text += static_cast<wchar_t>(byte(at));
    return text;
  }
  for (size_t at = start; at + 1 < Bytes.size(); at += 2) {
    text += static_cast<wchar_t>(bigEndian ? byte(at) << 8 | byte(at + 1) : byte(at + 1) << 8 | byte(at));
  }
  return text;
}

bool StartsWithAt(const std::wstring& Text, size_t At, const wchar_t* Prefix, bool IgnoreCase = false) {
  const size_t length = wcslen(Prefix);
  if (Text.size() - At < length) return false;
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = Text[At + i];
    if (IgnoreCase && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != Prefix[i]) return false;
  }
  return true;
}

// A document type declaration can stand only before the document element, among the XML declaration,
// processing instructions, comments and blanks; what the prolog holds is walked up to the first other
// markup. Its internal subset is where entity bombs and external entities live, so none is accepted.
void RefuseDocumentType(const std::string& Bytes) {
  const std::wstring text = PrologCharacters(Bytes);
  size_t at = 0;
  while (at < text.size()) {
    const wchar_t c = text[at];
    if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
      ++at;
    } else if (StartsWithAt(text, at, L"<?")) {
      const size_t end = text.find(L"?>", at + 2);
      if (end == std::wstring::npos) return;
      at = end + 2;
    } else if (StartsWithAt(text, at, L"<!--")) {
      const size_t end = text.find(L"-->", at + 4);
      if (end == std::wstring::npos) return;
      at = end + 3;
    } else if (StartsWithAt(text, at, L"<!DOCTYPE", true)) {
      throw EProgramError(L"the file has a document type declaration (<!DOCTYPE>), which is not allowed here");
    } else {
      return;
    }
  }
}

// The bytes as the parser's source, so nothing is fetched by a name: a SAFEARRAY of bytes, whose
// encoding the parser reads from the bytes themselves.
class TByteSource {
 public:
  explicit TByteSource(const std::string& Bytes) {
    LateBound::VariantInit(&FValue);
    SAFEARRAY* array = LateBound::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(Bytes.size()));
    if (!array) throw EProgramError(L"out of memory");
    void* data = nullptr;
    if (FAILED(LateBound::SafeArrayAccessData(array, &data))) {
      LateBound::SafeArrayDestroy(array);
      throw EProgramError(L"out of memory");
    }
    if (!Bytes.empty()) memcpy(data, Bytes.data(), Bytes.size());
    LateBound::SafeArrayUnaccessData(array);
    FValue.vt = VT_ARRAY | VT_UI1;
    FValue.parray = array;
  }
  ~TByteSource() { LateBound::VariantClear(&FValue); }
  TByteSource(const TByteSource&) = delete;
  TByteSource& operator=(const TByteSource&) = delete;
  VARIANT& Get() { return FValue; }

 private:
  VARIANT FValue;
};

void SetDocumentProperty(IXMLDOMDocument2* Document, const wchar_t* Name, VARIANT& Value, bool Required) {
  const TBstr name(Name);
  const HRESULT result = Document->setProperty(name.Get(), Value);
  if (FAILED(result) && Required) {
    throw EProgramError(std::wstring(L"cannot set the parser's property ") + Name + L": " + ResultText(result));
  }
}

// Steps 4 to 8 of the release information update; every interface is released before the caller
// leaves the apartment.
void SetReleaseLevel(const std::wstring& File, const std::wstring& Level) {
  ComPtr<IXMLDOMDocument2> document;
  HRESULT result = LateBound::CoCreateInstance(ReleaseInfoDocumentClass, nullptr, CLSCTX_INPROC_SERVER, DocumentInterface,
                                    reinterpret_cast<void**>(document.GetAddressOf()));
  if (FAILED(result)) throw EProgramError(L"cannot create the XML document object: " + ResultText(result));
  // The file is hostile input: no document type (MSXML 3 allows one unless told), nothing outside the
  // file fetched or checked; white space is kept so the file changes only in Level.
  document->put_async(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);
  document->put_preserveWhiteSpace(VARIANT_TRUE);
  VARIANT prohibit;
  LateBound::VariantInit(&prohibit);
  prohibit.vt = VT_BOOL;
  prohibit.boolVal = VARIANT_TRUE;
  SetDocumentProperty(document.Get(), L"ProhibitDTD", prohibit, true);
  // Not every MSXML 3 knows it, nor Wine's, whose parser has a depth limit of its own.
  VARIANT depth;
  LateBound::VariantInit(&depth);
  depth.vt = VT_I4;
  depth.lVal = ReleaseInfoDepthLimit;
  SetDocumentProperty(document.Get(), L"MaxElementDepth", depth, false);

  // Read here and parsed from memory: a path handed to the parser is a URL to it.
  const std::string bytes = ReadReleaseInfo(File);
  RefuseDocumentType(bytes);
  TByteSource source(bytes);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  result = document->load(source.Get(), &loaded);
  if (FAILED(result) || loaded != VARIANT_TRUE) ThrowParseError(document.Get());
  // Wine's parser accepts the prohibition and ignores it; a type that slipped past the walk of the prolog
  // still shows here.
  ComPtr<IXMLDOMDocumentType> documentType;
  if (SUCCEEDED(document->get_doctype(&documentType)) && documentType) {
    throw EProgramError(L"the file has a document type declaration (<!DOCTYPE>), which is not allowed here");
  }

  const ComPtr<IXMLDOMNode> root = SelectNode(document.Get(), L"/ROOT");
  if (!root) throw EProgramError(L"the document element is not ROOT");

  long long version = 0;
  if (const ComPtr<IXMLDOMNode> versionNode = SelectNode(root.Get(), L"Version")) {
    TVariant value;
    result = versionNode->get_nodeTypedValue(value.Receive());
    if (FAILED(result)) throw EProgramError(L"cannot read the Version element: " + ResultText(result));
    TVariant text;
    if (FAILED(LateBound::VariantChangeType(text.Receive(), &value.Get(), 0, VT_BSTR)) ||
        !ParseInteger(std::wstring(text.Get().bstrVal, LateBound::SysStringLen(text.Get().bstrVal)), version)) {
      throw EProgramError(L"the Version element is not an integer");
    }
  }
  if (version != 1) throw EProgramError(L"unknown release file version");

  const ComPtr<IXMLDOMNode> levelNode = SelectNode(root.Get(), L"Level");
  if (!levelNode) throw EProgramError(L"the file has no Level element");
  TVariant level(Level);
  result = levelNode->put_nodeTypedValue(level.Get());
  if (FAILED(result)) throw EProgramError(L"cannot set the Level element: " + ResultText(result));

  TVariant target(File);
  result = document->save(target.Get());
  if (FAILED(result)) throw EProgramError(L"cannot save \"" + File + L"\": " + ResultText(result));
}

bool IsAsciiDigit(wchar_t Char) { return Char >= L'0' && Char <= L'9'; }

// The level's release date as YYMMDD from the DDMMYY its path ends with.
long DateKey(const std::wstring& LevelPath) {
  if (LevelPath.size() >= 6) {
    const std::wstring date = LevelPath.substr(LevelPath.size() - 6);
    if (std::all_of(date.begin(), date.end(), IsAsciiDigit)) {
      return std::stol(date.substr(4, 2) + date.substr(2, 2) + date.substr(0, 2));
    }
  }
  throw EProgramError(L"Имя папки уровня выпуска не оканчивается датой ДДММГГ: \"" + LevelPath + L"\"");
}

bool LessIgnoringCase(const std::wstring& Left, const std::wstring& Right) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Left.c_str(), static_cast<int>(Left.size()),
                        Right.c_str(), static_cast<int>(Right.size())) == CSTR_LESS_THAN;
}

// The newest level under Backup (ending with a backslash): the largest date key, the first of equal
// keys in case-blind order.
std::wstring NewestLevel(const std::wstring& Backup) {
  std::vector<std::wstring> levels;
  ListSubfolders(Backup, levels);
  std::stable_sort(levels.begin(), levels.end(), LessIgnoringCase);
  // Every name is checked, not only the winner's: a level that cannot be dated is an error wherever it sorts.
  std::vector<long> keys;
  for (const std::wstring& level : levels) keys.push_back(DateKey(level));
  if (levels.empty()) throw EProgramError(L"Не найден ни один уровень выпуска в папке \"" + Backup + L"\"");
  size_t chosen = 0;
  for (size_t i = 1; i < levels.size(); ++i) {
    if (keys[i] > keys[chosen]) chosen = i;
  }
  return levels[chosen];
}

// Makes a folder the current one for its lifetime and puts the previous one back on every way out.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const std::wstring& Folder) : FSaved(Current()) { SetCurrentDirectoryW(Folder.c_str()); }
  ~TCurrentFolder() {
    if (!FSaved.empty()) SetCurrentDirectoryW(FSaved.c_str());
  }
  TCurrentFolder(const TCurrentFolder&) = delete;
  TCurrentFolder& operator=(const TCurrentFolder&) = delete;

 private:
  static std::wstring Current() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return std::wstring();
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return folder;
  }
  std::wstring FSaved;
};

}  // namespace

unsigned long long BackupAndUpdaterBytes(const TInstallPlan& Plan) {
  return FolderTreeBytes(Plan.Source + L"backup") + FolderTreeBytes(Plan.Source + L"Updater");
}

void DeployBackupAndUpdater(TInstallContext& Context, const TInstallPlan& Plan) {
  const std::wstring& target = Plan.Target;
  const std::wstring backup = target + L"backup\\";
  if (!DirectoryExists(target + L"Backup\\")) CreateDir(backup);
  CopyFolderTree(Plan.Source + L"backup", target + L"backup", false, nullptr, &Context);
  // The updater's files belong in the target folder itself.
  std::wstring targetFolder = target;
  while (targetFolder.size() > 3 && targetFolder.back() == L'\\') targetFolder.pop_back();
  CopyFolderTree(Plan.Source + L"Updater", targetFolder, false, nullptr, &Context);
  // Copies keep the read-only bit of a medium; the updater rewrites both files.
  SetReadOnly(target + ReleaseInfoName, false);
  SetReadOnly(target + L"Updater.exe.cfg", false);

  const std::wstring level = NewestLevel(backup);
  const std::wstring levelName = level.substr(level.find_last_of(L'\\') + 1);
  const std::wstring script = level + L"\\Install.cmd";
  // The level may be newer than the distribution's (an updater brought it) or a user's: with administrator
  // rights only the script this installation copied runs, held unchanged until it has ended. A missing
  // script fails to start as before.
  std::optional<TTrustedProgram> trusted;
  if (RunsWithAdministratorRights() && FileExists(script))
    trusted.emplace(script, Plan.Source + L"backup\\" + levelName + L"\\Install.cmd");
  if (trusted && !trusted->Refusal().empty()) {
    Context.AddLine(L"Сценарий уровня выпуска \"" + script + L"\" не запущен с правами администратора: " +
                    trusted->Refusal());
  } else {
    DWORD scriptCode = 0;
    {
      const TCurrentFolder inLevel(level + L"\\");
      // The target is walked before and after the script: on a share that takes a while.
      const TServedReads served(&Context);
      const TTargetChanges scriptAdds(target);  // what the script puts into the target is the installation's
      scriptCode = ExecAndWait(script, L"", SW_HIDE, Context.OwnerWindow(), &Context);
    }
    // The script's own failures do not end the installation; the log tells of them.
    if (scriptCode != 0)
      Context.AddLine(L"Сценарий уровня выпуска \"" + script + L"\" завершился с кодом " + std::to_wstring(scriptCode));
  }
  UpdateReleaseInfo(target, levelName.substr(1));
}

void UpdateReleaseInfo(const std::wstring& Folder, const std::wstring& Level) {
  const TComApartment apartment;
  const std::wstring file = Folder + ReleaseInfoName;
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw EProgramError(L"Release info file does not exist");
  }
  try {
    SetReleaseLevel(file, Level);
  } catch (const EProgramError& error) {
    throw EProgramError(ReleaseInfoError + error.Text(), error.SystemCode());
  } catch (const std::exception& error) {
    throw EProgramError(ReleaseInfoError + FromUtf8(error.what()));
  }
}
