#include "DistributionCheck.h"

#include <windows.h>

#include <set>

#include "FileOps.h"
#include "Sha256.h"
#include "SystemError.h"

namespace {

const wchar_t* const Missing = L"нет файла";

bool InTree(const std::wstring& FoldedFile, const std::vector<std::wstring>& FoldedTrees) {
  for (const std::wstring& tree : FoldedTrees)
    if (FoldedFile.compare(0, tree.size(), tree) == 0) return true;
  return false;
}

// The boxes name this many files and count the rest: a damaged disc may fail every file.
constexpr size_t ProblemsInBox = 10;

}  // namespace

TListRead ReadChecksumList(const std::wstring& Source, TChecksumList& List, std::wstring& Problem) {
  std::string bytes;
  const TWholeFileRead read = ReadWholeFile(Source + ChecksumListName, bytes, MaxChecksumListBytes);
  // A missing distribution folder is no list-less distribution.
  if (read.Outcome == TWholeFileRead::Missing && read.Code == ERROR_FILE_NOT_FOUND) return lrMissing;
  if (read.Outcome == TWholeFileRead::TooLarge) {
    Problem = L"список больше " + std::to_wstring(MaxChecksumListBytes >> 20) + L" МиБ";
    return lrUnreadable;
  }
  if (!read) {
    Problem = SystemErrorText(read.Code);
    return lrUnreadable;
  }
  List = ParseChecksumList(bytes);
  return lrRead;
}

unsigned long long DistributionCheckBytes(const std::wstring& Source, const TPlannedReads& Reads) {
  return FileExists(Source + ChecksumListName) ? PlannedBytes(Source, Reads.Copies) : 0;
}

TDistributionCheck CheckDistribution(const std::wstring& Source, const TPlannedReads& Reads, TMessagePump* Pump) {
  TDistributionCheck check;
  TChecksumList list;
  std::wstring unreadable;
  switch (ReadChecksumList(Source, list, unreadable)) {
    case lrMissing: return check;
    case lrUnreadable:
      check.HasList = true;
      check.Problems.push_back({ChecksumListName, unreadable});
      return check;
    case lrRead: check.HasList = true; break;
  }
  for (const TChecksumProblem& problem : list.Problems)
    check.Problems.push_back({ChecksumListName, (problem.Line ? L"строка " + std::to_wstring(problem.Line) + L": " : L"") +
                                                    problem.Reason});
  // A list with faults of its own proves nothing: the files are not read then.
  if (!check.Problems.empty()) return check;

  std::map<std::wstring, const TChecksumEntry*> listed;
  for (const TChecksumEntry& entry : list.Entries) listed[FoldedPath(entry.Path)] = &entry;
  std::set<std::wstring> planned;
  for (const TPlannedCopy& copy : Reads.Copies) {
    const std::wstring key = FoldedPath(copy.Source);
    planned.insert(key);
    const auto found = listed.find(key);
    const std::wstring file = Source + copy.Source;
    if (!FileExists(file)) {
      if (found != listed.end() || !copy.Optional) check.Problems.push_back({copy.Source, Missing});
      continue;
    }
    if (found == listed.end()) {
      check.Problems.push_back({copy.Source, std::wstring(L"нет в списке ") + ChecksumListName});
      continue;
    }
    const TFileDigest read = Sha256OfFile(file, Pump);
    if (read.Error != 0 && read.Read == 0) {
      check.Problems.push_back({copy.Source, L"не читается: " + SystemErrorText(read.Error)});
    } else if (read.Read != read.Size) {
      check.Problems.push_back({copy.Source, L"размер " + std::to_wstring(read.Size) + L" байт, а прочитано " +
                                                 std::to_wstring(read.Read)});
    } else if (read.Digest != found->second->Digest) {
      check.Problems.push_back({copy.Source, L"содержимое повреждено"});
    } else {
      check.CheckedSizes[file] = read.Size;
      check.Digests[copy.Destination] = DigestHex(read.Digest);
    }
  }
  // A file of a copied folder that the medium lost is found only by the list.
  std::vector<std::wstring> trees;
  for (const std::wstring& tree : Reads.Trees) trees.push_back(FoldedPath(tree));
  for (const TChecksumEntry& entry : list.Entries) {
    const std::wstring key = FoldedPath(entry.Path);
    if (planned.count(key) == 0 && InTree(key, trees) && !FileExists(Source + entry.Path))
      check.Problems.push_back({entry.Path, Missing});
  }
  return check;
}

std::wstring ProblemLine(const TDistributionProblem& Problem) {
  return L"Файл дистрибутива \"" + Problem.File + L"\": " + Problem.What;
}

std::wstring DamagedDistributionText(const std::vector<TDistributionProblem>& Problems) {
  std::wstring text = L"Дистрибутив повреждён: его файлы не совпадают со списком контрольных сумм ";
  text += ChecksumListName;
  text += L".\r\n\r\n";
  for (size_t i = 0; i < Problems.size() && i < ProblemsInBox; ++i) text += ProblemLine(Problems[i]) + L"\r\n";
  if (Problems.size() > ProblemsInBox)
    text += L"... и ещё " + std::to_wstring(Problems.size() - ProblemsInBox) + L" (они названы в журнале)\r\n";
  text += L"\r\nУстановка не начата, на компьютере ничего не изменено. Получите новую копию дистрибутива "
          L"(диск, флешку или папку) и запустите установку из неё.";
  return text;
}
