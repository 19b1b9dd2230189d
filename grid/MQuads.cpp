#include "Oxlen/Cad/Triangulation/MQuads.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "Oxlen/Cad/Triangulation/MAnalyticalSurface.h"
#include "grid/grid_distance.h"
#include "spatial/triangle_closest_point.h"

using MQuads = MCadTriangulator::MQuads;
using grid::detail::GridDistance;
using Oxlen::Math::point;

const MQuads::MQuadIndex MQuads::kInvalidQuadIndex(-1, -1);
const MQuads::MQuadEdge MQuads::kInvalidQuadEdge(MQuads::MVertexIndex(-1, -1),
                                                 MQuads::MVertexIndex(-1, -1));

namespace {

// Throws std::invalid_argument when the list holds a non-finite value or decreases.
void RequireAscendingFinite(const std::vector<double>& values, const char* what) {
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!std::isfinite(values[k]))
      throw std::invalid_argument(std::string("isolines: ") + what + " value not finite");
    if (k > 0 && values[k] < values[k - 1])
      throw std::invalid_argument(std::string("isolines: ") + what + " values not non-decreasing");
  }
}

// Describes why the list is not finite and non-decreasing; empty when it is.
std::string DescribeIsolineFault(const std::vector<double>& values, const char* what) {
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!std::isfinite(values[k]))
      return std::string(what) + " isoline " + std::to_string(k) + " is not finite";
    if (k > 0 && values[k] < values[k - 1])
      return std::string(what) + " isoline " + std::to_string(k) + " is below its predecessor";
  }
  return {};
}

}  // namespace

MQuads::MQuads(const MAnalyticalSurface& surface, MSurfaceIsolines isolines)
    : surface_(&surface), isolines_(std::move(isolines)) {
  RequireAscendingFinite(isolines_.u, "U");
  RequireAscendingFinite(isolines_.v, "V");
  EvaluateVertices();
  ComputeClosedFlags();
}

void MQuads::EvaluateVertices() {
  const std::vector<point<double, 3>> grid = surface_->EvaluateGrid(isolines_.u, isolines_.v);
  const std::size_t columns = isolines_.v.size();
  vertices_.assign(isolines_.u.size(), {});
  for (std::size_t i = 0; i < isolines_.u.size(); ++i)
    vertices_[i].assign(grid.begin() + static_cast<std::ptrdiff_t>(i * columns),
                        grid.begin() + static_cast<std::ptrdiff_t>((i + 1) * columns));
}

// An axis is closed when, along every isoline of the other axis, the gap between the first and
// the last point is at most a tenth of the polyline's length.
void MQuads::ComputeClosedFlags() {
  const int nU = GetIsolinesCount(U);
  const int nV = GetIsolinesCount(V);
  closedU_ = true;
  closedV_ = true;
  if (nU > 0) {
    for (int j = 0; j < nV && closedU_; ++j) {
      const double gap = GridDistance(Vertex(0, j), Vertex(nU - 1, j));
      double length = 0.0;
      for (int i = 1; i < nU; ++i)
        length += GridDistance(Vertex(i, j), Vertex(i - 1, j));
      if (10.0 * gap > length)
        closedU_ = false;
    }
  }
  if (nV > 0) {
    for (int i = 0; i < nU && closedV_; ++i) {
      const double gap = GridDistance(Vertex(i, 0), Vertex(i, nV - 1));
      double length = 0.0;
      for (int j = 1; j < nV; ++j)
        length += GridDistance(Vertex(i, j), Vertex(i, j - 1));
      if (10.0 * gap > length)
        closedV_ = false;
    }
  }
}

std::vector<double>& MQuads::IsolinesOf(EAxis axis) {
  return axis == U ? isolines_.u : isolines_.v;
}

point<double, 3>& MQuads::Vertex(int u, int v) {
  return vertices_[u][v];
}

const std::vector<double>& MQuads::GetIsolines(EAxis axis) const {
  return axis == U ? isolines_.u : isolines_.v;
}

int MQuads::GetIsolinesCount(EAxis axis) const {
  return static_cast<int>(GetIsolines(axis).size());
}

int MQuads::GetQuadsCount(EAxis axis) const {
  const int count = GetIsolinesCount(axis) - 1;
  return count < 1 ? 0 : count;
}

std::size_t MQuads::GetQuadsCount() const {
  return static_cast<std::size_t>(GetQuadsCount(U)) * static_cast<std::size_t>(GetQuadsCount(V));
}

bool MQuads::IsClosed(EAxis axis) const {
  return axis == U ? closedU_ : closedV_;
}

const point<double, 3>& MQuads::GetVertex3d(const MVertexIndex& vertex) const {
  return vertices_[vertex.u][vertex.v];
}

point<double, 2> MQuads::GetVertexUV(const MVertexIndex& vertex) const {
  return {isolines_.u[vertex.u], isolines_.v[vertex.v]};
}

std::array<MQuads::MVertexIndex, 4> MQuads::GetQuadVertices(const MQuadIndex& quad) const {
  return {MVertexIndex(quad.u, quad.v), MVertexIndex(quad.u + 1, quad.v),
          MVertexIndex(quad.u + 1, quad.v + 1), MVertexIndex(quad.u, quad.v + 1)};
}

std::array<MQuads::MQuadEdge, 4> MQuads::GetQuadEdges(const MQuadIndex& quad) const {
  const std::array<MVertexIndex, 4> c = GetQuadVertices(quad);
  return {MQuadEdge(c[2], c[3]), MQuadEdge(c[0], c[1]), MQuadEdge(c[1], c[2]),
          MQuadEdge(c[3], c[0])};
}

int MQuads::GetQuadEdgeIndex(const MQuadIndex& quad, const MQuadEdge& edge) const {
  const std::array<MVertexIndex, 4> c = GetQuadVertices(quad);
  for (int k = 0; k < 4; ++k) {
    const MVertexIndex& from = c[k];
    const MVertexIndex& to = c[(k + 1) % 4];
    if ((edge.start == from && edge.end == to) || (edge.start == to && edge.end == from))
      return k;
  }
  return -1;
}

MQuads::MQuadEdge MQuads::FindQuadEdge(const MQuadIndex& quad, int du, int dv) const {
  const std::array<MVertexIndex, 4> c = GetQuadVertices(quad);
  int k = 2;
  if (dv == -1)
    k = 0;
  else if (du == 1)
    k = 1;
  else if (dv != 1)
    k = 3;
  return MQuadEdge(c[k], c[(k + 1) % 4]);
}

std::vector<MQuads::MQuadIndex> MQuads::GetQuadNeighbors(const MQuadIndex& quad) const {
  const int qu = GetQuadsCount(U);
  const int qv = GetQuadsCount(V);
  const int i = quad.u;
  const int j = quad.v;
  std::vector<MQuadIndex> neighbors;
  neighbors.reserve(4);
  if (i > 0 || closedU_)
    neighbors.emplace_back(i == 0 ? qu - 1 : i - 1, j);
  if (i < qu - 1 || closedU_)
    neighbors.emplace_back(i + 1 >= qu ? 0 : i + 1, j);
  if (j > 0 || closedV_)
    neighbors.emplace_back(i, j == 0 ? qv - 1 : j - 1);
  if (j < qv - 1 || closedV_)
    neighbors.emplace_back(i, j + 1 >= qv ? 0 : j + 1);
  return neighbors;
}

bool MQuads::IsVertexOnBorder(const MVertexIndex& vertex) const {
  const int lastU = GetIsolinesCount(U) - 1;
  const int lastV = GetIsolinesCount(V) - 1;
  return vertex.u == 0 || vertex.u == lastU || vertex.v == 0 || vertex.v == lastV;
}

bool MQuads::IsVertexOnPeriodicBorder(const MVertexIndex& vertex) const {
  const int lastU = GetIsolinesCount(U) - 1;
  const int lastV = GetIsolinesCount(V) - 1;
  return (closedU_ && (vertex.u == 0 || vertex.u == lastU)) ||
         (closedV_ && (vertex.v == 0 || vertex.v == lastV));
}

bool MQuads::IsEdgeOnBorder(const MQuadEdge& edge) const {
  if (edge.start.u == edge.end.u) {
    return edge.start.u == 0 || edge.start.u == GetIsolinesCount(U) - 1;
  }
  if (edge.start.v == edge.end.v) {
    return edge.start.v == 0 || edge.start.v == GetIsolinesCount(V) - 1;
  }
  return false;
}

bool MQuads::IsEdgeOnPeriodicBorder(const MQuadEdge& edge) const {
  if (closedU_ && edge.start.u == edge.end.u) {
    return edge.start.u == 0 || edge.start.u == GetIsolinesCount(U) - 1;
  }
  if (closedV_ && edge.start.v == edge.end.v) {
    return edge.start.v == 0 || edge.start.v == GetIsolinesCount(V) - 1;
  }
  return false;
}

point<double, 3> MQuads::LocatePointOnEdge(const MPointOnEdge& pointOnEdge) const {
  const point<double, 3>& a = GetVertex3d(pointOnEdge.edge.start);
  const point<double, 3>& b = GetVertex3d(pointOnEdge.edge.end);
  const double t = pointOnEdge.parameter;
  point<double, 3> result;
  // Always from the smaller vertex toward the larger one.
  const point<double, 3>& from = pointOnEdge.edge.IsReversed() ? b : a;
  const point<double, 3>& to = pointOnEdge.edge.IsReversed() ? a : b;
  for (std::size_t k = 0; k < 3; ++k)
    result[k] = from[k] + t * (to[k] - from[k]);
  return result;
}

Oxlen::Math::boundingbox<double, 3> MQuads::CalculateBoundingBox3d() const {
  Oxlen::Math::boundingbox<double, 3> box;  // minimum at the largest double, maximum its negative
  for (const auto& row : vertices_)
    for (const point<double, 3>& p : row)
      box.extend(p);
  return box;
}

double MQuads::ComputeSquaredDistanceBetweenQuadAndPoint(const MQuadIndex& quad,
                                                         const point<double, 3>& p,
                                                         point<double, 3>* closest) const {
  const point<double, 3>& a = vertices_[quad.u][quad.v];
  const point<double, 3>& b = vertices_[quad.u + 1][quad.v];
  const point<double, 3>& c = vertices_[quad.u + 1][quad.v + 1];
  const point<double, 3>& d = vertices_[quad.u][quad.v + 1];
  const point<double, 3> m = (a + b + c + d) * 0.25;
  const std::array<const point<double, 3>*, 4> rim{&a, &b, &c, &d};

  double best = std::numeric_limits<double>::max();
  std::array<double, 3> bestWeights{1.0, 0.0, 0.0};
  int bestTriangle = 0;
  for (int k = 0; k < 4; ++k) {
    std::array<double, 3> weights{};
    const double squared =
        geometry::detail::SquaredDistanceToTriangle(p, *rim[k], *rim[(k + 1) % 4], m, weights);
    if (squared < best) {  // strictly: on ties the earlier triangle keeps its place
      best = squared;
      bestWeights = weights;
      bestTriangle = k;
    }
  }
  if (closest != nullptr) {
    *closest = bestWeights[0] * *rim[bestTriangle] + bestWeights[1] * *rim[(bestTriangle + 1) % 4] +
               bestWeights[2] * m;
  }
  return best;
}

void MQuads::InsertIsoline(EAxis axis, double value) {
  InsertIsolines(axis, {value});
}

namespace {

// Merges `added` (ascending) into `items` in place of sequential insertions before the first
// item not less than each: an added value goes before existing equal ones. `value` gives the
// parameter of an existing item, `make` builds the item of added value k.
template <class T, class ValueOf, class Make>
std::vector<T> MergeBefore(std::vector<T>& items, const std::vector<double>& added,
                           const ValueOf& value, const Make& make) {
  std::vector<T> merged;
  merged.reserve(items.size() + added.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    while (next < added.size() && added[next] <= value(i))
      merged.push_back(make(next++));
    merged.push_back(std::move(items[i]));
  }
  while (next < added.size())
    merged.push_back(make(next++));
  return merged;
}

}  // namespace

void MQuads::InsertIsolines(EAxis axis, std::vector<double> values) {
  for (const double value : values)
    if (!std::isfinite(value))
      throw std::invalid_argument("value: not finite");
  if (values.empty())
    return;
  std::sort(values.begin(), values.end());
  const EAxis along = axis == U ? U : V;
  const std::vector<double>& across = along == U ? isolines_.v : isolines_.u;
  // Evaluate first, so that a failing evaluation leaves the grid as it was.
  const std::vector<point<double, 3>> grid =
      along == U ? surface_->EvaluateGrid(values, across) : surface_->EvaluateGrid(across, values);
  std::vector<std::vector<point<double, 3>>> lines(values.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    lines[k].reserve(across.size());
    for (std::size_t c = 0; c < across.size(); ++c)
      lines[k].push_back(along == U ? grid[k * across.size() + c] : grid[c * values.size() + k]);
  }
  std::vector<double>& current = IsolinesOf(along);
  if (values.size() == 1) {
    // One isoline: inserted in place, which moves what follows it but allocates nothing.
    const auto k = std::lower_bound(current.begin(), current.end(), values[0]) - current.begin();
    current.insert(current.begin() + k, values[0]);
    if (along == U) {
      vertices_.insert(vertices_.begin() + k, std::move(lines[0]));
    } else {
      for (std::size_t i = 0; i < vertices_.size(); ++i)
        vertices_[i].insert(vertices_[i].begin() + k, lines[0][i]);
    }
    return;
  }
  std::vector<double> old = current;
  const auto oldValue = [&old](std::size_t i) { return old[i]; };
  if (along == U) {
    vertices_ = MergeBefore(vertices_, values, oldValue,
                            [&lines](std::size_t k) { return std::move(lines[k]); });
  } else {
    for (std::size_t i = 0; i < vertices_.size(); ++i)
      vertices_[i] = MergeBefore(vertices_[i], values, oldValue,
                                 [&lines, i](std::size_t k) { return lines[k][i]; });
  }
  current = MergeBefore(old, values, oldValue, [&values](std::size_t k) { return values[k]; });
}

bool MQuads::IsValid(std::string* why) const {
  std::string fault = DescribeIsolineFault(isolines_.u, "U");
  if (fault.empty())
    fault = DescribeIsolineFault(isolines_.v, "V");
  if (fault.empty() && vertices_.size() != isolines_.u.size()) {
    fault = "the grid holds " + std::to_string(vertices_.size()) + " vertex rows for " +
            std::to_string(isolines_.u.size()) + " U isolines";
  }
  for (std::size_t i = 0; fault.empty() && i < vertices_.size(); ++i) {
    if (vertices_[i].size() != isolines_.v.size()) {
      fault = "vertex row " + std::to_string(i) + " holds " + std::to_string(vertices_[i].size()) +
              " points for " + std::to_string(isolines_.v.size()) + " V isolines";
    }
    for (std::size_t j = 0; fault.empty() && j < vertices_[i].size(); ++j) {
      if (!Oxlen::Math::is_finite(vertices_[i][j]))
        fault = "vertex (" + std::to_string(i) + ", " + std::to_string(j) + ") is not finite";
    }
  }
  if (fault.empty())
    return true;
  if (why != nullptr)
    *why = std::move(fault);
  return false;
}
