#include "trimmed_faces.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"

namespace trimmed_test {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kSamplesPerFin = 257;

}  // namespace

Point2 KnownFin::At(double t) const {
  if (!circle)
    return from + t * (to - from);
  const double angle = (clockwise ? -kTwoPi : kTwoPi) * t;
  return center + Point2{radius * std::cos(angle), radius * std::sin(angle)};
}

double KnownFin::UvLength() const {
  return circle ? kTwoPi * radius : distance(from, to);
}

KnownLoop LineLoop(const Point2& from, const Point2& to) {
  KnownFin fin;
  fin.from = from;
  fin.to = to;
  return {fin};
}

KnownLoop PolygonLoop(const std::vector<Point2>& corners) {
  KnownLoop loop;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    KnownFin fin;
    fin.from = corners[i];
    fin.to = corners[(i + 1) % corners.size()];
    loop.push_back(fin);
  }
  return loop;
}

KnownLoop RectangleLoop(const Point2& lo, const Point2& hi, bool clockwise) {
  std::vector<Point2> corners{lo, {hi[0], lo[1]}, hi, {lo[0], hi[1]}};
  if (clockwise)
    std::reverse(corners.begin() + 1, corners.end());
  return PolygonLoop(corners);
}

KnownLoop CircleLoop(const Point2& center, double radius, bool clockwise) {
  KnownFin fin;
  fin.circle = true;
  fin.center = center;
  fin.radius = radius;
  fin.clockwise = clockwise;
  return {fin};
}

KnownLoop StarLoop(const Point2& center, double outer, double inner, int spikes, double phase,
                   bool clockwise) {
  std::vector<Point2> corners;
  for (int k = 0; k < 2 * spikes; ++k) {
    const double angle = phase + (clockwise ? -1.0 : 1.0) * std::numbers::pi * k / spikes;
    const double r = k % 2 == 0 ? outer : inner;
    corners.push_back(center + Point2{r * std::cos(angle), r * std::sin(angle)});
  }
  return PolygonLoop(corners);
}

double UvArea(const TrimmedFace& face) {
  double area = 0.0;
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      area += fin.circle ? (fin.clockwise ? -1.0 : 1.0) * std::numbers::pi * fin.radius * fin.radius
                         : 0.5 * cross(fin.from, fin.to);
  return area;
}

double CircleSlack(const TrimmedFace& face, double tolerance) {
  double slack = 0.0;
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      if (fin.circle) {
        const double inner = std::max(fin.radius - tolerance, 0.0);
        slack += std::numbers::pi * (fin.radius * fin.radius - inner * inner);
      }
  return slack;
}

TrimmedFace MakeFace(std::string name, std::shared_ptr<const MCADUVSurface> surface,
                     std::vector<KnownLoop> loops, double scale, const MMTransformMatrix& placement,
                     eFaceOrientation orientation) {
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
  builder.Placement(placement).Orientation(orientation);
  return TrimmedFace{std::move(name), builder.Build(), std::move(loops), scale, std::move(tags)};
}

TrimmedFace ReversedFace(const TrimmedFace& face) {
  // The same fin curves, used the other way round: each fin is segmented exactly as before.
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
    KnownLoop reversed;
    for (std::size_t k = loop.size(); k-- > 0;) {
      KnownFin fin = loop[k];
      std::swap(fin.from, fin.to);
      fin.clockwise = !fin.clockwise;
      reversed.push_back(fin);
      result.tags.push_back(face.tags[first + k]);
    }
    first += loop.size();
    result.loops.push_back(std::move(reversed));
  }
  return result;
}

Result MeshTrimmed(const TrimmedFace& face, double tolerance, bool withTags, std::size_t maxQuads,
                   double maxEdgeLength) {
  std::optional<std::vector<int>> tags;
  if (withTags)
    tags = face.tags;
  return MCadTriangulator::Triangulate(face.face, tags, tolerance, maxEdgeLength, maxQuads, {});
}

LiftedFin::LiftedFin(const KnownFin& fin, const SurfaceProbe& probe, int tag)
    : m_fin(fin), m_probe(&probe), m_tag(tag) {
  for (int i = 0; i < kSamplesPerFin; ++i)
    m_samples.push_back(At(static_cast<double>(i) / (kSamplesPerFin - 1)));
  m_closed = fin.circle || distance(m_samples.front(), m_samples.back()) <
                               1e-12 * (1.0 + length(m_samples.front()));
}

Point3 LiftedFin::At(double t) const {
  return m_probe->Evaluate(m_fin.At(t));
}

double LiftedFin::Distance(const Point3& p, double* parameter) const {
  std::size_t nearest = 0;
  for (std::size_t i = 1; i < m_samples.size(); ++i)
    if (squared_distance(p, m_samples[i]) < squared_distance(p, m_samples[nearest]))
      nearest = i;
  // Ternary search on the exact curve around the nearest sample (one minimum that close).
  const double step = 1.0 / (kSamplesPerFin - 1);
  double lo = static_cast<double>(nearest) * step - step;
  double hi = lo + 2.0 * step;
  if (!m_closed) {
    lo = std::max(lo, 0.0);
    hi = std::min(hi, 1.0);
  }
  const auto f = [&](double t) { return squared_distance(p, At(t)); };
  for (int k = 0; k < 60; ++k) {
    const double a = lo + (hi - lo) / 3.0;
    const double b = hi - (hi - lo) / 3.0;
    if (f(a) < f(b))
      hi = b;
    else
      lo = a;
  }
  const double t = 0.5 * (lo + hi);
  const double best = f(t);
  if (parameter)
    *parameter = m_closed ? t - std::floor(t) : t;
  return std::sqrt(best);
}

std::vector<LiftedFin> LiftFins(const TrimmedFace& face, const SurfaceProbe& probe) {
  std::vector<LiftedFin> fins;
  for (const KnownLoop& loop : face.loops)
    for (const KnownFin& fin : loop)
      fins.emplace_back(fin, probe, face.tags[fins.size()]);
  return fins;
}

}  // namespace trimmed_test
