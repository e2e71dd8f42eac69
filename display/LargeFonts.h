#pragma once
// The display's large-font setting, switched through the system setup library.

// Calls "SetupChangeFontSize"(no owner, "120") of "syssetup.dll" from the system folder (never a copy
// beside the program or in the current folder). False when the library or its export is missing or the
// call reports failure; nothing is shown.
bool SwitchToLargeFonts();

// The restart that follows: other programs are asked to close and may save their documents; only hung
// ones are ended.
constexpr unsigned RestartAfterFontChangeFlags = 0x02 /* EWX_REBOOT */ | 0x10 /* EWX_FORCEIFHUNG */;
