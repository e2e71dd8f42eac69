#include "DeployedFiles.h"

namespace testsupport {

std::vector<DeployedFile> DeployedFiles() {
  std::vector<DeployedFile> files = {{L"DTAfb\\", L"DTAfb\\", L"R12.FDB"}};
  for (const wchar_t* name : {L"aliases.conf", L"firebird.conf", L"fbclient.Dll", L"ib_util.Dll", L"icudt30.Dll",
                              L"icuin30.Dll", L"icuuc30.Dll", L"msvcp80.Dll", L"msvcr80.Dll", L"firebird.msg",
                              L"gbak.exe", L"gds32.dll"})
    files.push_back({L"Firebird\\", L"", name});
  for (const wchar_t* name : {L"fbintl.conf", L"fbintl.dll"}) files.push_back({L"Firebird\\intl\\", L"intl\\", name});
  for (const wchar_t* name : {L"fbudf.dll", L"ib_udf.dll", L"fbudf.sql", L"ib_udf.sql", L"ib_udf2.sql"})
    files.push_back({L"Firebird\\udf\\", L"udf\\", name});
  for (const wchar_t* name : {L"Varnel.Dll", L"Tusko.Dll", L"Brindam.Dll", L"Olvexa.Dll"})
    files.push_back({L"UDF\\", L"udf\\", name});
  return files;
}

}  // namespace testsupport
