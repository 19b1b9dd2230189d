#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MSurfaceIsolines.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"

/// The structured quad grid over a face's UV domain.
///
/// Two ascending isoline lists, nU values along U and nV along V, cut the domain into
/// (nU - 1)(nV - 1) quads. Every grid vertex (i, j) stores the model-space surface point at
/// (U[i], V[j]), evaluated once when its isoline enters the grid; closing the seams and poles may
/// move stored points afterwards. The grid also records whether it closes on itself in U or in V
/// (a periodic seam), decided once at construction.
///
/// Quad (i, j) is bounded by U isolines i, i + 1 and V isolines j, j + 1. Its corners and edges
/// are numbered counter-clockwise in the (u, v) plane:
///
///   corner 0 (i, j), 1 (i + 1, j), 2 (i + 1, j + 1), 3 (i, j + 1);
///   edge k runs from corner k to corner (k + 1) mod 4: 0 bottom, 1 right, 2 top, 3 left.
///
/// The grid references its surface, which must outlive it. Queries do not validate indices:
/// callers pass vertex indices in [0, nU - 1] x [0, nV - 1] and quad indices in
/// [0, nU - 2] x [0, nV - 2]. All const operations may run concurrently on a grid that is not
/// being modified.
class MCadTriangulator::MQuads {
 public:
  /// Parameter direction. Operations treat 0 as U and every other value as V.
  enum EAxis : int {
    U = 0,
    V = 1,
  };

  /// The grid vertex at (U[u], V[v]). Ordered lexicographically on (u, v).
  struct MVertexIndex {
    std::int32_t u = 0;
    std::int32_t v = 0;

    MVertexIndex() = default;
    MVertexIndex(int u_, int v_) : u(u_), v(v_) {}

    friend bool operator==(const MVertexIndex&, const MVertexIndex&) = default;
    /// Lexicographic on (u, v).
    friend auto operator<=>(const MVertexIndex&, const MVertexIndex&) = default;
  };

  /// The quad between U isolines u, u + 1 and V isolines v, v + 1. Ordered lexicographically on
  /// (u, v), so that it keys ordered maps and sets.
  struct MQuadIndex {
    std::int32_t u = 0;
    std::int32_t v = 0;

    MQuadIndex() = default;
    MQuadIndex(int u_, int v_) : u(u_), v(v_) {}

    friend bool operator==(const MQuadIndex&, const MQuadIndex&) = default;
    /// Lexicographic on (u, v).
    friend auto operator<=>(const MQuadIndex&, const MQuadIndex&) = default;
  };

  /// A directed edge between two neighbouring grid vertices. Equality is directed (an edge and
  /// its reverse differ); the order is lexicographic on (start, end).
  struct MQuadEdge {
    MVertexIndex start;
    MVertexIndex end;

    MQuadEdge() = default;
    MQuadEdge(const MVertexIndex& start_, const MVertexIndex& end_) : start(start_), end(end_) {}

    /// True when the edge runs from the larger vertex to the smaller one.
    bool IsReversed() const { return end < start; }

    friend bool operator==(const MQuadEdge&, const MQuadEdge&) = default;
    /// Lexicographic on (start, end).
    friend auto operator<=>(const MQuadEdge&, const MQuadEdge&) = default;
  };

  /// A point on a grid edge. `parameter` runs from 0 at the smaller of the edge's two vertices to
  /// 1 at the larger one, whichever way the edge is directed.
  struct MPointOnEdge {
    MQuadEdge edge;
    double parameter = 0.0;

    MPointOnEdge() = default;
    MPointOnEdge(const MQuadEdge& edge_, double parameter_) : edge(edge_), parameter(parameter_) {}

    /// Equal directed edges and exactly equal parameters.
    friend bool operator==(const MPointOnEdge& a, const MPointOnEdge& b) {
      return a.edge == b.edge && a.parameter == b.parameter;
    }
    friend bool operator!=(const MPointOnEdge& a, const MPointOnEdge& b) { return !(a == b); }
  };

  /// Marker for "no quad": (-1, -1). Used for a neighbour outside an open grid.
  static const MQuadIndex kInvalidQuadIndex;

  /// Marker for "no edge": both vertices (-1, -1). Used for the end point of a loop walk.
  static const MQuadEdge kInvalidQuadEdge;

  /// Builds the grid: stores the surface reference, takes the isolines, evaluates every vertex
  /// and decides the closed flags. An axis is closed when, along every isoline of the other axis,
  /// the gap between its first and last grid point is at most a tenth of the polyline's length;
  /// an axis whose other axis has no isolines, or that has a single isoline, is closed.
  /// @param[in] surface  the surface; must outlive the grid.
  /// @param[in] isolines the isoline values; each list finite and non-decreasing (either may be
  ///                     empty).
  /// @throws std::invalid_argument "isolines: ..." when a list holds a non-finite value or
  ///         decreases.
  MQuads(const MAnalyticalSurface& surface, MSurfaceIsolines isolines);

  MQuads(const MQuads&) = default;
  MQuads(MQuads&&) noexcept = default;
  MQuads& operator=(const MQuads&) = default;
  MQuads& operator=(MQuads&&) noexcept = default;

  /// The surface the grid was built on.
  const MAnalyticalSurface& GetSurface() const { return *surface_; }

  /// Both isoline lists.
  const MSurfaceIsolines& GetIsolines() const { return isolines_; }

  /// The isoline list of one axis.
  const std::vector<double>& GetIsolines(EAxis axis) const;

  /// nU or nV.
  int GetIsolinesCount(EAxis axis) const;

  /// The number of quads along one axis: isoline count - 1, or 0 when that is below 1.
  int GetQuadsCount(EAxis axis) const;

  /// The number of quads of the grid: GetQuadsCount(U) * GetQuadsCount(V) (0 when an axis holds
  /// fewer than two isolines).
  std::size_t GetQuadsCount() const;

  /// Whether the grid closes on itself along `axis` (a periodic seam between its first and last
  /// isolines). Set at construction and never recomputed.
  bool IsClosed(EAxis axis) const;

  /// The stored model-space position of a vertex.
  const Oxlen::Math::point<double, 3>& GetVertex3d(const MVertexIndex& vertex) const;

  /// The parameters (U[u], V[v]) of a vertex.
  Oxlen::Math::point<double, 2> GetVertexUV(const MVertexIndex& vertex) const;

  /// Corners 0, 1, 2, 3 of a quad: (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1).
  std::array<MVertexIndex, 4> GetQuadVertices(const MQuadIndex& quad) const;

  /// The four edges of a quad, directed as in the edge numbering but listed in the order top
  /// (corner 2 -> 3), bottom (0 -> 1), right (1 -> 2), left (3 -> 0). Callers that iterate over
  /// the result see the edges in this order, which is not the edge numbering.
  std::array<MQuadEdge, 4> GetQuadEdges(const MQuadIndex& quad) const;

  /// The number k (0 bottom, 1 right, 2 top, 3 left) of the quad edge equal to `edge` in either
  /// direction; -1 when `edge` is not an edge of the quad.
  int GetQuadEdgeIndex(const MQuadIndex& quad, const MQuadEdge& edge) const;

  /// The quad edge facing direction (du, dv), directed as in the edge numbering: edge 0 if
  /// dv = -1; otherwise edge 1 if du = 1; otherwise edge 3 if dv != 1; otherwise edge 2.
  MQuadEdge FindQuadEdge(const MQuadIndex& quad, int du, int dv) const;

  /// The neighbours of a quad, in the order left, right, below, above. Across a closed axis the
  /// neighbour wraps around; across the border of an open axis there is none. Not de-duplicated:
  /// with two quads along a closed axis the other one is listed twice, with one quad the quad
  /// itself is.
  std::vector<MQuadIndex> GetQuadNeighbors(const MQuadIndex& quad) const;

  /// True when `quad` names a quad of this grid (indices within the quad counts).
  bool HasQuad(const MQuadIndex& quad) const {
    return quad.u >= 0 && quad.u < GetQuadsCount(EAxis::U) && quad.v >= 0 &&
           quad.v < GetQuadsCount(EAxis::V);
  }

  /// True when `vertex` names a vertex of this grid (indices within the isoline counts).
  bool HasVertex(const MVertexIndex& vertex) const {
    return vertex.u >= 0 && vertex.u < GetIsolinesCount(EAxis::U) && vertex.v >= 0 &&
           vertex.v < GetIsolinesCount(EAxis::V);
  }

  /// True when the vertex lies on the first or last isoline of either axis.
  bool IsVertexOnBorder(const MVertexIndex& vertex) const;

  /// True when the vertex lies on the first or last isoline of a closed axis.
  bool IsVertexOnPeriodicBorder(const MVertexIndex& vertex) const;

  /// True when the edge runs along the first or last isoline of either axis.
  bool IsEdgeOnBorder(const MQuadEdge& edge) const;

  /// True when the edge runs along the first or last isoline of a closed axis. If the grid is
  /// closed in U and the edge has constant u, only U decides (V is not examined).
  bool IsEdgeOnPeriodicBorder(const MQuadEdge& edge) const;

  /// The point of the straight 3D segment of the edge at the edge parameter: from the smaller
  /// vertex (parameter 0) toward the larger one (parameter 1). The parameter is not clamped.
  Oxlen::Math::point<double, 3> LocatePointOnEdge(const MPointOnEdge& point) const;

  /// The box of all stored vertices. A grid without vertices gives the box with minimum
  /// 1.7976931348623157e308 and maximum -1.7976931348623157e308 in each coordinate.
  Oxlen::Math::boundingbox<double, 3> CalculateBoundingBox3d() const;

  /// Squared distance from `p` to the quad's surrogate of four triangles (A, B, M), (B, C, M),
  /// (C, D, M), (D, A, M) around the centre M of its corners A, B, C, D (corners 0 to 3). On
  /// equal distances the earlier triangle wins.
  /// @param[in]  quad    the quad.
  /// @param[in]  p       the point.
  /// @param[out] closest null, or receives the nearest point of the surrogate.
  /// @return the squared distance, never below 0.
  double ComputeSquaredDistanceBetweenQuadAndPoint(const MQuadIndex& quad,
                                                   const Oxlen::Math::point<double, 3>& p,
                                                   Oxlen::Math::point<double, 3>* closest) const;

  /// Inserts an isoline of `axis` at `value`, before the first isoline not less than it (an equal
  /// value already present is not rejected: the new one goes first, making a zero-width row), and
  /// evaluates the surface at the new vertices. The closed flags stay as they are.
  /// @param[in] axis  the axis of the new isoline.
  /// @param[in] value its parameter.
  /// @throws std::invalid_argument "value: not finite" for NaN or an infinity.
  void InsertIsoline(EAxis axis, double value);

  /// Inserts isolines of `axis` at all `values` at once, with the grid `InsertIsoline` gives for
  /// them one by one (in any order); the cost is linear in the grid's size, not in its size times
  /// the values. Nothing is inserted if any value is not finite or an evaluation throws.
  /// @param[in] axis   the axis of the new isolines.
  /// @param[in] values their parameters, in any order; may be empty.
  /// @throws std::invalid_argument "value: not finite" for NaN or an infinity.
  void InsertIsolines(EAxis axis, std::vector<double> values);

  /// Makes a closed grid's seams watertight: along a closed U axis every pair P[0][j],
  /// P[nU-1][j] closer than `tolerance` is set to its midpoint, then alike along a closed V axis
  /// for P[i][0], P[i][nV-1]. Pairs at or beyond the tolerance stay apart.
  /// @param[in] tolerance the distance below which seam points are merged; not NaN, >= 0.
  /// @throws std::invalid_argument "tolerance: ..." for a NaN or negative tolerance.
  void CloseExactlyIfClosed(double tolerance);

  /// Collapses every isoline along which the surface is nearly stationary and which is small in
  /// absolute terms (a pole, a cone apex) onto the mean of its points: every step's rate is below
  /// 1 % of the largest rate of that direction anywhere on the grid, each step is shorter than
  /// `tolerance` and every point is nearer than `tolerance` to the mean. U isolines first, then V
  /// isolines on the positions left. A grid with fewer than two isolines in an axis is unchanged.
  /// @param[in] tolerance absolute size limit of a pole isoline; not NaN, >= 0.
  /// @throws std::invalid_argument "tolerance: ..." for a NaN or negative tolerance.
  void ClosePoles(double tolerance);

  /// Checks every structural invariant at once: each isoline list finite and non-decreasing,
  /// nU rows of nV vertices, every stored vertex finite.
  /// @param[out] why null, or receives a description of the first broken invariant (unchanged
  ///                 when the grid is valid).
  /// @return true when every invariant holds.
  bool IsValid(std::string* why = nullptr) const;

 private:
  std::vector<double>& IsolinesOf(EAxis axis);
  Oxlen::Math::point<double, 3>& Vertex(int u, int v);
  void EvaluateVertices();
  void ComputeClosedFlags();

  const MAnalyticalSurface* surface_;
  MSurfaceIsolines isolines_;
  std::vector<std::vector<Oxlen::Math::point<double, 3>>> vertices_;  // [u][v]
  bool closedU_ = true;
  bool closedV_ = true;
};
