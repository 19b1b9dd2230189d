#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace oxlen_mesh {

/// Writes a file through `write`, all or nothing: `write` fills a temporary file in the same
/// folder as `path`, which is flushed to disk and renamed over `path` only once it is complete.
/// When anything fails, or `write` throws, the temporary file is removed and `path` is left as it
/// was (missing, or with its previous content). An interruption can leave at most a hidden
/// temporary file, never a partial `path`.
/// @throws std::runtime_error, one line naming `path`, when the file cannot be created, written
///         or renamed; whatever `write` throws is passed on unchanged.
void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

}  // namespace oxlen_mesh
