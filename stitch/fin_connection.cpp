#include "fin_connection.h"

#include <algorithm>
#include <map>
#include <set>

#include "Oxlen/Common/IncrementalProgressReporter.h"

namespace geometry::detail {
namespace {

// The heads of the fins: records that no record of the same fin ends into.
std::vector<bool> find_heads(const std::vector<edge_with_topology>& edges,
                             const start_index& starts) {
  std::vector<bool> head(edges.size(), true);
  for (const edge_with_topology& e : edges) {
    const auto next = starts.find(e.end_vertex);
    if (next == starts.end())
      continue;
    for (const std::size_t i : next->second) {
      if (head[i] && edges[i].fin_id == e.fin_id)
        head[i] = false;
    }
  }
  return head;
}

// The magnitude of a fin number, also for INT32_MIN.
std::int64_t magnitude(std::int32_t fin) {
  return std::abs(static_cast<std::int64_t>(fin));
}

using chain_map = std::map<std::int32_t, std::vector<std::size_t>>;

// A fin whose segments form one closed cycle has no head: it runs once around a closed edge (a
// full circle at the end of a cylinder). It is walked from its first record; the chain ends where
// it starts. A fin whose records do not all lie on that one cycle stays without a chain.
void close_cycles(const std::vector<edge_with_topology>& edges, const start_index& starts,
                  chain_map& chains) {
  std::map<std::int32_t, std::pair<std::size_t, std::size_t>> firstAndCount;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    auto entry = firstAndCount.try_emplace(edges[i].fin_id, i, 0).first;
    ++entry->second.second;
  }
  for (const auto& [fin, first] : firstAndCount) {
    if (chains.contains(fin))
      continue;
    std::vector<std::size_t> chain;
    try {
      chain = walk_fin_chain(edges, starts, first.first);
    } catch (const hanging_edge_exception&) {
      continue;
    }
    if (chain.front() == chain.back() && chain.size() == first.second + 1)
      chains[fin] = chain;
  }
}

bool is_closed(const std::vector<std::size_t>& chain) {
  return chain.size() > 1 && chain.front() == chain.back();
}

// The closed chain turned to start and end at its position `at` (0 <= at < size - 1).
std::vector<std::size_t> turned_to(const std::vector<std::size_t>& cycle, std::size_t at) {
  std::vector<std::size_t> turned(cycle.begin() + static_cast<std::ptrdiff_t>(at), cycle.end() - 1);
  turned.insert(turned.end(), cycle.begin(), cycle.begin() + static_cast<std::ptrdiff_t>(at) + 1);
  return turned;
}

// The position in the closed chain (its last vertex repeats the first) of the vertex nearest to
// `target`.
std::size_t nearest(const std::vector<std::size_t>& cycle,
                    const Oxlen::Geometry::triangle_surface& surface,
                    const Oxlen::Math::point<double, 3>& target) {
  std::size_t best = 0;
  for (std::size_t i = 1; i + 1 < cycle.size(); ++i) {
    if (squared_distance(surface.vertices[cycle[i]], target) <
        squared_distance(surface.vertices[cycle[best]], target))
      best = i;
  }
  return best;
}

// Two cycles around one closed edge, turned to start at their nearest pair of vertices: both
// pass through the edge's own vertex, which is where zipping them has to start. b runs against
// a, so while a advances its nearest vertex of b moves backwards; each is found by descending
// from the previous one.
void align_cycles(std::vector<std::size_t>& a, std::vector<std::size_t>& b,
                  const Oxlen::Geometry::triangle_surface& surface) {
  const std::size_t n = a.size() - 1;
  const std::size_t m = b.size() - 1;
  const auto gap = [&](std::size_t i, std::size_t j) {
    return squared_distance(surface.vertices[a[i]], surface.vertices[b[j]]);
  };
  std::size_t j = 0;
  for (std::size_t k = 1; k < m; ++k) {
    if (gap(0, k) < gap(0, j))
      j = k;
  }
  std::size_t bestA = 0;
  std::size_t bestB = j;
  for (std::size_t i = 1; i < n; ++i) {
    for (std::size_t steps = 0; steps < m; ++steps) {
      const std::size_t previous = (j + m - 1) % m;
      if (!(gap(i, previous) < gap(i, j)))
        break;
      j = previous;
    }
    if (gap(i, j) < gap(bestA, bestB)) {
      bestA = i;
      bestB = j;
    }
  }
  a = turned_to(a, bestA);
  b = turned_to(b, bestB);
}

}  // namespace

start_index build_start_index(const std::vector<edge_with_topology>& edges) {
  std::map<std::size_t, std::vector<std::size_t>> starts;
  for (std::size_t i = 0; i < edges.size(); ++i)
    starts[edges[i].start_vertex].push_back(i);
  return start_index(boost::container::ordered_unique_range, starts.begin(), starts.end());
}

std::vector<std::size_t> walk_fin_chain(const std::vector<edge_with_topology>& edges,
                                        const start_index& starts, std::size_t head) {
  std::vector<std::size_t> chain{edges[head].start_vertex};
  std::set<std::size_t> visited;
  std::size_t current = head;
  for (;;) {
    visited.insert(current);
    chain.push_back(edges[current].end_vertex);
    const auto next = starts.find(chain.back());
    if (next == starts.end())
      throw hanging_edge_exception();
    const std::vector<std::size_t>& candidates = next->second;
    const auto found = std::find_if(candidates.rbegin(), candidates.rend(), [&](std::size_t i) {
      return edges[i].fin_id == edges[current].fin_id && !visited.contains(i);
    });
    if (found == candidates.rend())
      return chain;
    current = *found;
  }
}

std::vector<fin_pair> connect_edges_into_fins(
    const Oxlen::Geometry::triangle_surface& surface, const std::vector<edge_with_topology>& edges,
    double tolerance, std::shared_ptr<Oxlen::Common::IProgressDelegate> progress) {
  Oxlen::Common::IncrementalProgressReporter reporter(
      std::move(progress), "Cad stitcher: connect edges into fins", 1, true);
  const start_index starts = build_start_index(edges);
  const std::vector<bool> head = find_heads(edges, starts);
  if (reporter.IsCancelled())
    throw cancelled();

  chain_map chains;
  std::set<std::int64_t> excluded;
  for (std::size_t h = 0; h < edges.size(); ++h) {
    if (!head[h])
      continue;
    const std::int32_t fin = edges[h].fin_id;
    // A second head means the fin breaks into separate runs: it cannot be zipped as one chain.
    if (!chains.try_emplace(fin).second)
      excluded.insert(magnitude(fin));
    try {
      chains[fin] = walk_fin_chain(edges, starts, h);
    } catch (const hanging_edge_exception&) {
      excluded.insert(magnitude(fin));
    }
  }
  close_cycles(edges, starts, chains);
  if (reporter.IsCancelled())
    throw cancelled();

  std::vector<fin_pair> pairs;
  for (const auto& [k, chain] : chains) {
    if (k < 0 || excluded.contains(k))
      continue;
    const auto opposite = chains.find(-k);
    if (opposite == chains.end())
      continue;
    // Two cycles around one closed edge are zipped from the same place on both; a cycle whose
    // partner is open (a face that does not close across its seam) starts where the partner does.
    std::vector<std::size_t> one = chain;
    std::vector<std::size_t> other = opposite->second;
    if (is_closed(one) && is_closed(other)) {
      align_cycles(one, other, surface);
    } else if (is_closed(other)) {
      other = turned_to(other, nearest(other, surface, surface.vertices[one.front()]));
    } else if (is_closed(one)) {
      one = turned_to(one, nearest(one, surface, surface.vertices[other.back()]));
    }
    if (chains_coincide(surface, one, other, tolerance)) {
      pairs.push_back({std::move(one), std::move(other)});
    }
  }
  return pairs;
}

std::vector<common_fin> build_common_fins(std::vector<fin_pair> pairs) {
  std::vector<common_fin> fins(pairs.size());
  // The end ids met at each vertex, in the order they are met.
  std::map<std::size_t, std::vector<std::size_t>> endsAt;
  for (std::size_t j = 0; j < pairs.size(); ++j) {
    fins[j].chain = std::move(pairs[j].chain);
    fins[j].opposite_chain = std::move(pairs[j].opposite_chain);
    endsAt[fins[j].chain.front()].push_back(2 * j);
    endsAt[fins[j].opposite_chain.back()].push_back(2 * j);
    endsAt[fins[j].chain.back()].push_back(2 * j + 1);
    endsAt[fins[j].opposite_chain.front()].push_back(2 * j + 1);
  }
  // Ends that share a vertex are linked both ways; each class of linked ends is found by a
  // breadth-first search from its smallest id, which then represents it.
  std::vector<std::pair<std::size_t, std::size_t>> links;
  for (const auto& [vertex, ids] : endsAt) {
    for (const std::size_t a : ids) {
      for (const std::size_t b : ids) {
        if (a != b)
          links.emplace_back(a, b);
      }
    }
  }
  std::sort(links.begin(), links.end());
  std::vector<std::size_t> representative(2 * pairs.size());
  for (std::size_t i = 0; i < representative.size(); ++i)
    representative[i] = i;
  std::vector<bool> visited(representative.size(), false);
  for (const auto& link : links) {
    const std::size_t a = link.first;
    if (visited[a])
      continue;
    visited[a] = true;
    std::vector<std::size_t> queue{a};
    for (std::size_t q = 0; q < queue.size(); ++q) {
      const std::size_t x = queue[q];
      auto run = std::lower_bound(links.begin(), links.end(), std::make_pair(x, std::size_t{0}));
      for (; run != links.end() && run->first == x; ++run) {
        if (visited[run->second])
          continue;
        visited[run->second] = true;
        representative[run->second] = representative[a];
        queue.push_back(run->second);
      }
    }
  }
  for (std::size_t j = 0; j < fins.size(); ++j) {
    fins[j].start_class = representative[2 * j];
    fins[j].end_class = representative[2 * j + 1];
  }
  return fins;
}

}  // namespace geometry::detail
