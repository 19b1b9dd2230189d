#pragma once

#include <string>

namespace oxlen_mesh {

/// Appends the shortest decimal text of `value` that reads back as exactly the same double
/// ("0.1", "1", "-2.5e-07"), the same in every locale.
void AppendNumber(std::string& text, double value);

}  // namespace oxlen_mesh
