#pragma once

#include <vector>

#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

/// The isoline parameters of a quad grid: the U values and the V values, each ascending
/// (non-decreasing). A plain value type; a grid takes it by value and moves it in.
struct MCadTriangulator::MSurfaceIsolines {
  std::vector<double> u;  ///< U isoline parameters, ascending
  std::vector<double> v;  ///< V isoline parameters, ascending
};
