// Builds two faces with the platform layer and evaluates them: a placed planar plate with a round
// hole, and a half-turn cylinder patch. For every face it prints its loops with their lengths
// (measured by sampling the fins in model space), checks that every loop closes, that the hole's
// length is its circumference, and that surface points invert back to their parameters.
//
// Exits with 0 when every check holds.
#include <Oxlen/Cad/Triangulation.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace {

using Oxlen::Math::point;

// Internal units (what surfaces and curves evaluate in) per model unit.
constexpr double kInternalUnits = 10000.0;

// A fin's curve point at parameter t, in model space: internal units scaled down, then placed.
point<double, 3> ModelPoint(const MCADFace& face, const MCADFin& fin, double t) {
  point<double, 3> p;
  fin.curve->EvaluatePoint(t, p);
  const Oxlen::Math::matrix4x4<double> placement = face.GetTransformationMatrix();
  return placement.transform_point(p / kInternalUnits);
}

struct LoopSummary {
  double length = 0.0;
  double largestGap = 0.0;  // between the end of a fin and the start of the next one
};

LoopSummary MeasureLoop(const MCADFace& face, const MCADLoop& loop) {
  constexpr int kSamples = 2000;
  LoopSummary summary;
  point<double, 3> previousEnd;
  point<double, 3> firstStart;
  bool first = true;
  for (const MCADFin& fin : loop.Fins()) {
    MCADParameterList_1d list;
    fin.curve->GetParameterList(list);
    double t0 = list.parameters.front();
    double t1 = list.parameters.back();
    if (!fin.sameSense)
      std::swap(t0, t1);
    point<double, 3> p = ModelPoint(face, fin, t0);
    if (first) {
      firstStart = p;
      first = false;
    } else {
      summary.largestGap = std::max(summary.largestGap, Oxlen::Math::distance(previousEnd, p));
    }
    for (int i = 1; i <= kSamples; ++i) {
      const point<double, 3> q = ModelPoint(face, fin, t0 + (t1 - t0) * i / kSamples);
      summary.length += Oxlen::Math::distance(p, q);
      p = q;
    }
    previousEnd = p;
  }
  summary.largestGap = std::max(summary.largestGap, Oxlen::Math::distance(previousEnd, firstStart));
  return summary;
}

// Largest parameter error of evaluate-then-invert over a grid of UVs of the surface's limits.
double LargestInversionError(const MCADUVSurface& surface) {
  const MCADDomainLimits& u = surface.GetExtremesUV(eInU);
  const MCADDomainLimits& v = surface.GetExtremesUV(eInV);
  double worst = 0.0;
  for (int i = 0; i <= 8; ++i) {
    for (int j = 0; j <= 8; ++j) {
      const point<double, 2> uv{u.GetMin() + (u.GetMax() - u.GetMin()) * i / 8,
                                v.GetMin() + (v.GetMax() - v.GetMin()) * j / 8};
      point<double, 3> p;
      surface.EvaluatePoint(uv, p);
      const point<double, 2> back = surface.InvertPoint(p, 1e-6 * kInternalUnits);
      worst = std::max(worst, Oxlen::Math::distance(uv, back));
    }
  }
  return worst;
}

bool Check(bool ok, const char* what) {
  std::printf("  %-52s %s\n", what, ok ? "ok" : "FAILED");
  return ok;
}

bool Report(const char* name, const MCADFace& face, double expectedHoleLength) {
  std::printf("%s: %zu loop(s)\n", name, face.LoopCount());
  bool ok = true;
  int index = 0;
  for (const auto& loop : face.Loops()) {
    const LoopSummary s = MeasureLoop(face, *loop);
    std::printf("  loop %d: %zu fin(s), length %.6f, largest gap %.2e\n", index++, loop->FinCount(),
                s.length, s.largestGap);
    ok &= Check(loop->IsValid(face.GetISU()), "loop is closed within the face's tolerance");
    if (expectedHoleLength > 0 && index == 2)
      ok &= Check(std::abs(s.length - expectedHoleLength) < 1e-4 * expectedHoleLength,
                  "hole length equals its circumference");
  }
  const double inversionError = LargestInversionError(*face.GetSurface());
  std::printf("  largest evaluate/invert parameter error: %.2e\n", inversionError);
  ok &= Check(inversionError < 1e-6, "surface points invert to their parameters");
  return ok;
}

}  // namespace

int main() {
  // A 100 x 60 plate with a hole of radius 10, lifted by 5 along Z in the model.
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, 100.0, 0.0, 60.0);
  const MCADFace plate = MCADFaceBuilder(plane)
                             .OuterBoundary()
                             .Loop(MCADLoopBuilder(plane).Circle({50, 30}, 10, true).Build())
                             .Placement(MMTransformMatrix::Translation({0, 0, 5}))
                             .Build();

  // Half a turn of a cylinder of radius 20 and height 50 around the Z axis.
  auto cylinder =
      std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, std::numbers::pi, 0.0, 50.0);
  const MCADFace patch = MCADFaceBuilder(cylinder).OuterBoundary().Build();

  bool ok = Report("plate with a round hole", plate, 2 * std::numbers::pi * 10);
  ok &= Report("cylinder patch", patch, 0.0);
  // The patch's boundary: two half circles of radius 20 and two straight sides of 50.
  ok &= Check(std::abs(MeasureLoop(patch, *patch.Loops().front()).length -
                       (2 * std::numbers::pi * 20 + 100)) < 1e-3,
              "cylinder patch boundary length");
  std::printf("%s\n", ok ? "all checks passed" : "some checks FAILED");
  return ok ? 0 : 1;
}
