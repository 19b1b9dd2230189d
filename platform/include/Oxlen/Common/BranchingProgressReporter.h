#pragma once

#include <memory>
#include <string>

#include "Oxlen/Common/BaseProgressReporter.h"

namespace Oxlen::Common {

/// A reporter for an operation made of sub-operations: it reports nothing of its own, its
/// progress is the sum of what its nested delegates (`CreateNestedDelegate`) have reported, each
/// weighted by its share.
class OXLEN_CAD_TRIANGULATION_API BranchingProgressReporter : public BaseProgressReporter {
 public:
  /// @param[in] delegate the caller's delegate (or a nested one); may be null.
  /// @param[in] name the operation's name.
  /// @param[in] reportCompletionOnDestruction true: the destructor reports 1.0 (see
  ///            `BaseProgressReporter`).
  BranchingProgressReporter(std::shared_ptr<IProgressDelegate> delegate, std::string name,
                            bool reportCompletionOnDestruction);
  ~BranchingProgressReporter() override;
};

}  // namespace Oxlen::Common
