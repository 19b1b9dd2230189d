// libFuzzer entry point for whole faces: every input is decoded into a face, triangulated and
// checked; a broken rule aborts, so that libFuzzer keeps the input as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "face_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string finding = face_fuzz::CheckFaceOnBytes(data, size);
  if (!finding.empty()) {
    std::fprintf(stderr, "face finding: %s\n", finding.c_str());
    std::abort();
  }
  return 0;
}
