// libFuzzer entry point for the quad trimmer: every input is decoded into a trimming record and
// the outcome is checked; a broken rule aborts, so that libFuzzer keeps the input as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "trimmer_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string finding = trimmer_fuzz::CheckTrimmerOnBytes(data, size);
  if (!finding.empty()) {
    std::fprintf(stderr, "trimmer finding: %s\n", finding.c_str());
    std::abort();
  }
  return 0;
}
