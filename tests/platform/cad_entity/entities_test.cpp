#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"

namespace {

using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;

std::shared_ptr<MCADUVPlane> WorldPlane() {
  return std::make_shared<MCADUVPlane>(MCADFrame(), -100.0, 100.0, -100.0, 100.0);
}

// The loop sampled along its fins in fin direction, in model units.
std::vector<P3> SampleLoop(const MCADLoop& loop, int perFin = 64) {
  std::vector<P3> points;
  for (const MCADFin& fin : loop.Fins()) {
    MCADParameterList_1d list;
    fin.curve->GetParameterList(list);
    double t0 = list.parameters.front(), t1 = list.parameters.back();
    if (!fin.sameSense)
      std::swap(t0, t1);
    for (int i = 0; i < perFin; ++i) {
      P3 p;
      fin.curve->EvaluatePoint(t0 + (t1 - t0) * i / perFin, p);
      points.push_back(p / 10000.0);
    }
  }
  return points;
}

// Signed area of the loop's projection on the XY plane (positive: counter-clockwise).
double SignedAreaXY(const MCADLoop& loop) {
  const std::vector<P3> p = SampleLoop(loop, 512);
  double twice = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const P3& a = p[i];
    const P3& b = p[(i + 1) % p.size()];
    twice += a[0] * b[1] - a[1] * b[0];
  }
  return 0.5 * twice;
}

// A straight UV fin on the plane from a to b.
std::shared_ptr<MCAD3DVUVSurfaceCurve> Segment(const std::shared_ptr<MCADUVPlane>& plane, P2 a,
                                               P2 b) {
  return std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(plane,
                                                        std::make_shared<MCAD2DLineSegment>(a, b));
}

// A curve whose end point is not finite.
class BrokenCurve : public MCAD3DVUVSurfaceCurve {
 public:
  void EvaluatePoint(double t, P3& result) const override {
    result = t < 1.0 ? P3{0, 0, 0} : P3{std::nan(""), 0, 0};
  }
  void GetParameterList(MCADParameterList_1d& list) const override { list.parameters = {0, 1}; }
};

TEST(MCADLoop, ValidityChecksThatFinsChainWithinTheTolerance) {
  auto plane = WorldPlane();
  MCADLoop triangle;
  EXPECT_FALSE(triangle.IsValid(1e-4));  // no fins
  triangle.AddFin(Segment(plane, {0, 0}, {10, 0}));
  triangle.AddFin(Segment(plane, {0, 10}, {10, 0}), /*sameSense=*/false);  // used backwards
  triangle.AddFin(Segment(plane, {0, 10}, {0, 0}));
  EXPECT_TRUE(triangle.IsValid(1e-4));
  EXPECT_TRUE(triangle.IsValid(0.0));
  EXPECT_FALSE(triangle.IsValid(-1.0));
  EXPECT_FALSE(triangle.IsValid(std::numeric_limits<double>::quiet_NaN()));

  // A gap of 2e-4 model units between the last fin and the first.
  MCADLoop gap;
  gap.AddFin(Segment(plane, {0, 0}, {10, 0}));
  gap.AddFin(Segment(plane, {10, 0}, {0, 10}));
  gap.AddFin(Segment(plane, {0, 10}, {0, 2e-4}));
  EXPECT_FALSE(gap.IsValid(1e-4));
  EXPECT_TRUE(gap.IsValid(1e-3));

  // Fins in the wrong direction do not chain.
  MCADLoop wrongWay;
  wrongWay.AddFin(Segment(plane, {0, 0}, {10, 0}));
  wrongWay.AddFin(Segment(plane, {0, 10}, {10, 0}));
  wrongWay.AddFin(Segment(plane, {0, 10}, {0, 0}));
  EXPECT_FALSE(wrongWay.IsValid(1e-3));

  MCADLoop broken;
  broken.AddFin(std::make_shared<BrokenCurve>());
  EXPECT_FALSE(broken.IsValid(1e6));
  EXPECT_THROW(broken.AddFin(nullptr), std::invalid_argument);
}

TEST(MCADLoop, SpecialCasesAndAlternatives) {
  MCADLoop loop;
  EXPECT_FALSE(loop.GetIsSpecialCase(eLoopSpecialCaseUnoriented));
  loop.SetSpecialCase(eLoopSpecialCaseUnoriented);
  loop.SetSpecialCase(eLoopSpecialCaseAroundDomain);
  loop.SetSpecialCase(eLoopSpecialCaseNone);
  EXPECT_TRUE(loop.GetIsSpecialCase(eLoopSpecialCaseUnoriented));
  EXPECT_TRUE(loop.GetIsSpecialCase(eLoopSpecialCaseAroundDomain));
  EXPECT_FALSE(loop.GetIsSpecialCase(eLoopSpecialCaseNone));
  loop.SetSpecialCase(eLoopSpecialCaseUnoriented, false);
  EXPECT_FALSE(loop.GetIsSpecialCase(eLoopSpecialCaseUnoriented));

  std::list<std::shared_ptr<MCADLoop>> found;
  EXPECT_EQ(loop.GetAlternativeLoops(found), MGlobalCAD::eNotFound);
  EXPECT_TRUE(found.empty());
  auto alternative = std::make_shared<MCADLoop>();
  loop.AddAlternativeLoop(alternative);
  found.push_back(nullptr);  // the list is appended to, not replaced
  EXPECT_EQ(loop.GetAlternativeLoops(found), MGlobalCAD::eOk);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found.back(), alternative);
  EXPECT_THROW(loop.AddAlternativeLoop(nullptr), std::invalid_argument);
}

TEST(MCADLoopBuilder, ShapesRunInTheRequestedDirection) {
  auto plane = WorldPlane();
  const double r = 10.0;
  const auto square = MCADLoopBuilder(plane).Rectangle({0, 0}, {20, 10}).Build();
  const auto squareCw = MCADLoopBuilder(plane).Rectangle({0, 0}, {20, 10}, true).Build();
  const auto circle = MCADLoopBuilder(plane).Circle({5, 5}, r).Build();
  const auto hole = MCADLoopBuilder(plane).Circle({5, 5}, r, /*clockwise=*/true).Build();
  const auto polygon = MCADLoopBuilder(plane).Polygon({{0, 0}, {4, 0}, {0, 3}}).Build();
  EXPECT_NEAR(SignedAreaXY(*square), 200.0, 1e-9);
  EXPECT_NEAR(SignedAreaXY(*squareCw), -200.0, 1e-9);
  // The sampled polygon of a circle lies inside it; 512 samples lose about 2.5e-5 of its area.
  EXPECT_NEAR(SignedAreaXY(*circle), std::numbers::pi * r * r, 1e-3 * r * r);
  EXPECT_NEAR(SignedAreaXY(*hole), -std::numbers::pi * r * r, 1e-3 * r * r);
  EXPECT_NEAR(SignedAreaXY(*polygon), 6.0, 1e-9);
  for (const auto& loop : {square, squareCw, circle, hole, polygon})
    EXPECT_TRUE(loop->IsValid(1e-9));
  EXPECT_EQ(square->FinCount(), 4u);
  EXPECT_EQ(circle->FinCount(), 1u);
  for (const P3& p : SampleLoop(*circle))
    EXPECT_NEAR(distance(p, P3{5, 5, 0}), r, 1e-9);
}

TEST(MCADLoopBuilder, RejectsMalformedShapes) {
  auto plane = WorldPlane();
  MCADLoopBuilder b(plane);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(MCADLoopBuilder(nullptr), std::invalid_argument);
  EXPECT_THROW(b.Line({0, 0}, {0, 0}), std::invalid_argument);
  EXPECT_THROW(b.Line({nan, 0}, {1, 0}), std::invalid_argument);
  EXPECT_THROW(b.Polygon({{0, 0}, {1, 0}}), std::invalid_argument);
  EXPECT_THROW(b.Rectangle({0, 0}, {0, 5}), std::invalid_argument);
  EXPECT_THROW(b.Circle({0, 0}, 0.0), std::invalid_argument);
  EXPECT_THROW(b.Circle({0, 0}, -1.0), std::invalid_argument);
  EXPECT_THROW(b.Circle({0, nan}, 1.0), std::invalid_argument);
  EXPECT_THROW(b.Curve(nullptr), std::invalid_argument);
  EXPECT_THROW(b.SpaceCurve(nullptr), std::invalid_argument);
  EXPECT_EQ(b.Build()->FinCount(), 0u);  // nothing was added by the failed calls
}

TEST(MCADFaceBuilder, BuildsAFaceThatOwnsItsGeometry) {
  MCADFace face;
  {
    auto cylinder =
        std::make_shared<MCADUVCylinder>(MCADFrame(), 20.0, 0.0, std::numbers::pi, 0.0, 50.0);
    face = MCADFaceBuilder(cylinder)
               .OuterBoundary()
               .Loop(MCADLoopBuilder(cylinder).Rectangle({1, 10}, {2, 20}, true).Build())
               .Orientation(eFaceOrientationReversed)
               .Placement(MMTransformMatrix::Translation({1, 2, 3}))
               .ISU(1e-6)
               .Build();
  }
  // The builder and every other owner are gone: the face keeps surface and curves alive.
  ASSERT_NE(face.GetSurface(), nullptr);
  EXPECT_EQ(face.LoopCount(), 2u);
  EXPECT_EQ(face.GetOrientation(), eFaceOrientationReversed);
  EXPECT_EQ(face.GetISU(), 1e-6);
  const Oxlen::Math::matrix4x4<double> placement = face.GetTransformationMatrix();
  EXPECT_EQ(placement[12], 1.0);
  for (const auto& loop : face.Loops()) {
    EXPECT_TRUE(loop->IsValid(face.GetISU()));
    for (const P3& p : SampleLoop(*loop))
      EXPECT_NEAR(std::hypot(p[0], p[1]), 20.0, 1e-9);
  }
  // The outer boundary covers the whole parameter rectangle: two half circles and two sides.
  const std::vector<P3> outer = SampleLoop(*face.Loops().front(), 4);
  EXPECT_NEAR(outer.front()[2], 0.0, 1e-12);
  EXPECT_NEAR(outer[8][2], 50.0, 1e-12);

  EXPECT_THROW(MCADFaceBuilder(nullptr), std::invalid_argument);
  EXPECT_THROW(face.AddLoop(nullptr), std::invalid_argument);
  EXPECT_THROW(face.SetISU(0.0), std::invalid_argument);
  EXPECT_THROW(face.SetISU(std::numeric_limits<double>::infinity()), std::invalid_argument);
  EXPECT_EQ(MCADFace().GetSurface(), nullptr);
}

}  // namespace
