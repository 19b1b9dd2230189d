#pragma once

#include <vector>

#include "Oxlen/Export.h"
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

/// The isoline parameters of a quad grid: the U values and the V values, each ascending
/// (non-decreasing). A plain value type; a grid takes it by value and moves it in.
struct OXLEN_CAD_TRIANGULATION_API MCadTriangulator::MSurfaceIsolines {
  std::vector<double> u;  ///< U isoline parameters, ascending
  std::vector<double> v;  ///< V isoline parameters, ascending
};
