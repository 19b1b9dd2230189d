// Stitching whole models of separately meshed faces: a plate cut into 100 x 100 tiles (10000
// faces, about a million triangles) and a cylinder with 1000 holes, each plugged by a face of its
// own. Reports the stitching time per stage and the triangulation time of the same faces.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kPi = std::numbers::pi;

struct MModel {
  Oxlen::Geometry::triangle_surface surface;
  std::vector<std::size_t> perTriangle;
  std::vector<geometry::edge_with_topology> edges;
  double triangulationSeconds = 0.0;
};

// Meshes every face and gathers the meshes: per-triangle value = face index, border edges as
// records with their fin tags.
void Add(MModel& model, const MCADFace& face, const std::vector<int>& tags, double tolerance,
         double maxEdgeLength) {
  const auto start = Clock::now();
  const auto mesh = MCadTriangulator::Triangulate(face, tags, tolerance, maxEdgeLength, 200000, {});
  model.triangulationSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  const std::size_t offset = model.surface.vertices.size();
  const std::size_t index = model.perTriangle.empty() ? 0 : model.perTriangle.back() + 1;
  model.surface.vertices.insert(model.surface.vertices.end(), mesh.vertices.begin(),
                                mesh.vertices.end());
  for (const auto& t : mesh.triangles) {
    model.surface.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
    model.perTriangle.push_back(index);
  }
  for (const auto& e : mesh.border_edges) {
    model.edges.push_back({e.first + offset, e.second + offset, e.tag});
  }
}

// Tiles of 10 x 10 mm; the edge between two tiles is numbered once, + on one side, - on the
// other. Alternate tiles are meshed finer, so that shared edges carry different points.
MModel TiledPlate(int n) {
  MModel model;
  const double size = 10.0;
  const auto vertical = [n](int i, int j) { return 1 + j * (n + 1) + i; };            // x = i
  const auto horizontal = [n](int i, int j) { return 1 + (n + 1) * n + j * n + i; };  // y = j
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const double x = size * i;
      const double y = size * j;
      // Each tile on a plane of its own that reaches a little beyond it.
      auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), x - 0.25, x + size + 0.25, y - 0.25,
                                                 y + size + 0.25);
      const MCADFace tile =
          MCADFaceBuilder(plane)
              .Loop(MCADLoopBuilder(plane).Rectangle({x, y}, {x + size, y + size}).Build())
              .Build();
      // Counter-clockwise: bottom, right, top (backwards), left (backwards).
      const std::vector<int> tags{horizontal(i, j), vertical(i + 1, j), -horizontal(i, j + 1),
                                  -vertical(i, j)};
      Add(model, tile, tags, 0.01, (i + j) % 2 == 0 ? 2.0 : 2.6);
    }
  }
  return model;
}

// A cylinder of radius 100 and height 400 with 1000 round holes, each plugged by the patch of the
// cylinder inside it, meshed at another tolerance.
MModel HoledCylinder(int holes) {
  MModel model;
  const double radius = 100.0;
  const double height = 400.0;
  auto surface = std::make_shared<MCADUVCylinder>(MCADFrame(), radius, 0.0, 2.0 * kPi, 0.0, height);
  MCADFaceBuilder wall(surface);
  wall.Loop(MCADLoopBuilder(surface).Rectangle({0, 0}, {2 * kPi, height}).Build());
  std::vector<int> wallTags{1, 2, 3, -2};
  const int columns = 40;
  const int rows = holes / columns;
  const double du = 2.0 * kPi / columns;
  const double dv = height / rows;
  const double holeRadius = 0.3 * std::min(du, dv / radius);  // in angle units along u
  for (int k = 0; k < holes; ++k) {
    const Oxlen::Math::point<double, 2> center{du * (k % columns + 0.5), dv * (k / columns + 0.5)};
    // A circle on the cylinder is an ellipse in UV: the unit circle's control points scaled by
    // the hole's angle along u and by its length along v.
    const double r = holeRadius * radius;
    const M3dNurbsCurve unit = M3dNurbsCurve::Circle({0, 0, 0}, 1.0, {1, 0, 0}, {0, 1, 0});
    std::vector<Oxlen::Math::point<double, 2>> points;
    for (const auto& p : unit.GetControlPoints()) {
      points.push_back({center[0] + holeRadius * p[0], center[1] + r * p[1]});
    }
    auto hole = std::make_shared<MCAD2DNurbsCurve>(unit.GetOrder(), unit.GetKnots(), points,
                                                   unit.GetWeights());
    wall.Loop(MCADLoopBuilder(surface).Curve(hole, false).Build());
    wallTags.push_back(10 + k);
    auto plugSurface = std::make_shared<MCADUVCylinder>(
        MCADFrame(), radius, center[0] - 1.5 * holeRadius, center[0] + 1.5 * holeRadius,
        center[1] - 1.5 * r, center[1] + 1.5 * r);
    const MCADFace plug =
        MCADFaceBuilder(plugSurface).Loop(MCADLoopBuilder(plugSurface).Curve(hole).Build()).Build();
    Add(model, plug, {-(10 + k)}, 0.02, std::numeric_limits<double>::infinity());
  }
  Add(model, wall.Build(), wallTags, 0.05, std::numeric_limits<double>::infinity());
  return model;
}

// Times the stages by the names the stitcher reports.
class MStageTimer : public Oxlen::Common::IProgressDelegate {
 public:
  void ReportProgress(double, const std::string& name) override {
    const auto now = Clock::now();
    if (!m_current.empty()) {
      seconds[m_current] += std::chrono::duration<double>(now - m_since).count();
    }
    m_current = name;
    m_since = now;
  }
  bool IsCancelled() override { return false; }
  void Finish() { ReportProgress(1.0, {}); }
  std::map<std::string, double> seconds;

 private:
  std::string m_current;
  Clock::time_point m_since = Clock::now();
};

void Stitch(benchmark::State& state, const MModel& model) {
  std::map<std::string, double> stages;
  std::size_t triangles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MModel copy = model;
    auto timer = std::make_shared<MStageTimer>();
    state.ResumeTiming();
    geometry::cad_stitch(copy.surface, copy.perTriangle, copy.edges, 0.1, timer);
    state.PauseTiming();
    timer->Finish();
    for (const auto& [name, s] : timer->seconds)
      stages[name] += s;
    triangles = copy.surface.triangles.size();
    if (!geometry::check_stitched_surface(copy.surface, copy.perTriangle).valid()) {
      state.SkipWithError("the stitched surface is not valid");
    }
    state.ResumeTiming();
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["triangulate_s"] = model.triangulationSeconds;
  state.counters["connect_s"] = stages["Cad stitcher: connect edges into fins"] / runs;
  state.counters["unify_s"] = stages["Cad stitcher: unify common vertex coordinates"] / runs;
  state.counters["zip_s"] = stages["Cad stitcher: stitch common fin"] / runs;
}

void TiledPlateBench(benchmark::State& state) {
  static const MModel model = TiledPlate(100);
  Stitch(state, model);
}

void HoledCylinderBench(benchmark::State& state) {
  static const MModel model = HoledCylinder(1000);
  Stitch(state, model);
}

BENCHMARK(TiledPlateBench)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(HoledCylinderBench)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
