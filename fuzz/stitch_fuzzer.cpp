// libFuzzer entry point for the stitcher: every input is decoded into a small surface with edge
// records and the outcome is checked; a broken rule aborts, so that libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stitch_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string finding = stitch_fuzz::CheckStitchOnBytes(data, size);
  if (!finding.empty()) {
    std::fprintf(stderr, "stitch finding: %s\n", finding.c_str());
    std::abort();
  }
  return 0;
}
