#pragma once

#include <string>
#include <vector>

#include <Oxlen/Cad/Triangulation.h>

namespace oxlen_mesh {

/// A named face of a model.
struct NamedFace {
  std::string name;
  MCADFace face;
};

/// The model meshed when no other is given: one face of every surface kind, chosen to exercise
/// the grid's special cases: a placed plane, a full cylinder (a periodic seam), a sphere (a seam
/// and two poles), a cone (a seam and an apex) and a doubly curved rational NURBS patch (a
/// quarter of a torus); and trimmed faces: a plate with a round hole and a slot, a closed
/// cylinder with a hole across its seam, a sphere cut by a plane, and the torus patch with a
/// round hole.
std::vector<NamedFace> BuildDefaultModel();

}  // namespace oxlen_mesh
