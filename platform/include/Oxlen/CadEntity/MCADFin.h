#pragma once

class MCAD3DVUVSurfaceCurve;

/// One fin of a loop: the use of a curve by a face. The curve is owned by the loop that holds the
/// fin (it stays alive as long as the loop does).
struct MCADFin {
  /// The fin's curve; never null in a loop built through `MCADLoop::AddFin`.
  MCAD3DVUVSurfaceCurve* curve = nullptr;
  /// False when the fin runs against its curve (from the curve's end to its start).
  bool sameSense = true;
};
