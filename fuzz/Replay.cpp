// Runs a fuzz target without libFuzzer: each file named, and each file of each folder named (sorted,
// so a report names the same input every time), goes through LLVMFuzzerTestOneInput once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace fs = std::filesystem;

namespace {

bool Run(const fs::path& File) {
  std::ifstream in(File, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", File.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so a read one past its end is caught.
  std::vector<uint8_t> data(bytes.begin(), bytes.end());
  std::fprintf(stderr, "%s\n", File.c_str());
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      std::vector<fs::path> inFolder;
      for (const fs::directory_entry& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) inFolder.push_back(entry.path());
      }
      std::sort(inFolder.begin(), inFolder.end());
      files.insert(files.end(), inFolder.begin(), inFolder.end());
    } else {
      files.emplace_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  bool allRead = true;
  for (const fs::path& file : files) allRead = Run(file) && allRead;
  std::fprintf(stderr, "%zu inputs replayed\n", files.size());
  return allRead ? 0 : 1;
}
