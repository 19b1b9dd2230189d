#pragma once

#include <atomic>

#include "options.h"

namespace oxlen_mesh {

/// The exit status of a run that Ctrl-C stopped.
inline constexpr int kExitCancelled = 130;

/// Meshes the STEP model of `options`: imports it, meshes every face in parallel, improves the
/// borders, stitches the faces into one surface, checks it, writes it and reports.
/// @param[in] options the command line; `options.model` names the file.
/// @param[in] cancel  raised (from a signal handler) to stop the run; no output is written then.
/// @return 0, or kExitCancelled when the run was stopped.
/// @throws std::exception with a one-line message for the user when the file cannot be read,
///         holds no geometry, or the output cannot be written (or this build has no STEP
///         importer).
int RunStepModel(const Options& options, std::atomic<bool>& cancel);

}  // namespace oxlen_mesh
