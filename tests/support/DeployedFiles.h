#pragma once
// The database stage's files, as the sample distribution and the engine tests' small one both hold them.
#include <string>
#include <vector>

namespace testsupport {

// Where a file lies in the distribution and where it goes in the target, relative to the two folders.
struct DeployedFile {
  std::wstring From, To, Name;
};
// The database stage's files in copy order.
std::vector<DeployedFile> DeployedFiles();

}  // namespace testsupport
