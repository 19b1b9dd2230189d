#include "mesh_report.h"

#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace oxlen_mesh {
namespace {

double RelativeVolumeError(const MMeshReport& r) {
  return r.exactVolume > 0.0 ? (r.meshVolume - r.exactVolume) / r.exactVolume : 0.0;
}

void PrintFaces(const MMeshReport& r, std::FILE* out) {
  std::fprintf(out, "model       %s (file unit %s; mesh in millimetres)\n", r.model.c_str(),
               r.fileUnit.empty() ? "not given" : r.fileUnit.c_str());
  std::fprintf(out, "faces       %zu:", r.faces);
  for (const auto& [kind, count] : r.facesByKind)
    std::fprintf(out, " %s %zu", kind.c_str(), count);
  std::fprintf(out, "\nlost faces  %zu\n", r.lostFaces.size());
  for (const auto& lost : r.lostFaces) {
    std::fprintf(out, "            face %zu (%s): %s\n", lost.index, lost.kind.c_str(),
                 lost.reason.c_str());
  }
  if (r.emptyFaces > 0)
    std::fprintf(out, "empty faces %zu\n", r.emptyFaces);
  if (r.facesOverBudget > 0) {
    std::fprintf(out, "over budget %zu faces stopped at the quad budget before the tolerance\n",
                 r.facesOverBudget);
  }
}

void PrintMesh(const MMeshReport& r, std::FILE* out) {
  std::fprintf(out, "tolerance   %.6g (diagonal %.6g), stitching within %.6g, %zu threads\n",
               r.tolerance, r.diagonal, r.stitchTolerance, r.threads);
  std::fprintf(out, "mesh        %zu triangles, %zu vertices\n", r.triangles, r.vertices);
  std::fprintf(out, "deviation   %.6g: %s the tolerance\n", r.largestDeviation,
               r.largestDeviation <= r.tolerance ? "within" : "ABOVE");
  std::fprintf(out, "edges       %zu boundary, %zu non-manifold, %zu inconsistently oriented: %s\n",
               r.check.boundary_edges, r.check.non_manifold_edges,
               r.check.inconsistently_oriented_edges, r.check.closed() ? "closed" : "open");
  if (r.exactVolume > 0.0) {
    std::fprintf(out, "volume      %.6g, exact %.6g (%+.3f %%)\n", r.meshVolume, r.exactVolume,
                 100.0 * RelativeVolumeError(r));
  }
  std::fprintf(out,
               "time [s]    import %.3f, triangulate %.3f (post-process %.3f of it, summed over "
               "threads), stitch %.3f, write %.3f\n",
               r.importSeconds, r.triangulateSeconds, r.postprocessSeconds, r.stitchSeconds,
               r.writeSeconds);
  for (const auto& output : r.outputs)
    std::fprintf(out, "written     %s\n", output.c_str());
}

nlohmann::json ToJson(const MMeshReport& r) {
  nlohmann::json kinds = nlohmann::json::object();
  for (const auto& [kind, count] : r.facesByKind)
    kinds[kind] = count;
  nlohmann::json lost = nlohmann::json::array();
  for (const auto& l : r.lostFaces) {
    lost.push_back({{"index", l.index}, {"kind", l.kind}, {"reason", l.reason}});
  }
  return {{"model", r.model},
          {"file_unit", r.fileUnit},
          {"diagonal", r.diagonal},
          {"tolerance", r.tolerance},
          {"stitch_tolerance", r.stitchTolerance},
          {"threads", r.threads},
          {"faces", r.faces},
          {"faces_by_kind", kinds},
          {"lost_faces", lost},
          {"empty_faces", r.emptyFaces},
          {"faces_over_budget", r.facesOverBudget},
          {"triangles", r.triangles},
          {"vertices", r.vertices},
          {"largest_deviation", r.largestDeviation},
          {"boundary_edges", r.check.boundary_edges},
          {"non_manifold_edges", r.check.non_manifold_edges},
          {"inconsistently_oriented_edges", r.check.inconsistently_oriented_edges},
          {"closed", r.check.closed()},
          {"mesh_volume", r.meshVolume},
          {"exact_volume", r.exactVolume},
          {"seconds",
           {{"import", r.importSeconds},
            {"triangulate", r.triangulateSeconds},
            {"postprocess", r.postprocessSeconds},
            {"stitch", r.stitchSeconds},
            {"write", r.writeSeconds}}},
          {"outputs", r.outputs}};
}

}  // namespace

double EnclosedVolume(const Oxlen::Geometry::triangle_surface& mesh) {
  double sixTimes = 0.0;
  for (const auto& t : mesh.triangles) {
    sixTimes += dot(mesh.vertices[t[0]], cross(mesh.vertices[t[1]], mesh.vertices[t[2]]));
  }
  return sixTimes / 6.0;
}

void PrintReport(const MMeshReport& report, std::FILE* out) {
  PrintFaces(report, out);
  PrintMesh(report, out);
}

void WriteReportJson(const MMeshReport& report, const std::string& path) {
  std::ofstream file(path);
  file << ToJson(report).dump(2) << '\n';
  if (!file)
    throw std::runtime_error("cannot write the report to '" + path + "'");
}

}  // namespace oxlen_mesh
