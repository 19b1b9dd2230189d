#pragma once

#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"
#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"
#include "Oxlen/Cad/Triangulation/MQuads.h"
#include "Oxlen/Cad/Triangulation/MSurfaceIsolines.h"
#include "Oxlen/Math/point.h"

/// The working surface of one face: its quad grid and the distribution of its trimming loops
/// over the quads. The analytical surface the grid refers to is owned by the caller and must
/// outlive this object.
struct MCadTriangulator::MQuadrangulatedSurface {
  /// The grid over the face's UV domain.
  MQuads quads;
  /// The loops laid over `quads`; empty after construction.
  MLoopsOnQuads loops;

  /// Builds the grid from the surface and the isolines (every vertex evaluated, closed flags
  /// decided) and an empty loop distribution.
  /// @param[in] surface  the surface; must outlive this object.
  /// @param[in] isolines the isoline values, each list finite and non-decreasing.
  /// @throws std::invalid_argument "isolines: ..." as `MQuads`.
  MQuadrangulatedSurface(const MAnalyticalSurface& surface, MSurfaceIsolines isolines);

  /// Moves both members.
  MQuadrangulatedSurface(MQuadrangulatedSurface&&) noexcept = default;

  /// Parameter decimation: removes interior parameters (and the matching point of every polyline)
  /// while every polyline stays locally straight within `tolerance`.
  ///
  /// Each interior index k is scored over all polylines: a point farther than `tolerance` from
  /// the segment of its two neighbours scores the largest double (it is never removed); a point
  /// at least tolerance / 1000 away scores the sine of the polyline's turning angle there; a
  /// point nearer than that leaves the score alone (all scores start at -1, so such points go
  /// first). The lowest score (the lowest index on ties) is removed while it is at most 0.5, at
  /// most 2n times; only the two former neighbours of a removed index are scored again. The first
  /// and last parameters are never removed.
  /// @param[in,out] parameters the parameter list; fewer than three values are left unchanged.
  /// @param[in]     polylines  one point per parameter each (consumed); with none, nothing
  ///                           changes.
  /// @param[in]     tolerance  the allowed deviation; not NaN.
  /// @throws std::invalid_argument "polylines: ..." when a polyline's size differs from the
  ///         number of parameters, "tolerance: ..." when it is NaN.
  static void DecimateParameters(std::vector<double>& parameters,
                                 std::vector<std::vector<Oxlen::Math::point<double, 3>>> polylines,
                                 double tolerance);
};
