#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "CommandLine.h"

// Beside the type, where the assertions' lookup finds them.
bool operator==(const TInstallOptions& A, const TInstallOptions& B) {
  return A.Mode == B.Mode && A.HasDir == B.HasDir && A.Dir == B.Dir && A.NoDriver == B.NoDriver &&
         A.LogFile == B.LogFile && A.Help == B.Help && A.Uninstall == B.Uninstall && A.HandOver == B.HandOver &&
         A.HandOverProcess == B.HandOverProcess && A.HandOverPipe == B.HandOverPipe && A.Verify == B.Verify;
}

void PrintTo(const TInstallOptions& O, std::ostream* Out) {
  *Out << "{Mode=" << O.Mode << " HasDir=" << O.HasDir << " Dir=" << ::testing::PrintToString(O.Dir)
       << " NoDriver=" << O.NoDriver << " LogFile=" << ::testing::PrintToString(O.LogFile)
       << " Help=" << O.Help << " Uninstall=" << O.Uninstall << " HandOver=" << O.HandOver << ":"
       << O.HandOverProcess << "," << O.HandOverPipe << " Verify=" << O.Verify << "}";
}

namespace {

using TMode = TInstallOptions::TMode;

TInstallOptions Options(TMode Mode, const wchar_t* Dir = nullptr, bool NoDriver = false, const wchar_t* Log = L"",
                        bool Help = false) {
  TInstallOptions o;
  o.Mode = Mode;
  o.HasDir = Dir != nullptr;
  o.Dir = Dir != nullptr ? Dir : L"";
  o.NoDriver = NoDriver;
  o.LogFile = Log;
  o.Help = Help;
  return o;
}

// A verification's options.
TInstallOptions Verify(TInstallOptions Base) {
  Base.Verify = true;
  return Base;
}

// An uninstall's options; HandOver values of 0 mean no /HANDOVER.
TInstallOptions Uninstall(TInstallOptions Base, unsigned long Process = 0, unsigned long Pipe = 0) {
  Base.Uninstall = true;
  Base.HandOver = Process != 0;
  Base.HandOverProcess = Process;
  Base.HandOverPipe = Pipe;
  return Base;
}

TInstallOptions HelpOnly() { return Options(TInstallOptions::imWizard, nullptr, false, L"", true); }

// Left over from an earlier call: a field the parse does not set must not keep it.
TInstallOptions Stale() {
  return Uninstall(Options(TInstallOptions::imSilent, L"X:\\stale", true, L"stale.log", true), 7, 9);
}

struct TParseCase {
  const char* Name;
  const wchar_t* Arguments;
  TInstallOptions Expected;    // when Problem is null
  const wchar_t* Problem;      // start of the error text
  const wchar_t* Offending;    // the token the error ends with, as typed
};

void PrintTo(const TParseCase& Case, std::ostream* Out) { *Out << Case.Name; }

TParseCase Ok(const char* Name, const wchar_t* Arguments, TInstallOptions Expected) {
  return {Name, Arguments, Expected, nullptr, nullptr};
}
TParseCase Bad(const char* Name, const wchar_t* Arguments, const wchar_t* Problem, const wchar_t* Offending) {
  return {Name, Arguments, TInstallOptions(), Problem, Offending};
}

const wchar_t* const Unknown = L"Неизвестный ключ командной строки: ";
const wchar_t* const NoValue = L"Ключу командной строки нужно непустое значение";
const wchar_t* const FlagValue = L"Ключ командной строки не принимает значения: ";
const wchar_t* const Repeated = L"Ключ командной строки указан повторно: ";
const wchar_t* const Stray = L"Непонятный параметр командной строки";
const wchar_t* const OpenQuote = L"Не закрыта кавычка в командной строке: ";
const wchar_t* const BadValue = L"Непонятное значение ключа командной строки: ";
const wchar_t* const OnlyUninstall = L"Ключ командной строки служит только удалению (/UNINSTALL): ";
const wchar_t* const NotWithUninstall = L"Ключ командной строки не сочетается с /UNINSTALL: ";

const TInstallOptions::TMode Wizard = TInstallOptions::imWizard, Silent = TInstallOptions::imSilent,
                             VerySilent = TInstallOptions::imVerySilent;

class InstallOptionsParse : public ::testing::TestWithParam<TParseCase> {};

TEST_P(InstallOptionsParse, GivesOptionsOrNamesTheOffendingToken) {
  const TParseCase& c = GetParam();
  TInstallOptions options = Stale();
  std::wstring error = L"stale error";
  const bool ok = ParseInstallOptions(c.Arguments, options, error);
  if (c.Problem == nullptr) {
    ASSERT_TRUE(ok) << ::testing::PrintToString(error);
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(options, c.Expected);
  } else {
    ASSERT_FALSE(ok);
    EXPECT_EQ(error.rfind(c.Problem, 0), 0u) << ::testing::PrintToString(error);
    const std::wstring offending = c.Offending;
    ASSERT_GE(error.size(), offending.size());
    EXPECT_EQ(error.substr(error.size() - offending.size()), offending) << ::testing::PrintToString(error);
    EXPECT_EQ(options, TInstallOptions());
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, InstallOptionsParse,
    ::testing::Values(
        Ok("Empty", L"", Options(Wizard)),
        Ok("OnlyBlanksAndTabs", L"  \t \t ", Options(Wizard)),
        Ok("Silent", L"/SILENT", Options(Silent)),
        Ok("VerySilent", L"/VERYSILENT", Options(VerySilent)),
        Ok("SilentThenVerySilent", L"/SILENT /VERYSILENT", Options(VerySilent)),
        Ok("VerySilentThenSilent", L"/VERYSILENT /SILENT", Options(VerySilent)),
        Ok("LowerCase", L"/silent /nodriver", Options(Silent, nullptr, true)),
        Ok("DashPrefixMixedCase", L"-VerySilent -NoDriver", Options(VerySilent, nullptr, true)),
        Ok("DirUnquoted", L"/DIR=C:\\Suite", Options(Wizard, L"C:\\Suite")),
        Ok("DirLowerCase", L"/dir=C:\\Suite", Options(Wizard, L"C:\\Suite")),
        Ok("DirQuotedValueWithBlankAndEquals", L"/DIR=\"C:\\Program Files\\a=b\"",
           Options(Wizard, L"C:\\Program Files\\a=b")),
        Ok("WholeTokenQuoted", L"\"/DIR=C:\\a b\"", Options(Wizard, L"C:\\a b")),
        Ok("QuotesInTheMiddle", L"/DIR=C:\\\"Program Files\"\\Suite", Options(Wizard, L"C:\\Program Files\\Suite")),
        Ok("TrailingBackslashBeforeQuote", L"/DIR=\"C:\\Suite\\\" /SILENT", Options(Silent, L"C:\\Suite\\")),
        Ok("CyrillicDirWithBlanks", L"/DIR=\"D:\\Ритмон Видео\\Папка с пробелами\" -silent",
           Options(Silent, L"D:\\Ритмон Видео\\Папка с пробелами")),
        Ok("LogQuoted", L"/LOG=\"C:\\Журналы\\setup log.txt\"", Options(Wizard, nullptr, false, L"C:\\Журналы\\setup log.txt")),
        Ok("Tabs", L"\t/VERYSILENT\t/DIR=\"C:\\a\tb\"\t", Options(VerySilent, L"C:\\a\tb")),
        Ok("LeadingAndTrailingBlanks", L"   /NODRIVER   ", Options(Wizard, nullptr, true)),
        Ok("Everything", L"/VERYSILENT /DIR=\"C:\\a b\" /NODRIVER /LOG=c:\\l.txt",
           Options(VerySilent, L"C:\\a b", true, L"c:\\l.txt")),
        Ok("QuestionMark", L"/?", HelpOnly()),
        Ok("QuestionMarkDash", L"-?", HelpOnly()),
        Ok("HelpLowerCase", L"/help", HelpOnly()),
        Ok("HelpWithOthers", L"/SILENT /?", Options(Silent, nullptr, false, L"", true)),
        Ok("Uninstall", L"/uninstall", Uninstall(Options(Wizard))),
        Ok("UninstallUnattendedWithFolderAndLog", L"-UNINSTALL /VERYSILENT /DIR=\"C:\\Ритмон Видео\" /LOG=u.log",
           Uninstall(Options(VerySilent, L"C:\\Ритмон Видео", false, L"u.log"))),
        Ok("UninstallHandOver", L"/UNINSTALL /SILENT /HANDOVER=120,4294967295",
           Uninstall(Options(Silent), 120, 4294967295ul)),
        Ok("HandOverBeforeUninstall", L"-handover=1,2 -uninstall", Uninstall(Options(Wizard), 1, 2)),
        Ok("VerifyQuietlyWithFolderAndLog", L"/verify /VERYSILENT /DIR=\"C:\\Ритмон\" /LOG=v.log",
           Verify(Options(VerySilent, L"C:\\Ритмон", false, L"v.log"))),

        Bad("UnknownSwitch", L"/FOO", Unknown, L"/FOO"),
        Bad("UnknownAfterGood", L"/SILENT -foo", Unknown, L"-foo"),
        Bad("LongerName", L"/SILENTLY", Unknown, L"/SILENTLY"),
        Bad("ShorterName", L"/SIL", Unknown, L"/SIL"),
        Bad("DoubleDash", L"--SILENT", Unknown, L"--SILENT"),
        Bad("BareSlash", L"/", Unknown, L"/"),
        Bad("CyrillicSwitch", L"/ТИХО", Unknown, L"/ТИХО"),
        Bad("UnknownWithValue", L"/TARGET=\"C:\\a b\"", Unknown, L"/TARGET=\"C:\\a b\""),
        Bad("DirWithoutValue", L"/DIR", NoValue, L"/DIR"),
        Bad("DirEmptyValue", L"/DIR= /SILENT", NoValue, L"/DIR="),
        Bad("DirEmptyQuotedValue", L"/DIR=\"\"", NoValue, L"/DIR=\"\""),
        Bad("LogWithoutValue", L"/SILENT /log", NoValue, L"/log"),
        Bad("SilentTwice", L"/SILENT /SILENT", Repeated, L"/SILENT"),
        Bad("SilentTwiceOtherSpelling", L"/silent -SILENT", Repeated, L"-SILENT"),
        Bad("VerySilentTwice", L"/VERYSILENT /SILENT /verysilent", Repeated, L"/verysilent"),
        Bad("DirTwice", L"/DIR=C:\\a /DIR=C:\\b", Repeated, L"/DIR=C:\\b"),
        Bad("DirTwiceSameValue", L"/DIR=C:\\a /DIR=C:\\a", Repeated, L"/DIR=C:\\a"),
        Bad("LogTwice", L"/LOG=a /LOG=b", Repeated, L"/LOG=b"),
        Bad("NoDriverTwice", L"/NODRIVER /nodriver", Repeated, L"/nodriver"),
        Bad("HelpBothSpellings", L"/? /HELP", Repeated, L"/HELP"),
        Bad("FlagWithValue", L"/SILENT=1", FlagValue, L"/SILENT=1"),
        Bad("FlagWithEmptyValue", L"/NODRIVER=", FlagValue, L"/NODRIVER="),
        Bad("HelpWithValue", L"/?=yes", FlagValue, L"/?=yes"),
        Bad("StrayWord", L"/SILENT setup", Stray, L"setup"),
        Bad("StrayPath", L"\"C:\\Program Files\\Suite\"", Stray, L"\"C:\\Program Files\\Suite\""),
        Bad("EmptyQuotedToken", L"/SILENT \"\"", Stray, L"\"\""),
        Bad("EmDashIsNotAPrefix", L"\u2014SILENT", Stray, L"\u2014SILENT"),
        Bad("UnclosedQuote", L"/DIR=\"C:\\a b /SILENT", OpenQuote, L"/DIR=\"C:\\a b /SILENT"),
        Bad("UninstallTwice", L"/UNINSTALL /uninstall", Repeated, L"/uninstall"),
        Bad("UninstallWithValue", L"/UNINSTALL=yes", FlagValue, L"/UNINSTALL=yes"),
        Bad("VerifyWithUninstall", L"/UNINSTALL /VERIFY", NotWithUninstall, L"/VERIFY"),
        Bad("VerifyWithValue", L"/VERIFY=all", FlagValue, L"/VERIFY=all"),
        Bad("HandOverWithoutUninstall", L"/SILENT /HANDOVER=1,2", OnlyUninstall, L"/HANDOVER=1,2"),
        Bad("HandOverWithoutValue", L"/UNINSTALL /HANDOVER", NoValue, L"/HANDOVER"),
        Bad("HandOverNotNumbers", L"/UNINSTALL /HANDOVER=a,b", BadValue, L"/HANDOVER=a,b"),
        Bad("HandOverOneNumber", L"/UNINSTALL /HANDOVER=12", BadValue, L"/HANDOVER=12"),
        Bad("HandOverThreeNumbers", L"/UNINSTALL /HANDOVER=1,2,3", BadValue, L"/HANDOVER=1,2,3"),
        Bad("HandOverSecondMissing", L"/UNINSTALL /HANDOVER=5,", BadValue, L"/HANDOVER=5,"),
        Bad("HandOverFirstMissing", L"/UNINSTALL /HANDOVER=,5", BadValue, L"/HANDOVER=,5"),
        Bad("HandOverZero", L"/UNINSTALL /HANDOVER=0,5", BadValue, L"/HANDOVER=0,5"),
        Bad("HandOverBeyond32Bits", L"/UNINSTALL /HANDOVER=4294967296,5", BadValue, L"/HANDOVER=4294967296,5"),
        Bad("HandOverSigned", L"/UNINSTALL /HANDOVER=+1,-5", BadValue, L"/HANDOVER=+1,-5"),
        Bad("HandOverTwice", L"/UNINSTALL /HANDOVER=1,2 /HANDOVER=1,2", Repeated, L"/HANDOVER=1,2")),
    [](const ::testing::TestParamInfo<TParseCase>& Info) { return std::string(Info.param.Name); });

struct TArgumentsCase {
  const char* Name;
  const wchar_t* CommandLine;
  const wchar_t* Arguments;
};

void PrintTo(const TArgumentsCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ArgumentsOfTest : public ::testing::TestWithParam<TArgumentsCase> {};

TEST_P(ArgumentsOfTest, DropsTheProgramName) {
  EXPECT_EQ(ArgumentsOf(GetParam().CommandLine), std::wstring(GetParam().Arguments));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ArgumentsOfTest,
    ::testing::Values(
        TArgumentsCase{"QuotedPathWithBlanks", L"\"C:\\Program Files\\Setup\\Install.exe\" /SILENT /DIR=\"C:\\a b\"",
                       L"/SILENT /DIR=\"C:\\a b\""},
        TArgumentsCase{"CyrillicQuotedPathNoArguments", L"\"D:\\Дистрибутив с пробелами\\Install.exe\"", L""},
        TArgumentsCase{"Unquoted", L"C:\\Setup\\Install.exe /silent", L"/silent"},
        TArgumentsCase{"UnquotedNoArguments", L"Install.exe", L""},
        TArgumentsCase{"BlanksAfterName", L"Install.exe   \t /NODRIVER", L"/NODRIVER"},
        TArgumentsCase{"TabAfterName", L"Install.exe\t-?", L"-?"},
        TArgumentsCase{"NoBlankAfterClosingQuote", L"\"C:\\a b\\Install.exe\"/SILENT", L"/SILENT"},
        TArgumentsCase{"QuoteInsideUnquotedNameDoesNotGroup", L"C:\\a\"b c\"\\Install.exe /SILENT",
                       L"c\"\\Install.exe /SILENT"},
        TArgumentsCase{"UnclosedQuotedName", L"\"C:\\a b\\Install.exe /SILENT", L""},
        TArgumentsCase{"Empty", L"", L""}),
    [](const ::testing::TestParamInfo<TArgumentsCase>& Info) { return std::string(Info.param.Name); });

TEST(CommandLine, ProgramLineToOptions) {
  TInstallOptions options;
  std::wstring error;
  ASSERT_TRUE(ParseInstallOptions(
      ArgumentsOf(L"\"C:\\Дистрибутив\\Install.exe\" /verysilent /DIR=\"C:\\Ритмон Видео\" /LOG=\"C:\\a b.log\""),
      options, error))
      << ::testing::PrintToString(error);
  EXPECT_EQ(options, Options(VerySilent, L"C:\\Ритмон Видео", false, L"C:\\a b.log"));
}

// What the help box lists must be what the parser takes.
TEST(CommandLine, HelpTextNamesEverySwitchTheParserAccepts) {
  const std::wstring help = InstallHelpText();
  struct {
    const wchar_t* Shown;
    const wchar_t* Accepted;
  } const switches[] = {
      {L"/SILENT", L"/SILENT"}, {L"/VERYSILENT", L"/VERYSILENT"}, {L"/DIR=", L"/DIR=C:\\a"},
      {L"/NODRIVER", L"/NODRIVER"}, {L"/LOG=", L"/LOG=a.log"},     {L"/?", L"/?"},
      {L"/HELP", L"/HELP"},         {L"/UNINSTALL", L"/UNINSTALL"},
  };
  for (const auto& s : switches) {
    EXPECT_NE(help.find(s.Shown), std::wstring::npos) << ::testing::PrintToString(std::wstring(s.Shown));
    TInstallOptions options;
    std::wstring error;
    EXPECT_TRUE(ParseInstallOptions(s.Accepted, options, error)) << ::testing::PrintToString(error);
  }
}

TEST(CommandLine, HelpTextListsEveryExitCode) {
  const std::wstring help = InstallHelpText();
  for (int code : {ecInstalled, ecBadCommandLine, ecCancelled, ecBadTargetFolder, ecInstallFailed, ecSuiteRunning,
                   ecNoDiskSpace, ecDamagedDistribution, ecVerifyDifferences}) {
    EXPECT_NE(help.find(L"\n" + std::to_wstring(code) + L" — "), std::wstring::npos) << code;
  }
  EXPECT_EQ(help.find(L"\n9 — "), std::wstring::npos);
}

}  // namespace
