#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MPointToQuadProjector.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/MSegmentedLoop.h"
#include "Oxlen/Cad/Triangulation/MSurfaceIsolines.h"
#include "Oxlen/Cad/Triangulation/MTrimPartSelector.h"
#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"

/// The steps of `MCadTriangulator::Triangulate`. Internal: not exported.
class OXLEN_CAD_TRIANGULATION_LOCAL MCadTriangulator::MInternal {
 public:
  using MQuadIndex = MQuads::MQuadIndex;
  using EVertexStatus = MTrimPartSelector::EVertexStatus;

  // --- Initial grid -----------------------------------------------------------------------

  /// The isolines a grid over `surface` starts from: per axis the parameter limits and the
  /// surface's minimal isolines strictly inside them, ascending, without exact duplicates.
  static MSurfaceIsolines GetInitialIsolines(const MAnalyticalSurface& surface);

  /// Thins the initial isolines of a free-form surface: U first, then V (over the reduced U
  /// isolines), drops the interior isolines along which the surface stays straight within
  /// `tolerance` (`MQuadrangulatedSurface::DecimateParameters`). Does nothing when the surface is
  /// a sphere, cone, cylinder or plane, so it may be called for every surface.
  static void ReduceFreeFormIsolines(const MAnalyticalSurface& surface, MSurfaceIsolines& isolines,
                                     double tolerance);

  // --- Chordal refinement ------------------------------------------------------------------

  /// Inserts isolines until every strip and quad of the grid stays within `tolerance` of the
  /// surface, the grid holds `maxQuads` quads, or `cancel` answers true. A strip or quad that
  /// lies on the surface (deviation 0, or the smallest quad deviation) is never split, so a
  /// tolerance of 0 refines only where the surface curves; no isoline is inserted where one
  /// already is. Returns the largest deviation estimated on the final grid: the refinement's
  /// own last measurements when it met the tolerance, otherwise one more measurement of every
  /// strip and quad.
  static double RefineByTolerance(MQuads& grid, const MAnalyticalSurface& surface, double tolerance,
                                  std::size_t maxQuads, const std::function<bool()>& cancel);

  /// The largest distance between the surface and a crossing edge of strip `i` of `axis`, and
  /// the parameter (of the strip's own axis) where it was found; (0, 0) when there is none.
  static std::pair<double, double> GetStripDeviation(const MQuads& grid,
                                                     const MAnalyticalSurface& surface,
                                                     MQuads::EAxis axis, int i, double tolerance);

  /// The quad stage of the chordal refinement: splits the worst quad in both directions until
  /// every quad's centre lies within `tolerance` of its two triangles. Returns the worst quad
  /// deviation when that holds; empty when the budget, a cancellation or a quad too narrow to
  /// split stopped it first.
  static std::optional<double> RefineByQuadDeviation(MQuads& grid,
                                                     const MAnalyticalSurface& surface,
                                                     double tolerance, std::size_t maxQuads,
                                                     const std::function<bool()>& cancel);

  /// Distance from the surface point at the quad's UV centre to the quad's two triangles (split
  /// along the diagonal from corner 1 to corner 3).
  static double GetQuadDeviation(const MQuads& grid, const MAnalyticalSurface& surface,
                                 const MQuadIndex& quad);

  // --- Trimming loops ------------------------------------------------------------------------

  /// Segments every loop of the face, in `Loops()` order. Fin tags are taken from the front of
  /// `finTags`, `FinCount()` per loop (all zero once the list runs empty). A loop that cannot be
  /// segmented is replaced by its single alternative loop (with zero tags) or dropped. A fin
  /// whose curve gives a non-finite parameter or point, or is a discontinuous NURBS curve,
  /// rejects the face: std::invalid_argument "face: loop L[ (alternative)], fin F: <reason>".
  static std::vector<MSegmentedLoop> SegmentLoops(const MCADFace& face,
                                                  const std::optional<std::vector<int>>& finTags,
                                                  double tolerance,
                                                  const MSurfaceIsolines& isolines,
                                                  const Oxlen::Math::boundingbox<double, 3>& box);

  /// Whether the face must be treated as reversed, decided from the winding in UV of a loop whose
  /// own direction is unreliable, relative to a reference point taken from `next` when given.
  static bool IsSpecialLoopReversed(const MCADFace& face, const MQuads& grid,
                                    const MSegmentedLoop& loop,
                                    const std::optional<MSegmentedLoop>& next, double tolerance);

  /// The orientation decision: true when the face is reversed (its orientation says so, or the
  /// winding of its first unoriented loop does). Reverses every loop (points and tags) then.
  static bool OrientLoops(const MCADFace& face, const MQuads& grid,
                          std::vector<MSegmentedLoop>& loops, double tolerance);

  // --- Size refinement ------------------------------------------------------------------------

  /// The typical distance between loops: the median, over the loop centroids, of the distance to
  /// the nearest other centroid; +infinity for fewer than 20 loops or 3 centroids.
  static double GetLoopSpacing(const std::vector<MSegmentedLoop>& loops);

  /// The quad of every loop point, loop after loop, located by one projector over `grid`: by
  /// UV when every point of every loop has one, otherwise by 3D position. Empty without points
  /// (no projector is built then).
  static std::vector<MQuads::MQuadIndex> ProjectLoopPoints(const MQuads& grid,
                                                           const std::vector<MSegmentedLoop>& loops,
                                                           double tolerance);

  /// The UV box (minimal U, minimal V, maximal U, maximal V) of the quads the loop points fall
  /// in (`ProjectLoopPoints`); empty (minima at the largest double, maxima at its negative)
  /// without points.
  static std::array<double, 4> GetLoopsUVBox(const MQuads& grid,
                                             const std::vector<MSegmentedLoop>& loops,
                                             double tolerance);

  /// The number of quads the size refinement would produce: per axis the sum over its strips of
  /// floor(strip length / size limit) + 1, multiplied; saturates at SIZE_MAX.
  static std::size_t EstimateQuadsCount(const MQuads& grid, double sizeLimit,
                                        const std::array<double, 4>& box);

  /// The longest 3D crossing edge of strip `i` of `axis` within the box; 0 outside it.
  static double GetStripLength(const MQuads& grid, MQuads::EAxis axis, int i,
                               const std::array<double, 4>& box);

  /// Inserts isolines until no crossing edge within the box is longer than `sizeLimit`, or the
  /// grid holds `maxQuads` quads.
  static void RefineBySize(MQuads& grid, double sizeLimit, const std::array<double, 4>& box,
                           std::size_t maxQuads);

  /// The most loop points a quad should receive; the trimmer's work per quad grows with the
  /// square of this number.
  static constexpr std::size_t kMaxLoopPointsPerQuad = 64;

  /// Halves, pass after pass, the U and V strips of every quad that receives more than
  /// `kMaxLoopPointsPerQuad` loop points (`ProjectLoopPoints`), so that long, finely
  /// segmented loops are spread over many quads. A strip is not halved when both of the crowded
  /// quad's edges across it are at most 10 tolerances long (points that close cannot be
  /// separated) or its parameter interval has no representable middle. Stops when no strip is
  /// halved, or once the grid holds `maxQuads` quads. Faces whose loops have at most
  /// `kMaxLoopPointsPerQuad` points in all are left as they are.
  static void RefineByLoopDensity(MQuads& grid, const std::vector<MSegmentedLoop>& loops,
                                  double tolerance, std::size_t maxQuads);

  // --- Loops around a closed domain
  // ---------------------------------------------------------------

  /// The 3D grid vertices of the domain border cycle through the smallest border vertex, in
  /// walking order (counter-clockwise in UV); empty for a grid closed in both directions.
  /// @throws std::logic_error "ComposeDomainBorderLoop: composed loop is not closed".
  static std::vector<Oxlen::Math::point<double, 3>> ComposeDomainBorderLoop(const MQuads& grid);

  /// Whether the loop runs along that border cycle within twice the tolerance.
  static bool IsLoopAroundDomain(const MQuads& grid, const MSegmentedLoop& loop,
                                 const MPointToQuadProjector& projector, double tolerance);

  /// Mends the flat triangles of a merged face mesh (height below 1e-6 of the longest side),
  /// which close T-junctions where a loop runs along a grid line: the triangle across the longest
  /// side is split at the flat triangle's third vertex (the side is flipped), or, where no
  /// triangle lies across, the flat triangle is dropped. Border edges along the side are split at
  /// that vertex with their tag and direction. The tiling, the area and the border are kept; a
  /// flat triangle whose mend would leave another flat triangle, or whose side more than two
  /// triangles share, is left.
  static void MendFlatTriangles(triangulation_result& mesh);

  /// The distance within which a loop point counts as lying on the grid border: twice the
  /// tolerance (the loop and the border both lie within it of the exact curve) plus 1e-9 of the
  /// grid's 3D extent, so that a tolerance of 0 still matches up to rounding.
  static double GetBorderMatchDistance(const MQuads& grid, double tolerance);

  /// Whether the loop runs along the whole border of a grid closed in U or V: every loop point
  /// and segment middle lies on a border or seam isoline, and every border edge that is neither
  /// on a seam nor collapsed into a pole is followed by the loop (all within
  /// `GetBorderMatchDistance`). This is how a B-rep model bounds a whole closed surface (the
  /// seam used twice, poles as edges of zero length); such a loop bounds nothing on the grid.
  /// False on a grid open in both directions.
  static bool IsLoopAlongWholeBorder(const MQuads& grid, const MSegmentedLoop& loop,
                                     double tolerance);

  /// Tags the mesh edges that run along `loop` (within `distance`) as border edges, in the
  /// loop's direction (the other way for a `reversed` face): used for a loop set aside because
  /// it runs around a closed domain or along its whole border, whose edges no trimmed quad
  /// reports. An open mesh edge is tagged with the loop segment that runs along it; an edge
  /// inside the mesh (on a closed seam) only when the loop runs along it both ways, and then it
  /// yields one border edge per direction with that direction's tag. Loop segments no longer
  /// than 1e-9 of the loop's extent (along a pole) yield none. Does nothing for a loop without
  /// tags.
  static void AppendBorderEdgesAlongLoop(triangulation_result& mesh, const MSegmentedLoop& loop,
                                         double distance, bool reversed);

  // --- Trimming information -------------------------------------------------------------------

  /// Everything the trimmer needs about one quad: its corners, its inner loops and its loop
  /// parts with their entering and leaving crossings on the quad's edges.
  /// @throws std::logic_error "MCadTriangulator::MInternal::FillQuadTrimmingInformation: loop part
  ///         is on a wrong edge" when a crossing lies on none of the quad's edges.
  static MTrimmer::MQuadToTrim FillQuadTrimmingInformation(const MQuadrangulatedSurface& grid,
                                                           const MQuadIndex& quad);

  // --- Assembly -----------------------------------------------------------------------------

  /// The quads that contribute triangles: those holding loop information, and the untouched
  /// ones whose first vertex is inside. Ordered by `MQuadIndex::operator<`.
  static std::set<MQuadIndex> CollectQuadsToTriangulate(const MQuadrangulatedSurface& grid,
                                                        const std::vector<EVertexStatus>& statuses);

  /// Appends the triangles of one quad to the face mesh.
  static void TriangulateQuad(triangulation_result& faceMesh, const MQuadrangulatedSurface& grid,
                              const MQuadIndex& quad, bool firstVertexInside, double tolerance,
                              bool reversed);

  /// Thins the vertices that trimming left along a loop inside one quad's local mesh. `distance`
  /// is the largest distance of a removed vertex from the chord of its neighbours (a tenth of the
  /// chordal tolerance).
  static void Reduce(Oxlen::Geometry::triangle_surface& mesh,
                     const std::set<std::pair<std::size_t, std::size_t>>& segments,
                     const Oxlen::Math::point<double, 3>& normal,
                     std::map<std::pair<std::size_t, std::size_t>, int>& borderEdges,
                     double distance);

  /// Appends a local mesh and its tagged loop edges to the face mesh, reversing both when the
  /// face is reversed.
  static void AppendTriangles(triangulation_result& faceMesh,
                              const Oxlen::Geometry::triangle_surface& local,
                              const std::map<std::pair<std::size_t, std::size_t>, int>& borderEdges,
                              bool reversed);
};
