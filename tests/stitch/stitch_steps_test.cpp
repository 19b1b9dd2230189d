// The stitcher's stages on small hand-made meshes.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"
#include "fin_connection.h"
#include "fin_zipping.h"
#include "stitch_state.h"
#include "vertex_unification.h"

namespace {

using geometry::cad_stitch;
using geometry::cad_stitch_return_code;
using geometry::edge_with_topology;
using Oxlen::Geometry::triangle_surface;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();

// Two faces meeting along y = 0: above it a fan over the points x = 0, 1, 2, 3 (fin +1, left to
// right), below it a fan over x = 0, 1.5 + shift, 3 (fin -1, right to left); `lift` moves the
// lower face's middle point off the line. The other sides of the fans are fins of their own.
struct MStrip {
  triangle_surface surface;
  std::vector<std::size_t> perTriangle;
  std::vector<edge_with_topology> edges;
};

MStrip Strip(double shift = 0.0, double lift = 0.0) {
  MStrip s;
  // Upper face: a0..a3 = 0..3, apex t = 4.
  s.surface.vertices = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {1.5, 1, 0}};
  s.surface.triangles = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}};
  // Lower face: b0 = 5, b1 = 6, b2 = 7, apex s = 8.
  s.surface.vertices.insert(s.surface.vertices.end(),
                            {{0, 0, 0}, {1.5 + shift, lift, 0}, {3, 0, 0}, {1.5, -1, 0}});
  s.surface.triangles.insert(s.surface.triangles.end(), {{6, 5, 8}, {7, 6, 8}});
  s.perTriangle = {0, 0, 0, 1, 1};
  // Each face's whole border, as a face mesh lists it: the shared fin and the two slanted sides.
  s.edges = {{0, 1, 1},  {1, 2, 1},  {2, 3, 1}, {3, 4, 7}, {4, 0, 8},
             {7, 6, -1}, {6, 5, -1}, {5, 8, 9}, {8, 7, 10}};
  return s;
}

// A delegate that records what it is told and cancels from its n-th poll on.
class MRecordingDelegate : public Oxlen::Common::IProgressDelegate {
 public:
  explicit MRecordingDelegate(std::size_t cancelAtPoll = 0) : m_cancelAt(cancelAtPoll) {}
  void ReportProgress(double fraction, const std::string& name) override {
    last = fraction;
    names.insert(name);
  }
  bool IsCancelled() override { return m_cancelAt != 0 && ++m_polls >= m_cancelAt; }
  double last = -1.0;
  std::set<std::string> names;

 private:
  std::size_t m_cancelAt;
  std::size_t m_polls = 0;
};

TEST(CadStitch, ZipsStaggeredPointsIntoOneClosedSeamAndReportsItsStages) {
  MStrip s = Strip();
  auto delegate = std::make_shared<MRecordingDelegate>();
  ASSERT_EQ(cad_stitch(s.surface, s.perTriangle, s.edges, 1e-6, delegate),
            cad_stitch_return_code::success);
  // b0 and b2 merged into a0 and a3; b1 inserted into the upper face, a1 and a2 into the lower.
  EXPECT_EQ(s.surface.vertices.size(), 7u);
  EXPECT_EQ(s.surface.triangles.size(), 8u);
  const auto report = geometry::check_stitched_surface(s.surface, s.perTriangle);
  EXPECT_TRUE(report.valid());
  EXPECT_EQ(report.boundary_edges, 4u);  // the two slanted sides of each fan
  std::size_t upper = 0;
  for (const std::size_t face : s.perTriangle)
    upper += face == 0;
  EXPECT_EQ(upper, 4u);
  EXPECT_DOUBLE_EQ(delegate->last, 1.0);
  EXPECT_EQ(delegate->names, (std::set<std::string>{"Cad stitcher: processing topolgy information",
                                                    "Cad stitcher: connect edges into fins",
                                                    "Cad stitcher: unify common vertex coordinates",
                                                    "Cad stitcher: stitch common fin"}));
}

TEST(CadStitch, MergesSideBySidePointsAtTheirMidpoint) {
  MStrip s = Strip(0.0, -0.02);
  s.surface.vertices[1] = {1.5, 0.02, 0};  // a1 right above b1
  s.surface.vertices[2] = {2.2, 0.0, 0};
  ASSERT_EQ(cad_stitch(s.surface, s.perTriangle, s.edges, 0.1, nullptr),
            cad_stitch_return_code::success);
  // a1 and b1 became one vertex at (1.5, 0); a2 went into the lower face.
  EXPECT_EQ(s.surface.vertices.size(), 6u);
  std::size_t atMidpoint = 0;
  for (const auto& p : s.surface.vertices)
    atMidpoint += p == Oxlen::Math::point<double, 3>{1.5, 0, 0};
  EXPECT_EQ(atMidpoint, 1u);
  EXPECT_TRUE(geometry::check_stitched_surface(s.surface, s.perTriangle).valid());
}

TEST(CadStitch, LeavesTheSurfaceAloneWithoutEdgesAndOtherwiseCompactsIt) {
  triangle_surface surface;
  surface.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {kNaN, 0, 0}, {5, 5, 5}};
  surface.triangles = {{0, 1, 2}, {0, 0, 1}, {kRemoved, 1, 2}, {0, 1, 3}};
  std::vector<std::size_t> perTriangle{10, 11, 12, 13, 14, 15};
  // No edges: nothing is touched, degenerate and removed parts included.
  triangle_surface untouched = surface;
  std::vector<std::size_t> values = perTriangle;
  ASSERT_EQ(cad_stitch(untouched, values, {}, 0.0, nullptr), cad_stitch_return_code::success);
  EXPECT_EQ(untouched.triangles, surface.triangles);
  EXPECT_EQ(values.size(), 6u);
  // Edges that pair nothing: the compaction still sweeps the removed and degenerate parts out,
  // keeps the unreferenced vertex and cuts the values to the kept triangles.
  ASSERT_EQ(cad_stitch(surface, perTriangle, {{0, 1, 7}}, 0.0, nullptr),
            cad_stitch_return_code::success);
  EXPECT_EQ(surface.vertices.size(), 4u);
  EXPECT_EQ(surface.triangles, (std::vector<std::array<std::size_t, 3>>{{0, 1, 2}}));
  EXPECT_EQ(perTriangle, std::vector<std::size_t>{10});
}

TEST(CadStitch, CancellationLeavesTheMarkersAndSkipsTheCompaction) {
  MStrip first = Strip();
  const std::size_t vertices = first.surface.vertices.size();
  // At the first poll: nothing has changed.
  EXPECT_EQ(cad_stitch(first.surface, first.perTriangle, first.edges, 1e-6,
                       std::make_shared<MRecordingDelegate>(1)),
            cad_stitch_return_code::cancelled);
  EXPECT_EQ(first.surface.vertices, Strip().surface.vertices);
  // In the zipper: the merged ends stay as removal markers, nothing is swept out.
  MStrip later = Strip();
  EXPECT_EQ(cad_stitch(later.surface, later.perTriangle, later.edges, 1e-6,
                       std::make_shared<MRecordingDelegate>(4)),
            cad_stitch_return_code::cancelled);
  EXPECT_EQ(later.surface.vertices.size(), vertices);
  std::size_t removed = 0;
  for (const auto& p : later.surface.vertices)
    removed += std::isnan(p[0]);
  EXPECT_EQ(removed, 2u);
}

TEST(CadStitch, RejectsMalformedInputBeforeTouchingIt) {
  MStrip s = Strip();
  const MStrip original = Strip();
  auto bad = s.edges;
  bad[8].end_vertex = 99;
  EXPECT_THROW(cad_stitch(s.surface, s.perTriangle, bad, 0.1, nullptr), std::invalid_argument);
  std::vector<std::size_t> shortList{0, 0};
  EXPECT_THROW(cad_stitch(s.surface, shortList, s.edges, 0.1, nullptr), std::invalid_argument);
  EXPECT_THROW(cad_stitch(s.surface, s.perTriangle, s.edges, kNaN, nullptr), std::invalid_argument);
  EXPECT_THROW(cad_stitch(s.surface, s.perTriangle, s.edges, -1.0, nullptr), std::invalid_argument);
  s.surface.triangles[0][2] = 42;
  EXPECT_THROW(cad_stitch(s.surface, s.perTriangle, s.edges, 0.1, nullptr), std::invalid_argument);
  s.surface.triangles[0][2] = 4;
  EXPECT_EQ(s.surface.vertices, original.surface.vertices);
  EXPECT_EQ(s.surface.triangles, original.surface.triangles);
}

// Fins that cannot be walked into one chain or one cycle are not paired: a chain that hangs or
// breaks into two runs is excluded together with its partner, a fin on one side only has no
// partner, and INT32_MIN has none either.
TEST(FinConnection, PairsOnlyFinsThatFormOneChainOnEachSide) {
  triangle_surface line;
  for (int i = 0; i < 8; ++i)
    line.vertices.push_back({static_cast<double>(i), 0, 0});
  const auto pairs = [&line](const std::vector<edge_with_topology>& edges) {
    return geometry::detail::connect_edges_into_fins(line, edges, 1e-9, nullptr).size();
  };
  EXPECT_EQ(pairs({{0, 1, 5}, {1, 2, 5}, {2, 1, -5}, {1, 0, -5}}), 1u);
  // One cycle each way around a closed edge pairs; a fin of two cycles does not.
  EXPECT_EQ(pairs({{0, 1, 5}, {1, 0, 5}, {1, 0, -5}, {0, 1, -5}}), 1u);
  EXPECT_EQ(pairs({{0, 1, 5}, {1, 0, 5}, {2, 3, 5}, {3, 2, 5}, {1, 0, -5}, {0, 1, -5}}), 0u);
  EXPECT_EQ(pairs({{0, 1, 5}, {2, 3, 5}, {3, 2, -5}, {1, 0, -5}}), 0u);             // two runs
  EXPECT_EQ(pairs({{0, 1, 5}, {1, 2, 5}, {2, 1, 6}, {2, 1, -5}, {1, 0, -5}}), 1u);  // 6 alone
  EXPECT_EQ(pairs({{0, 1, INT32_MIN}, {1, 0, INT32_MAX}}), 0u);
  EXPECT_EQ(pairs({{0, 1, INT32_MAX}, {1, 0, -INT32_MAX}}), 1u);
  // A chain that arrives where nothing starts hangs: the walk reports it.
  const std::vector<edge_with_topology> hanging{{0, 1, 3}, {1, 2, 3}};
  const auto starts = geometry::detail::build_start_index(hanging);
  EXPECT_THROW(geometry::detail::walk_fin_chain(hanging, starts, 0),
               geometry::detail::hanging_edge_exception);
}

TEST(ChainsCoincide, FollowTheSameCurveWithinTheToleranceOnly) {
  triangle_surface s;
  s.vertices = {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}, {0.5, 0.2, 0}, {0, 0, 0}, {kNaN, 0, 0}};
  using geometry::detail::chains_coincide;
  // Different point counts on the same segment coincide, even at tolerance 0.
  EXPECT_TRUE(chains_coincide(s, {0, 1}, {1, 2, 4}, 0.0));
  // A chain that strays by 0.2 in its middle coincides only with a tolerance that covers it.
  EXPECT_FALSE(chains_coincide(s, {0, 1}, {1, 3, 4}, 0.1));
  EXPECT_TRUE(chains_coincide(s, {0, 1}, {1, 3, 4}, 0.25));
  // Ends apart, and positions that are not finite, never coincide.
  EXPECT_FALSE(chains_coincide(s, {0, 1}, {0, 1}, 0.5));
  EXPECT_FALSE(chains_coincide(s, {0, 1}, {1, 5, 4}, 1e9));
}

TEST(CommonFins, EndsSharingAVertexFormOneModelVertex) {
  // Pair 0 ends at vertex 2, where pair 1 starts: one model vertex.
  std::vector<geometry::detail::fin_pair> pairs{{{0, 1, 2}, {3, 4}}, {{2, 6}, {7, 5}}};
  const auto fins = geometry::detail::build_common_fins(pairs);
  ASSERT_EQ(fins.size(), 2u);
  EXPECT_EQ(fins[0].start_class, 0u);
  EXPECT_EQ(fins[0].end_class, 1u);
  EXPECT_EQ(fins[1].start_class, 1u);  // vertex 2 is the end of pair 0 and the start of pair 1
  EXPECT_EQ(fins[1].end_class, 3u);
}

TEST(MergeVertex, CollapsesTheTrianglesThatHeldBothVertices) {
  triangle_surface surface;
  surface.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  surface.triangles = {{0, 1, 2}, {1, 3, 2}};
  std::vector<std::size_t> perTriangle{0, 1};
  geometry::detail::stitch_state state{surface, perTriangle, {}, {}, {}};
  state.vertex_triangles = Oxlen::Geometry::get_vertex_to_triangles_map(surface);
  state.vertex_fins.assign(4, {});
  geometry::detail::merge_vertex(2, 1, state);
  EXPECT_TRUE(std::isnan(surface.vertices[2][0]));
  EXPECT_EQ(surface.triangles[0][0], kRemoved);
  EXPECT_EQ(surface.triangles[1][0], kRemoved);
  for (const auto& entry : state.vertex_triangles)
    EXPECT_TRUE(entry.empty());
  // Merging again, or into itself, changes nothing.
  geometry::detail::merge_vertex(2, 1, state);
  geometry::detail::merge_vertex(1, 1, state);
  EXPECT_FALSE(std::isnan(surface.vertices[1][0]));
}

}  // namespace

namespace {

// Inserting a vertex into a segment it ends changes nothing (it used to put the vertex next to
// itself in the chains without end).
TEST(InsertVertexIntoEdge, SplitsTheSegmentInTheMeshAndInEveryChainThroughIt) {
  triangle_surface surface;
  surface.vertices = {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, 0, 0}};
  surface.triangles = {{0, 1, 2}};
  std::vector<std::size_t> perTriangle{7};
  geometry::detail::stitch_state state{surface, perTriangle, {}, {}, {}};
  state.fins.push_back({0, 1, {0, 1}, {1, 0}});
  state.vertex_triangles = Oxlen::Geometry::get_vertex_to_triangles_map(surface);
  state.vertex_fins = {{0}, {0}, {}, {}};
  geometry::detail::insert_vertex_into_edge({0, 1}, 0, state);
  EXPECT_EQ(state.fins[0].chain, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(surface.triangles.size(), 1u);

  geometry::detail::insert_vertex_into_edge({0, 1}, 3, state);
  EXPECT_EQ(state.fins[0].chain, (std::vector<std::size_t>{0, 3, 1}));
  EXPECT_EQ(state.fins[0].opposite_chain, (std::vector<std::size_t>{1, 3, 0}));
  EXPECT_EQ(surface.triangles.size(), 2u);
  EXPECT_EQ(perTriangle, (std::vector<std::size_t>{7, 7}));
  EXPECT_TRUE(state.vertex_fins[3].contains(0));
}

}  // namespace
