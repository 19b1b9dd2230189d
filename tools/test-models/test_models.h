#pragma once

// Solids and an assembly built with Open CASCADE's modelling API, and the STEP files made from
// them, for the tests and the benchmark of the STEP importer. Every model is built in code, the
// same on every call, so no model file is kept in the repository.

#include <filesystem>
#include <string>
#include <vector>

#include <TopoDS_Shape.hxx>

namespace Oxlen::ImportTesting {

/// One model: a part-sized solid (tens of millimetres), or the compound of an assembly's instances.
struct MTestModel {
  std::string name;    ///< short identifier, also the STEP file's stem, e.g. "box", "cone_to_apex"
  TopoDS_Shape shape;  ///< the model as built (a solid, or a compound for the assembly)
  bool closed;         ///< true when every solid is closed (every edge shared by two faces)
};

/// Builds every model, in a fixed order: box, cylinder, cone, cone_to_apex, sphere, torus,
/// revolved_profile, extruded_spline, filleted_box, plate_with_holes_through_curved_faces,
/// bspline_loft, mirrored_part, assembly. Each is built fresh and the same on every call.
/// Throws std::runtime_error when a modelling step fails or a model does not pass BRepCheck.
std::vector<MTestModel> BuildTestModels();

/// A compound of open faces on elementary surfaces with unusual frames: trimmed patches of a plane,
/// a cylinder and a sphere on left-handed axis systems (gp_Ax3::Direct() false), of a cone with a
/// negative semi-angle on a right-handed and on a left-handed frame, and of a cone with a positive
/// semi-angle on a left-handed frame; then full-turn patches of a left-handed cylinder and sphere.
TopoDS_Shape BuildLeftHandedFaces();

/// Writes `shape` to the STEP file `file` (AP214, in `unit`: "MM", "INCH", ...) as one product
/// named after the file's stem; the geometry is converted from millimetres. The translator's
/// messages are kept off standard output meanwhile. Not thread-safe: OCCT keeps its translator
/// settings process-wide. Throws std::runtime_error when the transfer or the write fails.
void WriteStep(const TopoDS_Shape& shape, const std::filesystem::path& file,
               const char* unit = "MM");

/// Writes the assembly model as a real STEP assembly built through an XDE document: the two parts
/// are products ("bracket", "pin") under the assembly product "bracket_with_pins", the pin
/// instanced twice at different locations. Not thread-safe, as WriteStep. Throws
/// std::runtime_error when the document, the transfer or the write fails.
void WriteAssemblyStep(const std::filesystem::path& file);

/// Writes a hand-made STEP file (AP214 header) that declares products but holds no shape
/// geometry at all: one product only refers to a document, the other to an external file, so
/// reading it transfers no shape. Throws std::runtime_error when the file cannot be written.
void WriteNoGeometryStep(const std::filesystem::path& file);

/// Writes every model of BuildTestModels() into `dir` (created when missing) as <name>.step, the
/// assembly through WriteAssemblyStep, and returns the paths in model order. Throws
/// std::runtime_error as the builders and writers do.
std::vector<std::filesystem::path> WriteTestModels(const std::filesystem::path& dir);

}  // namespace Oxlen::ImportTesting
