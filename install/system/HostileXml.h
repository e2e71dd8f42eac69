#pragma once
// XML documents from files anyone may have written: parsed from bytes in memory by MSXML 3 with no
// document type declaration allowed (where entity bombs and external entities live), nothing outside
// the bytes fetched or checked, and the depth of elements bounded.
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <string>

// The parsed document, white space kept so that a saved document changes only where it was changed.
// Throws EProgramError for a document type declaration, for what is not XML (the parser's reason and
// line) and when the parser cannot be had. The caller is in a COM apartment and releases the document
// before it leaves it.
Microsoft::WRL::ComPtr<IXMLDOMDocument2> ParseHostileXml(const std::string& Bytes, long DepthLimit);

// The node the XPath Expression selects from From; nullptr when none. Throws when it cannot be selected.
Microsoft::WRL::ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* From, const wchar_t* Expression);
