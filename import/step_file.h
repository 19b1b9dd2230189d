#pragma once

// Reading a STEP file through Open CASCADE: the model's shape, its unit, and the names its faces
// carry.

#include <TopoDS_Shape.hxx>
#include <TopoDS_TShape.hxx>

#include <filesystem>
#include <string>
#include <unordered_map>

namespace Oxlen::Cad::detail {

/// What a STEP file holds.
struct MStepFile {
  /// Every root of the file transferred into one shape (assembly instances placed by their
  /// locations); null when the file has no geometry.
  TopoDS_Shape shape;
  /// The file's length unit as the file names it; empty when it does not say.
  std::string lengthUnit;
  /// The names of named faces in the file, by the face's underlying shape (shared by every
  /// placement of the face).
  std::unordered_map<const TopoDS_TShape*, std::string> faceNames;
};

/// Reads a STEP file, converting its geometry into millimetres.
/// @throws std::invalid_argument ("file: ...") when the file does not exist or is not a regular
///         file; std::runtime_error when it cannot be read as STEP.
MStepFile ReadStepFile(const std::filesystem::path& file);

}  // namespace Oxlen::Cad::detail
