#include "Oxlen/Geometry/remove_topologically_degenerate_triangles.h"

#include <algorithm>

namespace Oxlen::Geometry {

std::size_t remove_topologically_degenerate_triangles(triangle_surface& surface) {
  auto& triangles = surface.triangles;
  const auto kept = std::remove_if(triangles.begin(), triangles.end(), [](const auto& t) {
    return t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
  });
  const auto removed = static_cast<std::size_t>(triangles.end() - kept);
  triangles.erase(kept, triangles.end());
  return removed;
}

}  // namespace Oxlen::Geometry
