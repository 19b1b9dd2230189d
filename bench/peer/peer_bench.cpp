// Side by side with Open CASCADE's own mesher: every model is meshed by our pipeline (import
// excluded: triangulation, border improvement, stitching) and by BRepMesh_IncrementalMesh at the
// same absolute deflection (a thousandth and two ten-thousandths of the model's diagonal, named
// model@0.001 and model@0.0002), serial and with all threads,
// the two alternating. Counters: triangles, the largest deviation of both meshes measured the
// same way (centroids and edge midpoints projected onto Open CASCADE's exact faces), faces left
// empty, and the open edges (ours after stitching, the peer's after welding its faces).
//
//   peer_bench [benchmark flags] [folder of STEP files ...]
// The test models and the demo part are always meshed; STEP files in the given folders too.

#include <benchmark/benchmark.h>

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Poly_Triangulation.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <Oxlen/Cad/Import.h>

#include "bracket.h"
#include "imported_faces.h"
#include "model_pipeline.h"
#include "step_writer.h"
#include "test_models.h"

namespace {

namespace fs = std::filesystem;
using Oxlen::Cad::MCadImport;
using P3 = Oxlen::Math::point<double, 3>;

struct MPeerModel {
  std::string name;
  TopoDS_Shape shape;       // as Open CASCADE reads the file
  MCadImport::MModel ours;  // as the importer reads it (same faces, same order)
  double deflection = 0.0;
};

TopoDS_Shape ReadShape(const fs::path& file) {
  STEPControl_Reader reader;
  if (reader.ReadFile(file.string().c_str()) != IFSelect_RetDone)
    return {};
  reader.TransferRoots();
  return reader.OneShape();
}

std::vector<TopoDS_Face> Faces(const TopoDS_Shape& shape) {
  std::vector<TopoDS_Face> faces;
  for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next())
    faces.push_back(TopoDS::Face(f.Current()));
  return faces;
}

// The largest distance of a triangle's centroid and edge midpoints from the exact face.
double TriangleDeviation(GeomAPI_ProjectPointOnSurf& projector, const P3& a, const P3& b,
                         const P3& c) {
  double worst = 0.0;
  for (const P3& p : {(a + b + c) / 3.0, (a + b) * 0.5, (b + c) * 0.5, (c + a) * 0.5}) {
    projector.Perform(gp_Pnt(p[0], p[1], p[2]));
    if (projector.NbPoints() > 0)
      worst = std::max(worst, projector.LowerDistance());
  }
  return worst;
}

void InitProjector(GeomAPI_ProjectPointOnSurf& projector, const TopoDS_Face& face) {
  double u0, u1, v0, v1;
  BRepTools::UVBounds(face, u0, u1, v0, v1);
  projector.Init(BRep_Tool::Surface(face), u0, u1, v0, v1, Extrema_ExtAlgo_Tree);
}

double OurDeviation(const MPeerModel& model, const oxlen_mesh::MPipelineResult& result) {
  const std::vector<TopoDS_Face> faces = Faces(model.shape);
  std::map<std::size_t, std::vector<std::size_t>> trianglesOf;
  for (std::size_t t = 0; t < result.faceOfTriangle.size(); ++t) {
    trianglesOf[model.ours.faces[result.faceOfTriangle[t]].index].push_back(t);
  }
  double worst = 0.0;
  for (const auto& [face, triangles] : trianglesOf) {
    GeomAPI_ProjectPointOnSurf projector;
    InitProjector(projector, faces[face]);
    for (const std::size_t t : triangles) {
      const auto& tri = result.mesh.triangles[t];
      worst = std::max(
          worst, TriangleDeviation(projector, result.mesh.vertices[tri[0]],
                                   result.mesh.vertices[tri[1]], result.mesh.vertices[tri[2]]));
    }
  }
  return worst;
}

// The peer's mesh: its triangles, deviation, empty faces and open edges after welding the faces
// (nodes at the same position are one vertex).
struct MPeerMesh {
  std::size_t triangles = 0;
  std::size_t emptyFaces = 0;
  std::size_t openEdges = 0;
  double deviation = 0.0;
};

MPeerMesh InspectPeer(const MPeerModel& model) {
  MPeerMesh peer;
  std::map<std::tuple<double, double, double>, std::size_t> welded;
  std::map<std::pair<std::size_t, std::size_t>, int> edges;
  for (const TopoDS_Face& face : Faces(model.shape)) {
    TopLoc_Location location;
    const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
    if (mesh.IsNull() || mesh->NbTriangles() == 0) {
      ++peer.emptyFaces;
      continue;
    }
    GeomAPI_ProjectPointOnSurf projector;
    InitProjector(projector, face);
    std::vector<std::size_t> node(mesh->NbNodes() + 1);
    std::vector<P3> position(mesh->NbNodes() + 1);
    for (int i = 1; i <= mesh->NbNodes(); ++i) {
      const gp_Pnt p = mesh->Node(i).Transformed(location.Transformation());
      position[i] = {p.X(), p.Y(), p.Z()};
      node[i] = welded.try_emplace({p.X(), p.Y(), p.Z()}, welded.size()).first->second;
    }
    for (int t = 1; t <= mesh->NbTriangles(); ++t) {
      int a, b, c;
      mesh->Triangle(t).Get(a, b, c);
      ++peer.triangles;
      peer.deviation = std::max(
          peer.deviation, TriangleDeviation(projector, position[a], position[b], position[c]));
      for (auto [x, y] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) {
        ++edges[std::minmax(node[x], node[y])];
      }
    }
  }
  for (const auto& [edge, count] : edges)
    peer.openEdges += count == 1 ? 1 : 0;
  return peer;
}

oxlen_mesh::MPipelineResult MeshOurs(const MPeerModel& model, std::size_t threads) {
  oxlen_mesh::MPipelineSettings settings =
      oxlen_mesh::PipelineSettings(model.ours, model.deflection);
  settings.threads = threads;
  settings.measureDeviation = false;  // measured outside the timing, as for the peer
  oxlen_mesh::MPipelineProgress progress;
  const std::atomic<bool> cancel{false};
  return oxlen_mesh::RunPipeline(oxlen_mesh::PipelineFaces(model.ours), settings, progress, cancel);
}

void Ours(benchmark::State& state, const MPeerModel* model, std::size_t threads) {
  oxlen_mesh::MPipelineResult result;
  for (auto _ : state)
    result = MeshOurs(*model, threads);
  state.counters["triangles"] = static_cast<double>(result.mesh.triangles.size());
  state.counters["deviation"] = OurDeviation(*model, result);
  state.counters["empty_faces"] = static_cast<double>(result.emptyFaces);
  state.counters["open_edges"] = static_cast<double>(result.check.boundary_edges);
}

void Peer(benchmark::State& state, const MPeerModel* model, bool parallel, double angle) {
  for (auto _ : state) {
    state.PauseTiming();
    BRepTools::Clean(model->shape);
    state.ResumeTiming();
    BRepMesh_IncrementalMesh mesher(model->shape, model->deflection, Standard_False, angle,
                                    parallel ? Standard_True : Standard_False);
    benchmark::DoNotOptimize(mesher.IsDone());
  }
  const MPeerMesh peer = InspectPeer(*model);
  state.counters["triangles"] = static_cast<double>(peer.triangles);
  state.counters["deviation"] = peer.deviation;
  state.counters["empty_faces"] = static_cast<double>(peer.emptyFaces);
  state.counters["open_edges"] = static_cast<double>(peer.openEdges);
}

std::vector<fs::path> ModelFiles(int argc, char** argv, const fs::path& dir) {
  std::vector<fs::path> files = Oxlen::ImportTesting::WriteTestModels(dir);
  const fs::path bracket = dir / "bracket.step";
  oxlen_step::WriteStepProduct(oxlen_demo_part::BuildBracket(), bracket, "bracket");
  files.push_back(bracket);
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' || !fs::is_directory(argv[i]))
      continue;
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(argv[i])) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".step" || ext == ".stp" || ext == ".STEP" || ext == ".STP")
        found.push_back(entry);
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = fs::temp_directory_path() / ("oxlen_peer_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  static std::vector<MPeerModel> models;
  for (const fs::path& file : ModelFiles(argc, argv, dir)) {
    MPeerModel model{file.stem().string(), ReadShape(file), MCadImport::Import(file), 0.0};
    if (model.shape.IsNull() || model.ours.faces.empty())
      continue;
    // The everyday deflection and a fine one, relative to the model's diagonal.
    for (const char* relative : {"0.001", "0.0002"}) {
      MPeerModel at = model;
      at.name = model.name + "@" + relative;
      at.deflection = std::stod(relative) * model.ours.report.diagonal;
      models.push_back(std::move(at));
    }
  }
  const std::size_t all = std::max(1u, std::thread::hardware_concurrency());
  for (const MPeerModel& model : models) {
    const std::string name = model.name;
    benchmark::RegisterBenchmark(("ours_serial/" + name).c_str(), Ours, &model, std::size_t{1})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("peer_serial/" + name).c_str(), Peer, &model, false, 0.5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("peer_serial_loose/" + name).c_str(), Peer, &model, false, 1.5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ours_threads/" + name).c_str(), Ours, &model, all)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("peer_threads/" + name).c_str(), Peer, &model, true, 0.5)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(dir);
  return 0;
}
