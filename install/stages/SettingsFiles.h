#pragma once
// The small pieces of configuration the installation leaves for the suite's programs. Target is the
// target folder with a trailing backslash.
#include <string>

// "FilterType" = 0 and "HardwareType" = 1 in section "options" of Target + "Settings\rarovu.ini";
// every other line of the file stays as it was. Throws EProgramError when the file cannot be written.
void WriteInstallKeys(const std::wstring& Target);

// Target + "Settings\lastnum.dta": one packed 14-byte record (0, last number 0, the local date and time
// as days since 30 December 1899), written only when the settings folder exists and the file does not.
// Never reports a failure.
void WriteLastNumberFile(const std::wstring& Target);

// "Disk" = "I" in section "Common" of Target + "btooth.ini" (the sibling product's settings file).
// Throws EProgramError when the file cannot be written.
void WriteSiblingSettings(const std::wstring& Target);
