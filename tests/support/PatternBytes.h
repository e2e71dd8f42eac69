#pragma once
// Test contents whose bytes differ from position to position, so a shifted, repeated or misplaced piece
// of a copy or a read shows.
#include <cstddef>
#include <string>

namespace testsupport {

std::string PatternBytes(size_t Size);

}  // namespace testsupport
