#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace oxlen_mesh {

/// The settings of one run of the tool.
struct Options {
  double tolerance = 0.01;
  double maxEdgeLength = std::numeric_limits<double>::infinity();
  std::size_t maxQuads = 200000;
  std::optional<std::string> output;
  /// A STEP file whose mapping onto faces is reported instead of meshing.
  std::optional<std::string> importCheck;
  bool help = false;
};

/// Parses the command line (without the program name).
/// @throws std::invalid_argument with a message for the user on an unknown option, a missing or
///         malformed value, or an output file of unknown format.
Options ParseOptions(const std::vector<std::string>& arguments);

/// The text printed by --help.
std::string UsageText();

}  // namespace oxlen_mesh
