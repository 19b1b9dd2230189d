#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "model_pipeline.h"

namespace oxlen_mesh {

/// A progress line on standard error, redrawn a few times a second from a thread of its own while
/// it lives: faces done of all, the stage, the time elapsed and the time left (estimated from the
/// faces done). Draws nothing when disabled (not a terminal, or --quiet).
class MProgressBar {
 public:
  /// @param[in] progress the run's counters; must outlive the bar.
  /// @param[in] enabled  false: the bar draws nothing.
  MProgressBar(const MPipelineProgress& progress, bool enabled);
  /// Stops drawing and clears the line.
  ~MProgressBar();
  MProgressBar(const MProgressBar&) = delete;
  MProgressBar& operator=(const MProgressBar&) = delete;

 private:
  void Draw() const;

  const MPipelineProgress& m_progress;
  std::chrono::steady_clock::time_point m_start;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace oxlen_mesh
