#include "Oxlen/Cad/Triangulation/MLoopsOnQuads.h"

#include <utility>

using MLoopsOnQuads = MCadTriangulator::MLoopsOnQuads;

MLoopsOnQuads::MLoopsOnQuads() = default;
MLoopsOnQuads::~MLoopsOnQuads() = default;
MLoopsOnQuads::MLoopsOnQuads(const MLoopsOnQuads&) = default;
MLoopsOnQuads& MLoopsOnQuads::operator=(const MLoopsOnQuads&) = default;

MLoopsOnQuads::MLoopsOnQuads(MLoopsOnQuads&& other) noexcept
    : innerLoops(std::move(other.innerLoops)),
      loopParts(std::move(other.loopParts)),
      splittingPoints(std::move(other.splittingPoints)) {
  // A moved-from container is only "valid but unspecified"; leave the source explicitly empty.
  other.innerLoops.clear();
  other.loopParts.clear();
  other.splittingPoints.clear();
}

MLoopsOnQuads& MLoopsOnQuads::operator=(MLoopsOnQuads&& other) noexcept {
  if (this != &other) {
    innerLoops = std::move(other.innerLoops);
    loopParts = std::move(other.loopParts);
    splittingPoints = std::move(other.splittingPoints);
    other.innerLoops.clear();
    other.loopParts.clear();
    other.splittingPoints.clear();
  }
  return *this;
}

const std::map<MLoopsOnQuads::MQuadIndex, std::vector<MLoopsOnQuads::MInnerLoop>>&
MLoopsOnQuads::GetAllInnerLoops() const {
  return innerLoops;
}

const std::map<MLoopsOnQuads::MQuadIndex, std::vector<MLoopsOnQuads::MLoopPart>>&
MLoopsOnQuads::GetAllLoopParts() const {
  return loopParts;
}

namespace {

// The list filed under `quad`, or a shared empty list when the quad has no entry.
template <class T>
const std::vector<T>& ListOf(const std::map<MLoopsOnQuads::MQuadIndex, std::vector<T>>& map,
                             const MLoopsOnQuads::MQuadIndex& quad) {
  static const std::vector<T> kEmpty;
  const auto it = map.find(quad);
  return it == map.end() ? kEmpty : it->second;
}

}  // namespace

const std::vector<MLoopsOnQuads::MInnerLoop>& MLoopsOnQuads::GetInnerLoops(
    const MQuadIndex& quad) const {
  return ListOf(innerLoops, quad);
}

const std::vector<MLoopsOnQuads::MLoopPart>& MLoopsOnQuads::GetLoopParts(
    const MQuadIndex& quad) const {
  return ListOf(loopParts, quad);
}

std::size_t MLoopsOnQuads::GetNumberOfInnerLoops(const MQuadIndex& quad) const {
  return ListOf(innerLoops, quad).size();
}

std::size_t MLoopsOnQuads::GetNumberOfLoopParts(const MQuadIndex& quad) const {
  return ListOf(loopParts, quad).size();
}

const MLoopsOnQuads::MLoopSplittingPoint& MLoopsOnQuads::GetLoopSplittingPoint(int index) const {
  return splittingPoints[index];
}

std::size_t MLoopsOnQuads::GetNumberOfSplittingPoints() const {
  return splittingPoints.size();
}
