#include "options.h"

#include <cmath>
#include <stdexcept>

#include "mesh_writers.h"

namespace oxlen_mesh {
namespace {

double ParseNumber(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size())
    throw std::invalid_argument(option + ": '" + text + "' is not a number");
  return value;
}

std::size_t ParseCount(const std::string& option, const std::string& text) {
  const double value = ParseNumber(option, text);
  if (!(value >= 0.0) || value != std::floor(value) || value > 1e15)
    throw std::invalid_argument(option + ": '" + text + "' is not a whole number of quads");
  return static_cast<std::size_t>(value);
}

}  // namespace

std::string UsageText() {
  return "usage: oxlen-mesh [options]\n"
         "\n"
         "Meshes the embedded default model (a plane, a full cylinder, a sphere, a cone, a "
         "rational\n"
         "NURBS torus patch, and trimmed faces: a plate with holes, a cylinder with a hole across "
         "its\n"
         "seam, a sphere cap and a trimmed NURBS patch), prints per face and in total the surface\n"
         "kind, grid quads, vertices, triangles, border edges (per fin tag), time and the largest\n"
         "measured distance between the mesh and the exact surface, and writes the mesh.\n"
         "\n"
         "options:\n"
         "  --tolerance T        chordal tolerance in model units, >= 0 (default 0.01)\n"
         "  --max-edge-length L  longest grid edge near trimming loops, > 0 or 'inf' (default "
         "inf)\n"
         "  --max-quads N        budget of grid quads per face (default 200000)\n"
         "  --output FILE        write the mesh; the format follows the extension:\n"
         "                       .stl (binary STL), .obj (Wavefront OBJ), .ply (binary PLY)\n"
         "  --import-check FILE  read a STEP file and report how every face maps onto the\n"
         "                       library's faces (surface kinds, loops, fins, faces that cannot\n"
         "                       be mapped and why) without meshing; exits with 1 when a face\n"
         "                       is lost or the file has no geometry\n"
         "  --help               show this text\n";
}

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--help" || option == "-h") {
      options.help = true;
      continue;
    }
    if (option != "--tolerance" && option != "--max-edge-length" && option != "--max-quads" &&
        option != "--output" && option != "--import-check")
      throw std::invalid_argument("unknown option '" + option + "' (see --help)");
    if (i + 1 >= arguments.size())
      throw std::invalid_argument(option + ": a value is missing");
    const std::string& value = arguments[++i];
    if (option == "--tolerance") {
      options.tolerance = ParseNumber(option, value);
      if (!std::isfinite(options.tolerance) || options.tolerance < 0.0)
        throw std::invalid_argument(option + ": must be a finite number >= 0");
    } else if (option == "--max-edge-length") {
      options.maxEdgeLength = ParseNumber(option, value);
      if (std::isnan(options.maxEdgeLength) || !(options.maxEdgeLength > 0.0))
        throw std::invalid_argument(option + ": must be a number > 0");
    } else if (option == "--max-quads") {
      options.maxQuads = ParseCount(option, value);
    } else if (option == "--import-check") {
      options.importCheck = value;
    } else {
      if (!IsSupportedMeshPath(value))
        throw std::invalid_argument(option + ": '" + value +
                                    "' has no known mesh extension (.stl, .obj, .ply)");
      options.output = value;
    }
  }
  return options;
}

}  // namespace oxlen_mesh
