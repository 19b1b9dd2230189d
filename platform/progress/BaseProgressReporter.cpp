#include "Oxlen/Common/BaseProgressReporter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Oxlen::Common {

namespace {

// A nested range that ends this close to 1.0 is extended to 1.0, so that shares such as
// 0.2 + 0.2 + n * (0.6 / n) fill the range exactly despite rounding.
constexpr double kSnapToEnd = 1e-9;

double ClampFraction(double f) {
  return std::clamp(f, 0.0, 1.0);
}

}  // namespace

// The progress bookkeeping of one reporter, shared with its nested delegates so that they stay
// valid when the reporter goes first.
class BaseProgressReporter::State {
 public:
  State(std::shared_ptr<IProgressDelegate> delegate, std::string name)
      : m_delegate(std::move(delegate)), m_name(std::move(name)) {}

  double Progress() const { return m_progress; }
  const std::string& Name() const { return m_name; }

  bool IsCancelled() const { return m_delegate != nullptr && m_delegate->IsCancelled(); }

  void ReportOwn(double fraction) {
    if (std::isnan(fraction))
      return;
    Advance(ClampFraction(fraction), m_name);
  }

  // The delegate handed to a sub-operation: reports into one nested range of its parent.
  class NestedDelegate final : public IProgressDelegate {
   public:
    NestedDelegate(std::shared_ptr<State> parent, std::size_t index)
        : m_parent(std::move(parent)), m_index(index) {}

    void ReportProgress(double fraction, const std::string& operationName) override {
      m_parent->ReportChild(m_index, fraction, operationName);
    }
    bool IsCancelled() override { return m_parent->IsCancelled(); }

   private:
    std::shared_ptr<State> m_parent;
    std::size_t m_index;
  };

  std::size_t AddChild(double share) {
    if (std::isnan(share) || share < 0.0)
      throw std::invalid_argument("share: must be a non-negative number");
    const double start = std::max(m_cursor, m_progress);
    double end = std::min(1.0, start + share);
    if (1.0 - end <= kSnapToEnd)
      end = 1.0;
    if (m_firstOpen == m_children.size())
      m_completedEnd = start;
    m_children.push_back({start, end, 0.0});
    m_cursor = end;
    return m_children.size() - 1;
  }

  void ReportChild(std::size_t index, double fraction, const std::string& name) {
    if (std::isnan(fraction))
      return;
    Child& child = m_children[index];
    const double f = ClampFraction(fraction);
    if (f > child.fraction) {
      m_openSum += (child.end - child.start) * (f - child.fraction);
      child.fraction = f;
      CloseCompletedChildren();
    }
    Advance(std::min(1.0, m_completedEnd + std::max(0.0, m_openSum)), name);
  }

 private:
  struct Child {
    double start;
    double end;
    double fraction;  // the largest fraction the child has reported
  };

  // Moves the completed children at the front of the open ones into the completed run, whose end
  // is then exact.
  void CloseCompletedChildren() {
    while (m_firstOpen < m_children.size() && m_children[m_firstOpen].fraction == 1.0) {
      const Child& done = m_children[m_firstOpen];
      m_completedEnd = done.end;
      m_openSum -= done.end - done.start;
      ++m_firstOpen;
    }
    if (m_firstOpen == m_children.size())
      m_openSum = 0.0;
  }

  // Raises the progress to `value` and forwards it when it rose or the reported name changed.
  void Advance(double value, const std::string& name) {
    m_progress = std::max(m_progress, value);
    if (m_delegate == nullptr)
      return;
    if (m_forwarded && m_progress <= m_lastForwarded && name == m_lastName)
      return;
    m_forwarded = true;
    m_lastForwarded = m_progress;
    m_lastName = name;
    m_delegate->ReportProgress(m_progress, name);
  }

  std::shared_ptr<IProgressDelegate> m_delegate;
  std::string m_name;
  double m_progress = 0.0;
  double m_cursor = 0.0;  // end of the last nested range
  std::vector<Child> m_children;
  std::size_t m_firstOpen = 0;  // children before it have completed
  double m_completedEnd = 0.0;  // end of the run of completed children
  double m_openSum = 0.0;       // share-weighted progress of the children from m_firstOpen on
  bool m_forwarded = false;
  double m_lastForwarded = 0.0;
  std::string m_lastName;
};

BaseProgressReporter::BaseProgressReporter(std::shared_ptr<IProgressDelegate> delegate,
                                           std::string name, bool reportCompletionOnDestruction)
    : m_state(std::make_shared<State>(std::move(delegate), std::move(name))),
      m_reportCompletionOnDestruction(reportCompletionOnDestruction) {
  m_state->ReportOwn(0.0);
}

BaseProgressReporter::~BaseProgressReporter() {
  if (!m_reportCompletionOnDestruction)
    return;
  try {
    m_state->ReportOwn(1.0);
  } catch (...) {
    // A destructor must not throw; the delegate's failure cannot be reported from here.
  }
}

std::shared_ptr<IProgressDelegate> BaseProgressReporter::CreateNestedDelegate(double share) {
  const std::size_t index = m_state->AddChild(share);
  return std::make_shared<State::NestedDelegate>(m_state, index);
}

bool BaseProgressReporter::IsCancelled() const {
  return m_state->IsCancelled();
}

double BaseProgressReporter::GetProgress() const {
  return m_state->Progress();
}

const std::string& BaseProgressReporter::GetName() const {
  return m_state->Name();
}

void BaseProgressReporter::ReportOwnProgress(double fraction) {
  m_state->ReportOwn(fraction);
}

}  // namespace Oxlen::Common
