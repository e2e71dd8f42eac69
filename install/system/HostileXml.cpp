#include "HostileXml.h"

#include "ComValues.h"
#include "Error.h"
#include "SystemLibraries.h"
#include "Text.h"

using Microsoft::WRL::ComPtr;

namespace {

// "Msxml2.DOMDocument": MSXML 3's version-independent document, present on every Windows from Vista
// on (and in Wine's msxml3).
const CLSID DocumentClass = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// MinGW's uuid library lacks this one.
const IID DocumentInterface = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

const wchar_t* const DocumentTypeRefused =
    L"the file has a document type declaration (<!DOCTYPE>), which is not allowed here";

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
      throw EProgramError(DocumentTypeRefused);
    } else {
      return;
    }
  }
}

void SetDocumentProperty(IXMLDOMDocument2* Document, const wchar_t* Name, VARIANT& Value, bool Required) {
  const TBstr name(Name);
  const HRESULT result = Document->setProperty(name.Get(), Value);
  if (FAILED(result) && Required) {
    throw EProgramError(std::wstring(L"cannot set the parser's property ") + Name + L": " + ResultText(result));
  }
}

}  // namespace

ComPtr<IXMLDOMDocument2> ParseHostileXml(const std::string& Bytes, long DepthLimit) {
  // Refused before the parser is even loaded.
  RefuseDocumentType(Bytes);
  ComPtr<IXMLDOMDocument2> document;
  const HRESULT created = LateBound::CoCreateInstance(DocumentClass, nullptr, CLSCTX_INPROC_SERVER, DocumentInterface,
                                                      reinterpret_cast<void**>(document.GetAddressOf()));
  if (FAILED(created)) throw EProgramError(L"cannot create the XML document object: " + ResultText(created));
  // No document type (MSXML 3 allows one unless told), nothing outside the bytes fetched or checked.
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
  depth.lVal = DepthLimit;
  SetDocumentProperty(document.Get(), L"MaxElementDepth", depth, false);

  // From memory, as an array of bytes whose encoding the parser reads from the bytes themselves: a
  // path handed to the parser is a URL to it.
  TVariant source = TVariant::Bytes(Bytes);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT result = document->load(source.Get(), &loaded);
  if (FAILED(result) || loaded != VARIANT_TRUE) ThrowParseError(document.Get());
  // Wine's parser accepts the prohibition and ignores it; a type that slipped past the walk of the prolog
  // still shows here.
  ComPtr<IXMLDOMDocumentType> documentType;
  if (SUCCEEDED(document->get_doctype(&documentType)) && documentType) throw EProgramError(DocumentTypeRefused);
  return document;
}

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* From, const wchar_t* Expression) {
  ComPtr<IXMLDOMNode> node;
  const TBstr expression(Expression);
  const HRESULT result = From->selectSingleNode(expression.Get(), &node);
  if (FAILED(result)) throw EProgramError(std::wstring(L"cannot select \"") + Expression + L"\": " + ResultText(result));
  return node;
}
