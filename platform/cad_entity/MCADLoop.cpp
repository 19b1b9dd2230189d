#include "Oxlen/CadEntity/MCADLoop.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"
#include "Oxlen/CadEntity/internal_units.h"

namespace {

using Oxlen::CadEntity::kInternalUnitsPerModelUnit;

struct FinEnds {
  Oxlen::Math::point<double, 3> start;
  Oxlen::Math::point<double, 3> end;
};

// The points where the fin starts and ends, in the fin's own direction (internal units).
// Returns false when the curve lists no parameters.
bool GetFinEnds(const MCADFin& fin, FinEnds& ends) {
  MCADParameterList_1d list;
  fin.curve->GetParameterList(list);
  if (list.parameters.empty())
    return false;
  fin.curve->EvaluatePoint(list.parameters.front(), ends.start);
  fin.curve->EvaluatePoint(list.parameters.back(), ends.end);
  if (!fin.sameSense)
    std::swap(ends.start, ends.end);
  return Oxlen::Math::is_finite(ends.start) && Oxlen::Math::is_finite(ends.end);
}

}  // namespace

void MCADLoop::AddFin(std::shared_ptr<MCAD3DVUVSurfaceCurve> curve, bool sameSense) {
  if (!curve)
    throw std::invalid_argument("curve: a fin needs a curve");
  m_fins.push_back(MCADFin{curve.get(), sameSense});
  m_curves.push_back(std::move(curve));
}

bool MCADLoop::GetIsSpecialCase(const eLoopSpecialCase& specialCase) const {
  return std::find(m_specialCases.begin(), m_specialCases.end(), specialCase) !=
         m_specialCases.end();
}

void MCADLoop::SetSpecialCase(eLoopSpecialCase specialCase, bool on) {
  if (specialCase == eLoopSpecialCaseNone)
    return;
  std::erase(m_specialCases, specialCase);
  if (on)
    m_specialCases.push_back(specialCase);
}

MGlobalCAD::eReturnValues MCADLoop::GetAlternativeLoops(
    std::list<std::shared_ptr<MCADLoop>>& loops) {
  loops.insert(loops.end(), m_alternatives.begin(), m_alternatives.end());
  return m_alternatives.empty() ? MGlobalCAD::eNotFound : MGlobalCAD::eOk;
}

void MCADLoop::AddAlternativeLoop(std::shared_ptr<MCADLoop> loop) {
  if (!loop)
    throw std::invalid_argument("loop: an alternative loop must not be null");
  m_alternatives.push_back(std::move(loop));
}

bool MCADLoop::IsValid(double tolerance) const {
  if (!std::isfinite(tolerance) || tolerance < 0.0 || m_fins.empty())
    return false;
  std::vector<FinEnds> ends(m_fins.size());
  std::size_t i = 0;
  for (const MCADFin& fin : m_fins) {
    if (fin.curve == nullptr || !GetFinEnds(fin, ends[i++]))
      return false;
  }
  const double gapLimit = tolerance * kInternalUnitsPerModelUnit;
  for (i = 0; i < ends.size(); ++i) {
    const FinEnds& next = ends[(i + 1) % ends.size()];
    if (!(Oxlen::Math::distance(ends[i].end, next.start) <= gapLimit))
      return false;
  }
  return true;
}
