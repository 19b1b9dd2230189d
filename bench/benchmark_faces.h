#pragma once

// Heavily trimmed planar faces that several benchmarks mesh.

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"

namespace benchmark_faces {

/// The side of the square plate the faces lie on.
inline constexpr double kSide = 1000.0;

/// The plate [0, 1000]^2 with its rectangle outer loop and 40 x 25 clockwise holes of radius 5,
/// one in the middle of every cell of 25 x 40.
inline MCADFace PlateWithHoles() {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, kSide, 0.0, kSide);
  MCADFaceBuilder face(plane);
  face.Loop(MCADLoopBuilder(plane).Rectangle({0.0, 0.0}, {kSide, kSide}).Build());
  for (int i = 0; i < 40; ++i)
    for (int j = 0; j < 25; ++j)
      face.Loop(MCADLoopBuilder(plane)
                    .Circle({12.5 + 25.0 * i, 20.0 + 40.0 * j}, 5.0, /*clockwise=*/true)
                    .Build());
  return face.Build();
}

/// One counter-clockwise fin: the closed polyline through `spans` points around the plate's
/// centre, as an order-2 NURBS curve whose knots are its vertices (straight spans need no
/// chordal refinement). Smooth: on the curve of radius 450 + 5 sin(64 theta), where the
/// segmenter's thinning removes almost every vertex at tolerance 0.01. Serrated: alternately at
/// radius 450 and 450.05, teeth that stand out of the tolerance, so that the loop keeps its
/// `spans` points.
inline MCADFace LongLoop(int spans, bool serrated) {
  auto plane = std::make_shared<MCADUVPlane>(MCADFrame(), 0.0, kSide, 0.0, kSide);
  std::vector<Oxlen::Math::point<double, 2>> points;
  std::vector<double> knots{0.0};
  for (int k = 0; k <= spans; ++k) {
    const double theta = 2.0 * std::numbers::pi * (k % spans) / spans;
    const double r = serrated ? 450.0 + 0.05 * (k % 2) : 450.0 + 5.0 * std::sin(64.0 * theta);
    points.emplace_back(500.0 + r * std::cos(theta), 500.0 + r * std::sin(theta));
    knots.push_back(k);
  }
  knots.push_back(spans);
  auto curve = std::make_shared<MCAD2DNurbsCurve>(2, knots, points);
  return MCADFaceBuilder(plane).Loop(MCADLoopBuilder(plane).Curve(curve).Build()).Build();
}

}  // namespace benchmark_faces
