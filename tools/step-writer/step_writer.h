#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include <TopoDS_Shape.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace oxlen_step {

/// Writes an XDE document to the STEP file `file` (AP214, lengths in `unit`: "MM", "INCH", ...;
/// the geometry is taken as millimetres and converted). `fill` puts the shapes, their names and
/// their assembly structure into the new document's shape tool; every product is named exactly
/// as its label (the plain STEP writer would number product names with a process-wide counter).
/// The header's time stamp is fixed (1970-01-01T00:00:00): the same document gives the same bytes.
/// The translator's messages are kept off standard output meanwhile. Not thread-safe: Open
/// CASCADE keeps its translator settings process-wide. Throws std::runtime_error naming the file
/// when the document cannot be made, the transfer fails or the file cannot be written.
void WriteStepDocument(const std::filesystem::path& file, const char* unit,
                       const std::function<void(XCAFDoc_ShapeTool&)>& fill);

/// Writes `shape` to the STEP file `file` as one product named `productName`, as
/// WriteStepDocument does (same unit, quietness, thread-safety and errors).
void WriteStepProduct(const TopoDS_Shape& shape, const std::filesystem::path& file,
                      const std::string& productName, const char* unit = "MM");

}  // namespace oxlen_step
