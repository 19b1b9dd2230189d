#pragma once

#include <string>

namespace oxlen_mesh {

/// Reads a STEP file and prints how its faces map onto the library's faces: per face its index,
/// the surface kind in the file and as mapped, loops, fins, tolerance and name; then the faces
/// that could not be mapped with their reasons, the faces per kind, the solids and the file's
/// unit. Nothing is meshed.
/// @return 0 when every face maps, 1 when a face is lost or the file holds no geometry.
/// @throws std::exception with a message for the user when the file cannot be read (or this
///         build has no STEP importer).
int RunImportCheck(const std::string& file);

}  // namespace oxlen_mesh
