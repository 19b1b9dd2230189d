#include "atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace oxlen_mesh {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path, int error) {
  std::string message = "cannot write '" + path + "'";
  if (error != 0)
    message += ": " + std::generic_category().message(error);
  throw std::runtime_error(message);
}

// A hidden name in the target's folder that no other writer of this or another process uses at
// the same time: the process id and a per-process counter.
fs::path TemporarySibling(const fs::path& target) {
  static std::atomic<unsigned long> counter{0};
  std::string name(1, '.');
  name += target.filename().string();
  name += '.' + std::to_string(::getpid()) + '.' + std::to_string(counter++) + ".tmp";
  return target.parent_path() / name;
}

void WriteComplete(const fs::path& file, const std::string& path,
                   const std::function<void(std::ostream&)>& write) {
  errno = 0;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out)
    Fail(path, errno);
  write(out);
  out.close();
  if (!out)
    Fail(path, errno);
}

// Flushes the file's data to the disk, so that the rename never publishes a file whose content
// is still only in memory.
void SyncToDisk(const fs::path& file, const std::string& path) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    Fail(path, errno);
  const int synced = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (synced != 0)
    Fail(path, error);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write) {
  const fs::path target(path);
  const fs::path temporary = TemporarySibling(target);
  try {
    WriteComplete(temporary, path, write);
    SyncToDisk(temporary, path);
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed)
      Fail(path, renamed.value());
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace oxlen_mesh
