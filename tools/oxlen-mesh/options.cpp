#include "options.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "mesh_writers.h"

namespace oxlen_mesh {
namespace {

// The number the whole text spells, or NaN.
double Number(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size() ? value : std::nan("");
}

// A number that is finite and at least 0.
struct MNonNegative : CLI::Validator {
  MNonNegative() {
    name_ = "NONNEGATIVE";
    func_ = [](const std::string& text) {
      const double value = Number(text);
      return std::isfinite(value) && value >= 0.0 ? std::string() : "must be a finite number >= 0";
    };
  }
};

// A number that is greater than 0 ("inf" allowed).
struct MPositive : CLI::Validator {
  MPositive() {
    name_ = "POSITIVE";
    func_ = [](const std::string& text) {
      const double value = Number(text);
      return value > 0.0 ? std::string() : "must be a number > 0";
    };
  }
};

// Counts are read as signed numbers and checked once parsed, so that a negative count is
// refused rather than wrapped around.
struct MCounts {
  std::optional<std::int64_t> maxQuads;
  std::optional<std::int64_t> threads;
};

std::size_t CheckedCount(const std::optional<std::int64_t>& value, std::size_t otherwise,
                         const char* option) {
  if (!value)
    return otherwise;
  if (*value < 0)
    throw std::invalid_argument(std::string(option) + ": must be a whole number >= 0");
  return static_cast<std::size_t>(*value);
}

struct MMeshPath : CLI::Validator {
  MMeshPath() {
    name_ = "MESH";
    func_ = [](const std::string& path) {
      return IsSupportedMeshPath(path)
                 ? std::string()
                 : "'" + path + "' has no known mesh extension (.stl, .obj, .ply, .glb, .gltf)";
    };
  }
};

// The command line with every option bound to `options`.
std::unique_ptr<CLI::App> MakeApp(Options& options, MCounts& counts) {
  auto app = std::make_unique<CLI::App>(
      "Meshes a STEP model into one closed triangle mesh: every face is triangulated within the "
      "chordal tolerance (faces in parallel), its border improved, and the faces stitched along "
      "the model's edges. Without a model it meshes an embedded model of one face of every "
      "surface kind.",
      "oxlen-mesh");
  app->add_option("model", options.model, "the STEP file (AP203, AP214, AP242)");
  app->add_option("-o,--output", options.outputs,
                  "write the mesh (may be given more than once); the format follows the "
                  "extension: .stl (binary; --ascii-stl for text), .obj, .ply, .glb, .gltf")
      ->check(MMeshPath());
  auto* tolerance = app->add_option("--tolerance", options.tolerance,
                                    "chordal tolerance in model units (millimetres)")
                        ->check(MNonNegative());
  auto* relative = app->add_option("--relative", options.relative,
                                   "chordal tolerance as a fraction of the model's bounding-box "
                                   "diagonal (default 0.001)")
                       ->check(MNonNegative());
  tolerance->excludes(relative);
  app->add_option("--max-edge-length", options.maxEdgeLength,
                  "longest grid edge near the trimming loops, > 0 or 'inf' (default inf)")
      ->check(MPositive());
  app->add_option("--max-quads", counts.maxQuads, "budget of grid quads per face (default 200000)");
  app->add_option("--threads", counts.threads, "worker threads (default: every core)");
  app->add_flag(
      "--no-improve", [&options](std::int64_t) { options.improve = false; },
      "keep each face's mesh as triangulated (no border improvement)");
  app->add_flag(
      "--no-stitch", [&options](std::int64_t) { options.stitch = false; },
      "leave the faces apart (no stitching)");
  app->add_flag("--normals", options.normals, "write vertex normals from the exact surfaces");
  app->add_flag("--ascii-stl", options.asciiStl, "write STL as text");
  app->add_option("--report", options.report, "write the report as JSON to this file");
  app->add_flag("-q,--quiet", options.quiet, "no progress display and no report on the terminal");
  app->add_option("--import-check", options.importCheck,
                  "read a STEP file and report how every face maps onto the library's faces "
                  "(surface kinds, loops, fins, faces that cannot be mapped and why) without "
                  "meshing; exits with 1 when a face is lost or the file has no geometry");
  return app;
}

}  // namespace

std::string UsageText() {
  Options unused;
  MCounts counts;
  return MakeApp(unused, counts)->help();
}

Options ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  MCounts counts;
  auto app = MakeApp(options, counts);
  // The library reads the arguments from the back.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    options.help = true;
  } catch (const CLI::ParseError& error) {
    throw std::invalid_argument(error.what());
  }
  options.maxQuads = CheckedCount(counts.maxQuads, options.maxQuads, "--max-quads");
  options.threads = CheckedCount(counts.threads, options.threads, "--threads");
  if (options.importCheck && (options.model || !options.outputs.empty())) {
    throw std::invalid_argument(
        "--import-check reads a file and writes nothing: give no model "
        "or --output with it");
  }
  if (!options.model && options.relative) {
    throw std::invalid_argument("--relative needs a model: the embedded model takes --tolerance");
  }
  return options;
}

}  // namespace oxlen_mesh
