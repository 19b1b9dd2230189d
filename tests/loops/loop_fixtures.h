#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

namespace loops_test {

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MPointOnLoop = MCadTriangulator::MPointOnLoop;
using MSegmentedLoop = MCadTriangulator::MSegmentedLoop;
using MSurfaceIsolines = MCadTriangulator::MSurfaceIsolines;
using MFinPoints = MLoopSegmenter::MFinPoints;
using Point3 = Oxlen::Math::point<double, 3>;
using Point2 = Oxlen::Math::point<double, 2>;
using Box = Oxlen::Math::boundingbox<double, 3>;
using Matrix = Oxlen::Math::matrix4x4<double>;
inline constexpr double kPi = std::numbers::pi;

/// The plane z = 0 of the world frame over [0, 100] x [0, 100] (UV = model x, y).
inline std::shared_ptr<MCADUVPlane> Plane() {
  return std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 100.0);
}

/// Isolines of a plane grid: every `step` from 0 to 100 in both directions.
inline MSurfaceIsolines PlaneIsolines(double step = 10.0) {
  MSurfaceIsolines isolines;
  for (double w = 0.0; w <= 100.0; w += step) {
    isolines.u.push_back(w);
    isolines.v.push_back(w);
  }
  return isolines;
}

/// A rigid placement: a turn by `angle` about Z, then a shift.
inline Matrix Placement(double angle, const Point3& shift) {
  return Matrix::from_axes(Point3(std::cos(angle), std::sin(angle), 0.0),
                           Point3(-std::sin(angle), std::cos(angle), 0.0), Point3(0.0, 0.0, 1.0),
                           shift);
}

/// The box of `placement` applied to [lo, hi] (its eight corners).
inline Box PlacedBox(const Matrix& placement, const Point3& lo, const Point3& hi) {
  Box box;
  for (int c = 0; c < 8; ++c)
    box.extend(placement.transform_point(
        Point3(c & 1 ? hi[0] : lo[0], c & 2 ? hi[1] : lo[1], c & 4 ? hi[2] : lo[2])));
  return box;
}

/// A space curve given by a function in model units over [0, 1], listing `parameters`.
class FunctionCurve : public MCAD3DVUVSurfaceCurve {
 public:
  FunctionCurve(std::function<Point3(double)> f, std::vector<double> parameters = {0.0, 1.0})
      : m_f(std::move(f)), m_parameters(std::move(parameters)) {}
  void EvaluatePoint(double t, Point3& result) const override { result = m_f(t) * 10000.0; }
  void GetParameterList(MCADParameterList_1d& list) const override {
    list.parameters.assign(m_parameters.begin(), m_parameters.end());
  }

 private:
  std::function<Point3(double)> m_f;
  std::vector<double> m_parameters;
};

/// A UV curve given by a function over [0, 1], listing `parameters`.
class FunctionUVCurve : public MCAD2DVCurve {
 public:
  FunctionUVCurve(std::function<Point2(double)> f, std::vector<double> parameters = {0.0, 1.0})
      : m_f(std::move(f)), m_parameters(std::move(parameters)) {}
  void GetParameterList(MCADParameterList_1d& list) const override {
    list.parameters.assign(m_parameters.begin(), m_parameters.end());
  }
  void EvaluatePoint(double t, Point2& result) const override { result = m_f(t); }

 private:
  std::function<Point2(double)> m_f;
  std::vector<double> m_parameters;
};

/// Distance from p to the closed polyline through `points`.
inline double DistanceToPolyline(const Point3& p, const std::vector<MPointOnLoop>& points) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const geometry::MSegment s{points[i].point, points[(i + 1) % points.size()].point};
    best = std::min(best, geometry::ComputeDistanceBetweenPointAndSegment(p, s));
  }
  return best;
}

/// Distance from p to the polyline through `curve` (dense samples of an exact curve).
inline double DistanceToSamples(const Point3& p, const std::vector<Point3>& curve) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + 1 < curve.size(); ++i)
    best = std::min(best,
                    geometry::ComputeDistanceBetweenPointAndSegment(p, {curve[i], curve[i + 1]}));
  return best;
}

/// The longest step between consecutive points of one fin (same tag, the closing step
/// included).
inline double LongestChord(const MSegmentedLoop& loop) {
  double longest = 0.0;
  const auto& p = loop.points;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::size_t j = (i + 1) % p.size();
    if ((*loop.tags)[i] == (*loop.tags)[j])
      longest = std::max(longest, Oxlen::Math::distance(p[i].point, p[j].point));
  }
  return longest;
}

/// The largest step between any two consecutive points of the loop, the closing step included.
inline double LongestStep(const MSegmentedLoop& loop) {
  double longest = 0.0;
  for (std::size_t i = 0; i < loop.points.size(); ++i)
    longest =
        std::max(longest, Oxlen::Math::distance(loop.points[i].point,
                                                loop.points[(i + 1) % loop.points.size()].point));
  return longest;
}

/// A fin list along a straight segment from a to b with `count` points.
inline MFinPoints Straight(const Point3& a, const Point3& b, int count = 2) {
  MFinPoints fin;
  for (int k = 0; k < count; ++k)
    fin.emplace_back(Oxlen::Math::lerp(a, b, static_cast<double>(k) / (count - 1)));
  return fin;
}

}  // namespace loops_test
