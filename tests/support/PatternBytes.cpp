#include "PatternBytes.h"

namespace testsupport {

std::string PatternBytes(size_t Size) {
  std::string bytes(Size, '\0');
  unsigned state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 23);
  }
  return bytes;
}

}  // namespace testsupport
