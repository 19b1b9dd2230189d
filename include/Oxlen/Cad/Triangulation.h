#pragma once

// Oxlen.Cad.Triangulation: the one header a program includes. It brings in the whole public
// interface: the face triangulator, the border post-processing, the stitcher, the geometric
// distance functions, and the CAD entity, NURBS, math, mesh and progress layer that faces are
// built with. (The triangulator's building blocks, such as the grid, the loop segmenter and the
// quad trimmer, are internal to the library.)

#include "Oxlen/Export.h"

// Math
#include "Oxlen/Math/MMTransform.h"
#include "Oxlen/Math/MMTransformMatrix.h"
#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/get_normal.h"
#include "Oxlen/Math/matrix4x4.h"
#include "Oxlen/Math/point.h"

// NURBS
#include "Oxlen/Nurbs/M3dNurbsCurve.h"
#include "Oxlen/Nurbs/M3dNurbsSurface.h"

// CAD entities
#include "Oxlen/CadEntity/MCAD2DLineSegment.h"
#include "Oxlen/CadEntity/MCAD2DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DNurbsCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve2DBased.h"
#include "Oxlen/CadEntity/MCADDomainLimits.h"
#include "Oxlen/CadEntity/MCADEntityTransformable.h"
#include "Oxlen/CadEntity/MCADEnums.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "Oxlen/CadEntity/MCADFaceBuilder.h"
#include "Oxlen/CadEntity/MCADFin.h"
#include "Oxlen/CadEntity/MCADFrame.h"
#include "Oxlen/CadEntity/MCADLoop.h"
#include "Oxlen/CadEntity/MCADLoopBuilder.h"
#include "Oxlen/CadEntity/MCADParameterList_1d.h"
#include "Oxlen/CadEntity/MCADUVAnalyticSurface.h"
#include "Oxlen/CadEntity/MCADUVCone.h"
#include "Oxlen/CadEntity/MCADUVCylinder.h"
#include "Oxlen/CadEntity/MCADUVNurbsSurface.h"
#include "Oxlen/CadEntity/MCADUVPlane.h"
#include "Oxlen/CadEntity/MCADUVRectangle.h"
#include "Oxlen/CadEntity/MCADUVRegularGrid.h"
#include "Oxlen/CadEntity/MCADUVSphere.h"
#include "Oxlen/CadEntity/MCADUVSurface.h"
#include "Oxlen/CadEntity/MCADUVSurfaceLimits.h"
#include "Oxlen/CadEntity/MCADUVSurfaceOfRevolution.h"

// Meshes and progress
#include "Oxlen/Common/BaseProgressReporter.h"
#include "Oxlen/Common/BranchingProgressReporter.h"
#include "Oxlen/Common/IProgressDelegate.h"
#include "Oxlen/Common/IncrementalProgressReporter.h"
#include "Oxlen/Geometry/flip_edge_if.h"
#include "Oxlen/Geometry/mesh_topology_queries.h"
#include "Oxlen/Geometry/remove_topologically_degenerate_triangles.h"
#include "Oxlen/Geometry/split_edge.h"
#include "Oxlen/Geometry/stitch_points.h"
#include "Oxlen/Geometry/triangle_surface.h"
#include "Oxlen/Geometry/vertex_to_triangles_map.h"

// Geometric distance functions
#include "Oxlen/Cad/Triangulation/geometry/MSegment.h"
#include "Oxlen/Cad/Triangulation/geometry/MTriangle.h"
#include "Oxlen/Cad/Triangulation/geometry/distances.h"

// The face triangulator
#include "Oxlen/Cad/Triangulation/MCadTriangulator.h"

// Improving a face mesh along its border
#include "Oxlen/Cad/Triangulation/geometry/preprocess_triangulated_surface.h"

// Stitching the faces of a model into one surface
#include "Oxlen/Cad/Triangulation/geometry/cad_stitch.h"
#include "Oxlen/Cad/Triangulation/geometry/stitched_surface_check.h"
