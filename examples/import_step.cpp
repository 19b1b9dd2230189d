// Reads a STEP model with the importer and meshes every face at a thousandth of the model's size:
// the whole path from a CAD file to face meshes whose border edges carry the model's edge numbers.
//
//   oxlen-import-example model.step

#include <cstdio>
#include <exception>
#include <limits>

#include <Oxlen/Cad/Import.h>
#include <Oxlen/Cad/Triangulation.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: oxlen-import-example model.step\n");
    return 2;
  }
  try {
    using Oxlen::Cad::MCadImport;
    const MCadImport::MModel model = MCadImport::Import(argv[1]);
    const double tolerance = 0.001 * model.report.diagonal;
    std::size_t triangles = 0;
    std::size_t borderEdges = 0;
    for (const MCadImport::MImportedFace& f : model.faces) {
      const auto mesh = MCadTriangulator::Triangulate(
          f.face, f.finTags, tolerance, std::numeric_limits<double>::infinity(), 200000, {});
      triangles += mesh.triangles.size();
      borderEdges += mesh.border_edges.size();
    }
    for (const MCadImport::MFailure& lost : model.report.failures) {
      std::printf("face %zu (%s) lost: %s\n", lost.index, MCadImport::KindName(lost.kind),
                  lost.reason.c_str());
    }
    std::printf("%zu faces meshed, %zu lost: %zu triangles, %zu border edges (tolerance %g mm)\n",
                model.faces.size(), model.report.failures.size(), triangles, borderEdges,
                tolerance);
    return model.report.failures.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "oxlen-import-example: %s\n", e.what());
    return 1;
  }
}
