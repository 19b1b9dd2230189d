// oxlen-mesh: meshes a STEP model (or the embedded default model) and writes the mesh.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <typeinfo>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

#include "default_model.h"
#include "import_check.h"
#include "mesh_writers.h"
#include "options.h"
#include "step_model_run.h"
#include "surface_deviation.h"
#include "surface_kind.h"

namespace {

using oxlen_mesh::NamedFace;
using oxlen_mesh::Options;

// One tag per fin of the face, numbering its fins from 1 in loop order.
std::vector<int> FinTags(const MCADFace& face) {
  std::vector<int> tags;
  for (const auto& loop : face.Loops())
    for (std::size_t i = 0; i < loop->FinCount(); ++i)
      tags.push_back(static_cast<int>(tags.size()) + 1);
  return tags;
}

// "tag:count" for every tag of the border edges, in tag order.
std::string BorderEdgesPerTag(const MCadTriangulator::triangulation_result& mesh) {
  std::map<int, std::size_t> counts;
  for (const auto& e : mesh.border_edges)
    ++counts[e.tag];
  std::string text;
  for (const auto& [tag, count] : counts) {
    if (!text.empty())
      text += ' ';
    text += std::to_string(tag);
    text += ':';
    text += std::to_string(count);
  }
  return text;
}

// Appends one face's mesh to the model's mesh, each triangle marked with the face's index.
void Append(Oxlen::Geometry::triangle_surface& all, std::vector<std::size_t>& faceOfTriangle,
            const Oxlen::Geometry::triangle_surface& part, std::size_t face) {
  faceOfTriangle.insert(faceOfTriangle.end(), part.triangles.size(), face);
  const std::size_t offset = all.vertices.size();
  all.vertices.insert(all.vertices.end(), part.vertices.begin(), part.vertices.end());
  for (const auto& t : part.triangles)
    all.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
}

// Ctrl-C raises this flag; the run stops at its next check and writes nothing.
std::atomic<bool> g_interrupted{false};

extern "C" void Interrupt(int) {
  g_interrupted.store(true);
}

// The embedded default model, face by face, as a table.
int RunDefaultModel(const Options& options) {
  const double tolerance = options.tolerance.value_or(oxlen_mesh::kDefaultModelTolerance);
  const std::vector<NamedFace> model = oxlen_mesh::BuildDefaultModel();
  std::printf("%-19s %-9s %8s %9s %10s %7s %10s %11s\n", "face", "kind", "quads", "vertices",
              "triangles", "border", "time [ms]", "deviation");
  Oxlen::Geometry::triangle_surface all;
  std::vector<std::size_t> faceOfTriangle;
  std::size_t totalQuads = 0;
  std::size_t totalBorder = 0;
  double totalMs = 0.0;
  double worstDeviation = 0.0;
  for (std::size_t index = 0; index < model.size(); ++index) {
    const NamedFace& f = model[index];
    MCadTriangulator::MStatistics stats;
    const auto start = std::chrono::steady_clock::now();
    const auto mesh = MCadTriangulator::Triangulate(
        f.face, FinTags(f.face), tolerance, options.maxEdgeLength, options.maxQuads, {}, &stats);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double deviation = oxlen_mesh::MeasureSurfaceDeviation(f.face, mesh);
    std::printf("%-19s %-9s %8zu %9zu %10zu %7zu %10.2f %11.3e\n", f.name.c_str(),
                oxlen_mesh::SurfaceKind(*f.face.GetSurface()), stats.quads, mesh.vertices.size(),
                mesh.triangles.size(), mesh.border_edges.size(), ms, deviation);
    if (!mesh.border_edges.empty())
      std::printf("%-19s border edges per fin tag: %s\n", "", BorderEdgesPerTag(mesh).c_str());
    if (!stats.toleranceMet)
      std::printf(
          "%-19s tolerance not met: the quad budget stopped the refinement at an "
          "estimated deviation of %.3e\n",
          "", stats.largestDeviation);
    totalBorder += mesh.border_edges.size();
    totalQuads += stats.quads;
    totalMs += ms;
    worstDeviation = std::max(worstDeviation, deviation);
    Append(all, faceOfTriangle, mesh, index);
  }
  std::printf("%-19s %-9s %8zu %9zu %10zu %7zu %10.2f %11.3e\n", "total", "", totalQuads,
              all.vertices.size(), all.triangles.size(), totalBorder, totalMs, worstDeviation);
  std::printf("tolerance %g: the largest measured deviation is %s the tolerance\n", tolerance,
              worstDeviation <= tolerance ? "within" : "ABOVE");
  for (const std::string& output : options.outputs) {
    oxlen_mesh::MWriteOptions writeOptions;
    writeOptions.asciiStl = options.asciiStl;
    oxlen_mesh::WriteMesh(oxlen_mesh::MOutputMesh{all, faceOfTriangle}, output, writeOptions);
    std::printf("mesh written to %s\n", output.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = oxlen_mesh::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oxlen-mesh: %s\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(oxlen_mesh::UsageText().c_str(), stdout);
    return 0;
  }
  try {
    if (options.importCheck)
      return oxlen_mesh::RunImportCheck(*options.importCheck);
    if (options.model) {
      std::signal(SIGINT, Interrupt);
      return oxlen_mesh::RunStepModel(options, g_interrupted);
    }
    return RunDefaultModel(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oxlen-mesh: %s\n", e.what());
    return 1;
  }
}
