#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace oxlen_mesh {

/// The settings of one run of the tool.
struct Options {
  /// The STEP model to mesh; without it the embedded default model is meshed.
  std::optional<std::string> model;
  /// Chordal tolerance in model units; when absent it is `relative` times the model's diagonal
  /// (for the embedded default model: 0.01).
  std::optional<double> tolerance;
  std::optional<double> relative;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
  std::size_t maxQuads = 200000;
  /// Worker threads; 0: every core.
  std::size_t threads = 0;
  bool improve = true;
  bool stitch = true;
  bool normals = false;
  bool asciiStl = false;
  bool quiet = false;
  /// Files to write the mesh to (each in the format its extension names).
  std::vector<std::string> outputs;
  std::optional<std::string> report;
  /// A STEP file whose mapping onto faces is reported instead of meshing.
  std::optional<std::string> importCheck;
  bool help = false;
};

/// The relative tolerance a STEP model is meshed at when none is given.
inline constexpr double kDefaultRelativeTolerance = 0.001;
/// The tolerance of the embedded default model when none is given.
inline constexpr double kDefaultModelTolerance = 0.01;

/// Parses the command line (without the program name).
/// @throws std::invalid_argument with a message for the user on an unknown option, a missing or
///         malformed value, an output file of unknown format, or contradictory options.
Options ParseOptions(const std::vector<std::string>& arguments);

/// The text printed by --help.
std::string UsageText();

}  // namespace oxlen_mesh
