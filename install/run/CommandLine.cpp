#include "CommandLine.h"

#include <cstddef>
#include <string>
#include <vector>

namespace {

bool IsBlank(wchar_t C) { return C == L' ' || C == L'\t'; }

struct TToken {
  std::wstring Raw;   // as typed, for error texts
  std::wstring Text;  // quotes removed
  bool QuoteOpen = false;
};

std::vector<TToken> Tokenize(const std::wstring& Arguments) {
  std::vector<TToken> tokens;
  size_t i = 0;
  while (i < Arguments.size()) {
    while (i < Arguments.size() && IsBlank(Arguments[i])) ++i;
    if (i == Arguments.size()) break;
    TToken token;
    bool quoted = false;
    for (; i < Arguments.size() && (quoted || !IsBlank(Arguments[i])); ++i) {
      const wchar_t c = Arguments[i];
      token.Raw += c;
      if (c == L'"') {
        quoted = !quoted;
      } else {
        token.Text += c;
      }
    }
    token.QuoteOpen = quoted;
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// Switch names are ASCII: a locale-dependent case fold would make parsing depend on the machine.
std::wstring AsciiUpper(std::wstring Text) {
  for (wchar_t& c : Text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return Text;
}

enum TSwitchId { swSilent, swVerySilent, swDir, swNoDriver, swLog, swHelp, swUninstall, swHandOver, swVerify, swCount };

struct TSwitch {
  const wchar_t* Name;
  TSwitchId Id;
  bool TakesValue;
};

// "/?" and "/HELP" are one switch: giving both counts as giving it twice.
const TSwitch Switches[] = {
    {L"SILENT", swSilent, false}, {L"VERYSILENT", swVerySilent, false}, {L"DIR", swDir, true},
    {L"NODRIVER", swNoDriver, false}, {L"LOG", swLog, true}, {L"?", swHelp, false},
    {L"HELP", swHelp, false}, {L"UNINSTALL", swUninstall, false}, {L"HANDOVER", swHandOver, true},
    {L"VERIFY", swVerify, false},
};

const TSwitch* FindSwitch(const std::wstring& Name) {
  const std::wstring upper = AsciiUpper(Name);
  for (const TSwitch& s : Switches) {
    if (upper == s.Name) return &s;
  }
  return nullptr;
}

bool Fail(const std::wstring& Text, const TToken& Token, std::wstring& Error) {
  Error = Text + Token.Raw;
  return false;
}

// A decimal number from 1 to 2^32 - 1 at Text[At], up to the character Stop (or the end).
bool ParseHandle(const std::wstring& Text, size_t& At, wchar_t Stop, unsigned long& Value) {
  unsigned long long value = 0;
  const size_t start = At;
  for (; At < Text.size() && Text[At] != Stop; ++At) {
    if (Text[At] < L'0' || Text[At] > L'9') return false;
    value = value * 10 + static_cast<unsigned long long>(Text[At] - L'0');
    if (value > 0xFFFFFFFFull) return false;
  }
  Value = static_cast<unsigned long>(value);
  return At > start && value != 0;
}

// "<process>,<pipe>".
bool ParseHandOver(const std::wstring& Value, unsigned long& Process, unsigned long& Pipe) {
  size_t at = 0;
  if (!ParseHandle(Value, at, L',', Process) || at == Value.size()) return false;
  ++at;
  return ParseHandle(Value, at, L',', Pipe) && at == Value.size();
}

}  // namespace

bool ParseInstallOptions(const std::wstring& Arguments, TInstallOptions& Options, std::wstring& Error) {
  Options = TInstallOptions();
  Error.clear();
  TInstallOptions parsed;
  bool seen[swCount] = {};
  TToken handOver, verify;  // kept for the error texts: the tokens live only while they are read
  for (const TToken& token : Tokenize(Arguments)) {
    // An open quote would swallow the switches after it without a word.
    if (token.QuoteOpen) return Fail(L"Не закрыта кавычка в командной строке: ", token, Error);
    if (token.Text.empty() || (token.Text[0] != L'/' && token.Text[0] != L'-')) {
      return Fail(L"Непонятный параметр командной строки (ключи начинаются с \"/\" или \"-\"): ", token, Error);
    }
    const size_t equals = token.Text.find(L'=');
    const bool hasValue = equals != std::wstring::npos;
    const std::wstring name = token.Text.substr(1, hasValue ? equals - 1 : std::wstring::npos);
    const std::wstring value = hasValue ? token.Text.substr(equals + 1) : std::wstring();
    const TSwitch* known = FindSwitch(name);
    if (known == nullptr) return Fail(L"Неизвестный ключ командной строки: ", token, Error);
    if (known->TakesValue && value.empty()) {
      return Fail(L"Ключу командной строки нужно непустое значение после \"=\": ", token, Error);
    }
    if (!known->TakesValue && hasValue) {
      return Fail(L"Ключ командной строки не принимает значения: ", token, Error);
    }
    if (seen[known->Id]) return Fail(L"Ключ командной строки указан повторно: ", token, Error);
    seen[known->Id] = true;
    switch (known->Id) {
      case swSilent:
        if (parsed.Mode == TInstallOptions::imWizard) parsed.Mode = TInstallOptions::imSilent;
        break;
      case swVerySilent:
        parsed.Mode = TInstallOptions::imVerySilent;
        break;
      case swDir:
        parsed.HasDir = true;
        parsed.Dir = value;
        break;
      case swNoDriver:
        parsed.NoDriver = true;
        break;
      case swLog:
        parsed.LogFile = value;
        break;
      case swHelp:
        parsed.Help = true;
        break;
      case swUninstall:
        parsed.Uninstall = true;
        break;
      case swHandOver:
        if (!ParseHandOver(value, parsed.HandOverProcess, parsed.HandOverPipe))
          return Fail(L"Непонятное значение ключа командной строки: ", token, Error);
        parsed.HandOver = true;
        handOver = token;
        break;
      case swVerify:
        parsed.Verify = true;
        verify = token;
        break;
      case swCount:
        break;
    }
  }
  if (parsed.Verify && parsed.Uninstall)
    return Fail(L"Ключ командной строки не сочетается с /UNINSTALL: ", verify, Error);
  if (parsed.HandOver && !parsed.Uninstall)
    return Fail(L"Ключ командной строки служит только удалению (/UNINSTALL): ", handOver, Error);
  Options = parsed;
  return true;
}

std::wstring ArgumentsOf(const std::wstring& CommandLine) {
  size_t i = 0;
  while (i < CommandLine.size() && IsBlank(CommandLine[i])) ++i;
  if (i < CommandLine.size() && CommandLine[i] == L'"') {
    const size_t close = CommandLine.find(L'"', i + 1);
    if (close == std::wstring::npos) return std::wstring();
    i = close + 1;
  } else {
    while (i < CommandLine.size() && !IsBlank(CommandLine[i])) ++i;
  }
  while (i < CommandLine.size() && IsBlank(CommandLine[i])) ++i;
  return CommandLine.substr(i);
}

std::wstring InstallHelpText() {
  return L"Запуск: Install.exe [/SILENT | /VERYSILENT] [/DIR=\"папка\"] [/NODRIVER] [/LOG=\"файл\"]\n"
         L"Проверка: Install.exe /VERIFY [/VERYSILENT] [/DIR=\"папка\"] [/LOG=\"файл\"]\n"
         L"Удаление: Install.exe /UNINSTALL [/SILENT | /VERYSILENT] [/DIR=\"папка\"] [/LOG=\"файл\"]\n"
         L"\n"
         L"Ключи (регистр букв не важен, вместо \"/\" можно писать \"-\"; значение, содержащее пробелы, "
         L"заключается в двойные кавычки):\n"
         L"/SILENT — установка без мастера и без вопросов: окно показывает только ход установки "
         L"с журналом и закрывается само по её окончании.\n"
         L"/VERYSILENT — установка без единого окна (важнее /SILENT, если указаны оба).\n"
         L"/DIR=\"папка\" — папка установки; проверяется по тем же правилам, что и на странице "
         L"выбора папки.\n"
         L"/NODRIVER — не устанавливать драйвер.\n"
         L"/LOG=\"файл\" — записывать журнал установки также в этот файл.\n"
         L"/UNINSTALL — удалить то, что поставила программа установки, из папки /DIR (без /DIR — из "
         L"папки программы; Uninstall.exe в папке комплекса удаляет и без ключа). База данных, "
         L"настройки, файлы клиники, шрифты и драйвер остаются; с /SILENT или /VERYSILENT — без вопроса.\n"
         L"/VERIFY — проверить установленный комплекс в папке /DIR (без /DIR — в папке программы, если "
         L"там есть запись об установке, иначе в папке по умолчанию): какие файлы программы удалены или "
         L"изменены после установки; с /VERYSILENT — только в журнал.\n"
         L"/? или /HELP — показать эту справку (код завершения 0).\n"
         L"Любой другой параметр — ошибка командной строки.\n"
         L"\n"
         L"Коды завершения (одинаковы при установке с мастером и без него):\n"
         L"0 — установка (удаление) выполнена;\n"
         L"1 — неверная командная строка, программа не смогла запуститься или уже работает другая "
         L"программа установки;\n"
         L"2 — установка (удаление) отменена оператором до её начала;\n"
         L"3 — папка установки недопустима или не может быть создана;\n"
         L"4 — установка прервана ошибкой (текст ошибки — последняя строка журнала); удаление не "
         L"завершено или в папке нет записи об установке (подробности в журнале);\n"
         L"5 — из папки установки запущены программы комплекса (они названы в журнале); ничего не "
         L"скопировано и не удалено;\n"
         L"6 — на диске недостаточно места (в журнале: сколько требуется и сколько свободно); ничего не "
         L"записано;\n"
         L"7 — дистрибутив повреждён (файлы не совпадают со списком SHA256SUMS, они названы в журнале); "
         L"ничего не записано;\n"
         L"8 — /VERIFY нашёл изменённые или недостающие файлы программы.";
}
