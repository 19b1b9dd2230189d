#pragma once

#include <list>

/// A curve's own sample parameters, ascending from its start to its end parameter. Filled by the
/// parameter listing of the curve classes.
struct MCADParameterList_1d {
  std::list<double> parameters;
};
