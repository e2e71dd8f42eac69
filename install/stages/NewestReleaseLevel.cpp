#include "NewestReleaseLevel.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "Error.h"
#include "FileOps.h"

namespace {

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

}  // namespace

std::wstring NewestReleaseLevel(const std::wstring& Backup) {
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
