// Segmentation of the face's loops, with the fall-back to alternative loops and the
// consumption of the flat fin tag list.
#include <algorithm>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>

#include "Oxlen/Cad/Triangulation/MLoopSegmenter.h"
#include "Oxlen/CadEntity/MCADFace.h"
#include "triangulator/MInternal.h"

namespace {

enum class Attempt { Direct, Alternative };

// The tags of the next loop: its FinCount() values from the front of the remaining list (which
// loses them), or zeros once the list is empty or for an alternative loop.
std::optional<std::vector<int>> TakeTags(std::optional<std::vector<int>>& remaining,
                                         std::size_t finCount, Attempt attempt) {
  if (!remaining)
    return std::nullopt;
  std::vector<int> tags(finCount, 0);
  if (attempt == Attempt::Direct && !remaining->empty()) {
    const std::size_t n = std::min(finCount, remaining->size());
    std::copy_n(remaining->begin(), n, tags.begin());
    remaining->erase(remaining->begin(), remaining->begin() + static_cast<std::ptrdiff_t>(n));
  }
  return tags;
}

// The loop an alternative attempt segments, or null when the loop is to be dropped: the
// alternatives must exist and all be valid; a single one replaces the loop, several leave the
// loop itself to be tried again.
const MCADLoop* ChooseAlternative(const MCADFace& face, MCADLoop& loop,
                                  std::list<std::shared_ptr<MCADLoop>>& alternatives) {
  loop.GetAlternativeLoops(alternatives);  // its return value says no more than the list
  const double isu = face.GetISU();
  if (alternatives.empty())
    return nullptr;
  for (const auto& alternative : alternatives)
    if (!alternative || !alternative->IsValid(isu))
      return nullptr;
  return alternatives.size() == 1 ? alternatives.front().get() : &loop;
}

// The rejection of a face whose loop `index` has a fin that cannot be a loop edge.
std::invalid_argument BadFinOfFace(std::size_t index, Attempt attempt,
                                   const MCadTriangulator::MLoopSegmenter::MExceptionBadFin& e) {
  std::string where = "face: loop " + std::to_string(index);
  if (attempt == Attempt::Alternative)
    where += " (alternative)";
  if (e.fin)
    where += ", fin " + std::to_string(*e.fin);
  return std::invalid_argument(where + ": " + e.reason);
}

}  // namespace

std::vector<MCadTriangulator::MSegmentedLoop> MCadTriangulator::MInternal::SegmentLoops(
    const MCADFace& face, const std::optional<std::vector<int>>& finTags, double tolerance,
    const MSurfaceIsolines& isolines, const Oxlen::Math::boundingbox<double, 3>& box) {
  std::optional<std::vector<int>> remainingTags = finTags;
  const Oxlen::Math::matrix4x4<double> placement = face.GetTransformationMatrix();
  std::vector<MSegmentedLoop> result;
  std::size_t index = 0;
  for (const std::shared_ptr<MCADLoop>& loop : face.Loops()) {
    for (Attempt attempt : {Attempt::Direct, Attempt::Alternative}) {
      const MCADLoop* toSegment = loop.get();
      std::list<std::shared_ptr<MCADLoop>> alternatives;
      if (attempt == Attempt::Alternative) {
        toSegment = ChooseAlternative(face, *loop, alternatives);
        if (toSegment == nullptr)
          break;
      }
      auto tags = TakeTags(remainingTags, toSegment->FinCount(), attempt);
      try {
        result.push_back(MLoopSegmenter::SegmentLoop(*toSegment, std::move(tags), placement,
                                                     tolerance, isolines, box));
        break;
      } catch (const MLoopSegmenter::MExceptionBadLoop&) {
        // The next attempt follows; after the alternative attempt the loop is left out.
      } catch (const MLoopSegmenter::MExceptionBadFin& e) {
        // A broken curve is the caller's error: the face is rejected, not silently changed.
        throw BadFinOfFace(index, attempt, e);
      }
    }
    ++index;
  }
  return result;
}
