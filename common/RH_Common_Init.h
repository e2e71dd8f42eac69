#pragma once

// Initialises the suite's shared units in their fixed order, before the program's own start-up: the
// vocabulary tables (initialised data, ready before any code runs), the global environment (program
// folder, settings with the number format, language), then the localisation of the vocabulary.
// The program calls it first thing in wWinMain, so the order is written here and not left to the
// order in which the compiler runs static initialisers across files. A second call does nothing.
void InitialiseCommonUnits();
