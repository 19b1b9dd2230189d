#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Oxlen/Common/BranchingProgressReporter.h"
#include "Oxlen/Common/IncrementalProgressReporter.h"

namespace {

using namespace Oxlen::Common;

// What a caller writes: a delegate that records every report and asks to cancel once the
// progress has reached a given fraction.
class RecordingDelegate : public IProgressDelegate {
 public:
  explicit RecordingDelegate(double cancelAt = 2.0) : m_cancelAt(cancelAt) {}

  void ReportProgress(double fraction, const std::string& operationName) override {
    reports.emplace_back(fraction, operationName);
  }
  bool IsCancelled() override {
    ++polls;
    return !reports.empty() && reports.back().first >= m_cancelAt;
  }

  double Last() const { return reports.empty() ? -1.0 : reports.back().first; }

  void ExpectMonotonicWithinUnitRange() const {
    for (size_t i = 0; i < reports.size(); ++i) {
      EXPECT_GE(reports[i].first, 0.0);
      EXPECT_LE(reports[i].first, 1.0);
      if (i > 0) {
        EXPECT_GE(reports[i].first, reports[i - 1].first) << "report " << i;
      }
    }
  }

  std::vector<std::pair<double, std::string>> reports;
  int polls = 0;

 private:
  double m_cancelAt;
};

// The shape of a stitching run: two stages of 0.2 each, then n sub-operations sharing 0.6, each
// wrapped in a one-step incremental reporter that completes on destruction.
void RunStages(const std::shared_ptr<IProgressDelegate>& delegate, size_t n,
               bool completeOnDestruction) {
  BranchingProgressReporter branch(delegate, "run", completeOnDestruction);
  for (const char* stage : {"first stage", "second stage"}) {
    IncrementalProgressReporter reporter(branch.CreateNestedDelegate(0.2), stage, 1, true);
  }
  for (size_t i = 0; i < n; ++i) {
    IncrementalProgressReporter reporter(branch.CreateNestedDelegate(0.6 / double(n)), "part", 1,
                                         true);
    if (reporter.IsCancelled())
      return;
  }
  EXPECT_EQ(branch.GetProgress(), 1.0);
}

TEST(ProgressReporters, NestedSharesEndAtExactlyOneAndNeverDecrease) {
  for (const size_t n : {1, 3, 7, 10, 49, 1000, 100000}) {
    SCOPED_TRACE(n);
    auto delegate = std::make_shared<RecordingDelegate>();
    RunStages(delegate, n, false);  // exactness does not depend on the completion flag
    EXPECT_EQ(delegate->Last(), 1.0);
    delegate->ExpectMonotonicWithinUnitRange();
    EXPECT_EQ(delegate->reports.front(), (std::pair<double, std::string>{0.0, "run"}));
    EXPECT_EQ(delegate->reports[1], (std::pair<double, std::string>{0.0, "first stage"}));
    EXPECT_EQ(delegate->reports[2], (std::pair<double, std::string>{0.2, "first stage"}));
  }
  // Shares that add up to more than the range are clamped.
  auto delegate = std::make_shared<RecordingDelegate>();
  {
    BranchingProgressReporter branch(delegate, "over", false);
    for (int i = 0; i < 13; ++i)
      branch.CreateNestedDelegate(0.1)->ReportProgress(1.0, "x");
    EXPECT_EQ(branch.GetProgress(), 1.0);
  }
  delegate->ExpectMonotonicWithinUnitRange();
}

TEST(ProgressReporters, CallerCancelsAfterAFraction) {
  auto delegate = std::make_shared<RecordingDelegate>(0.5);
  BranchingProgressReporter branch(delegate, "run", true);
  IncrementalProgressReporter steps(branch.CreateNestedDelegate(1.0), "steps", 10, true);
  size_t done = 0;
  while (done < 10 && !steps.IsCancelled()) {
    steps.Step();
    ++done;
  }
  EXPECT_EQ(done, 5u);
  EXPECT_EQ(steps.GetStep(), 5u);
  EXPECT_DOUBLE_EQ(delegate->Last(), 0.5);
  EXPECT_EQ(delegate->polls, 6);
  EXPECT_TRUE(branch.IsCancelled());

  // Cancellation reaches through every level; the stitching-like run stops early.
  auto cancelling = std::make_shared<RecordingDelegate>(0.6);
  RunStages(cancelling, 10, true);
  cancelling->ExpectMonotonicWithinUnitRange();
  EXPECT_EQ(cancelling->Last(), 1.0);  // completion is still reported on destruction
  EXPECT_LT(cancelling->reports.size(), 20u);

  // Without a delegate nothing is reported and nothing is cancelled.
  IncrementalProgressReporter silent(nullptr, "silent", 3, true);
  silent.Step();
  EXPECT_FALSE(silent.IsCancelled());
  EXPECT_NEAR(silent.GetProgress(), 1.0 / 3.0, 1e-15);
  EXPECT_FALSE(silent.CreateNestedDelegate(0.5)->IsCancelled());
}

TEST(ProgressReporters, SumsInterleavedNestedProgressAndMapsRangesAfterSteps) {
  auto delegate = std::make_shared<RecordingDelegate>();
  {
    BranchingProgressReporter branch(delegate, "branch", false);
    auto a = branch.CreateNestedDelegate(0.5);
    auto b = branch.CreateNestedDelegate(0.5);
    b->ReportProgress(0.5, "b");
    EXPECT_DOUBLE_EQ(branch.GetProgress(), 0.25);
    a->ReportProgress(1.0, "a");
    EXPECT_DOUBLE_EQ(branch.GetProgress(), 0.75);
    b->ReportProgress(0.2, "b");  // a smaller value does not take progress back
    EXPECT_DOUBLE_EQ(branch.GetProgress(), 0.75);
    b->ReportProgress(std::nan(""), "b");
    b->ReportProgress(7.0, "b");  // clamped
    EXPECT_EQ(branch.GetProgress(), 1.0);
  }
  EXPECT_EQ(delegate->reports.back(), (std::pair<double, std::string>{1.0, "b"}));
  delegate->ExpectMonotonicWithinUnitRange();

  // Nested ranges of an incremental reporter start at its current step.
  auto second = std::make_shared<RecordingDelegate>();
  {
    IncrementalProgressReporter steps(second, "steps", 4, false);
    steps.Step();
    EXPECT_DOUBLE_EQ(steps.GetProgress(), 0.25);
    steps.CreateNestedDelegate(0.25)->ReportProgress(0.5, "inner");
    EXPECT_DOUBLE_EQ(steps.GetProgress(), 0.375);
    steps.SetStep(1);  // going back does not lower the progress
    EXPECT_DOUBLE_EQ(steps.GetProgress(), 0.375);
    steps.SetStep(99);
    EXPECT_EQ(steps.GetStep(), 4u);
  }
  EXPECT_EQ(second->Last(), 1.0);
  second->ExpectMonotonicWithinUnitRange();
}

TEST(ProgressReporters, CompletionFlagAndInvalidArguments) {
  auto delegate = std::make_shared<RecordingDelegate>();
  { BranchingProgressReporter quiet(delegate, "quiet", false); }
  EXPECT_EQ(delegate->Last(), 0.0);
  { BranchingProgressReporter closing(delegate, "closing", true); }
  EXPECT_EQ(delegate->reports.back(), (std::pair<double, std::string>{1.0, "closing"}));

  const size_t before = delegate->reports.size();
  EXPECT_THROW(IncrementalProgressReporter(delegate, "none", 0, true), std::invalid_argument);
  EXPECT_EQ(delegate->reports.size(), before);  // a rejected reporter reports nothing
  BranchingProgressReporter branch(delegate, "branch", false);
  EXPECT_THROW(branch.CreateNestedDelegate(-0.1), std::invalid_argument);
  EXPECT_THROW(branch.CreateNestedDelegate(std::nan("")), std::invalid_argument);

  // A delegate that throws on completion does not escape the destructor.
  struct Throwing : RecordingDelegate {
    void ReportProgress(double fraction, const std::string& name) override {
      if (fraction == 1.0)
        throw std::runtime_error("display closed");
      RecordingDelegate::ReportProgress(fraction, name);
    }
  };
  EXPECT_NO_THROW({ IncrementalProgressReporter r(std::make_shared<Throwing>(), "t", 1, true); });
}

}  // namespace
