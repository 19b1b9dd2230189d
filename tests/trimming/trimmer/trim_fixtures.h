#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "Oxlen/Cad/Triangulation/MTrimmer.h"
#include "Oxlen/Math/point.h"

// Random trimming scenes in a quad's parameter square, their lifting onto a quad, and property
// checks of trimmed quads in that square.

namespace trimmer_test {

using MTrimmer = MCadTriangulator::MTrimmer;
using MPoint = MTrimmer::MPoint;
using UV = Oxlen::Math::point<double, 2>;
using Corners = std::array<MPoint, 4>;

// Random numbers converted by hand, so the sequence is the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  double Unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  double In(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }

 private:
  std::mt19937_64 engine_;
};

// A loop part in the unit square: it enters on edge `startEdge` and leaves on `endEdge` (quad
// edge numbering: 0 bottom, 1 right, 2 top, 3 left).
struct UVPart {
  int startEdge = 0;
  UV start;
  std::vector<UV> points;
  int endEdge = 0;
  UV end;
  int tag = 0;
};

// A closed loop inside the unit square.
struct UVLoop {
  std::vector<UV> points;
  int tag = 0;
};

struct UVScene {
  std::vector<UVPart> parts;
  std::vector<UVLoop> loops;
};

// Maps the unit square onto a quad.
enum class Lift {
  Bilinear,   // the bilinear patch through the four corners
  Piecewise,  // linear over A = (0, 1, 3) and B = (3, 1, 2): points land on the two triangles
};

Corners UnitSquareCorners();
// A planar, convex, non-rectangular quad in a tilted plane.
Corners PlanarQuad();
// A quad whose corners leave their common plane by about 2 % of its size.
Corners NonPlanarQuad();

MPoint LiftPoint(const Corners& corners, const UV& uv, Lift lift);

// The parameters of a point on the quad's two triangles (nearer triangle, barycentric weights).
UV ToParameter(const Corners& corners, const MPoint& p);

// The point of edge k of the unit square at parameter t from its start corner.
UV OnSquareEdge(int k, double t);

// Up to `partCount` parts and `loopCount` inner loops, none crossing another or itself, all
// at least `gap` apart. Every part has a distinct tag, and so has every loop.
UVScene RandomScene(Random& random, int partCount, int loopCount, double gap = 2e-3);

// The trimming record of a scene lifted onto a quad; `tagged` gives every point its polyline's
// tag.
MTrimmer::MQuadToTrim MakeQuad(const Corners& corners, const UVScene& scene, Lift lift,
                               bool tagged);

// The parameter-plane image of every vertex of a result.
std::vector<UV> Parameters(const Corners& corners, const MTrimmer::MTriangles& result);

// Signed area of a triangle in the parameter plane.
double SignedArea(const UV& a, const UV& b, const UV& c);

// The triangles cover the unit square once: each is positively wound, their areas sum to 1 and
// no sample point lies inside two of them.
::testing::AssertionResult TilesTheSquare(const std::vector<UV>& uv,
                                          const MTrimmer::MTriangles& result, Random& random);

// Every vertex is a corner of some triangle and lies neither inside a triangle nor inside an
// edge of one (no loop point was left behind).
::testing::AssertionResult NoPointLeft(const std::vector<UV>& uv,
                                       const MTrimmer::MTriangles& result);

// Every result segment lies, within `tolerance`, on one segment of the loop (of the quad record)
// with its tag, runs in the same direction, and the pieces of each loop add up to its length
// (within `tolerance`). Needs a tagged record.
::testing::AssertionResult SegmentsFollowTheLoops(const MTrimmer::MTriangles& result,
                                                  const MTrimmer::MQuadToTrim& quad,
                                                  double tolerance);

// Whether a point of the parameter square is inside the face, given whether corner 0 is: the
// parity of the result's loop segments crossed on the straight way to corner 0.
bool InsideByParity(const UV& p, const std::vector<UV>& uv, const MTrimmer::MTriangles& result,
                    bool firstVertexInside);

}  // namespace trimmer_test
