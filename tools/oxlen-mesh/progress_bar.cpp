#include "progress_bar.h"

#include <cstdio>
#include <string>

namespace oxlen_mesh {

MProgressBar::MProgressBar(const MPipelineProgress& progress, bool enabled)
    : m_progress(progress), m_start(std::chrono::steady_clock::now()) {
  if (!enabled)
    return;
  m_thread = std::thread([this] {
    while (!m_stop.load()) {
      Draw();
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  });
}

MProgressBar::~MProgressBar() {
  if (!m_thread.joinable())
    return;
  m_stop = true;
  m_thread.join();
  std::fprintf(stderr, "\r%80s\r", "");
  std::fflush(stderr);
}

void MProgressBar::Draw() const {
  const std::size_t done = m_progress.facesDone.load();
  const std::size_t total = m_progress.faceCount.load();
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  constexpr int kWidth = 24;
  const int filled = total == 0 ? 0 : static_cast<int>(kWidth * done / total);
  const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
  const char* stage = kStageNames[m_progress.stage.load()];
  if (done > 0 && done < total) {
    const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
    std::fprintf(stderr, "\r[%s] %zu/%zu faces  %-11s %6.1f s, about %.1f s left   ", bar.c_str(),
                 done, total, stage, elapsed, left);
  } else {
    std::fprintf(stderr, "\r[%s] %zu/%zu faces  %-11s %6.1f s                 ", bar.c_str(), done,
                 total, stage, elapsed);
  }
  std::fflush(stderr);
}

}  // namespace oxlen_mesh
