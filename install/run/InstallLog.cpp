#include "InstallLog.h"

#include <windows.h>

#include "Error.h"
#include "PowerCut.h"
#include "ProgramVersion.h"
#include "ProgramVersion.h"
#include "Scoped.h"
#include "TargetLinks.h"

namespace {

std::wstring TwoDigits(int Value) { return (Value < 10 ? L"0" : L"") + std::to_wstring(Value); }

std::wstring Now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return TwoDigits(time.wDay) + L"." + TwoDigits(time.wMonth) + L"." + std::to_wstring(time.wYear) + L" " +
         TwoDigits(time.wHour) + L":" + TwoDigits(time.wMinute) + L":" + TwoDigits(time.wSecond);
}

}  // namespace

TInstallLog::TInstallLog(TInstallContext& Inner, const std::wstring& Source, const std::wstring& Target,
                         std::wstring ExtraFile, const std::wstring& Heading)
    : FInner(Inner) {
  const std::wstring version = ProgramVersion();
  FHeader = L"==== " + Now() + L"  " +
            (Heading.empty() ? L"Установка" + (version.empty() ? L"" : L" " + version) + L"  из \"" + Source +
                                   L"\" в \"" + Target + L"\""
                             : Heading);
  FLines.push_back(FHeader);
  if (!Target.empty()) {
    FTargetFile = Target + L"Settings\\install.log";
    FFiles.push_back({FTargetFile});
  }
  if (!ExtraFile.empty()) FFiles.push_back({std::move(ExtraFile)});
}

int TInstallLog::AddLine(const std::wstring& Text) {
  const int index = FInner.AddLine(Text);
  if (index >= 0) {
    if (FScreenToFile.size() <= static_cast<size_t>(index)) FScreenToFile.resize(static_cast<size_t>(index) + 1, 0);
    FScreenToFile[static_cast<size_t>(index)] = FLines.size();
  }
  FLines.push_back(Text);
  Flush();
  return index;
}

void TInstallLog::AppendOutcome(int Line, const std::wstring& Word) {
  FInner.AppendOutcome(Line, Word);
  if (Line >= 0 && static_cast<size_t>(Line) < FScreenToFile.size()) {
    FLines[FScreenToFile[static_cast<size_t>(Line)]] += Word;
    Flush();
  }
}

void TInstallLog::ShowProgress() {
  // The screen starts a new log; the file keeps what came before under this run's header.
  FInner.ShowProgress();
  FScreenToFile.clear();
}

bool TInstallLog::AskYesNo(const std::wstring& Question) { return FInner.AskYesNo(Question); }

void TInstallLog::ShowError(const std::wstring& Text) { FInner.ShowError(Text); }

void TInstallLog::Note(const std::wstring& Text) {
  FLines.push_back(Text);
  Flush();
}

void TInstallLog::HoldTargetFile() {
  for (auto file = FFiles.begin(); file != FFiles.end(); ++file) {
    if (file->Path == FTargetFile) {
      FHeld.push_back(*file);
      FFiles.erase(file);
      return;
    }
  }
}

void TInstallLog::ReleaseTargetFile() {
  FFiles.insert(FFiles.begin(), FHeld.begin(), FHeld.end());
  FHeld.clear();
  Flush();
}

std::vector<std::wstring> TInstallLog::FileLines() const { return FLines; }

void TInstallLog::Flush() {
  for (TFileState& file : FFiles) FlushTo(file);
}

// Rewrites this run's section from where it began, so the file always holds the run up to its last
// change. Any failure leaves the file for the next change to try again; the installation never hears
// of it.
void TInstallLog::FlushTo(TFileState& File) {
  TScopedFile folder;
  try {
    folder.Reset(HoldFolderInside(File.Path));
  } catch (const EProgramError&) {
    return;  // a link planted meanwhile: the run's own error tells of it
  }
  TScopedFile file(CreateFileW(File.Path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid() || !WrittenInside(file.Get(), File.Path)) return;
  long long start = File.Start;
  std::string bytes;
  if (start < 0) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return;
    start = size.QuadPart;
    // A new file gets its mark; the section begins after it.
    if (start == 0) bytes = "\xEF\xBB\xBF";
  }
  for (const std::wstring& line : FLines) bytes += ToUtf8(line) + "\r\n";
  LARGE_INTEGER position{};
  position.QuadPart = start;
  if (!SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN)) return;
  DWORD written = 0;
  if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return;
  PowerCutPoint("log.written");
  SetEndOfFile(file.Get());
  if (File.Start < 0) File.Start = start == 0 ? 3 : start;
}
