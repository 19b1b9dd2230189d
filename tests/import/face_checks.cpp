#include "face_checks.h"

#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomLProp_SLProps.hxx>
#include <ShapeAnalysis_Surface.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "Oxlen/Cad/Triangulation.h"
#include "Oxlen/CadEntity/internal_units.h"
#include "surface_mapping.h"

namespace Oxlen::ImportTesting {
namespace {

using Oxlen::Cad::MCadImport;
using Point = Oxlen::Math::point<double, 3>;
constexpr double kInternal = Oxlen::CadEntity::kInternalUnitsPerModelUnit;

// A point of our face in model space: internal units scaled back, the placement applied.
gp_Pnt Placed(const MCADFace& face, Point internal) {
  Point p{internal[0] / kInternal, internal[1] / kInternal, internal[2] / kInternal};
  face.GetTransformationMatrix().Transform(p, false);
  return {p[0], p[1], p[2]};
}

gp_Pnt OurSurfacePoint(const MCADFace& face, double u, double v) {
  Point p;
  face.GetSurface()->EvaluatePoint({u, v}, p);
  return Placed(face, p);
}

// Open CASCADE's projection of points onto one surface, set up once. Where the extrema search
// finds no foot within the face's bounds (a nearest point on their border), the healing
// toolkit's projection, which always answers, takes over.
class MProjector {
 public:
  explicit MProjector(const TopoDS_Face& face)
      : m_surface(BRep_Tool::Surface(face)), m_fallback(new ShapeAnalysis_Surface(m_surface)) {
    double u0 = 0.0;
    double u1 = 0.0;
    double v0 = 0.0;
    double v1 = 0.0;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    m_projector.Init(m_surface, u0, u1, v0, v1, Extrema_ExtAlgo_Tree);
    m_projector.SetExtremaFlag(Extrema_ExtFlag_MIN);
  }
  // The distance of p from the surface, and the surface parameters of its foot.
  double Distance(const gp_Pnt& p, double& u, double& v) {
    m_projector.Perform(p);
    if (m_projector.NbPoints() > 0) {
      m_projector.LowerDistanceParameters(u, v);
      return m_projector.LowerDistance();
    }
    const gp_Pnt2d foot = m_fallback->ValueOfUV(p, 1e-9);
    u = foot.X();
    v = foot.Y();
    return m_fallback->Gap();
  }
  const Handle(Geom_Surface) & Surface() const { return m_surface; }

 private:
  Handle(Geom_Surface) m_surface;
  GeomAPI_ProjectPointOnSurf m_projector;
  Handle(ShapeAnalysis_Surface) m_fallback;
};

}  // namespace

double LargestSurfaceGap(const MCadImport::MImportedFace& imported, const TopoDS_Face& face,
                         double modelSize) {
  double u0 = 0.0;
  double u1 = 0.0;
  double v0 = 0.0;
  double v1 = 0.0;
  BRepTools::UVBounds(face, u0, u1, v0, v1);
  const Handle(Geom_Surface) exact = BRep_Tool::Surface(face);
  const bool direct = Oxlen::Cad::detail::IsMappedDirectly(imported.kind);
  Oxlen::Cad::detail::MUVMap map;
  if (direct)
    map = Oxlen::Cad::detail::MapSurface(exact, {u0, u1, v0, v1}).uv;
  MProjector projector(face);
  const MCADDomainLimits& ourU = imported.face.GetSurface()->GetExtremesUV(eInU);
  const MCADDomainLimits& ourV = imported.face.GetSurface()->GetExtremesUV(eInV);
  double largest = 0.0;
  constexpr int kSteps = 8;
  for (int i = 0; i <= kSteps; ++i) {
    for (int j = 0; j <= kSteps; ++j) {
      double gap = 0.0;
      if (direct) {
        const double u = u0 + (u1 - u0) * i / kSteps;
        const double v = v0 + (v1 - v0) * j / kSteps;
        const gp_Pnt2d ours = map.Apply({u, v});
        gap = OurSurfacePoint(imported.face, ours.X(), ours.Y()).Distance(exact->Value(u, v));
      } else {
        const double u = ourU.GetMin() + (ourU.GetMax() - ourU.GetMin()) * i / kSteps;
        const double v = ourV.GetMin() + (ourV.GetMax() - ourV.GetMin()) * j / kSteps;
        double fu = 0.0;
        double fv = 0.0;
        gap = projector.Distance(OurSurfacePoint(imported.face, u, v), fu, fv);
      }
      largest = std::max(largest, gap / modelSize);
    }
  }
  return largest;
}

double LargestFinGap(const MCadImport::MImportedFace& imported, const TopoDS_Face& face) {
  BRep_Builder builder;
  TopoDS_Compound edges;
  builder.MakeCompound(edges);
  for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next())
    builder.Add(edges, e.Current());
  double largest = 0.0;
  for (const auto& loop : imported.face.Loops()) {
    for (const MCADFin& fin : loop->Fins()) {
      MCADParameterList_1d list;
      fin.curve->GetParameterList(list);
      std::vector<double> parameters(list.parameters.begin(), list.parameters.end());
      for (std::size_t i = 0; i + 1 < parameters.size(); ++i) {
        for (const double t : {parameters[i], 0.5 * (parameters[i] + parameters[i + 1])}) {
          Point p;
          fin.curve->EvaluatePoint(t, p);
          BRepExtrema_DistShapeShape distance(BRepBuilderAPI_MakeVertex(Placed(imported.face, p)),
                                              edges);
          largest = std::max(largest, distance.IsDone() ? distance.Value() : 1e300);
        }
      }
    }
  }
  return largest;
}

MMeshCheck CheckMesh(const MCadImport::MImportedFace& imported, const TopoDS_Face& face,
                     double tolerance) {
  const auto mesh =
      MCadTriangulator::Triangulate(imported.face, imported.finTags, tolerance,
                                    std::numeric_limits<double>::infinity(), 200000, {});
  MMeshCheck check;
  check.triangles = mesh.triangles.size();
  GProp_GProps props;
  BRepGProp::SurfaceProperties(face, props);
  check.exactArea = props.Mass();
  GProp_GProps border;
  BRepGProp::LinearProperties(face, border);
  check.borderLength = border.Mass();
  MProjector projector(face);
  const double outward = face.Orientation() == TopAbs_REVERSED ? -1.0 : 1.0;
  for (const auto& triangle : mesh.triangles) {
    std::array<gp_Pnt, 3> corner;
    for (int k = 0; k < 3; ++k) {
      const auto& p = mesh.vertices[triangle[k]];
      corner[k] = gp_Pnt(p[0], p[1], p[2]);
    }
    const gp_Vec normal = gp_Vec(corner[0], corner[1]).Crossed(gp_Vec(corner[0], corner[2]));
    const double doubleArea = normal.Magnitude();
    check.area += 0.5 * doubleArea;
    const gp_Pnt centroid((corner[0].XYZ() + corner[1].XYZ() + corner[2].XYZ()) / 3.0);
    double u = 0.0;
    double v = 0.0;
    check.largestDeviation = std::max(check.largestDeviation, projector.Distance(centroid, u, v));
    for (int k = 0; k < 3; ++k) {
      const gp_Pnt middle(0.5 * (corner[k].XYZ() + corner[(k + 1) % 3].XYZ()));
      double mu = 0.0;
      double mv = 0.0;
      check.largestDeviation = std::max(check.largestDeviation, projector.Distance(middle, mu, mv));
    }
    GeomLProp_SLProps exact(projector.Surface(), u, v, 1, 1e-9);
    if (doubleArea > 1e-12 && exact.IsNormalDefined() &&
        outward * normal.Dot(gp_Vec(exact.Normal())) < 0.0) {
      ++check.facingInward;
    }
  }
  return check;
}

}  // namespace Oxlen::ImportTesting
