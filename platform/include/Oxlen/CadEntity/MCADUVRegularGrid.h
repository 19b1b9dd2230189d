#pragma once

#include <list>

/// Parameter values along U and along V at which a surface wants its isolines: the places where
/// its shape changes character (knots, quarter turns, limits). Filled by
/// `MCADUVSurface::GetRegularGrid`; each list is ascending.
struct MCADUVRegularGrid {
  std::list<double> u;
  std::list<double> v;
};
