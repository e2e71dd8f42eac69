#include "RH_Common_Const.h"

// Initialised data; the localised tables are overwritten in place at start-up.

std::array<std::wstring, 3> BodyTypeNames = {
    L"Нормостеник",
    L"Гиперстеник",
    L"Астеник",
};

std::array<std::wstring, 22> DiagnosisNames = {
    L"Гипертония",
    L"Нефрит или пиелонефрит",
    L"Нарушение мозгового кровообращения",
    L"ИБС",
    L"Стенокардия",
    L"Постинфарктный кардиосклероз",
    L"Инфаркт, подострая фаза",
    L"Ревматизм",
    L"НЦД",
    L"Хрон. неспецифич. заболевания легких",
    L"Бронхиальная астма",
    L"Инфаркт, острая фаза",
    L"Митральный стеноз",
    L"Аортальный порок или митр. недостат",
    L"Дефект межжелудочковой перегородки",
    L"Дефект межпредсердной перегородки",
    L"Общий артериальный проток",
    L"Стеноз аорты",
    L"Коарктация аорты",
    L"Стеноз лег. арт, тетр. и триада Фало",
    L"Искусственный водитель ритма",
    L"Сахарный диабет",
};

std::array<std::wstring, 9> DrugNames = {
    L"сердечные гликозиды",
    L"хинидин",
    L"кордарон",
    L"пр. антиритмические",
    L"нитропрепараты",
    L"Антогонисты Ca",
    L"Б-блокаторы",
    L"антигипертензионные",
    L"диуретики",
};

std::array<std::wstring, 5> ConductionNames = {
    L"Норма",
    L"БЛН",
    L"БПН",
    L"WPW",
    L"Не определен",
};

std::array<std::wstring, 74> ElementNames = {
    L"Текст",  // 0
    L"Фон",  // 1
    L"Сетка",  // 2
    L"Курсор",  // 3
    L"",  // 4
    L"Линейка",  // 5
    L"",  // 6
    L"",  // 7
    L"",  // 8
    L"",  // 9
    L"Отвед. V2 для ЭКГ, ST, T-",  // 10
    L"Отвед. V5 для ЭКГ, ST, T-",  // 11
    L"Отвед. avF(V1) для ЭКГ, ST, T-",  // 12
    L"",  // 13
    L"",  // 14
    L"Интервал RR",  // 15
    L"ЧСС",  // 16
    L"QT",  // 17
    L"QT нормы",  // 18
    L"QTc",  // 19
    L"Дисперсия QT",  // 20
    L"Альтернация T",  // 21
    L"QT должное",  // 22
    L"",  // 23
    L"",  // 24
    L"",  // 25
    L"",  // 26
    L"",  // 27
    L"",  // 28
    L"",  // 29
    L"Норма",  // 30
    L"Помехи",  // 31
    L"Жел. экстрасистола",  // 32
    L"Наджел. экстрасистола",  // 33
    L"Аритмия",  // 34
    L"Жел. под вопросом",  // 35
    L"Пауза",  // 36
    L"",  // 37
    L"",  // 38
    L"Прех. наруш. проводимости",  // 39
    L"Парасистола",  // 40
    L"Навязанный A",  // 41
    L"Навязанный V",  // 42
    L"Навязанный D",  // 43
    L"Безответный ",  // 44
    L"Сливной",  // 45
    L"Преждевременный",  // 46
    L"Парасистола",  // 47
    L"",  // 48
    L"",  // 49
    L"Ритм \"Не определен\"",  // 50
    L"Ритм \"Синусовый\"",  // 51
    L"Ритм \"Предсердный\"",  // 52
    L"Ритм \"Предсердный ?\"",  // 53
    L"Ритм \"Фибр.предсердий\"",  // 54
    L"Ритм \"Миграция водителя ритма\"",  // 55
    L"Ритм \"Наджел.тахикардия\"",  // 56
    L"Ритм \"Син.тахикардия\"",  // 57
    L"Ритм \"AV-ритм\"",  // 58
    L"Ритм \"Желудочковый\"",  // 59
    L"Ритм \"Артифициальный\"",  // 60
    L"Норма (конец эпизода преходящих)",  // 61
    L"Эпизод преходящих БЛН",  // 62
    L"Эпизод преходящих БПН",  // 63
    L"Эпизод преодящих WPW",  // 64
    L"Эпизод преходящих (неясно)",  // 65
    L"Ритм \"Наджел.абер.тахикардия\"",  // 66
    L"",  // 67
    L"",  // 68
    L"",  // 69
    L"Эпизод \"Бодрствование\"",  // 70
    L"Эпизод \"Сон\"",  // 71
    L"Пауза под вопросом",  // 72
    L"Наджел. под вопросом",  // 73
};

std::array<std::wstring, 4> ToleranceNames = {
    L"резко снижена",
    L"снижена",
    L"удовлетворительная",
    L"высокая",
};

// In pairs for four grades: a permitted load, then a walking pace.
std::array<std::wstring, 8> ActivityAdvice = {
    L"Подьем тяжестей до 15 кг, сезонные садово-огородные работы полностью, работа по дому полностью, занятия в группах здоровья, волейбол, настольный тенис, бадминтон, плаванье, лыжи.",
    L"Темп ходьбы 110 - 120 шагов/мин. (4.5 - 5 км/ч)",
    L"Подьем тяжестей до 7-8 кг, на огороде нельзя копать, работа по дому полностью, подвижные игры до 10 мин., плаванье, лыжи.",
    L"Темп ходьбы 110 шагов/мин. (4.5 км/ч)",
    L"Подьем тяжестей до 3-4 кг, на садовом участке - полив, уборка урожая, нельзя копать. Уборка квартиры (кроме мытья полов), подвижные игры до 10 мин., плаванье. Лыжи противопоказаны.",
    L"Темп ходьбы 90 шагов/мин. (4 км/ч)",
    L"Нуждается в постороннем уходе.",
    L"Темп ходьбы 70 - 80 шагов/мин. (3 - 3.5 км/ч)",
};

std::array<std::wstring, 23> ReportSectionKeys = {
    L"Common", L"Rythm", L"Pulse", L"ConductionAbnormality", L"Supraventricular", L"Ventricular",
    L"BlockadeAndPause", L"PQ", L"ST", L"QT", L"Variability", L"TWAanalisys", L"HRTanalisys", L"HRanalisys",
    L"BadMarks", L"MainDecision", L"AdditionalGraphs", L"Scrinig", L"Dinamic", L"AD", L"AverComplex",
    L"DoctorDecision", L"Recomendation",
};

std::array<std::wstring, 23> ReportSectionKeys2 = {
    L"Common", L"Rhythm", L"Pulse", L"ConductionAbnormality", L"Supraventricular", L"Ventricular",
    L"BlockadeAndPause", L"PQ", L"ST", L"QT", L"Variability", L"TWAanalisys", L"HRTanalisys", L"HRanalisys",
    L"BadMarks", L"MainDecision", L"AdditionalGraphs", L"Screening", L"Dynamics", L"AD", L"AverComplex",
    L"DoctorDecision", L"Recomendation",
};

std::array<std::wstring, 11> StressTestKeys = {
    L"Target", L"CriteriaIdx", L"Criteria", L"MainDecision", L"FunctionalClass", L"Tolerance",
    L"PrintRecomendations", L"Preparat", L"PorogWatt", L"MarkOut", L"MarkOutIdx",
};

std::array<std::wstring, 9> BloodPressureKeys = {
    L"ADCommon", L"ADMainDec", L"ADDoctorDecision", L"ADRecomendation", L"4", L"5", L"6", L"ADCOS",
    L"Rusults_Tag",
};

// The twelve standard leads, then the three Nehb leads.
std::array<std::wstring, 15> LeadNames = {
    L"I", L"II", L"III", L"avR", L"avL", L"avF", L"V1", L"V2", L"V3", L"V4", L"V5", L"V6", L"D", L"A", L"J",
};
