#include "import_check.h"

#include <cstdio>
#include <stdexcept>

#ifdef OXLEN_MESH_HAVE_IMPORT
#include <Oxlen/Cad/Import.h>

#include "surface_kind.h"
#endif

namespace oxlen_mesh {

#ifdef OXLEN_MESH_HAVE_IMPORT
namespace {

using Oxlen::Cad::MCadImport;

std::size_t CountFins(const MCADFace& face) {
  std::size_t fins = 0;
  for (const auto& loop : face.Loops())
    fins += loop->FinCount();
  return fins;
}

void PrintFaces(const MCadImport::MModel& model) {
  std::printf("%6s %-10s %-9s %5s %5s %10s  %s\n", "face", "kind", "mapped", "loops", "fins",
              "tolerance", "name");
  for (const auto& f : model.faces) {
    std::printf("%6zu %-10s %-9s %5zu %5zu %10.3g  %s\n", f.index, MCadImport::KindName(f.kind),
                SurfaceKind(*f.face.GetSurface()), f.face.LoopCount(), CountFins(f.face),
                f.tolerance, f.name.c_str());
  }
}

void PrintSummary(const MCadImport::MReport& report, std::size_t mapped) {
  for (const auto& failure : report.failures) {
    std::printf("face %zu (%s) lost: %s\n", failure.index, MCadImport::KindName(failure.kind),
                failure.reason.c_str());
  }
  std::printf("faces by kind:");
  for (int k = 0; k < MCadImport::eSurfaceKindCount; ++k) {
    if (report.facesByKind[k] == 0)
      continue;
    std::printf(" %s %zu", MCadImport::KindName(static_cast<MCadImport::ESurfaceKind>(k)),
                report.facesByKind[k]);
  }
  std::printf("\nfaces: %zu mapped, %zu lost, of %zu\n", mapped, report.failures.size(),
              report.faceCount);
  std::printf("solids: %zu, of which closed: %zu\n", report.solidCount, report.closedSolidCount);
  std::printf("file unit: %s (geometry in millimetres), bounding box diagonal %.6g mm\n",
              report.fileUnit.empty() ? "not given" : report.fileUnit.c_str(), report.diagonal);
}

}  // namespace

int RunImportCheck(const std::string& file) {
  const MCadImport::MModel model = MCadImport::Import(file);
  if (model.report.noGeometry) {
    std::printf("%s: no geometry (the file holds no shape; it may only refer to other files)\n",
                file.c_str());
    return 1;
  }
  PrintFaces(model);
  PrintSummary(model.report, model.faces.size());
  return model.report.failures.empty() ? 0 : 1;
}
#else
int RunImportCheck(const std::string&) {
  throw std::runtime_error(
      "--import-check: this build has no STEP importer (Open CASCADE was "
      "not found when it was configured)");
}
#endif

}  // namespace oxlen_mesh
