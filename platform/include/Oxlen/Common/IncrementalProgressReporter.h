#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Oxlen/Common/BaseProgressReporter.h"

namespace Oxlen::Common {

/// A reporter for an operation of a known number of equal steps: after k of n steps its progress
/// is k / n (exactly 1.0 after the last). Nested delegates created between steps cover the next
/// share from the current step on.
class OXLEN_CAD_TRIANGULATION_API IncrementalProgressReporter : public BaseProgressReporter {
 public:
  /// @param[in] delegate the caller's delegate (or a nested one); may be null.
  /// @param[in] name the operation's name.
  /// @param[in] steps the number of steps, >= 1.
  /// @param[in] reportCompletionOnDestruction true: the destructor reports 1.0 (see
  ///            `BaseProgressReporter`).
  /// @throws std::invalid_argument ("steps: ...") when `steps` is 0.
  IncrementalProgressReporter(std::shared_ptr<IProgressDelegate> delegate, std::string name,
                              std::size_t steps, bool reportCompletionOnDestruction);
  ~IncrementalProgressReporter() override;

  /// Completes one more step; beyond the last step nothing changes.
  void Step();

  /// Sets the number of completed steps (clamped to the step count). A smaller number than
  /// before is taken as the new count for `Step`, but the reported progress does not decrease.
  void SetStep(std::size_t step);

  /// The number of completed steps.
  std::size_t GetStep() const { return m_step; }

  /// The number of steps.
  std::size_t GetStepCount() const { return m_steps; }

 private:
  std::size_t m_steps;
  std::size_t m_step = 0;
};

}  // namespace Oxlen::Common
