#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/container/small_vector.hpp>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Math/point.h"

/// Cuts one grid quad that trimming loops run through into a small triangle mesh whose edges
/// contain every loop segment inside the quad.
///
/// The quad is first cut along its diagonal from corner 1 to corner 3 into the triangles
/// A = (0, 1, 3) and B = (3, 1, 2); the loop points and segments are dropped into them. Each
/// triangle that still carries loop points on its edges or inside it is replaced by the children
/// of a splitting: a 2-splitting cuts it through one of its edge points and the opposite corner,
/// a 3-splitting joins one of its inner points to its three corners. Where a new edge crosses a
/// loop segment a vertex is added and the segment is cut there. A triangle without points is
/// final. Afterwards `SelectInnerTriangles` tells which final triangles lie inside the face.
///
/// A class of static functions without state; calls for different quads may run concurrently,
/// each with its own `MTriangles`. Vertex indices are int32 indices into `MTriangles::vertices`.
///
/// Failures of the algorithm are `std::logic_error`s whose message names the step (for example
/// "MTrimmer::FindCommonEdge: parts do not share one edge"); they leave the call and the caller
/// decides what a failed quad means.
class MCadTriangulator::MTrimmer {
 public:
  using MPoint = Oxlen::Math::point<double, 3>;

  /// A directed piece of a trimming loop between two mesh vertices. The direction matters:
  /// (a, b) and (b, a) are different segments.
  struct MSegmentFromLoop {
    std::int32_t first = 0;           ///< vertex where the segment starts (in loop direction)
    std::int32_t second = 0;          ///< vertex where it ends
    std::optional<std::int32_t> tag;  ///< tag of the loop segment, empty for untagged loops

    MSegmentFromLoop() = default;
    MSegmentFromLoop(int first_, int second_, std::optional<int> tag_)
        : first(first_), second(second_), tag(tag_) {}

    /// Equal ends in the same direction and equal tags (both empty, or both set and equal).
    friend bool operator==(const MSegmentFromLoop& a, const MSegmentFromLoop& b) {
      return a.first == b.first && a.second == b.second && a.tag == b.tag;
    }
    friend bool operator!=(const MSegmentFromLoop& a, const MSegmentFromLoop& b) {
      return !(a == b);
    }
  };

  /// The result of trimming one quad.
  struct MTriangles {
    /// Mesh vertices; the four quad corners are entries 0 to 3. Only ever appended to.
    std::vector<MPoint> vertices;
    /// Final triangles, by vertex index.
    std::vector<std::array<std::int32_t, 3>> triangles;
    /// The loop segments that have become mesh edges, each running along exactly one edge of the
    /// final triangles in the triangle's direction.
    std::vector<MSegmentFromLoop> segments;
  };

  /// One loop part crossing the quad, with its two crossings of the quad border located.
  struct MPartToTrim {
    std::int32_t startEdge = 0;                     ///< quad edge (0 to 3) where it enters
    MPoint startPoint;                              ///< entering crossing, on that edge
    std::optional<std::int32_t> startTag;           ///< tag of the entering crossing
    std::int32_t endEdge = 0;                       ///< quad edge where it leaves
    MPoint endPoint;                                ///< leaving crossing, on that edge
    std::optional<std::int32_t> endTag;             ///< tag of the leaving crossing
    std::vector<MPoint> points;                     ///< loop points between, in loop order
    std::optional<std::vector<std::int32_t>> tags;  ///< their tags, one per point
  };

  /// Everything `TrimQuad` needs about one quad.
  struct MQuadToTrim {
    /// Corner positions in the grid's corner order (i, j), (i+1, j), (i+1, j+1), (i, j+1).
    std::array<MPoint, 4> corners;
    /// The loops lying wholly inside the quad.
    std::vector<MLoopsOnQuads::MInnerLoop> innerLoops;
    /// The loop parts crossing the quad.
    std::vector<MPartToTrim> parts;
  };

  /// A triangle that may still need trimming. Edge k runs from corner k to corner (k + 1) mod 3.
  struct MTriangleToTrim {
    /// Its corners.
    std::array<std::int32_t, 3> vertices{};
    /// Per edge k, the vertices strictly between its corners, ordered from corner k.
    std::array<std::vector<std::int32_t>, 3> edgePoints;
    /// Vertices strictly inside it.
    std::vector<std::int32_t> innerPoints;
    /// The loop segments lying in it, ending at its corners, edge points or inner points.
    std::vector<MSegmentFromLoop> segments;
  };

  /// What a splitting generator proposes for one triangle.
  struct MSplitting {
    /// Vertices to append to `MTriangles::vertices`; the children already refer to them by the
    /// indices they will get (vertex count at generation + position in this list).
    std::vector<MPoint> newVertices;
    /// The triangles replacing the split one; never more than three.
    boost::container::small_vector<MTriangleToTrim, 3> children;
    /// Segments that became mesh edges, to append to `MTriangles::segments`.
    std::vector<MSegmentFromLoop> addedSegments;
    /// Segments to delete from `MTriangles::segments` (replaced by added pieces).
    std::vector<MSegmentFromLoop> removedSegments;
  };

  /// The two triangles a quad is first cut into: [0] = A (0, 1, 3), [1] = B (3, 1, 2).
  using MInitialSplitting = std::array<MTriangleToTrim, 2>;

  class M2SplittingGenerator;
  class M3SplittingGenerator;

  // --- Operations -------------------------------------------------------------------------

  /// Trims one quad.
  /// @param[in] quad the corners, inner loops and loop parts. Every part's `startEdge` and
  ///                 `endEdge` name an edge 0 to 3 of the quad with the crossing on it; a part
  ///                 with `tags` has both crossing tags set.
  /// @return the mesh: the corners as vertices 0 to 3, the final triangles covering the quad and
  ///         the loop segments that are mesh edges. Without loop content the two triangles
  ///         (0, 1, 3) and (3, 1, 2). Degenerate loops (points on corners or on the diagonal,
  ///         coincident points) may give zero-area triangles; a loop piece that runs along a
  ///         triangle edge before any splitting made it a mesh edge (a part entering and leaving
  ///         on one border edge without points between) does not reach `segments`.
  /// @throws std::invalid_argument "quad: ..." for a non-finite coordinate, a tag list whose size
  ///         differs from its point list, or more points than int32 indices can hold.
  /// @throws std::bad_optional_access for a tagged part whose start or end tag is empty.
  /// @throws std::logic_error for an edge number outside 0 to 3 ("MTrimmer::
  ///         PutLoopPartsIntoInitialSplitting: inconsistent parts/quad is given") and for every
  ///         failure of the splitting (see `TrimTriangle`).
  static MTriangles TrimQuad(const MQuadToTrim& quad);

  /// Trims one triangle and everything split off it, depth first: appends the new vertices and
  /// the final triangles to `result` and applies the segment changes of every splitting.
  ///
  /// The number of splittings is bounded by `GetSplittingLimit(triangle)`: loop segments that
  /// cross each other (which no splitting can make mesh edges) would otherwise be cut forever.
  /// @param[in]     triangle the triangle; its vertex indices refer to `result.vertices` and its
  ///                         edge point lists are ordered from their edge's start corner.
  /// @param[in,out] result   the mesh under construction.
  /// @throws std::invalid_argument "triangle: vertex index out of range" when an index of
  ///         `triangle` is not a vertex of `result`.
  /// @throws std::logic_error "MTrimmer::TrimTriangle: splitting limit exceeded" when the bound
  ///         is reached, "MTrimmer::TrimTriangle: triangle needs trimming but no possible
  ///         splitting has been found", and every message of the generators and of
  ///         `SynchronizeEdgePointsOfParts`. `result` is then left part way.
  static void TrimTriangle(const MTriangleToTrim& triangle, MTriangles& result);

  /// `TrimTriangle` with an explicit bound on the number of splittings.
  /// @param[in] splittingLimit the largest number of splittings applied; one more throws
  ///                           "MTrimmer::TrimTriangle: splitting limit exceeded".
  static void TrimTriangle(const MTriangleToTrim& triangle, MTriangles& result,
                           std::size_t splittingLimit);

  /// Decides which triangles of a trimmed quad lie inside the face: starting from the triangles
  /// at vertex 0, a breadth-first walk over shared edges (taken only between triangles that run
  /// the edge in opposite directions) flips the status across every edge that carries an odd
  /// number of loop segments, whatever their directions.
  /// @param[in] triangles         a trimmed quad (any indices; none is dereferenced).
  /// @param[in] firstVertexInside whether vertex 0 (the quad's first corner) is inside the face.
  /// @return one flag per triangle; triangles the walk never reaches are false.
  static std::vector<bool> SelectInnerTriangles(const MTriangles& triangles,
                                                bool firstVertexInside);

  /// Checks a trimmed quad: vertices 0 to 3 present and every vertex finite; triangle indices
  /// valid and distinct; every triangle wound like the quad (positive area along the quad normal
  /// c0 x c1 + c1 x c2 + c2 x c3 + c3 x c0); every directed triangle edge used once, and every
  /// edge without its reverse lying on a border edge of the quad; the triangle areas summing to
  /// the areas of (0, 1, 3) and (3, 1, 2); every segment a directed edge of a triangle.
  /// Distances and areas are compared relative to the quad's size (1e-9).
  /// @param[in]  triangles the mesh.
  /// @param[out] why       null, or receives the first broken property (unchanged if valid).
  /// @return true when every property holds.
  static bool IsValid(const MTriangles& triangles, std::string* why = nullptr);

  // --- Steps (exposed so that each can be exercised on its own) -----------------------------

  /// The largest number of splittings `TrimTriangle` applies for `triangle`:
  /// 4096 + 64 * w * w with w = 3 + its edge points + its inner points + its segments.
  static std::size_t GetSplittingLimit(const MTriangleToTrim& triangle);

  /// Appends the four corners to `result.vertices` (which must be empty for them to become
  /// vertices 0 to 3) and returns A = (0, 1, 3) and B = (3, 1, 2) without points or segments.
  static MInitialSplitting SplitQuadToInitialSplitting(const MQuadToTrim& quad, MTriangles& result);

  /// Places a loop point inside the quad: it goes to A when B is strictly farther from it (point
  /// to triangle distance), otherwise to B; the point of the chosen triangle nearest to it is
  /// appended to `result.vertices` and its index to the triangle's `innerPoints`.
  /// @return the new vertex index and the chosen triangle (0 for A, 1 for B).
  static std::pair<std::int32_t, int> PutLoopPointToInitialSplitting(const MPoint& point,
                                                                     MInitialSplitting& splitting,
                                                                     MTriangles& result);

  /// Puts one loop part into the initial splitting: its points, its two crossings as edge
  /// points of the quad border edges, and its segments.
  /// @throws std::logic_error "MTrimmer::PutLoopPartsIntoInitialSplitting: inconsistent
  ///         parts/quad is given" when a crossing's edge is no quad edge.
  /// @throws std::bad_optional_access for a tagged part with an empty crossing tag.
  static void PutLoopPartsIntoInitialSplitting(const MPartToTrim& part,
                                               MInitialSplitting& splitting, MTriangles& result);

  /// Puts one inner loop into the initial splitting: consecutive exact duplicates and a closing
  /// copy of the first point are dropped; a loop with fewer than two points left is ignored;
  /// otherwise its points and the closed chain of its segments are placed.
  static void PutInnerLoopIntoInitialSplitting(const MLoopsOnQuads::MInnerLoop& loop,
                                               MInitialSplitting& splitting, MTriangles& result);

  /// Puts one segment into the initial splitting, given the triangles of its two ends. Within
  /// one triangle it is stored there; otherwise it is cut where it crosses the shared edge (the
  /// diagonal from vertex 1 to vertex 3): the crossing becomes a vertex and an edge point of both
  /// triangles, and each gets its piece.
  /// @throws std::logic_error "MTrimmer::PutSegmentToInitialSplitting: incorrect initial
  ///         splitting is given" when the two triangles share no edge.
  static void PutSegmentToInitialSplitting(const MSegmentFromLoop& segment,
                                           MTriangleToTrim& firstTriangle,
                                           MTriangleToTrim& secondTriangle, MTriangles& result);

  /// Makes two triangles that share an edge agree on the order of its points: the first
  /// triangle's list is sorted by squared distance from its own start corner of the edge and the
  /// second's becomes its reverse. Nothing happens when they share no edge.
  /// @throws std::logic_error "MTrimmer::SynchronizeEdgePointsOfParts: shared edge has different
  ///         vertex sets in touching parts" when the two lists hold different vertices.
  static void SynchronizeEdgePointsOfParts(const MTriangles& result, MTriangleToTrim& first,
                                           MTriangleToTrim& second);

  /// The common edge of `triangle` with `other`: the first k in 0, 1, 2 whose corners k and
  /// (k + 1) mod 3 both are corners of `other`; -1 if there is none.
  static int FindCommonEdgeNumber(const MTriangleToTrim& triangle, const MTriangleToTrim& other);

  /// The number of the edge of `triangle` between `a` and `b` in either direction (the first k);
  /// -1 if none.
  static int FindEdgeNumber(const MTriangleToTrim& triangle, std::int32_t a, std::int32_t b);

  /// The edge shared by two triangles: the corners of `a`, in order, that also are corners of
  /// `b`, as (first kept, second kept).
  /// @throws std::logic_error "MTrimmer::FindCommonEdge: parts do not share one edge" unless
  ///         exactly two corners are kept.
  static std::pair<std::int32_t, std::int32_t> FindCommonEdge(const MTriangleToTrim& a,
                                                              const MTriangleToTrim& b);
};
