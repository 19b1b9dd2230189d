#!/usr/bin/env bash
# Builds a fuzzer with clang in build-fuzz and runs it.
#   fuzz/run_fuzzer.sh trimmer|face|stitch [seconds]   (default 60; FUZZ_SECONDS is read too)
# New interesting inputs collect in build-fuzz/corpus/<name> (the seed corpus in
# fuzz/corpus/<name> is only read); inputs that break a rule, crash or hang are written to
# build-fuzz/artifacts/<name>- and the script fails.
set -euo pipefail

cd "$(dirname "$0")/.."
name="${1:?usage: fuzz/run_fuzzer.sh trimmer|face|stitch [seconds]}"
seconds="${2:-${FUZZ_SECONDS:-60}}"
build=build-fuzz
jobs="${JOBS:-2}"

# clang with the libFuzzer runtime: only the fuzzer needs it, so it is not in install-deps.sh.
if ! command -v clang++ >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null |
    grep -q "install ok installed"; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi
scripts/install-deps.sh

# The compiler is named on the command line so that a build directory configured with another
# one is reconfigured rather than refused.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOXLEN_FUZZ=ON -DOXLEN_BUILD_TESTS=OFF \
  -DOXLEN_BUILD_BENCHMARKS=OFF -DOXLEN_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target "${name}_fuzzer" -j "$jobs"

# An input that runs longer than this is reported as a hang. The instrumented build runs the
# triangulator 20 to 40 times slower than a release build, and the largest whole faces (round
# loops at tolerance 0: some 10^5 points per fin) take 10 to 20 s in release, so the face target
# gets far more time than the trimmer, whose records are small.
timeout=20
if [ "$name" = face ]; then timeout=600; fi

mkdir -p "$build/corpus/$name" "$build/artifacts"
"$build/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout="$timeout" -max_len=1024 -len_control=20 \
  -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
  "$build/corpus/$name" "fuzz/corpus/$name"
