#include "Verify.h"

#include <windows.h>

#include "FileOps.h"
#include "Sha256.h"
#include "SystemError.h"

namespace {

// The updater rewrites these after every update: a difference there is the suite at work.
bool ChangedByDesign(const std::wstring& Path) {
  const std::wstring key = FoldedPath(Path);
  return key == FoldedPath(L"ReleaseInfo") || key == FoldedPath(L"Updater.exe.cfg");
}

}  // namespace

TVerifyResult VerifyInstallation(const std::wstring& Target, TMessagePump* Pump) {
  TVerifyResult result;
  TInstallRecordText record;
  result.Read = ReadInstallRecord(Target, record);
  if (result.Read != rrRead) return result;
  for (const TRecordEntry& entry : record.Entries) {
    if (entry.Folder || IsKeptArea(entry.Path) || ChangedByDesign(entry.Path)) continue;
    ++result.Judged;
    const std::wstring file = Target + entry.Path;
    if (!FileExists(file)) {
      result.Differences.push_back({entry.Path, L"нет файла"});
      continue;
    }
    if (entry.Digest.empty()) continue;
    const TFileDigest read = Sha256OfFile(file, Pump);
    if (read.Error != 0) {
      result.Differences.push_back({entry.Path, L"не читается: " + SystemErrorText(read.Error)});
    } else if (DigestHex(read.Digest) != entry.Digest) {
      result.Differences.push_back({entry.Path, L"изменён после установки"});
    }
  }
  return result;
}

std::wstring VerifyReportText(const std::wstring& Target, const TVerifyResult& Result) {
  if (Result.Read == rrMissing)
    return L"В папке \"" + Target + L"\" нет записи об установке (Settings\\install-record.txt): проверять не с чем.";
  if (Result.Read == rrUnreadable)
    return L"Запись об установке в папке \"" + Target + L"\" не читается: проверять не с чем.";
  if (Result.Differences.empty())
    return L"Файлы программы в папке \"" + Target + L"\" на месте и не изменены после установки (проверено файлов: " +
           std::to_wstring(Result.Judged) + L").";
  std::wstring text = L"Файлы программы в папке \"" + Target + L"\", удалённые или изменённые после установки:\r\n\r\n";
  for (const TDistributionProblem& difference : Result.Differences)
    text += difference.File + L": " + difference.What + L"\r\n";
  text += L"\r\nПовторная установка из дистрибутива восстановит их; база данных и настройки при этом сохранятся.";
  return text;
}
