#include "trim_fixtures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"

namespace trimmer_test {

namespace {

constexpr double kPi = 3.14159265358979323846;

MPoint Flat(const UV& p) {
  return MPoint(p[0], p[1], 0.0);
}

double SegmentDistance(const UV& a, const UV& b, const UV& c, const UV& d) {
  return geometry::ComputeDistanceBetweenSegments(geometry::MSegment{Flat(a), Flat(b)},
                                                  geometry::MSegment{Flat(c), Flat(d)});
}

// The segments of a polyline, closed or open.
template <class P>
std::vector<std::pair<P, P>> SegmentsOf(const std::vector<P>& points, bool closed) {
  std::vector<std::pair<P, P>> segments;
  for (std::size_t i = 0; i + 1 < points.size(); ++i)
    segments.emplace_back(points[i], points[i + 1]);
  if (closed && points.size() > 2)
    segments.emplace_back(points.back(), points.front());
  return segments;
}

// A polyline keeps `gap` from the accepted ones and from itself (segments that do not share a
// point).
bool Fits(const std::vector<std::pair<UV, UV>>& candidate,
          const std::vector<std::pair<UV, UV>>& accepted, double gap) {
  for (const auto& s : candidate)
    for (const auto& t : accepted)
      if (SegmentDistance(s.first, s.second, t.first, t.second) <= gap)
        return false;
  const std::size_t n = candidate.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1 && candidate[0].first == candidate[n - 1].second)
        continue;  // neighbours across the closing point of a loop
      const auto& s = candidate[i];
      const auto& t = candidate[j];
      if (SegmentDistance(s.first, s.second, t.first, t.second) <= gap)
        return false;
    }
  }
  return true;
}

bool InsideMargin(const UV& p, double margin) {
  return p[0] > margin && p[0] < 1.0 - margin && p[1] > margin && p[1] < 1.0 - margin;
}

// The inward normal of a square edge.
UV Inward(int k) {
  static const UV kInward[4] = {UV(0.0, 1.0), UV(-1.0, 0.0), UV(0.0, -1.0), UV(1.0, 0.0)};
  return kInward[k];
}

bool RandomPart(Random& random, UVPart& part) {
  part.startEdge = random.Below(4);
  part.endEdge = random.Below(4);
  const double ts = random.In(0.05, 0.95);
  const double te = random.In(0.05, 0.95);
  const bool sameEdge = part.startEdge == part.endEdge;
  if (sameEdge && std::fabs(ts - te) < 0.1)
    return false;
  part.start = OnSquareEdge(part.startEdge, ts);
  part.end = OnSquareEdge(part.endEdge, te);
  const int count = random.Below(4) + (sameEdge ? 1 : 0);
  std::vector<double> fractions;
  for (int i = 0; i < count; ++i)
    fractions.push_back(random.In(0.05, 0.95));
  std::sort(fractions.begin(), fractions.end());
  const UV chord = part.end - part.start;
  const UV normal(-chord[1], chord[0]);
  part.points.clear();
  for (const double f : fractions) {
    UV p = part.start + f * chord;
    if (sameEdge)
      p += random.In(0.05, 0.4) * Inward(part.startEdge);
    else
      p += random.In(-0.15, 0.15) * normal;
    if (!InsideMargin(p, 0.02))
      return false;
    part.points.push_back(p);
  }
  return true;
}

bool RandomLoop(Random& random, UVLoop& loop) {
  const UV centre(random.In(0.1, 0.9), random.In(0.1, 0.9));
  const double radius = random.In(0.01, 0.08);
  const int count = 3 + random.Below(5);
  std::vector<double> angles;
  for (int i = 0; i < count; ++i)
    angles.push_back(random.In(0.0, 2.0 * kPi));
  std::sort(angles.begin(), angles.end());
  loop.points.clear();
  for (const double a : angles) {
    const double r = radius * random.In(0.6, 1.0);
    const UV p = centre + UV(r * std::cos(a), r * std::sin(a));
    if (!InsideMargin(p, 0.02))
      return false;
    loop.points.push_back(p);
  }
  if (random.Below(2) == 1)
    std::reverse(loop.points.begin(), loop.points.end());
  return true;
}

std::vector<UV> PolylineOf(const UVPart& part) {
  std::vector<UV> points{part.start};
  points.insert(points.end(), part.points.begin(), part.points.end());
  points.push_back(part.end);
  return points;
}

// The loops of a quad record by tag (3D polylines), with whether each is closed.
std::map<int, std::pair<std::vector<MPoint>, bool>> LoopsByTag(const MTrimmer::MQuadToTrim& quad) {
  std::map<int, std::pair<std::vector<MPoint>, bool>> loops;
  for (const MTrimmer::MPartToTrim& part : quad.parts) {
    std::vector<MPoint> points{part.startPoint};
    points.insert(points.end(), part.points.begin(), part.points.end());
    points.push_back(part.endPoint);
    loops[part.startTag.value()] = {points, false};
  }
  for (const auto& loop : quad.innerLoops)
    loops[loop.tags.value().at(0)] = {loop.points, true};
  return loops;
}

double Orientation(const UV& a, const UV& b, const UV& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool CrossProperly(const UV& a, const UV& b, const UV& c, const UV& d) {
  return Orientation(a, b, c) * Orientation(a, b, d) < 0.0 &&
         Orientation(c, d, a) * Orientation(c, d, b) < 0.0;
}

// Barycentric weights of p in triangle (a, b, c) of the parameter plane.
std::array<double, 3> Weights(const UV& p, const UV& a, const UV& b, const UV& c) {
  const double area = SignedArea(a, b, c);
  return {SignedArea(p, b, c) / area, SignedArea(a, p, c) / area, SignedArea(a, b, p) / area};
}

}  // namespace

Corners UnitSquareCorners() {
  return {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.0), MPoint(1.0, 1.0, 0.0),
          MPoint(0.0, 1.0, 0.0)};
}

Corners PlanarQuad() {
  // A trapezoid-like quad in the plane z = 0.3 x + 0.2 y + 1.
  const auto lift = [](double x, double y) { return MPoint(x, y, 0.3 * x + 0.2 * y + 1.0); };
  return {lift(0.0, 0.0), lift(2.0, 0.2), lift(1.7, 1.5), lift(0.1, 1.1)};
}

Corners NonPlanarQuad() {
  return {MPoint(0.0, 0.0, 0.0), MPoint(1.0, 0.0, 0.02), MPoint(1.0, 1.0, -0.01),
          MPoint(0.0, 1.0, 0.025)};
}

MPoint LiftPoint(const Corners& c, const UV& uv, Lift lift) {
  const double u = uv[0];
  const double v = uv[1];
  if (lift == Lift::Bilinear)
    return (1.0 - u) * (1.0 - v) * c[0] + u * (1.0 - v) * c[1] + u * v * c[2] +
           (1.0 - u) * v * c[3];
  if (u + v <= 1.0)
    return c[0] + u * (c[1] - c[0]) + v * (c[3] - c[0]);
  return c[2] + (1.0 - u) * (c[3] - c[2]) + (1.0 - v) * (c[1] - c[2]);
}

UV ToParameter(const Corners& c, const MPoint& p) {
  double wa[3];
  double wb[3];
  const double da =
      geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[0], c[1], c[3]}, wa);
  const double db =
      geometry::ComputeSquaredDistanceBetweenPointAndTriangle(p, {c[3], c[1], c[2]}, wb);
  if (da <= db)
    return UV(wa[1], wa[2]);
  return UV(wb[1] + wb[2], wb[0] + wb[2]);
}

UV OnSquareEdge(int k, double t) {
  static const UV kCorners[4] = {UV(0.0, 0.0), UV(1.0, 0.0), UV(1.0, 1.0), UV(0.0, 1.0)};
  const UV& a = kCorners[k];
  const UV& b = kCorners[(k + 1) % 4];
  UV p = a + t * (b - a);
  // Exactly on the edge's line.
  p[k % 2 == 0 ? 1 : 0] = a[k % 2 == 0 ? 1 : 0];
  return p;
}

UVScene RandomScene(Random& random, int partCount, int loopCount, double gap) {
  UVScene scene;
  std::vector<std::pair<UV, UV>> accepted;
  int tag = 1;
  for (int i = 0; i < partCount; ++i) {
    for (int attempt = 0; attempt < 40; ++attempt) {
      UVPart part;
      if (!RandomPart(random, part))
        continue;
      if (random.Below(2) == 1) {
        std::swap(part.start, part.end);
        std::swap(part.startEdge, part.endEdge);
        std::reverse(part.points.begin(), part.points.end());
      }
      const auto segments = SegmentsOf(PolylineOf(part), false);
      if (!Fits(segments, accepted, gap))
        continue;
      accepted.insert(accepted.end(), segments.begin(), segments.end());
      part.tag = tag++;
      scene.parts.push_back(part);
      break;
    }
  }
  for (int i = 0; i < loopCount; ++i) {
    for (int attempt = 0; attempt < 40; ++attempt) {
      UVLoop loop;
      if (!RandomLoop(random, loop))
        continue;
      const auto segments = SegmentsOf(loop.points, true);
      if (!Fits(segments, accepted, gap))
        continue;
      accepted.insert(accepted.end(), segments.begin(), segments.end());
      loop.tag = tag++;
      scene.loops.push_back(loop);
      break;
    }
  }
  return scene;
}

MTrimmer::MQuadToTrim MakeQuad(const Corners& corners, const UVScene& scene, Lift lift,
                               bool tagged) {
  MTrimmer::MQuadToTrim quad;
  quad.corners = corners;
  for (const UVPart& p : scene.parts) {
    MTrimmer::MPartToTrim part;
    part.startEdge = p.startEdge;
    part.startPoint = LiftPoint(corners, p.start, lift);
    part.endEdge = p.endEdge;
    part.endPoint = LiftPoint(corners, p.end, lift);
    for (const UV& uv : p.points)
      part.points.push_back(LiftPoint(corners, uv, lift));
    if (tagged) {
      part.startTag = p.tag;
      part.endTag = p.tag;
      part.tags = std::vector<std::int32_t>(p.points.size(), p.tag);
    }
    quad.parts.push_back(part);
  }
  for (const UVLoop& l : scene.loops) {
    MCadTriangulator::MLoopsOnQuads::MInnerLoop loop;
    for (const UV& uv : l.points)
      loop.points.push_back(LiftPoint(corners, uv, lift));
    if (tagged)
      loop.tags = std::vector<std::int32_t>(l.points.size(), l.tag);
    quad.innerLoops.push_back(loop);
  }
  return quad;
}

std::vector<UV> Parameters(const Corners& corners, const MTrimmer::MTriangles& result) {
  std::vector<UV> uv;
  for (const MPoint& p : result.vertices)
    uv.push_back(ToParameter(corners, p));
  return uv;
}

double SignedArea(const UV& a, const UV& b, const UV& c) {
  return 0.5 * Orientation(a, b, c);
}

::testing::AssertionResult TilesTheSquare(const std::vector<UV>& uv,
                                          const MTrimmer::MTriangles& result, Random& random) {
  double total = 0.0;
  for (std::size_t t = 0; t < result.triangles.size(); ++t) {
    const auto& v = result.triangles[t];
    const double area = SignedArea(uv[v[0]], uv[v[1]], uv[v[2]]);
    if (!(area > 0.0))
      return ::testing::AssertionFailure() << "triangle " << t << " has area " << area;
    total += area;
  }
  if (std::fabs(total - 1.0) > 1e-9)
    return ::testing::AssertionFailure() << "areas sum to " << total;
  for (int sample = 0; sample < 300; ++sample) {
    const UV p(random.Unit(), random.Unit());
    int inside = 0;
    int touching = 0;
    for (const auto& v : result.triangles) {
      const auto w = Weights(p, uv[v[0]], uv[v[1]], uv[v[2]]);
      if (w[0] > 1e-12 && w[1] > 1e-12 && w[2] > 1e-12)
        ++inside;
      if (w[0] >= -1e-12 && w[1] >= -1e-12 && w[2] >= -1e-12)
        ++touching;
    }
    if (inside > 1 || touching == 0)
      return ::testing::AssertionFailure()
             << "sample (" << p[0] << ", " << p[1] << ") lies in " << inside << " triangles";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult NoPointLeft(const std::vector<UV>& uv,
                                       const MTrimmer::MTriangles& result) {
  std::set<std::int32_t> corners;
  for (const auto& v : result.triangles)
    corners.insert(v.begin(), v.end());
  for (std::size_t i = 0; i < uv.size(); ++i) {
    const auto vertex = static_cast<std::int32_t>(i);
    if (corners.count(vertex) == 0)
      return ::testing::AssertionFailure() << "vertex " << i << " is in no triangle";
    for (std::size_t t = 0; t < result.triangles.size(); ++t) {
      const auto& v = result.triangles[t];
      if (v[0] == vertex || v[1] == vertex || v[2] == vertex)
        continue;
      const auto w = Weights(uv[i], uv[v[0]], uv[v[1]], uv[v[2]]);
      if (w[0] > -1e-12 && w[1] > -1e-12 && w[2] > -1e-12)
        return ::testing::AssertionFailure() << "vertex " << i << " lies in triangle " << t;
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SegmentsFollowTheLoops(const MTrimmer::MTriangles& result,
                                                  const MTrimmer::MQuadToTrim& quad,
                                                  double tolerance) {
  const auto loops = LoopsByTag(quad);
  std::map<int, double> covered;
  for (std::size_t s = 0; s < result.segments.size(); ++s) {
    const MTrimmer::MSegmentFromLoop& segment = result.segments[s];
    if (!segment.tag || loops.count(*segment.tag) == 0)
      return ::testing::AssertionFailure() << "segment " << s << " has no known tag";
    const auto& [points, closed] = loops.at(*segment.tag);
    const MPoint& a = result.vertices[segment.first];
    const MPoint& b = result.vertices[segment.second];
    double best = 1e300;
    double direction = 0.0;
    for (const auto& piece : SegmentsOf(points, closed)) {
      const geometry::MSegment line{piece.first, piece.second};
      const double d = std::max(geometry::ComputeDistanceBetweenPointAndSegment(a, line),
                                geometry::ComputeDistanceBetweenPointAndSegment(b, line));
      if (d < best) {
        best = d;
        direction = dot(b - a, piece.second - piece.first);
      }
    }
    if (best > tolerance || !(direction > 0.0))
      return ::testing::AssertionFailure()
             << "segment " << s << " is off its loop by " << best << " or runs against it";
    covered[*segment.tag] += distance(a, b);
  }
  for (const auto& [tag, loop] : loops) {
    double length = 0.0;
    for (const auto& piece : SegmentsOf(loop.first, loop.second))
      length += distance(piece.first, piece.second);
    if (std::fabs(covered[tag] - length) > tolerance)
      return ::testing::AssertionFailure()
             << "loop " << tag << " of length " << length << " is covered by " << covered[tag];
  }
  return ::testing::AssertionSuccess();
}

bool InsideByParity(const UV& p, const std::vector<UV>& uv, const MTrimmer::MTriangles& result,
                    bool firstVertexInside) {
  const UV origin(0.0, 0.0);
  bool inside = firstVertexInside;
  for (const MTrimmer::MSegmentFromLoop& s : result.segments)
    if (CrossProperly(p, origin, uv[s.first], uv[s.second]))
      inside = !inside;
  return inside;
}

}  // namespace trimmer_test
