#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "platform/platform_test_support.h"

namespace {

using platform_test::ExpectInvalid;
using P2 = Oxlen::Math::point<double, 2>;
using P3 = Oxlen::Math::point<double, 3>;
const double kNan = std::numeric_limits<double>::quiet_NaN();

// The loop sampled along its fins in fin direction, in model units.
std::vector<P3> SampleLoop(const MCADLoop& loop, int perFin = 64) {
  std::vector<P3> points;
  for (const MCADFin& fin : loop.Fins()) {
    MCADParameterList_1d list;
    fin.curve->GetParameterList(list);
    const double t0 = fin.sameSense ? list.parameters.front() : list.parameters.back();
    const double t1 = fin.sameSense ? list.parameters.back() : list.parameters.front();
    for (int i = 0; i < perFin; ++i) {
      fin.curve->EvaluatePoint(t0 + (t1 - t0) * i / perFin, points.emplace_back());
      points.back() = points.back() / 10000.0;
    }
  }
  return points;
}

// A loop of straight UV fins on the world plane, each from a to b, used forwards or backwards.
struct Fin {
  P2 a, b;
  bool sameSense = true;
};
MCADLoop Loop(const std::vector<Fin>& fins) {
  static const auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), -100, 100, -100, 100);
  MCADLoop loop;
  for (const Fin& fin : fins)
    loop.AddFin(std::make_shared<MCAD3DVUVSurfaceCurve2DBased>(
                    plane, std::make_shared<MCAD2DLineSegment>(fin.a, fin.b)),
                fin.sameSense);
  return loop;
}

struct BrokenCurve : MCAD3DVUVSurfaceCurve {  // its end point is not finite
  void EvaluatePoint(double t, P3& p) const override { p = P3{t < 1.0 ? 0.0 : kNan, 0, 0}; }
  void GetParameterList(MCADParameterList_1d& list) const override { list.parameters = {0, 1}; }
};

TEST(MCADLoop, ValidityChecksThatFinsChainWithinTheTolerance) {
  EXPECT_FALSE(MCADLoop().IsValid(1e-4));  // no fins
  const MCADLoop triangle = Loop({{{0, 0}, {10, 0}}, {{0, 10}, {10, 0}, false}, {{0, 10}, {0, 0}}});
  EXPECT_TRUE(triangle.IsValid(1e-4));
  EXPECT_TRUE(triangle.IsValid(0.0));
  EXPECT_FALSE(triangle.IsValid(-1.0) || triangle.IsValid(kNan));
  // The same fin used forwards does not chain; neither does a gap of 2e-4 model units.
  EXPECT_FALSE(Loop({{{0, 0}, {10, 0}}, {{0, 10}, {10, 0}}, {{0, 10}, {0, 0}}}).IsValid(1e-3));
  const MCADLoop gap = Loop({{{0, 0}, {10, 0}}, {{10, 0}, {0, 10}}, {{0, 10}, {0, 2e-4}}});
  EXPECT_TRUE(!gap.IsValid(1e-4));
  EXPECT_TRUE(gap.IsValid(1e-3));
  MCADLoop broken;
  broken.AddFin(std::make_shared<BrokenCurve>());
  EXPECT_FALSE(broken.IsValid(1e6));
  ExpectInvalid("curve", [&] { broken.AddFin(nullptr); });
}

TEST(MCADLoopBuilder, ShapesRunInTheRequestedDirectionAndRejectMalformedOnes) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), -100.0, 100.0, -100.0, 100.0);
  const double r = 10.0, circle = std::numbers::pi * r * r;
  // Signed areas of the sampled loops (positive: counter-clockwise); the sampled polygon of a
  // circle loses about 2.5e-5 of its area.
  const std::pair<std::shared_ptr<MCADLoop>, double> shapes[] = {
      {MCADLoopBuilder(plane).Rectangle({0, 0}, {20, 10}).Build(), 200.0},
      {MCADLoopBuilder(plane).Circle({5, 5}, r).Build(), circle},
      {MCADLoopBuilder(plane).Circle({5, 5}, r, /*clockwise=*/true).Build(), -circle},
      {MCADLoopBuilder(plane).Polygon({{0, 0}, {4, 0}, {0, 3}}).Build(), 6.0}};
  for (const auto& [loop, area] : shapes) {
    const std::vector<P3> p = SampleLoop(*loop, 512);
    double twice = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i)
      twice += cross(P2{p[i][0], p[i][1]}, P2{p[(i + 1) % p.size()][0], p[(i + 1) % p.size()][1]});
    EXPECT_NEAR(twice / 2, area, std::abs(area) * 1e-4);
    EXPECT_TRUE(loop->IsValid(1e-9));
  }
  for (const P3& p : SampleLoop(*shapes[2].first))
    EXPECT_NEAR(distance(p, P3{5, 5, 0}), r, 1e-9);
  MCADLoopBuilder b(plane);
  ExpectInvalid("surface", [] { MCADLoopBuilder(nullptr); });
  ExpectInvalid("to", [&] { b.Line({0, 0}, {0, 0}); });
  ExpectInvalid("corners", [&] { b.Polygon({{0, 0}, {1, 0}}); });
  ExpectInvalid("hi", [&] { b.Rectangle({0, 0}, {0, 5}); });
  ExpectInvalid("radius", [&] { b.Circle({0, 0}, 0.0); });
  // NURBS curves that are not continuous (order 1, a full-multiplicity inner knot) cannot be
  // loop edges, in UV or in space.
  ExpectInvalid("curve", [&] {
    b.Curve(std::make_shared<MCAD2DNurbsCurve>(1, std::vector<double>{0, 0.5, 1},
                                               std::vector<P2>{{0, 0}, {1, 1}}));
  });
  ExpectInvalid("curve", [&] {
    b.SpaceCurve(std::make_shared<MCAD3DNurbsCurve>(
        M3dNurbsCurve(2, {0, 0, 0.5, 0.5, 1, 1}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})));
  });
  EXPECT_EQ(b.Build()->FinCount(), 0u);  // nothing was added by the failed calls
  b.Curve(std::make_shared<MCAD2DNurbsCurve>(2, std::vector<double>{0, 0, 0.5, 1, 1},
                                             std::vector<P2>{{0, 0}, {1, 0}, {1, 1}}));
  EXPECT_EQ(b.Build()->FinCount(), 1u);
}

TEST(CoordinateLimit, EntitiesRejectCoordinatesWhoseSquaresWouldOverflow) {
  // Beyond 1e100 every entity rejects a coordinate, length or parameter by the argument's name;
  // at 1e100 it is accepted.
  const MCADFrame frame;
  for (const double huge : {1e300, -1e300, 1.5e100}) {
    SCOPED_TRACE(huge);
    ExpectInvalid("origin", [&] { MCADFrame(P3{0, huge, 0}, P3{0, 0, 1}, P3{1, 0, 0}); });
    ExpectInvalid("uMax", [&] { MCADUVPlane(frame, 0, std::fabs(huge), 0, 1); });
    ExpectInvalid("vMin", [&] { MCADUVPlane(frame, 0, 1, -std::fabs(huge), 1); });
    ExpectInvalid("radius", [&] { MCADUVCylinder(frame, std::fabs(huge), 0, 1, 0, 1); });
    ExpectInvalid("vMax", [&] { MCADUVCylinder(frame, 1, 0, 1, 0, std::fabs(huge)); });
    ExpectInvalid("end", [&] { MCAD2DLineSegment(P2{0, 0}, P2{huge, 0}); });
    ExpectInvalid("min", [&] { MCADDomainLimits(-std::fabs(huge), 0); });
    ExpectInvalid("period", [&] { MCADDomainLimits(0, 1, std::fabs(huge)); });
    MCADLoopBuilder builder(std::make_shared<MCADUVPlane>(frame, 0, 1, 0, 1));
    ExpectInvalid("to", [&] { builder.Line({0, 0}, {0, huge}); });
    ExpectInvalid("center", [&] { builder.Circle({huge, 0}, 1); });
    ExpectInvalid("radius", [&] { builder.Circle({0, 0}, std::fabs(huge)); });
  }
  EXPECT_NO_THROW(
      MCADUVPlane(MCADFrame(P3{1e100, 0, -1e100}, P3{0, 0, 1}, P3{1, 0, 0}), -1e100, 1e100, 0, 1));
}

TEST(MCADFaceBuilder, BuildsAFaceThatOwnsItsGeometry) {
  MCADFace face;
  {
    auto cylinder = std::make_shared<MCADUVCylinder>(MCADFrame(), 20, 0, std::numbers::pi, 0, 50);
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
  EXPECT_TRUE(face.LoopCount() == 2u);
  EXPECT_TRUE(face.GetOrientation() == eFaceOrientationReversed);
  EXPECT_EQ(Oxlen::Math::matrix4x4<double>(face.GetTransformationMatrix())[12], 1.0);
  for (const auto& loop : face.Loops()) {
    EXPECT_TRUE(loop->IsValid(face.GetISU()));
    for (const P3& p : SampleLoop(*loop))
      EXPECT_NEAR(std::hypot(p[0], p[1]), 20.0, 1e-9);
  }
  ExpectInvalid("surface", [] { MCADFaceBuilder(nullptr); });
  ExpectInvalid("loop", [&] { face.AddLoop(nullptr); });
  EXPECT_THROW(face.SetISU(0.0), std::invalid_argument);
}

}  // namespace
