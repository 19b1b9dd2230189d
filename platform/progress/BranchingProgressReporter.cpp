#include "Oxlen/Common/BranchingProgressReporter.h"

#include <utility>

namespace Oxlen::Common {

BranchingProgressReporter::BranchingProgressReporter(std::shared_ptr<IProgressDelegate> delegate,
                                                     std::string name,
                                                     bool reportCompletionOnDestruction)
    : BaseProgressReporter(std::move(delegate), std::move(name), reportCompletionOnDestruction) {}

BranchingProgressReporter::~BranchingProgressReporter() = default;

}  // namespace Oxlen::Common
