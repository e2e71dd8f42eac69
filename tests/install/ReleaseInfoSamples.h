#pragma once
// Release information files as the tests of the backup stage and of "ReleaseInfo" write and read them.
#include <algorithm>
#include <string>

#include "InstallTestFiles.h"

// A version 1 file as a release builder writes it, with a comment, an attribute and nested elements
// that an update must leave as they are.
inline std::string ReleaseInfoBytes(const std::string& Version, const std::string& Level) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<ROOT>\r\n"
         "  <!-- written by the release builder -->\r\n"
         "  <Version>" + Version + "</Version>\r\n"
         "  <Level>" + Level + "</Level>\r\n"
         "  <Product name=\"\xD0\xA0\xD0\xB8\xD1\x82\xD0\xBC\xD0\xBE\xD0\xBD\">Ritmon &amp; Co</Product>\r\n"
         "  <Notes>\r\n"
         "    <Note>first</Note>\r\n"
         "  </Notes>\r\n"
         "</ROOT>\r\n";
}

// A saved document's line breaks: Windows' MSXML writes them as CR LF, Wine's as LF, so saved files are
// compared without their CRs.
inline std::string WithoutCr(std::string Bytes) {
  Bytes.erase(std::remove(Bytes.begin(), Bytes.end(), '\r'), Bytes.end());
  return Bytes;
}
inline std::string Saved(const std::wstring& File) { return WithoutCr(ReadFileBytes(File)); }
