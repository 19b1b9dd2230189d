#pragma once

// Oxlen.Cad.Import: reads CAD models from STEP files and hands every face over as an `MCADFace`
// of the entity layer, with the fin tags that `MCadTriangulator::Triangulate` and the stitcher
// expect. Open CASCADE reads the file and supplies the exact geometry; it never meshes.

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCADFace.h"

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(OXLEN_CAD_IMPORT_BUILDING)
#define OXLEN_CAD_IMPORT_API __declspec(dllexport)
#else
#define OXLEN_CAD_IMPORT_API __declspec(dllimport)
#endif
#else
#define OXLEN_CAD_IMPORT_API __attribute__((visibility("default")))
#endif

namespace Oxlen::Cad {

/// Reads a CAD model and maps its faces onto the entity layer.
///
/// Model units are millimetres: whatever unit the file is written in, its geometry is converted.
/// Faces come in the order of a depth-first walk of the model (assembly instances in file order,
/// each placed by its location), one entry per face use: a part placed twice gives its faces
/// twice, each with its own placement.
///
/// Loops run as the face is used by its solid: for a face whose outward side is its surface's
/// normal side (`eFaceOrientationForward`) the outer loop runs counter-clockwise in UV; for a
/// reversed face clockwise. Border edges of the triangulated faces then run along the triangles'
/// winding on every face, and the two uses of one model edge run in opposite directions.
///
/// Fin tags: every model edge has a number k >= 1, its position in the model's edge map (an edge
/// under two placements is two edges). A use of the edge along its own direction carries +k, a
/// use against it -k, so the two fins of an edge shared by two faces carry opposite numbers. A
/// seam edge is used twice by its face, once each way (+k and -k on the same face). A degenerate
/// edge (a pole or a cone's apex) is used once and carries +k or -k with no partner.
class OXLEN_CAD_IMPORT_API MCadImport {
 public:
  /// The kind of a surface as the file gives it.
  enum ESurfaceKind : int {
    eSurfacePlane = 0,
    eSurfaceCylinder,
    eSurfaceCone,
    eSurfaceSphere,
    eSurfaceTorus,
    eSurfaceBSpline,
    eSurfaceBezier,
    eSurfaceRevolution,
    eSurfaceExtrusion,
    eSurfaceOffset,
    eSurfaceOther,
    eSurfaceKindCount
  };

  /// The name of a surface kind in lower case ("plane", "cylinder", ..., "other").
  static const char* KindName(ESurfaceKind kind);

  /// One face of the model, ready for `MCadTriangulator::Triangulate(face, finTags, ...)`.
  struct MImportedFace {
    /// The face: surface (plane, cylinder, cone, sphere or NURBS), loops, orientation, placement
    /// and length tolerance.
    MCADFace face;
    /// One tag per fin, over the loops in order and within a loop in fin order.
    std::vector<int> finTags;
    /// The face's position among all faces of the model (failed faces count too).
    std::size_t index = 0;
    /// The kind of the surface in the file; kinds without a surface of their own in the entity
    /// layer (torus, revolution, extrusion, offset, other) are converted to NURBS.
    ESurfaceKind kind = eSurfaceOther;
    /// The largest tolerance of the face and its edges and vertices in the file (model units):
    /// how far the file lets the fins of one edge stray from each other.
    double tolerance = 0.0;
    /// The face's name in the file, empty where it has none.
    std::string name;
  };

  /// A face that could not be mapped; the rest of the model is imported without it.
  struct MFailure {
    std::size_t index = 0;  ///< the face's position among all faces of the model
    ESurfaceKind kind = eSurfaceOther;
    std::string reason;
  };

  /// What the import found.
  struct MReport {
    /// The length unit the file is written in, as the file names it (for example "millimetre" or
    /// "INCH"); empty when the file does not say.
    std::string fileUnit;
    /// True when the file holds no shape geometry at all (for example an assembly that only
    /// references other files): the face list is then empty.
    bool noGeometry = false;
    /// Faces in the model, mapped or not.
    std::size_t faceCount = 0;
    /// Faces per surface kind as the file gives them (mapped or not), indexed by `ESurfaceKind`.
    std::array<std::size_t, eSurfaceKindCount> facesByKind{};
    /// The faces that could not be mapped, in face order.
    std::vector<MFailure> failures;
    /// Solids in the model, and how many of them are closed (every edge used by two faces).
    std::size_t solidCount = 0;
    std::size_t closedSolidCount = 0;
    /// The exact volume the closed solids enclose, summed (model units cubed).
    double closedSolidVolume = 0.0;
    /// Diagonal of the model's bounding box (model units; 0 for an empty model).
    double diagonal = 0.0;
  };

  /// The imported model.
  struct MModel {
    std::vector<MImportedFace> faces;  ///< the mapped faces, in face order
    MReport report;
  };

  /// Reads a STEP file (AP203, AP214 or AP242) and maps every face. Reading goes through Open
  /// CASCADE's process-wide translator settings: run one import at a time. The faces it returns
  /// are plain data, which any number of threads can mesh at once.
  /// @param[in] file the file to read.
  /// @return the mapped faces and the report. A face that cannot be mapped is listed in
  ///         `report.failures` and skipped; a file without geometry gives no faces and
  ///         `report.noGeometry`.
  /// @throws std::invalid_argument ("file: ...") when the file does not exist or is not a
  ///         regular file; std::runtime_error when it cannot be read or is not a STEP file.
  static MModel Import(const std::filesystem::path& file);
};

}  // namespace Oxlen::Cad
