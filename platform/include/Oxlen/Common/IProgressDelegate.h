#pragma once

#include <string>

#include "Oxlen/Export.h"

namespace Oxlen::Common {

/// Receives the progress of a long operation and lets the caller cancel it. A caller implements
/// it (for example to drive a progress bar) and hands it to an operation as a
/// `std::shared_ptr<IProgressDelegate>`; the library also implements it for nested sub-operations
/// (`BaseProgressReporter::CreateNestedDelegate`).
///
/// Calls arrive on the thread that runs the operation.
class OXLEN_CAD_TRIANGULATION_API IProgressDelegate {
 public:
  virtual ~IProgressDelegate() = default;

  /// Progress of the operation.
  /// @param[in] fraction the part done, in [0, 1]. The reporters of this library never send a
  ///            value smaller than one sent before.
  /// @param[in] operationName the name of the innermost sub-operation now running.
  virtual void ReportProgress(double fraction, const std::string& operationName) = 0;

  /// Polled by the operation at points where it can stop; true asks it to stop as soon as it
  /// can. How an operation ends after cancellation is part of that operation's contract.
  virtual bool IsCancelled() = 0;

 protected:
  IProgressDelegate() = default;
  IProgressDelegate(const IProgressDelegate&) = default;
  IProgressDelegate& operator=(const IProgressDelegate&) = default;
};

}  // namespace Oxlen::Common
