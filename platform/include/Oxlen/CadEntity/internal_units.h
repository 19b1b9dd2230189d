#pragma once

namespace Oxlen::CadEntity {

/// Internal units per model unit. Entities are built in model units; surfaces and curves evaluate
/// in internal units, and inversions and tolerances handed to them are in internal units too.
inline constexpr double kInternalUnitsPerModelUnit = 10000.0;

}  // namespace Oxlen::CadEntity
