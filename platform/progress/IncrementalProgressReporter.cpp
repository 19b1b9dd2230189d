#include "Oxlen/Common/IncrementalProgressReporter.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Oxlen::Common {

namespace {

// Checks the step count before the base reporter exists, so that a rejected reporter reports
// nothing, not even its completion.
std::shared_ptr<IProgressDelegate> CheckedDelegate(std::shared_ptr<IProgressDelegate> delegate,
                                                   std::size_t steps) {
  if (steps == 0)
    throw std::invalid_argument("steps: must be at least one");
  return delegate;
}

}  // namespace

IncrementalProgressReporter::IncrementalProgressReporter(
    std::shared_ptr<IProgressDelegate> delegate, std::string name, std::size_t steps,
    bool reportCompletionOnDestruction)
    : BaseProgressReporter(CheckedDelegate(std::move(delegate), steps), std::move(name),
                           reportCompletionOnDestruction),
      m_steps(steps) {}

IncrementalProgressReporter::~IncrementalProgressReporter() = default;

void IncrementalProgressReporter::Step() {
  SetStep(m_step + 1);
}

void IncrementalProgressReporter::SetStep(std::size_t step) {
  m_step = std::min(step, m_steps);
  // The last step reports exactly 1.0, not a rounded quotient.
  const double fraction =
      m_step == m_steps ? 1.0 : static_cast<double>(m_step) / static_cast<double>(m_steps);
  ReportOwnProgress(fraction);
}

}  // namespace Oxlen::Common
