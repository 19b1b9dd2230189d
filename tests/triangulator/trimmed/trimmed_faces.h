#pragma once

// Trimmed faces whose loops are known exactly: each loop is a chain of straight UV segments or a
// full UV circle, built into the face with the loop builder and kept beside it, so that the mesh
// can be measured against the exact loop curves lifted onto the surface.

#include <gtest/gtest.h>

#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "triangulator/face_fixtures.h"

namespace trimmed_test {

using namespace pipeline_test;

/// One fin of a known loop: a straight UV segment or a full UV circle starting at angle 0.
struct KnownFin {
  bool circle;
  Point2 from, to, center;
  double radius;
  bool clockwise;

  /// The UV point at t in [0, 1] along the fin's direction (a circle wraps for any t).
  Point2 At(double t) const {
    const double angle = (clockwise ? -2 : 2) * kPi * t;
    return circle ? center + Point2{radius * std::cos(angle), radius * std::sin(angle)}
                  : from + t * (to - from);
  }
};

using KnownLoop = std::vector<KnownFin>;

/// One straight UV fin: a loop of its own when the surface closes it (around a cylinder).
inline KnownLoop LineLoop(const Point2& from, const Point2& to) {
  return {{false, from, to, {}, 0.0, false}};
}

/// A full circle as one fin.
inline KnownLoop CircleLoop(const Point2& center, double radius, bool clockwise) {
  return {{true, {}, {}, center, radius, clockwise}};
}

/// A closed polygon through `corners`, one segment fin per side.
inline KnownLoop PolygonLoop(const std::vector<Point2>& corners) {
  KnownLoop loop;
  for (std::size_t i = 0; i < corners.size(); ++i)
    loop.push_back(LineLoop(corners[i], corners[(i + 1) % corners.size()])[0]);
  return loop;
}

/// An axis-parallel rectangle, counter-clockwise from lo (clockwise with `clockwise`).
inline KnownLoop RectangleLoop(const Point2& lo, const Point2& hi, bool clockwise = false) {
  std::vector<Point2> corners{lo, {hi[0], lo[1]}, hi, {lo[0], hi[1]}};
  if (clockwise)
    std::reverse(corners.begin() + 1, corners.end());
  return PolygonLoop(corners);
}

/// A regular star of `spikes` spikes, starting at angle `phase` with an outer corner.
inline KnownLoop StarLoop(const Point2& center, double outer, double inner, int spikes,
                          double phase, bool clockwise) {
  std::vector<Point2> corners;
  for (int k = 0; k < 2 * spikes; ++k) {
    const double angle = phase + (clockwise ? -1.0 : 1.0) * kPi * k / spikes;
    const double r = k % 2 == 0 ? outer : inner;
    corners.push_back(center + Point2{r * std::cos(angle), r * std::sin(angle)});
  }
  return PolygonLoop(corners);
}

/// A face with its known loops and one tag per fin over the loops in order (11, 14, 17, ...).
struct TrimmedFace {
  std::string name;
  MCADFace face;
  std::vector<KnownLoop> loops;
  double scale = 1.0;  ///< a length of the order of the face's size
  std::vector<int> tags;
};

/// Builds the face on `surface` with the loops in order.
inline TrimmedFace MakeFace(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                            std::vector<KnownLoop> loops, double scale,
                            const MMTransformMatrix& placement = MMTransformMatrix()) {
  MCADFaceBuilder builder(surface);
  std::vector<int> tags;
  for (const KnownLoop& loop : loops) {
    MCADLoopBuilder fins(surface);
    for (const KnownFin& fin : loop) {
      if (fin.circle)
        fins.Circle(fin.center, fin.radius, fin.clockwise);
      else
        fins.Line(fin.from, fin.to);
      tags.push_back(11 + 3 * static_cast<int>(tags.size()));
    }
    builder.Loop(fins.Build());
  }
  builder.Placement(placement);
  return TrimmedFace{std::move(name), builder.Build(), std::move(loops), scale, std::move(tags)};
}

/// The same region as a reversed face of a B-rep model bounds it: orientation reversed, and every
/// loop run the other way (the same fin curves in reverse order, each reversed, each keeping its
/// tag), so that each fin is segmented exactly as before.
inline TrimmedFace ReversedFace(const TrimmedFace& face) {
  MCADFaceBuilder builder(face.face.GetSharedSurface());
  for (const std::shared_ptr<MCADLoop>& loop : face.face.Loops()) {
    auto reversed = std::make_shared<MCADLoop>();
    for (auto fin = loop->Fins().rbegin(); fin != loop->Fins().rend(); ++fin)
      reversed->AddFin(std::shared_ptr<MCAD3DVUVSurfaceCurve>(loop, fin->curve), !fin->sameSense);
    builder.Loop(reversed);
  }
  builder.Placement(face.face.GetTransformationMatrix()).Orientation(eFaceOrientationReversed);
  TrimmedFace result{face.name + " reversed", builder.Build(), {}, face.scale, {}};
  std::size_t first = 0;
  for (const KnownLoop& loop : face.loops) {
    KnownLoop& reversed = result.loops.emplace_back();
    for (std::size_t k = loop.size(); k-- > 0;) {
      KnownFin fin = loop[k];
      std::swap(fin.from, fin.to);
      fin.clockwise = !fin.clockwise;
      reversed.push_back(fin);
      result.tags.push_back(face.tags[first + k]);
    }
    first += loop.size();
  }
  return result;
}

/// Triangulates with the face's fin tags and without cancellation.
inline Result MeshTrimmed(const TrimmedFace& face, double tolerance,
                          double maxEdgeLength = std::numeric_limits<double>::infinity(),
                          std::size_t maxQuads = 1000000) {
  return MCadTriangulator::Triangulate(face.face, face.tags, tolerance, maxEdgeLength, maxQuads,
                                       {});
}

/// Expects the mesh area of a planar face of unit frame scale to be the signed UV area of its
/// loops, which may grow by what circles lose when segmented with sagittas below the tolerance.
inline void ExpectExactArea(const TrimmedFace& face, const Result& mesh, double tolerance) {
  double exact = 0.0, slack = 0.0;
  for (const KnownLoop& loop : face.loops) {
    for (const KnownFin& fin : loop) {
      const double r = fin.radius, inner = std::max(r - tolerance, 0.0);
      exact += fin.circle ? (fin.clockwise ? -kPi : kPi) * r * r : 0.5 * cross(fin.from, fin.to);
      slack += fin.circle ? kPi * (r * r - inner * inner) : 0.0;
    }
  }
  EXPECT_GE(Areas(mesh).second, exact * (1.0 - 1e-9));
  EXPECT_LE(Areas(mesh).second, exact * (1.0 + 1e-9) + slack);
}

/// A fin lifted onto the face's surface, in model space.
struct LiftedFin {
  KnownFin fin;
  const SurfaceProbe* probe;

  Point3 At(double t) const { return probe->Evaluate(fin.At(t)); }
  /// A circle, or a straight UV fin that the surface closes (its ends meet in model space).
  bool Closed() const {
    return fin.circle || distance(At(0.0), At(1.0)) < 1e-12 * (1.0 + length(At(0.0)));
  }
  /// The distance from p to the lifted curve, and the fin parameter in [0, 1] of the nearest
  /// point: a ternary search on the exact curve around the nearest of 257 samples.
  double Distance(const Point3& p, double* parameter = nullptr) const {
    const auto f = [&](double t) { return squared_distance(p, At(t)); };
    int nearest = 0;
    for (int i = 1; i <= 256; ++i)
      if (f(i / 256.0) < f(nearest / 256.0))
        nearest = i;
    double lo = (nearest - 1) / 256.0, hi = (nearest + 1) / 256.0;
    const bool closed = Closed();
    if (!closed) {
      lo = std::max(lo, 0.0);
      hi = std::min(hi, 1.0);
    }
    for (int k = 0; k < 60; ++k) {
      const double a = lo + (hi - lo) / 3.0, b = hi - (hi - lo) / 3.0;
      if (f(a) < f(b))
        hi = b;
      else
        lo = a;
    }
    const double t = 0.5 * (lo + hi);
    if (parameter)
      *parameter = closed ? t - std::floor(t) : t;
    return std::sqrt(f(t));
  }
};

/// Expects a well-formed mesh of the face: wound towards the surface normal (away from it on a
/// reversed face), a sphere with one hole per loop, and its boundary covered once by border edges
/// along the triangles' winding, each within `slack` of the fin of its tag (ends and middle) and
/// in the fin's direction.
inline void ExpectFollowsLoops(const TrimmedFace& face, const Result& mesh, double slack) {
  ASSERT_FALSE(mesh.triangles.empty());
  const EdgeCensus census = CountEdges(mesh);
  EXPECT_EQ(census.malformed, 0u);
  EXPECT_EQ(census.badEdges, 0u);
  EXPECT_FALSE(census.brokenBoundary);
  EXPECT_EQ(census.loops, face.loops.size());
  EXPECT_EQ(census.euler, 2 - static_cast<long>(face.loops.size()));
  EXPECT_EQ(CountFlatTriangles(mesh), 0u);
  const SurfaceProbe probe(face.face);
  const bool reversed = face.face.GetOrientation() == eFaceOrientationReversed;
  EXPECT_EQ(TrianglesFacingAway(mesh, probe, reversed ? -1.0 : 1.0), 0u);

  std::map<int, LiftedFin> fins;
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      fins.emplace(face.tags[fins.size()], LiftedFin{fin, &probe});
  ASSERT_EQ(mesh.border_edges.size(), census.boundary.size());
  std::set<Edge> listed;
  for (const auto& edge : mesh.border_edges) {
    SCOPED_TRACE(testing::Message() << edge.first << " -> " << edge.second << " tag " << edge.tag);
    ASSERT_TRUE(edge.first < mesh.vertices.size());
    ASSERT_TRUE(edge.second < mesh.vertices.size());
    // On the mesh boundary in the triangles' direction, and listed once.
    EXPECT_TRUE(census.boundary.count({edge.first, edge.second}));
    EXPECT_TRUE(listed.insert({edge.first, edge.second}).second);
    ASSERT_TRUE(fins.count(edge.tag));
    const LiftedFin& fin = fins.at(edge.tag);
    const Point3& p = mesh.vertices[edge.first];
    const Point3& q = mesh.vertices[edge.second];
    double tp = 0.0, tq = 0.0;
    EXPECT_LE(std::max({fin.Distance(p, &tp), fin.Distance(q, &tq), fin.Distance(0.5 * (p + q))}),
              slack);
    const double advance = fin.Closed() ? tq - tp - std::round(tq - tp) : tq - tp;
    EXPECT_GT(advance, 0.0);  // the fin's direction (the shorter way round a closed fin)
  }
}

}  // namespace trimmed_test
