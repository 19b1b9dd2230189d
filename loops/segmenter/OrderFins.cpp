// Fin ordering: the cyclic order and orientation of a loop's fins that closes the loop with the
// smallest total gap.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "spatial/numeric_helpers.h"

using MLoopSegmenter = MCadTriangulator::MLoopSegmenter;
using MFinPoints = MLoopSegmenter::MFinPoints;
using Oxlen::Math::point;

namespace {

// Fins already chain when their gaps make up less than this share of gaps plus fin spans.
constexpr double kChainedGapShare = 0.001;

// Distance between two fin ends. Ends far apart beyond the double range (whose difference
// overflows) count as infinitely far, so that every gap is ordered.
double Distance(const point<double, 3>& a, const point<double, 3>& b) {
  const double d = geometry::detail::overflow_safe_distance(a, b);
  return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
}

void RequireNonEmpty(const std::vector<MFinPoints>& fins) {
  for (std::size_t i = 0; i < fins.size(); ++i)
    if (fins[i].empty())
      throw std::invalid_argument("fins: fin " + std::to_string(i) + " has no points");
}

// The end points of the fins, and the four gaps between two different fins i and j:
// [0] last(i) to first(j): i forward, then j forward;  [1] last(i) to last(j): j reversed;
// [2] first(i) to last(j): i reversed, j reversed;     [3] first(i) to first(j): j forward.
class FinEnds {
 public:
  explicit FinEnds(const std::vector<MFinPoints>& fins) {
    for (const MFinPoints& fin : fins) {
      if (!Oxlen::Math::is_finite(fin.front().point) || !Oxlen::Math::is_finite(fin.back().point))
        throw std::invalid_argument("fins: an end point is not finite");
      m_first.push_back(fin.front().point);
      m_last.push_back(fin.back().point);
    }
  }

  std::size_t Count() const { return m_first.size(); }

  double Gap(std::size_t i, std::size_t j, int entry) const {
    switch (entry) {
      case 0:
        return Distance(m_last[i], m_first[j]);
      case 1:
        return Distance(m_last[i], m_last[j]);
      case 2:
        return Distance(m_first[i], m_last[j]);
      default:
        return Distance(m_first[i], m_first[j]);
    }
  }

  double SmallestGap(std::size_t i, std::size_t j) const {
    return std::min({Gap(i, j, 0), Gap(i, j, 1), Gap(i, j, 2), Gap(i, j, 3)});
  }

 private:
  std::vector<point<double, 3>> m_first;
  std::vector<point<double, 3>> m_last;
};

// The fins each fin may be followed by: its two nearest fins and every further one nearer than
// twice the tolerance, nearest first (by the smallest of the four gaps, then by index). The two
// nearest are tracked in one pass, so only the kept fins are sorted.
std::vector<std::vector<std::size_t>> Candidates(const FinEnds& ends, double tolerance) {
  using Entry = std::pair<double, std::size_t>;  // (smallest gap, fin), ordered lexicographically
  constexpr Entry kNone(std::numeric_limits<double>::infinity(),
                        std::numeric_limits<std::size_t>::max());
  const std::size_t n = ends.Count();
  std::vector<std::vector<std::size_t>> candidates(n);
  std::vector<Entry> kept;
  for (std::size_t i = 0; i < n; ++i) {
    kept.clear();
    Entry nearest = kNone, second = kNone;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == i)
        continue;
      const Entry e(ends.SmallestGap(i, j), j);
      if (e.first < 2.0 * tolerance)
        kept.push_back(e);
      if (e < nearest) {
        second = nearest;
        nearest = e;
      } else if (e < second) {
        second = e;
      }
    }
    // The two nearest that are not near enough to be kept anyway.
    for (const Entry& e : {nearest, second})
      if (e != kNone && !(e.first < 2.0 * tolerance))
        kept.push_back(e);
    std::sort(kept.begin(), kept.end());
    for (const Entry& e : kept)
      candidates[i].push_back(e.second);
  }
  return candidates;
}

// A closed order of the fins: the fins in path order, each with its orientation.
struct FinOrder {
  std::vector<std::size_t> fins;
  std::vector<bool> reversed;  // per position of `fins`
};

// Depth-first search over paths of fins starting with fin 0, first forward, then reversed.
//
// Each step appends, to the last fin b, the next of b's candidates not yet on the path, oriented
// so that the step's gap is the smaller one from b's free end; a step is taken only while the
// running total stays within the best closed cycle so far. Paths that reverse more than half of
// the fins are abandoned. Candidates of b are tried in order and each at most once while b stays
// where it is on the path; since the fins before b, the running total up to b and (only ever
// shrinking) the best total do not change meanwhile, a candidate passed over once stays passed
// over, so one cursor per fin replaces a tried flag per pair of fins.
//
// The number of steps is bounded (the search is exponential in the worst case, for instance
// when all fin ends crowd within twice the tolerance); when the budget runs out the best cycle
// found so far stands.
class OrderSearch {
 public:
  OrderSearch(const FinEnds& ends, std::vector<std::vector<std::size_t>> candidates)
      : m_ends(ends),
        m_candidates(std::move(candidates)),
        m_n(ends.Count()),
        m_reversed(m_n, false),
        m_onPath(m_n, false),
        m_cursor(m_n, 0) {}

  // Searches for a cycle cheaper than `bound`; returns it when one was found.
  std::optional<FinOrder> Run(double bound, std::size_t budget) {
    m_best = bound;
    Push(0, 0.0);
    for (std::size_t step = 0; step < budget && !m_path.empty(); ++step) {
      const std::size_t b = m_path.back();
      if (m_reversedCount > m_n / 2) {
        Pop();
      } else if (m_path.size() == m_n) {
        // The cycle closes on fin 0's first point, whichever way fin 0 runs.
        const double closing = m_reversed[b] ? m_ends.Gap(b, 0, 3) : m_ends.Gap(b, 0, 0);
        if (m_totals.back() + closing < m_best) {
          m_best = m_totals.back() + closing;
          Save();
        }
        Pop();
      } else if (!Extend(b)) {
        m_cursor[b] = 0;
        if (b == 0 && !m_reversed[0]) {
          SetReversed(0, true);
        } else {
          m_onPath[b] = false;
          Pop();
        }
      }
    }
    return std::move(m_saved);
  }

 private:
  // Appends the first pushable candidate of b; false when none is left.
  bool Extend(std::size_t b) {
    m_onPath[b] = true;
    const std::vector<std::size_t>& candidates = m_candidates[b];
    for (std::size_t& c = m_cursor[b]; c < candidates.size(); ++c) {
      const std::size_t j = candidates[c];
      if (m_onPath[j])
        continue;
      bool reverseJ = false;
      double gap = 0.0;
      if (!m_reversed[b]) {
        const double toLast = m_ends.Gap(b, j, 1);
        const double toFirst = m_ends.Gap(b, j, 0);
        reverseJ = toLast < toFirst;
        gap = reverseJ ? toLast : toFirst;
      } else {
        const double toFirst = m_ends.Gap(b, j, 3);
        const double toLast = m_ends.Gap(b, j, 2);
        reverseJ = !(toFirst <= toLast);
        gap = reverseJ ? toLast : toFirst;
      }
      if (m_totals.back() + gap <= m_best) {
        ++c;  // this pair is tried now
        Push(j, gap);
        SetReversed(j, reverseJ);
        return true;
      }
    }
    return false;
  }

  void Push(std::size_t fin, double gap) {
    m_path.push_back(fin);
    m_totals.push_back(m_totals.empty() ? gap : m_totals.back() + gap);
  }

  // Takes the last fin off the path (its orientation is forgotten).
  void Pop() {
    SetReversed(m_path.back(), false);
    m_path.pop_back();
    m_totals.pop_back();
  }

  void SetReversed(std::size_t fin, bool reversed) {
    if (m_reversed[fin] == reversed)
      return;
    if (reversed)
      ++m_reversedCount;
    else
      --m_reversedCount;
    m_reversed[fin] = reversed;
  }

  void Save() {
    FinOrder order;
    order.fins = m_path;
    for (std::size_t fin : m_path)
      order.reversed.push_back(m_reversed[fin]);
    m_saved = std::move(order);
  }

  const FinEnds& m_ends;
  const std::vector<std::vector<std::size_t>> m_candidates;
  const std::size_t m_n;
  std::vector<bool> m_reversed;
  std::vector<bool> m_onPath;
  std::vector<std::size_t> m_cursor;  // next candidate of each fin to try
  std::size_t m_reversedCount = 0;
  std::vector<std::size_t> m_path;
  std::vector<double> m_totals;  // running total after each fin of the path
  double m_best = 0.0;
  std::optional<FinOrder> m_saved;
};

}  // namespace

std::size_t MLoopSegmenter::OrderSearchBudget(std::size_t finCount) {
  return std::max<std::size_t>(100000, 1000 * finCount);
}

bool MLoopSegmenter::AreFinsChained(const std::vector<MFinPoints>& fins) {
  RequireNonEmpty(fins);
  if (fins.empty())
    return false;
  double gaps = 0.0;
  double spans = 0.0;
  for (std::size_t i = 0; i < fins.size(); ++i) {
    gaps += Distance(fins[i].back().point, fins[(i + 1) % fins.size()].front().point);
    spans += Distance(fins[i].front().point, fins[i].back().point);
  }
  return gaps / (gaps + spans) < kChainedGapShare;
}

void MLoopSegmenter::OrderFins(std::vector<MFinPoints>& fins, std::optional<std::vector<int>>& tags,
                               double tolerance) {
  RequireNonEmpty(fins);
  if (tags && tags->size() != fins.size()) {
    throw std::invalid_argument("tags: " + std::to_string(tags->size()) + " tags for " +
                                std::to_string(fins.size()) + " fins");
  }
  const std::size_t n = fins.size();
  if (n < 2 || AreFinsChained(fins))
    return;

  const FinEnds ends(fins);
  // The cost of the given order with every fin forward bounds the search.
  double givenCost = 0.0;
  for (std::size_t i = 0; i < n; ++i)
    givenCost += ends.Gap((i + n - 1) % n, i, 0);

  OrderSearch search(ends, Candidates(ends, tolerance));
  const std::optional<FinOrder> best = search.Run(givenCost, OrderSearchBudget(n));
  if (!best)
    return;

  std::vector<MFinPoints> ordered;
  ordered.reserve(n);
  std::optional<std::vector<int>> orderedTags;
  if (tags)
    orderedTags.emplace();
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t fin = best->fins[k];
    ordered.push_back(std::move(fins[fin]));
    if (best->reversed[k])
      std::reverse(ordered.back().begin(), ordered.back().end());
    if (tags)
      orderedTags->push_back((*tags)[fin]);
  }
  fins = std::move(ordered);
  tags = std::move(orderedTags);
}
