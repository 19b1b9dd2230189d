#include "avoid_long_triangles_on_border.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "Oxlen/Geometry/flip_edge_if.h"
#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/split_edge.h"
#include "Oxlen/Math/get_normal.h"
#include "contour_distance_query.h"
#include "spatial/numeric_helpers.h"

namespace long_edges {

namespace {

using Result = MCadTriangulator::triangulation_result;
using Oxlen::Geometry::vertex_triangles_map;
using Point = Oxlen::Math::point<double, 3>;
using Edge = std::array<std::size_t, 2>;
using BorderNeighbours = std::map<std::size_t, std::vector<std::size_t>>;

// The band and the tolerances derived from its width.
struct Band {
  double width;       // L
  double innerWidth;  // the largest double below L: the crossing search's band
};

// One segment per border edge, in list order.
std::vector<segment> ContourSegments(const Result& result) {
  std::vector<segment> segments;
  segments.reserve(result.border_edges.size());
  for (const MCadTriangulator::border_edge& edge : result.border_edges)
    segments.push_back({result.vertices[edge.first], result.vertices[edge.second]});
  return segments;
}

// For every border vertex, the vertices joined to it by border edges either way, sorted, with
// repeats.
BorderNeighbours CollectBorderNeighbours(const Result& result) {
  BorderNeighbours neighbours;
  for (const MCadTriangulator::border_edge& edge : result.border_edges) {
    neighbours[edge.first].push_back(edge.second);
    neighbours[edge.second].push_back(edge.first);
  }
  for (auto& [vertex, list] : neighbours)
    std::sort(list.begin(), list.end());
  return neighbours;
}

// The corners of v's triangles other than v that are not border neighbours of v, ascending.
std::set<std::size_t> Candidates(std::size_t v, const std::vector<std::size_t>& borderNeighbours,
                                 const Result& result, const vertex_triangles_map& map) {
  std::set<std::size_t> candidates;
  for (const std::size_t t : map[v]) {
    for (const std::size_t w : result.triangles[t]) {
      if (w != v && !std::binary_search(borderNeighbours.begin(), borderNeighbours.end(), w))
        candidates.insert(w);
    }
  }
  return candidates;
}

// Whether w lies within the band width of one of v's own border segments.
bool EndsNearOwnBorder(const Point& pv, const Point& pw, const std::vector<std::size_t>& neighbours,
                       const Result& result, double L) {
  return std::any_of(neighbours.begin(), neighbours.end(), [&](std::size_t n) {
    return geometry::detail::squared_distance_to_segment(pw, pv, result.vertices[n]) < L * L;
  });
}

// Where the walk along an edge left the band: the last sample inside and the first one outside,
// as distances from pv.
struct BandExit {
  double inside;
  double outside;
};

// The first of the samples taken every L along the edge from pv, short of pw, that lies farther
// than L from every border segment, with the sample before it; none when all stay in the band.
// Stops where adding L no longer moves the sample: the samples beyond would all repeat the last.
std::optional<BandExit> WalkOutOfBand(contour_distance_query& query, const Point& pv,
                                      const Point& pw, double length, double L) {
  const Point direction = (pw - pv) / length;
  double previous = 0.0;
  for (double s = 0.0; s < length;) {
    if (!query.is_within(pv + s * direction, L * L))
      return BandExit{previous, s};
    const double next = s + L;
    if (!(next > s))
      break;
    previous = s;
    s = next;
  }
  return std::nullopt;
}

// Bisection of [lo, hi] (parameters along the edge, 0 at pv, 1 at pw) for the point where the
// edge leaves the band, until the interval is at most L/5 long along the edge or no longer
// halves; returns its outer end.
double BisectBandCrossing(contour_distance_query& query, const Point& pv, const Point& pw,
                          double length, const Band& band, double lo, double hi) {
  const double squaredInner = band.innerWidth * band.innerWidth;
  while ((hi - lo) * length > band.width / 5.0) {
    const double mid = (lo + hi) * 0.5;
    if (!(mid > lo && mid < hi))
      break;
    if (query.is_within(pv + mid * (pw - pv), squaredInner))
      lo = mid;
    else
      hi = mid;
  }
  return hi;
}

// The parameter t (0 at pv, 1 at pw) where the edge leaves the band, to within L/5 along it: a
// bisection from the start, searching the first half only when pw lies inside the band again.
// That search may end at a later crossing when the edge leaves the band, comes back into it and
// leaves it again; when its result lies more than L/5 beyond the first sample outside, the
// crossing is searched again between that sample and the one before it, so that the edge from
// pv to the new vertex stays in the band.
double FindBandCrossing(contour_distance_query& query, const Point& pv, const Point& pw,
                        double length, const Band& band, const BandExit& exit) {
  const double hi = query.is_within(pw, band.innerWidth * band.innerWidth) ? 0.5 : 1.0;
  const double t = BisectBandCrossing(query, pv, pw, length, band, 0.0, hi);
  if (t * length <= exit.outside + band.width / 5.0)
    return t;
  return BisectBandCrossing(query, pv, pw, length, band, exit.inside / length,
                            exit.outside / length);
}

// The test a flip of v-w must pass: both ends keep more than two triangles, an opposite corner
// lies within L/10 of the crossing, and the new triangles face the same way and lie in one plane
// (unit normals parallel within 2^-26). Coplanarity keeps the mesh's surface where it was: on a
// curved face the new diagonal could otherwise leave the surface by more than the mesh's own
// chordal tolerance; such an edge is split instead, which never moves the surface.
struct DiagonalAtCrossing {
  const Result& result;
  const vertex_triangles_map& map;
  std::size_t v;
  std::size_t w;
  Point crossing;
  double L;

  bool operator()(const Edge& diagonal) const {
    if (map[v].size() <= 2 || map[w].size() <= 2)
      return false;
    const Point& c0 = result.vertices[diagonal[0]];
    const Point& c1 = result.vertices[diagonal[1]];
    const double nearest = std::min(geometry::detail::overflow_safe_distance(crossing, c0),
                                    geometry::detail::overflow_safe_distance(crossing, c1));
    if (!(nearest <= L / 10.0))
      return false;
    const Point na = Oxlen::Math::get_normal(c0, c1, result.vertices[v], false);
    const Point nb = Oxlen::Math::get_normal(c1, c0, result.vertices[w], false);
    return dot(na, nb) > geometry::detail::kDegenerateSquaredLength &&
           geometry::detail::overflow_safe_length(cross(na, nb)) <
               geometry::detail::kDegenerateSquaredLength;
  }
};

// Gives the edge v-w a vertex where it leaves the band, when it does.
void SplitOrFlipAtBandEdge(std::size_t v, std::size_t w, const std::vector<std::size_t>& neighbours,
                           Result& result, vertex_triangles_map& map, contour_distance_query& query,
                           const Band& band) {
  // Copies: a split appends a vertex and may move the vertex list.
  const Point pv = result.vertices[v];
  const Point pw = result.vertices[w];
  const double length = geometry::detail::overflow_safe_distance(pv, pw);
  if (length < band.width || EndsNearOwnBorder(pv, pw, neighbours, result, band.width))
    return;
  const std::optional<BandExit> exit = WalkOutOfBand(query, pv, pw, length, band.width);
  if (!exit)
    return;
  // The changes made at v so far keep v-w; the check only guards against a split of an edge that
  // no triangle holds, which would leave a vertex without triangles.
  if (Oxlen::Geometry::triangle_indices_from_edge({v, w}, result, map, false).empty())
    return;
  const double t = FindBandCrossing(query, pv, pw, length, band, *exit);
  const DiagonalAtCrossing test{result, map, v, w, pv + t * (pw - pv), band.width};
  if (!Oxlen::Geometry::flip_edge_if({v, w}, result, map, std::cref(test)))
    Oxlen::Geometry::split_edge({w, v}, t, result, map);
}

}  // namespace

void avoid_long_triangles_on_border(Result& result, vertex_triangles_map& map, double L) {
  // 1. The crossing search uses a band a hair narrower than L.
  const Band band{L, std::nextafter(L, -std::numeric_limits<double>::infinity())};
  // 2. The border: its vertices with their border neighbours, and the query over its segments.
  const BorderNeighbours neighbours = CollectBorderNeighbours(result);
  contour_distance_query query(ContourSegments(result));
  // 3. Every edge from a border vertex into the face.
  for (const auto& [v, own] : neighbours) {
    for (const std::size_t w : Candidates(v, own, result, map))
      SplitOrFlipAtBandEdge(v, w, own, result, map, query, band);
  }
}

}  // namespace long_edges
