#pragma once
// "ReleaseInfo": the suite's record of its release level, an XML document the updater reads and
// rewrites. It comes with the distribution and is hostile input: read as bytes (at most 1 MiB) and
// parsed from memory by the one parser (HostileXml.h).
#include <string>

// Sets the Level element of Folder + "ReleaseInfo" (whose Version must be 1). Throws EProgramError
// "Cannot get release information, error: <cause>" for a file that cannot be read, parsed, changed or
// saved, and "Release info file does not exist" when there is none.
void UpdateReleaseInfo(const std::wstring& Folder, const std::wstring& Level);

// The release level written into Folder + "ReleaseInfo" (the text of ROOT's Level element); empty when
// there is no such file, it is not a release file, or no plain level (letters, digits, ".", "-", "_",
// at most 32) is in it.
std::wstring RecordedReleaseLevel(const std::wstring& Folder);
