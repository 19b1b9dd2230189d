#pragma once

#include <utility>
#include <vector>

#include <Message_Gravity.hxx>
#include <Message_Printer.hxx>

namespace oxlen_step {

/// Raises the gravity threshold of every printer of Open CASCADE's default messenger to failures
/// for the lifetime of the guard, and puts the thresholds back when it ends. The STEP translator
/// reports its statistics and warnings there, on standard output, which would drown the output of
/// the programs and tests that write STEP files. Not thread-safe: the messenger is process-wide.
class QuietMessenger {
 public:
  QuietMessenger();
  ~QuietMessenger();
  QuietMessenger(const QuietMessenger&) = delete;
  QuietMessenger& operator=(const QuietMessenger&) = delete;

 private:
  std::vector<std::pair<Handle(Message_Printer), Message_Gravity>> saved_;
};

}  // namespace oxlen_step
