// Initial sampling of a fin's curve: its own parameters, refined against the grid isolines in UV,
// doubled by midpoints and thinned where the curve is straight.

#include <algorithm>
#include <cmath>
#include <iterator>
#include <list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/Cad/Triangulation/MQuadrangulatedSurface.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "fin_curve.h"

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using Oxlen::Math::point;

namespace {

// Isoline values closer than this, relative to the larger magnitude, count as one.
constexpr double kCoincidentIsolines = 1.4901161193847656e-8;

// Isoline values of one axis as an ordered set (ascending, without duplicates).
std::vector<double> OrderedSet(const std::vector<double>& values, const char* axis) {
  for (double v : values)
    if (!std::isfinite(v))
      throw std::invalid_argument(std::string("isolines: a ") + axis + " value is not finite");
  std::vector<double> set = values;
  std::sort(set.begin(), set.end());
  set.erase(std::unique(set.begin(), set.end()), set.end());
  return set;
}

// True when a UV step spanning [a, b] in one coordinate passes two or more isoline values
// (a <= v < b) that do not nearly coincide: either no value lies at or above b, or the first
// value >= b and the first value >= a differ by more than a relative 1.49e-8.
bool PassesSeveral(const std::vector<double>& set, double a, double b) {
  const auto first = std::lower_bound(set.begin(), set.end(), a);
  const auto beyond = std::lower_bound(first, set.end(), b);
  if (std::distance(first, beyond) < 2)
    return false;
  if (beyond == set.end())
    return true;
  const double larger = std::max(std::fabs(*beyond), std::fabs(*first));
  return std::fabs(*beyond - *first) > kCoincidentIsolines * larger;
}

bool StepPassesSeveral(const std::vector<double>& us, const std::vector<double>& vs,
                       const point<double, 2>& from, const point<double, 2>& to) {
  return PassesSeveral(us, std::min(from[0], to[0]), std::max(from[0], to[0])) ||
         PassesSeveral(vs, std::min(from[1], to[1]), std::max(from[1], to[1]));
}

// The parameter list of the fin's curve, refined against the isolines when the curve is defined
// in UV. A NURBS UV curve that lists only its two ends (a single polynomial piece) is first cut
// into `order` equal parameter steps, so that its inner shape is sampled at all.
MCADParameterList_1d ListParameters(const loops::detail::FinCurve& curve,
                                    const MCadTriangulator::MSurfaceIsolines& isolines) {
  MCADParameterList_1d list;
  const MCAD2DVCurve* uvCurve = curve.UVCurve();
  if (uvCurve == nullptr) {
    curve.Curve().GetParameterList(list);
    return list;
  }
  uvCurve->GetParameterList(list);
  const auto* nurbs = dynamic_cast<const MCAD2DNurbsCurve*>(uvCurve);
  if (nurbs != nullptr && list.parameters.size() == 2) {
    const double t0 = list.parameters.front();
    const double t1 = list.parameters.back();
    const int order = nurbs->GetNurbs().GetOrder();
    list.parameters.clear();
    list.parameters.push_back(t0);
    for (int i = 1; i < order; ++i)
      list.parameters.push_back(((order - i) * t0 + i * t1) / order);
    list.parameters.push_back(t1);
  }
  MLoopSegmenter::RefineByIsolines(list, *uvCurve, isolines);
  return list;
}

// The list as a vector with the midpoint of every two consecutive values inserted between them.
std::vector<double> WithMidpoints(const MCADParameterList_1d& list) {
  std::vector<double> parameters;
  parameters.reserve(list.parameters.size() * 2);
  for (double t : list.parameters) {
    loops::detail::RequireFiniteParameter(t);
    if (!parameters.empty())
      parameters.push_back((parameters.back() + t) * 0.5);
    parameters.push_back(t);
  }
  return parameters;
}

}  // namespace

void MLoopSegmenter::RefineByIsolines(MCADParameterList_1d& list, const MCAD2DVCurve& uvCurve,
                                      const MSurfaceIsolines& isolines) {
  std::list<double>& parameters = list.parameters;
  if (parameters.size() < 2)
    return;
  const std::vector<double> us = OrderedSet(isolines.u, "U");
  const std::vector<double> vs = OrderedSet(isolines.v, "V");
  for (double t : parameters)
    loops::detail::RequireFiniteParameter(t);

  std::size_t insertions = 0;
  auto first = parameters.begin();
  for (auto second = std::next(first);
       second != parameters.end() && insertions < kMaxIsolineInsertionsPerFin;) {
    const double t0 = *first;
    const double t1 = *second;
    const point<double, 2> a = loops::detail::UVPoint(uvCurve, t0);
    double dt = t1 - t0;
    double tm = t0;
    int halvings = 0;
    bool settled = false;
    while (halvings <= kMaxIsolineHalvings) {
      tm = std::clamp(t0 + dt, std::min(t0, t1), std::max(t0, t1));
      settled = !StepPassesSeveral(us, vs, a, loops::detail::UVPoint(uvCurve, tm));
      if (settled)
        break;
      dt *= 0.5;
      ++halvings;
    }
    // A halved step that settled strictly after t0 is inserted and the rest of the pair examined
    // next. A step that cannot settle (the halvings ran out: the UV curve jumps here) or that no
    // longer leaves t0 (the step fell below the parameter's resolution at a jump) would repeat
    // without end: the pair is left as it is.
    if (settled && halvings > 0 && tm != t0) {
      first = parameters.insert(second, tm);
      ++insertions;
    } else {
      first = second;
      ++second;
    }
  }
}

MLoopSegmenter::MFinSamples MLoopSegmenter::SampleFinCurve(
    const MCADFin& fin, const Oxlen::Math::matrix4x4<double>& placement,
    const MSurfaceIsolines& isolines, double tolerance) {
  if (std::isnan(tolerance))
    throw std::invalid_argument("tolerance: NaN");
  const loops::detail::FinCurve curve(fin);
  const std::vector<double> doubled = WithMidpoints(ListParameters(curve, isolines));

  std::vector<point<double, 3>> points;
  points.reserve(doubled.size());
  for (double t : doubled)
    points.push_back(curve.ModelPoint(t, placement));

  MFinSamples samples;
  samples.parameters = doubled;
  MQuadrangulatedSurface::DecimateParameters(samples.parameters, {points}, tolerance);

  // The decimation only removes entries, so the remaining parameters are a subsequence of the
  // doubled list; their points are taken over from the evaluation above (a curve evaluates the
  // same parameter to the same point).
  samples.points.reserve(samples.parameters.size());
  std::size_t j = 0;
  for (double t : samples.parameters) {
    while (doubled[j] != t)
      ++j;
    samples.points.push_back(points[j]);
    ++j;
  }
  return samples;
}
