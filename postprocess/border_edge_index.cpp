#include "border_edge_index.h"

#include "removal_markers.h"

namespace geometry::detail {

border_edge_index::border_edge_index(std::vector<MCadTriangulator::border_edge>& edges)
    : m_edges(edges) {
  for (std::size_t i = 0; i < m_edges.size(); ++i) {
    if (!is_removed(m_edges[i]))
      m_positions[{m_edges[i].first, m_edges[i].second}].insert(i);
  }
}

std::optional<std::size_t> border_edge_index::find(std::size_t first, std::size_t second) const {
  const auto found = m_positions.find({first, second});
  if (found == m_positions.end() || found->second.empty())
    return std::nullopt;
  return *found->second.begin();
}

void border_edge_index::redirect(std::size_t i, std::size_t first, std::size_t second) {
  forget(i);
  m_edges[i].first = first;
  m_edges[i].second = second;
  m_positions[{first, second}].insert(i);
}

void border_edge_index::remove(std::size_t i) {
  forget(i);
  mark_removed(m_edges[i]);
}

void border_edge_index::append(const MCadTriangulator::border_edge& edge) {
  m_positions[{edge.first, edge.second}].insert(m_edges.size());
  m_edges.push_back(edge);
}

void border_edge_index::forget(std::size_t i) {
  const auto found = m_positions.find({m_edges[i].first, m_edges[i].second});
  if (found == m_positions.end())
    return;
  found->second.erase(i);
  if (found->second.empty())
    m_positions.erase(found);
}

}  // namespace geometry::detail
