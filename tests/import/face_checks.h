#pragma once

// Checks of imported faces against Open CASCADE's exact geometry.

#include <TopoDS_Face.hxx>

#include <cstddef>
#include <string>

#include "Oxlen/Cad/Import.h"

namespace Oxlen::ImportTesting {

/// The largest distance between points of our surface and Open CASCADE's, over a grid of UVs
/// within the face's bounds, relative to the size of the model: our surface at the mapped
/// parameters against the file's surface at its own ones. For faces converted to NURBS the
/// parameters differ, and the distance of our points to the file's surface is measured instead.
double LargestSurfaceGap(const Oxlen::Cad::MCadImport::MImportedFace& imported,
                         const TopoDS_Face& face, double modelSize);

/// The largest distance of points along our fins (model units) from the face's edges.
double LargestFinGap(const Oxlen::Cad::MCadImport::MImportedFace& imported,
                     const TopoDS_Face& face);

/// What the mesh of a face shows against the exact face.
struct MMeshCheck {
  std::size_t triangles = 0;
  /// Largest distance from the exact surface of the triangles' centroids and edge midpoints.
  double largestDeviation = 0.0;
  /// Mesh area and the exact face area.
  double area = 0.0;
  double exactArea = 0.0;
  /// Length of the face's edges: a chordal border within the tolerance t changes the area by at
  /// most t times this length.
  double borderLength = 0.0;
  /// Triangles whose normal points against the face's outward normal.
  std::size_t facingInward = 0;
};

/// Triangulates the imported face at `tolerance` and checks its mesh against `face`.
MMeshCheck CheckMesh(const Oxlen::Cad::MCadImport::MImportedFace& imported, const TopoDS_Face& face,
                     double tolerance);

}  // namespace Oxlen::ImportTesting
