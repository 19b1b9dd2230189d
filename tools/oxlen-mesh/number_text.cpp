#include "number_text.h"

#include <charconv>

namespace oxlen_mesh {

void AppendNumber(std::string& text, double value) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  text.append(digits, result.ptr);
}

}  // namespace oxlen_mesh
