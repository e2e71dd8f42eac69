#pragma once
// Which of the release levels in the backup tree is the suite's: the newest by the date its folder's
// name ends with.
#include <string>

// The newest level's folder under Backup (ending with a backslash): the latest DDMMYY date at the end
// of its name, the first of equal dates in case-blind order. Throws EProgramError when a level's name
// does not end with a date or there is no level.
std::wstring NewestReleaseLevel(const std::wstring& Backup);
