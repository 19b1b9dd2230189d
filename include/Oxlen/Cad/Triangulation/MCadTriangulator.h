#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Geometry/triangle_surface.h"

class MCADFace;

/// Triangulation of trimmed CAD faces on a refined structured quad grid.
///
/// The face's UV domain is cut by U and V isolines into quads; the grid is refined until the mesh
/// stays within the chordal tolerance of the surface, closed along periodic seams and collapsed at
/// poles. Trimming loops are segmented, laid over the quads and cut into parts; crossed quads are
/// trimmed exactly along the loops, untouched inner quads become two triangles each, and
/// coincident vertices are merged at the end.
///
/// The nested classes are the building blocks of that pipeline; each is declared in a header of
/// its own inside the library, which exports only `Triangulate`.
class MCadTriangulator {
 public:
  /// A mesh edge that lies on a trimming loop of the face.
  struct border_edge {
    std::size_t first = 0;   ///< vertex index where the edge starts
    std::size_t second = 0;  ///< vertex index where the edge ends
    int tag = 0;             ///< the tag of the fin the edge lies on
  };

  /// The mesh of one face in model space, and its edges on the trimming loops.
  ///
  /// It begins with a `triangle_surface` (vertices, triangles), so it can be handed to every mesh
  /// operation that takes one. Border edges run along the loops in the direction of the face's
  /// own loops; they are listed only when fin tags were given to `Triangulate`.
  struct triangulation_result : Oxlen::Geometry::triangle_surface {
    std::vector<border_edge> border_edges;
  };

  /// What one triangulation did: the final grid size and the time spent per stage.
  struct MStatistics {
    std::size_t quads = 0;            ///< grid quads after refinement
    double initialGridSeconds = 0.0;  ///< initial isolines and grid evaluation
    double refinementSeconds = 0.0;   ///< chordal and size refinement, closure of seams and poles
    double assemblySeconds = 0.0;     ///< loop distribution, classification and quad triangles
    double mergeSeconds = 0.0;        ///< merge of coincident vertices
    /// Whether the chordal refinement met the tolerance; false when the quad budget (or a grid
    /// too fine to split further) stopped it first, so the mesh may leave the surface by more.
    bool toleranceMet = true;
    /// The largest distance between the grid and the surface that the refinement estimated on
    /// its final grid (model units).
    double largestDeviation = 0.0;
  };

  struct MSurfaceIsolines;
  class MAnalyticalSurface;
  class MQuads;
  struct MQuadrangulatedSurface;
  class MPointToQuadProjector;
  struct MPointOnLoop;
  struct MSegmentedLoop;
  class MLoopSegmenter;
  class MLoopsOnQuads;
  class MTrimmer;
  class MTrimPartSelector;
  class MInternal;

  /// Triangulates one trimmed face.
  ///
  /// @param[in] face          the face: surface, placement, orientation and trimming loops.
  /// @param[in] finTags       optional flat list of one tag per fin, over all loops in the order
  ///                          of `MCADFace::Loops()` and, within a loop, in fin order; border
  ///                          edges carry the tag of the fin they lie on. Without tags the
  ///                          result lists no border edges.
  /// @param[in] tolerance     chordal tolerance in model units: finite and >= 0.
  /// @param[in] maxEdgeLength upper bound on the length of grid edges near the loops: > 0, may be
  ///                          +infinity (no limit).
  /// @param[in] maxQuads      budget on the number of grid quads; no refinement goes beyond it
  ///                          (0 allowed: the initial grid is used as it is).
  /// @param[in] cancel        polled at fixed points; when it returns true the call returns the
  ///                          empty result. May be empty. Exceptions it throws propagate.
  /// Loops drawn in UV are clipped to the surface's limits along directions that are not
  /// periodic, so a loop reaching far beyond the surface bounds the part of it that it encloses.
  /// @return the mesh, or the empty result when the face has no surface, its grid degenerates to
  ///         a single isoline, its loops bound no part of it, or the call was cancelled.
  /// @throws std::invalid_argument ("tolerance: ...", "maxEdgeLength: ...") for a tolerance that
  ///         is negative or not finite, or a maximal edge length that is NaN or not positive;
  ///         ("face: ...") for a NURBS surface that is not continuous (order 1, or an inner knot
  ///         of full multiplicity: it cannot be meshed as one connected face), and for a fin that
  ///         cannot be a loop edge ("face: loop L, fin F: ..."; a curve that gives a point that is
  ///         not finite, or a NURBS curve that is not continuous).
  OXLEN_CAD_TRIANGULATION_API static triangulation_result Triangulate(
      const MCADFace& face, const std::optional<std::vector<int>>& finTags, double tolerance,
      double maxEdgeLength, std::size_t maxQuads, const std::function<bool()>& cancel);

  /// `Triangulate` that also reports what it did.
  /// @param[out] statistics filled when not null (left as it is on an early return).
  OXLEN_CAD_TRIANGULATION_API static triangulation_result Triangulate(
      const MCADFace& face, const std::optional<std::vector<int>>& finTags, double tolerance,
      double maxEdgeLength, std::size_t maxQuads, const std::function<bool()>& cancel,
      MStatistics* statistics);
};
