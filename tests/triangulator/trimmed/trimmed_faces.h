#pragma once

// Trimmed faces whose loops are known exactly: each loop is a chain of straight UV segments or a
// full UV circle, built into the face with the loop builder and kept beside it, so that the mesh
// can be measured against the exact loop curves lifted onto the surface.

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "triangulator/pipeline/face_fixtures.h"

namespace trimmed_test {

using pipeline_test::Point2;
using pipeline_test::Point3;
using pipeline_test::Result;
using pipeline_test::SurfaceProbe;

/// One fin of a known loop: a straight UV segment or a full UV circle starting at angle 0.
struct KnownFin {
  bool circle = false;
  Point2 from, to;  // segment
  Point2 center;    // circle
  double radius = 0.0;
  bool clockwise = false;

  /// The UV point at t in [0, 1] along the fin's direction (a circle wraps for any t).
  Point2 At(double t) const;
  /// The fin's length in UV.
  double UvLength() const;
};

using KnownLoop = std::vector<KnownFin>;

/// One straight UV fin from `from` to `to`: a loop of its own when the surface closes it (a
/// circle around a cylinder).
KnownLoop LineLoop(const Point2& from, const Point2& to);
/// A closed polygon through `corners`, one segment fin per side.
KnownLoop PolygonLoop(const std::vector<Point2>& corners);
/// An axis-parallel rectangle, counter-clockwise from lo (clockwise with `clockwise`).
KnownLoop RectangleLoop(const Point2& lo, const Point2& hi, bool clockwise = false);
/// A full circle as one fin.
KnownLoop CircleLoop(const Point2& center, double radius, bool clockwise);
/// A regular star of `spikes` spikes (outer radius `outer`, inner radius `inner`), starting at
/// angle `phase` with an outer corner; clockwise for a hole.
KnownLoop StarLoop(const Point2& center, double outer, double inner, int spikes, double phase,
                   bool clockwise);

/// A face with its known loops.
struct TrimmedFace {
  std::string name;
  MCADFace face;
  std::vector<KnownLoop> loops;
  double scale = 1.0;  ///< a length of the order of the face's size
  /// One tag per fin, over the loops in order: 11, 14, 17, ... unless given otherwise.
  std::vector<int> tags;
};

/// The signed UV area enclosed by the face's loops (counter-clockwise positive): the exact area
/// of a planar face of unit frame scale.
double UvArea(const TrimmedFace& face);
/// The area a face may gain when its circles are segmented with sagittas below the tolerance.
double CircleSlack(const TrimmedFace& face, double tolerance);

/// Builds the face on `surface` with the loops in order (each a loop of the face).
TrimmedFace MakeFace(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                     std::vector<KnownLoop> loops, double scale,
                     const MMTransformMatrix& placement = MMTransformMatrix(),
                     eFaceOrientation orientation = eFaceOrientationForward);

/// The same region as a reversed face of a B-rep model bounds it: orientation reversed, and every
/// loop run the other way (fins in reverse order, each reversed), each fin keeping its tag.
TrimmedFace ReversedFace(const TrimmedFace& face);

/// Triangulates with the face's fin tags (or without tags), no edge length limit and no
/// cancellation.
Result MeshTrimmed(const TrimmedFace& face, double tolerance, bool withTags = true,
                   std::size_t maxQuads = 1000000,
                   double maxEdgeLength = std::numeric_limits<double>::infinity());

/// A fin lifted onto the face's surface and placed in model space.
class LiftedFin {
 public:
  LiftedFin(const KnownFin& fin, const SurfaceProbe& probe, int tag);

  /// The model-space point at fin parameter t.
  Point3 At(double t) const;
  /// The distance from p to the lifted curve, and (out) the fin parameter of the nearest point
  /// (in [0, 1]).
  double Distance(const Point3& p, double* parameter = nullptr) const;
  int Tag() const { return m_tag; }
  /// A circle, or a straight UV fin that the surface closes (its ends meet in model space).
  bool IsClosed() const { return m_closed; }

 private:
  KnownFin m_fin;
  const SurfaceProbe* m_probe;
  int m_tag;
  bool m_closed = false;
  std::vector<Point3> m_samples;  // at t = i / (n - 1)
};

/// Every fin of the face lifted, in loop and fin order, with its tag.
std::vector<LiftedFin> LiftFins(const TrimmedFace& face, const SurfaceProbe& probe);

}  // namespace trimmed_test
