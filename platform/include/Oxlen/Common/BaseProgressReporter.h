#pragma once

#include <memory>
#include <string>

#include "Oxlen/Export.h"
#include "Oxlen/Common/IProgressDelegate.h"

namespace Oxlen::Common {

/// Reports the progress of one operation to a delegate and passes cancellation requests on.
///
/// The operation's progress is a value in [0, 1] that never decreases. It rises through the
/// reporter's own reports (see `IncrementalProgressReporter`) and through nested delegates, each
/// of which covers a share of the range for a sub-operation: the progress from nested delegates is
/// the sum of what they have reported, each weighted by its share, and a run of completed nested
/// delegates counts exactly up to the end of the last one's range, so shares that add up to the
/// whole range end at exactly 1.0. The reporter forwards its progress to its delegate when it
/// rises or when the name of the operation reported changes (a sub-operation starts); the name
/// passed on is that of the innermost reporter.
///
/// On construction the reporter announces itself by reporting its current progress (0) under its
/// name. With `reportCompletionOnDestruction` set, its destructor reports 1.0, also when the
/// operation ends early by cancellation or an exception, so that the caller's display always
/// closes; exceptions thrown by the delegate then are swallowed.
///
/// A reporter lives on one thread, on the stack or in a `std::shared_ptr`; it is neither copied
/// nor moved. Nested delegates may outlive it.
class OXLEN_CAD_TRIANGULATION_API BaseProgressReporter {
 public:
  /// @param[in] delegate where progress goes and cancellation comes from; may be null: then
  ///            nothing is reported and the operation is never cancelled.
  /// @param[in] name the operation's name, passed to the delegate with its progress.
  /// @param[in] reportCompletionOnDestruction see above.
  BaseProgressReporter(std::shared_ptr<IProgressDelegate> delegate, std::string name,
                       bool reportCompletionOnDestruction = false);
  virtual ~BaseProgressReporter();

  BaseProgressReporter(const BaseProgressReporter&) = delete;
  BaseProgressReporter& operator=(const BaseProgressReporter&) = delete;

  /// A delegate for a sub-operation: its progress [0, 1] maps onto the next `share` of this
  /// reporter's range, which starts where the previous nested range ended, or at the current
  /// progress if that lies further. The range is clamped to end at 1.0 at most, and a range that
  /// ends within 1e-9 of 1.0 is extended to it, so that shares meant to fill the range fill it
  /// exactly. Cancellation polls of the nested delegate are passed on to this reporter's delegate.
  /// @param[in] share the part of the range, >= 0.
  /// @throws std::invalid_argument ("share: ...") for a negative or NaN share.
  std::shared_ptr<IProgressDelegate> CreateNestedDelegate(double share);

  /// Asks the delegate chain up to the caller's delegate; false without a delegate.
  bool IsCancelled() const;

  /// The progress reached so far, in [0, 1].
  double GetProgress() const;

  /// The operation's name.
  const std::string& GetName() const;

 protected:
  /// Raises the progress to `fraction` (clamped to [0, 1]; NaN and smaller values change
  /// nothing) and reports it.
  void ReportOwnProgress(double fraction);

 private:
  class State;
  std::shared_ptr<State> m_state;
  bool m_reportCompletionOnDestruction;
};

}  // namespace Oxlen::Common
