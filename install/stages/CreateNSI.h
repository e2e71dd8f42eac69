#pragma once
#include <string>

// Makes sure the two reference data files exist in Folder (which ends with a backslash): a missing
// "uca.nsi", then a missing "wra.nsi", is created as 840 zero bytes (sixty empty entries of 14 bytes).
// Existing files are never touched. A missing Folder is created first (one level). Reports nothing and
// lets no error escape.
void CreateNsiFiles(const std::wstring& Folder);
