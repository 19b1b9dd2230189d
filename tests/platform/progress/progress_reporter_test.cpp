#include "platform/platform_test_support.h"

#include "Oxlen/Common/BranchingProgressReporter.h"
#include "Oxlen/Common/IncrementalProgressReporter.h"

namespace {

using namespace Oxlen::Common;
using Report = std::pair<double, std::string>;

// What a caller writes: a delegate that records every report and asks to cancel once the
// progress has reached a given fraction. It checks that progress never decreases.
struct Recorder : IProgressDelegate {
  explicit Recorder(double cancelAt = 2.0) : cancelAt(cancelAt) {}
  void ReportProgress(double fraction, const std::string& name) override {
    EXPECT_TRUE(fraction >= Last()) << " -> " << fraction;
    EXPECT_TRUE(fraction <= 1.0) << Last() << " -> " << fraction;
    reports.emplace_back(fraction, name);
  }
  bool IsCancelled() override { return ++polls, Last() >= cancelAt; }
  double Last() const { return reports.empty() ? 0.0 : reports.back().first; }
  double cancelAt;
  std::vector<Report> reports;
  int polls = 0;
};

// The shape of a stitching run: two stages of 0.2 each, then n sub-operations sharing 0.6, each
// wrapped in a one-step incremental reporter that completes on destruction.
void RunStages(const std::shared_ptr<IProgressDelegate>& delegate, size_t n, bool complete) {
  BranchingProgressReporter branch(delegate, "run", complete);
  for (const char* stage : {"first stage", "second stage"})
    IncrementalProgressReporter reporter(branch.CreateNestedDelegate(0.2), stage, 1, true);
  for (size_t i = 0; i < n; ++i) {
    IncrementalProgressReporter part(branch.CreateNestedDelegate(0.6 / double(n)), "part", 1, true);
    if (part.IsCancelled())
      return;
  }
  EXPECT_EQ(branch.GetProgress(), 1.0);
}

TEST(ProgressReporters, NestedSharesEndAtExactlyOneAndNeverDecrease) {
  for (const size_t n : {3, 49, 100000}) {
    auto recorder = std::make_shared<Recorder>();
    RunStages(recorder, n, false);  // exactness does not depend on the completion flag
    EXPECT_EQ(recorder->Last(), 1.0) << n;
    EXPECT_EQ(recorder->reports[2], (Report{0.2, "first stage"}));
  }
  // Interleaved nested reports add up; smaller values and NaN do not take progress back; values
  // and shares beyond the range are clamped.
  BranchingProgressReporter branch(std::make_shared<Recorder>(), "branch", false);
  auto a = branch.CreateNestedDelegate(0.5), b = branch.CreateNestedDelegate(0.5);
  b->ReportProgress(0.5, "b");
  a->ReportProgress(1.0, "a");
  b->ReportProgress(0.2, "b");
  b->ReportProgress(std::nan(""), "b");
  EXPECT_DOUBLE_EQ(branch.GetProgress(), 0.75);
  b->ReportProgress(7.0, "b");
  branch.CreateNestedDelegate(0.1)->ReportProgress(1.0, "x");
  EXPECT_EQ(branch.GetProgress(), 1.0);
  // Nested ranges of an incremental reporter start at its current step; going back does not
  // lower the progress.
  IncrementalProgressReporter steps(std::make_shared<Recorder>(), "steps", 4, false);
  steps.Step();
  steps.CreateNestedDelegate(0.25)->ReportProgress(0.5, "inner");
  steps.SetStep(1);
  EXPECT_DOUBLE_EQ(steps.GetProgress(), 0.375);
}

TEST(ProgressReporters, CancellationCompletionAndInvalidArguments) {
  auto recorder = std::make_shared<Recorder>(0.5);
  BranchingProgressReporter branch(recorder, "run", true);
  IncrementalProgressReporter steps(branch.CreateNestedDelegate(1.0), "steps", 10, true);
  size_t done = 0;
  for (; done < 10 && !steps.IsCancelled(); ++done)
    steps.Step();
  EXPECT_TRUE(done == 5u);
  EXPECT_TRUE(recorder->polls == 6);
  EXPECT_TRUE(branch.IsCancelled());
  // Cancellation reaches through every level; completion is still reported on destruction.
  auto cancelling = std::make_shared<Recorder>(0.6);
  RunStages(cancelling, 10, true);
  EXPECT_EQ(cancelling->Last(), 1.0);
  EXPECT_LT(cancelling->reports.size(), 20u);
  // Only a reporter asked to complete reports 1 on destruction; a rejected one reports nothing.
  auto quiet = std::make_shared<Recorder>();
  { BranchingProgressReporter reporter(quiet, "quiet", false); }
  EXPECT_THROW(IncrementalProgressReporter(quiet, "none", 0, true), std::invalid_argument);
  EXPECT_EQ(quiet->reports, (std::vector<Report>{{0, "quiet"}}));
  EXPECT_THROW(branch.CreateNestedDelegate(std::nan("")), std::invalid_argument);
  // A delegate that throws on completion does not escape the destructor.
  struct Throwing : Recorder {
    void ReportProgress(double fraction, const std::string&) override {
      if (fraction == 1.0)
        throw std::runtime_error("display closed");
    }
  };
  EXPECT_NO_THROW({ IncrementalProgressReporter r(std::make_shared<Throwing>(), "t", 1, true); });
}

}  // namespace
