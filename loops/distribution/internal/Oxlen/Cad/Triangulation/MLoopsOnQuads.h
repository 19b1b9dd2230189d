#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/Math/point.h"

/// The trimming loops of one face distributed over the quads of its grid.
///
/// A loop is cut where it crosses grid edges: the cuts are splitting points, shared by all loops
/// in one list; the stretch of a loop between two consecutive cuts is a loop part, filed under the
/// quad it runs through; a loop that never leaves one quad is an inner loop of that quad. Both
/// per-quad maps are ordered by `MQuadIndex`, and a quad without parts (or without inner loops)
/// has no entry in that map.
///
/// Filled loop by loop, then only read; the const operations may be called concurrently.
class MCadTriangulator::MLoopsOnQuads {
 public:
  using MQuadIndex = MQuads::MQuadIndex;

  /// A point where a loop crosses a grid edge.
  struct MLoopSplittingPoint {
    /// The edge crossed and the parameter on it (0 at its smaller vertex, 1 at its larger).
    MQuads::MPointOnEdge pointOnEdge;
    /// The quad the loop enters here.
    MQuadIndex nextQuad;
    /// The quad the loop leaves here.
    MQuadIndex previousQuad;
    /// The tag of the loop segment on which the crossing lies, when the loop carries tags.
    std::optional<std::int32_t> tag;
  };

  /// The stretch of one loop inside one quad, from one splitting point to the next in loop order.
  struct MLoopPart {
    /// Index (into the splitting points) of the crossing where the part enters the quad.
    std::int32_t start = 0;
    /// Index of the crossing where the part leaves the quad.
    std::int32_t end = 0;
    /// The loop points strictly between the two crossings, in loop order; may be empty.
    std::vector<Oxlen::Math::point<double, 3>> points;
    /// One tag per point of `points`, present when the loop carries tags.
    std::optional<std::vector<std::int32_t>> tags;
  };

  /// A loop that lies entirely in one quad.
  struct MInnerLoop {
    /// All loop points in loop order; the loop closes implicitly from the last to the first.
    std::vector<Oxlen::Math::point<double, 3>> points;
    /// The loop's tags, one per point, when it carries them.
    std::optional<std::vector<std::int32_t>> tags;
  };

  /// An empty distribution: no inner loops, no parts, no splitting points.
  MLoopsOnQuads();
  ~MLoopsOnQuads();

  MLoopsOnQuads(const MLoopsOnQuads&);
  MLoopsOnQuads& operator=(const MLoopsOnQuads&);

  /// Takes over all three members; `other` is left empty and usable.
  MLoopsOnQuads(MLoopsOnQuads&& other) noexcept;

  /// Takes over all three members; `other` is left empty and usable.
  MLoopsOnQuads& operator=(MLoopsOnQuads&& other) noexcept;

  /// Distributes one closed loop over the quads of `quads`.
  ///
  /// Every loop point is located in a quad by `projector`. Between two consecutive points in
  /// different quads the loop is cut at the grid edges of a shortest walk over the quads: the
  /// walk starts at the first point moved onto its quad, ends at the second moved onto its quad,
  /// and crosses every edge it passes at the edge point nearest to the straight 3D segment between
  /// the two loop points; it never crosses an open border of the grid. A crossing of a periodic
  /// seam is recorded twice, on both copies of the seam edge, with no part between the two. The
  /// stretches between consecutive cuts become loop parts of the quads they run through; a loop
  /// that never leaves its first point's quad becomes an inner loop of that quad. On a grid closed
  /// in neither direction, parts of the loop that cross each other inside a quad are uncrossed,
  /// and the closed pieces this leaves whose crossings break the in/out alternation along the grid
  /// lines are dropped.
  ///
  /// Splitting points are appended after those of earlier loops. Every crossing carries the tag of
  /// the loop point that starts its segment when the loop has tags, tag 0 otherwise.
  /// @param[in] quads     the grid; the one `projector` was built on.
  /// @param[in] loop      the loop, consumed: at least one point, all positions finite, and, when
  ///                      present, exactly one tag per point.
  /// @param[in] projector locates loop points in `quads`.
  /// @throws std::invalid_argument "quads: ..." for a grid without quads, "loop: ..." for an empty
  ///         loop, a non-finite position or a tag count that differs from the point count, and
  ///         "projector: ..." when it locates a point outside `quads`. The distribution is then
  ///         unchanged.
  /// @throws std::out_of_range "key was not found in unordered_flat_map" when two consecutive
  ///         points can only be joined across an open border of the grid; the distribution keeps
  ///         what earlier loops added.
  void AddLoop(const MQuads& quads, MSegmentedLoop&& loop, const MPointToQuadProjector& projector);

  /// Checks every invariant of the distribution at once: no empty map entries; quads, grid edges
  /// and parameters within `quads`; every part indexes existing splitting points, enters its quad
  /// through one of its edges (that quad being the crossing's next quad) and leaves it through
  /// another (that quad being the previous one); the parts form closed cycles, where a part that
  /// ends on a periodic seam continues at the part that starts on the seam's other copy; every
  /// crossing of a periodic seam is followed by its twin on the other copy; every crossing has a
  /// tag; tag lists match their point lists.
  /// @param[in]  quads the grid the loops were distributed over.
  /// @param[out] why   null, or receives a description of the first broken invariant (unchanged
  ///                   when the distribution is valid).
  /// @return true when every invariant holds.
  bool IsValid(const MQuads& quads, std::string* why = nullptr) const;

  /// The inner loops of every quad that has any.
  const std::map<MQuadIndex, std::vector<MInnerLoop>>& GetAllInnerLoops() const;

  /// The loop parts of every quad that has any.
  const std::map<MQuadIndex, std::vector<MLoopPart>>& GetAllLoopParts() const;

  /// The inner loops of one quad; an empty list when it has none.
  const std::vector<MInnerLoop>& GetInnerLoops(const MQuadIndex& quad) const;

  /// The loop parts of one quad; an empty list when it has none.
  const std::vector<MLoopPart>& GetLoopParts(const MQuadIndex& quad) const;

  /// The number of inner loops of one quad, 0 when it has no entry.
  std::size_t GetNumberOfInnerLoops(const MQuadIndex& quad) const;

  /// The number of loop parts of one quad, 0 when it has no entry.
  std::size_t GetNumberOfLoopParts(const MQuadIndex& quad) const;

  /// Splitting point `index`. Unchecked.
  /// @pre 0 <= index < GetNumberOfSplittingPoints()
  const MLoopSplittingPoint& GetLoopSplittingPoint(int index) const;

  /// The number of splitting points of all loops distributed so far.
  std::size_t GetNumberOfSplittingPoints() const;

 private:
  std::map<MQuadIndex, std::vector<MInnerLoop>> innerLoops;
  std::map<MQuadIndex, std::vector<MLoopPart>> loopParts;
  std::vector<MLoopSplittingPoint> splittingPoints;
  // Scratch space of the quad walks: one entry per grid edge key, all "not computed" between
  // walks, kept from one AddLoop to the next so that a loop pays for the edges its walks touch
  // rather than for the size of the grid. Not part of the distribution: moves leave it alone.
  std::vector<double> crossingCache;
};
