#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <vector>

#include "CommonTestFiles.h"
#include "RH_Common_Const.h"
#include "RH_Common_Proc.h"
#include "RH_Common_Var.h"

namespace {

// The vocabulary as the suite defines it. Localised rows carry their language-file key; nullptr marks a
// row that is never localised.
struct TRow {
  const wchar_t* Russian;
  const wchar_t* Key;
};

const TRow BodyTypes[] = {{L"Нормостеник", L"Normo"}, {L"Гиперстеник", L"Giper"}, {L"Астеник", L"Asten"}};

const TRow Diagnoses[] = {
    {L"Гипертония", L"Gip"},
    {L"Нефрит или пиелонефрит", L"NIP"},
    {L"Нарушение мозгового кровообращения", L"NMK"},
    {L"ИБС", L"IBS"},
    {L"Стенокардия", L"Ste"},
    {L"Постинфарктный кардиосклероз", L"PKa"},
    {L"Инфаркт, подострая фаза", L"IPF"},
    {L"Ревматизм", L"Rev"},
    {L"НЦД", L"NCD"},
    {L"Хрон. неспецифич. заболевания легких", L"HNZ"},
    {L"Бронхиальная астма", L"BAs"},
    {L"Инфаркт, острая фаза", L"IOF"},
    {L"Митральный стеноз", L"MSt"},
    {L"Аортальный порок или митр. недостат", L"API"},
    {L"Дефект межжелудочковой перегородки", L"DMP"},
    {L"Дефект межпредсердной перегородки", L"DMPP"},
    {L"Общий артериальный проток", L"OAP"},
    {L"Стеноз аорты", L"SAo"},
    {L"Коарктация аорты", L"KAo"},
    {L"Стеноз лег. арт, тетр. и триада Фало", L"SLA"},
    {L"Искусственный водитель ритма", L"IVR"},
    {L"Сахарный диабет", nullptr},
};

const TRow Drugs[] = {
    {L"сердечные гликозиды", L"SGl"}, {L"хинидин", L"Hin"},         {L"кордарон", L"Kor"},
    {L"пр. антиритмические", L"PAn"}, {L"нитропрепараты", L"NPr"},  {L"Антогонисты Ca", L"ACA"},
    {L"Б-блокаторы", L"BBl"},         {L"антигипертензионные", L"Ant"}, {L"диуретики", L"Diu"},
};

const TRow Conduction[] = {
    {L"Норма", L"Norm"}, {L"БЛН", L"BLN"}, {L"БПН", L"BPN"}, {L"WPW", nullptr}, {L"Не определен", L"nOp"},
};

const TRow ProcTexts[] = {{L"СБОЙ", L"Sbo"}, {L"МЕТКА", L"Met"}, {L"н", L"nnn"}, {L"с", L"sss"}};

struct TLocalisedTable {
  const char* Name;
  const wchar_t* Section;
  std::vector<std::wstring*> Rows;
  std::vector<TRow> Expected;
};

template <size_t N, size_t M>
TLocalisedTable Table(const char* Name, std::array<std::wstring, N>& Rows, const TRow (&Expected)[M]) {
  static_assert(N == M, "the table has the defined number of rows");
  TLocalisedTable table{Name, L"RH_Messages", {}, std::vector<TRow>(std::begin(Expected), std::end(Expected))};
  for (std::wstring& row : Rows) table.Rows.push_back(&row);
  return table;
}

std::vector<TLocalisedTable> LocalisedTables() {
  return {Table("BodyTypeNames", BodyTypeNames, BodyTypes), Table("DiagnosisNames", DiagnosisNames, Diagnoses),
          Table("DrugNames", DrugNames, Drugs), Table("ConductionNames", ConductionNames, Conduction),
          {"RH_Common_Proc texts", L"RH_Common_Proc", {&Text_Sbo, &Text_Met, &Text_nnn, &Text_sss},
           std::vector<TRow>(std::begin(ProcTexts), std::end(ProcTexts))}};
}

void RestoreRussian() {
  for (TLocalisedTable& table : LocalisedTables()) {
    for (size_t i = 0; i < table.Rows.size(); ++i) *table.Rows[i] = table.Expected[i].Russian;
  }
}

// Every localised row holds its Russian text, except the rows named in Changed.
void ExpectLocalisedRows(const std::map<std::wstring*, std::wstring>& Changed, const std::string& Context) {
  for (const TLocalisedTable& table : LocalisedTables()) {
    for (size_t i = 0; i < table.Rows.size(); ++i) {
      const auto change = Changed.find(table.Rows[i]);
      EXPECT_EQ(*table.Rows[i], change != Changed.end() ? change->second : table.Expected[i].Russian)
          << Context << ": " << table.Name << " row " << i;
    }
  }
}

// The tables that are never localised, rows counted from 0; rows not listed are empty.
const std::map<int, const wchar_t*> ElementRows = {
    {0, L"Текст"}, {1, L"Фон"}, {2, L"Сетка"}, {3, L"Курсор"}, {5, L"Линейка"},
    {10, L"Отвед. V2 для ЭКГ, ST, T-"}, {11, L"Отвед. V5 для ЭКГ, ST, T-"}, {12, L"Отвед. avF(V1) для ЭКГ, ST, T-"},
    {15, L"Интервал RR"}, {16, L"ЧСС"}, {17, L"QT"}, {18, L"QT нормы"}, {19, L"QTc"}, {20, L"Дисперсия QT"},
    {21, L"Альтернация T"}, {22, L"QT должное"},
    {30, L"Норма"}, {31, L"Помехи"}, {32, L"Жел. экстрасистола"}, {33, L"Наджел. экстрасистола"},
    {34, L"Аритмия"}, {35, L"Жел. под вопросом"}, {36, L"Пауза"}, {39, L"Прех. наруш. проводимости"},
    {40, L"Парасистола"}, {41, L"Навязанный A"}, {42, L"Навязанный V"}, {43, L"Навязанный D"},
    {44, L"Безответный "}, {45, L"Сливной"}, {46, L"Преждевременный"}, {47, L"Парасистола"},
    {50, L"Ритм \"Не определен\""}, {51, L"Ритм \"Синусовый\""}, {52, L"Ритм \"Предсердный\""},
    {53, L"Ритм \"Предсердный ?\""}, {54, L"Ритм \"Фибр.предсердий\""}, {55, L"Ритм \"Миграция водителя ритма\""},
    {56, L"Ритм \"Наджел.тахикардия\""}, {57, L"Ритм \"Син.тахикардия\""}, {58, L"Ритм \"AV-ритм\""},
    {59, L"Ритм \"Желудочковый\""}, {60, L"Ритм \"Артифициальный\""}, {61, L"Норма (конец эпизода преходящих)"},
    {62, L"Эпизод преходящих БЛН"}, {63, L"Эпизод преходящих БПН"}, {64, L"Эпизод преодящих WPW"},
    {65, L"Эпизод преходящих (неясно)"}, {66, L"Ритм \"Наджел.абер.тахикардия\""},
    {70, L"Эпизод \"Бодрствование\""}, {71, L"Эпизод \"Сон\""}, {72, L"Пауза под вопросом"},
    {73, L"Наджел. под вопросом"},
};

struct TFixedTable {
  const char* Name;
  std::vector<std::wstring> Actual;
  std::vector<std::wstring> Expected;
};

template <size_t N>
std::vector<std::wstring> Rows(const std::array<std::wstring, N>& Table) {
  return std::vector<std::wstring>(Table.begin(), Table.end());
}

std::vector<TFixedTable> FixedTables() {
  std::vector<std::wstring> elements(74);
  for (const auto& [row, text] : ElementRows) elements[row] = text;
  std::vector<std::wstring> reportKeys = {
      L"Common", L"Rythm", L"Pulse", L"ConductionAbnormality", L"Supraventricular", L"Ventricular",
      L"BlockadeAndPause", L"PQ", L"ST", L"QT", L"Variability", L"TWAanalisys", L"HRTanalisys", L"HRanalisys",
      L"BadMarks", L"MainDecision", L"AdditionalGraphs", L"Scrinig", L"Dinamic", L"AD", L"AverComplex",
      L"DoctorDecision", L"Recomendation"};
  std::vector<std::wstring> reportKeys2 = reportKeys;
  reportKeys2[1] = L"Rhythm";
  reportKeys2[17] = L"Screening";
  reportKeys2[18] = L"Dynamics";
  return {
      {"ElementNames", Rows(ElementNames), elements},
      {"ToleranceNames", Rows(ToleranceNames), {L"резко снижена", L"снижена", L"удовлетворительная", L"высокая"}},
      {"ActivityAdvice", Rows(ActivityAdvice),
       {L"Подьем тяжестей до 15 кг, сезонные садово-огородные работы полностью, работа по дому полностью, "
        L"занятия в группах здоровья, волейбол, настольный тенис, бадминтон, плаванье, лыжи.",
        L"Темп ходьбы 110 - 120 шагов/мин. (4.5 - 5 км/ч)",
        L"Подьем тяжестей до 7-8 кг, на огороде нельзя копать, работа по дому полностью, подвижные игры до 10 "
        L"мин., плаванье, лыжи.",
        L"Темп ходьбы 110 шагов/мин. (4.5 км/ч)",
        L"Подьем тяжестей до 3-4 кг, на садовом участке - полив, уборка урожая, нельзя копать. Уборка квартиры "
        L"(кроме мытья полов), подвижные игры до 10 мин., плаванье. Лыжи противопоказаны.",
        L"Темп ходьбы 90 шагов/мин. (4 км/ч)",
        L"Нуждается в постороннем уходе.",
        L"Темп ходьбы 70 - 80 шагов/мин. (3 - 3.5 км/ч)"}},
      {"ReportSectionKeys", Rows(ReportSectionKeys), reportKeys},
      {"ReportSectionKeys2", Rows(ReportSectionKeys2), reportKeys2},
      {"StressTestKeys", Rows(StressTestKeys),
       {L"Target", L"CriteriaIdx", L"Criteria", L"MainDecision", L"FunctionalClass", L"Tolerance",
        L"PrintRecomendations", L"Preparat", L"PorogWatt", L"MarkOut", L"MarkOutIdx"}},
      {"BloodPressureKeys", Rows(BloodPressureKeys),
       {L"ADCommon", L"ADMainDec", L"ADDoctorDecision", L"ADRecomendation", L"4", L"5", L"6", L"ADCOS",
        L"Rusults_Tag"}},
      {"LeadNames", Rows(LeadNames),
       {L"I", L"II", L"III", L"avR", L"avL", L"avF", L"V1", L"V2", L"V3", L"V4", L"V5", L"V6", L"D", L"A", L"J"}},
  };
}

void ExpectFixedTables(const std::string& Context) {
  for (const TFixedTable& table : FixedTables()) {
    ASSERT_EQ(table.Actual.size(), table.Expected.size()) << table.Name;
    for (size_t i = 0; i < table.Actual.size(); ++i) {
      EXPECT_EQ(table.Actual[i], table.Expected[i]) << Context << ": " << table.Name << " row " << i;
    }
  }
}

class Vocabulary : public ::testing::Test {
 protected:
  TTempFolder Temp;
  std::wstring SavedLanguageFile = LanguageFile;
  int Files = 0;

  void SetUp() override { RestoreRussian(); }
  void TearDown() override {
    LanguageFile = SavedLanguageFile;
    RestoreRussian();
  }
  // A language file of its own for each case.
  std::wstring NewLanguageFile() { return Temp.Path() + L"EngView" + std::to_wstring(++Files) + L".lng"; }
  void LocaliseFrom(const std::string& Bytes) {
    RestoreRussian();
    LanguageFile = NewLanguageFile();
    WriteFileBytes(LanguageFile, Bytes);
    LocaliseTables();
  }
};

TEST_F(Vocabulary, TablesHoldTheSuitesTextsAndRussianLocalisationKeepsThem) {
  ExpectLocalisedRows({}, "initialised");
  ExpectFixedTables("initialised");
  // The abbreviations' full stops are followed by a space.
  EXPECT_EQ(DiagnosisNames[9], L"Хрон. неспецифич. заболевания легких");
  EXPECT_EQ(DiagnosisNames[19], L"Стеноз лег. арт, тетр. и триада Фало");

  // Russian in force: no language file, or one that is not there.
  for (const std::wstring& file : {std::wstring(), Temp.Path() + L"EngView.lng"}) {
    LanguageFile = file;
    LocaliseTables();
    ExpectLocalisedRows({}, "no language file");
    ExpectFixedTables("no language file");
  }
}

TEST_F(Vocabulary, EveryLocalisedRowReadsItsOwnKey) {
  // Each key present, with a text made from the key; the two unlocalised rows get keys tried too.
  std::string file = "[RH_Messages]\r\nWPW=x\r\nSah=x\r\nSDi=x\r\n";
  std::map<std::wstring*, std::wstring> changed;
  for (const TLocalisedTable& table : LocalisedTables()) {
    if (std::wstring(table.Section) == L"RH_Common_Proc") file += "[RH_Common_Proc]\r\n";
    for (size_t i = 0; i < table.Rows.size(); ++i) {
      if (!table.Expected[i].Key) continue;
      const std::wstring key = table.Expected[i].Key;
      file += std::string(key.begin(), key.end()) + "=English " + std::string(key.begin(), key.end()) + "\r\n";
      changed[table.Rows[i]] = L"English " + key;
    }
  }
  ASSERT_EQ(changed.size(), 37u + 4u);
  LocaliseFrom(file);
  ExpectLocalisedRows(changed, "all keys");
  EXPECT_EQ(DiagnosisNames[21], L"Сахарный диабет");
  EXPECT_EQ(ConductionNames[3], L"WPW");
  ExpectFixedTables("all keys");
}

TEST_F(Vocabulary, LanguageFileCases) {
  const std::string overlong(3000, 'L');
  const struct {
    const char* Name;
    std::string File;
    std::map<std::wstring*, std::wstring> Changed;
  } cases[] = {
      {"only Normo", "[RH_Messages]\r\nNormo=Normosthenic\r\n", {{&BodyTypeNames[0], L"Normosthenic"}}},
      {"lower-case section and key", "[rh_messages]\r\nNORMO=Normosthenic\r\n[rh_common_proc]\r\nmet=MARK\r\n",
       {{&BodyTypeNames[0], L"Normosthenic"}, {&Text_Met, L"MARK"}}},
      {"keys of unlocalised rows", "[RH_Messages]\r\nWPW=Wolff\r\nDiabetes=Diabetes\r\nSDi=Diabetes\r\n", {}},
      {"keys in the wrong section", "[RH_Common_Proc]\r\nNormo=Normosthenic\r\n[RH_Messages]\r\nSbo=FAILURE\r\n", {}},
      {"another section only", "[Messages]\r\nNormo=Normosthenic\r\n", {}},
      {"empty value", "[RH_Messages]\r\nGiper=\r\n[RH_Common_Proc]\r\nsss=\r\n",
       {{&BodyTypeNames[1], L""}, {&Text_sss, L""}}},
      {"overlong value", "[RH_Messages]\r\nDiu=" + overlong + "\r\n", {{&DrugNames[8], std::wstring(2047, L'L')}}},
      {"Cyrillic in cp1251", "[RH_Messages]\r\nnOp=\xCD\xE5 \xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xE0 \xB8\r\n",
       {{&ConductionNames[4], L"Не определена ё"}}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    LocaliseFrom(c.File);
    ExpectLocalisedRows(c.Changed, c.Name);
  }
  ExpectFixedTables("after the cases");
}

TEST_F(Vocabulary, ReadsAUtf16LanguageFile) {
  LanguageFile = NewLanguageFile();
  WriteUtf16File(LanguageFile, L"[RH_Messages]\r\nAsten=Asthénique\r\n[RH_Common_Proc]\r\nSbo=Σφάλμα\r\n");
  LocaliseTables();
  // Neither text fits cp1251: they come through only when the file is read as UTF-16.
  ExpectLocalisedRows({{&BodyTypeNames[2], L"Asthénique"}, {&Text_Sbo, L"Σφάλμα"}}, "UTF-16");
}

}  // namespace
