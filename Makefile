# Thin wrapper around CMake. `make test` and `make demo` install what is missing, configure,
# build (Release) and run; `make test-sanitize` does the same with AddressSanitizer and
# UndefinedBehaviorSanitizer in a separate build directory.

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-sanitize demo bench fuzz format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DOXLEN_SANITIZE=ON -DOXLEN_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan_suppressions.txt:print_suppressions=0 \
		ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS) -LE no-sanitize

# The demo part, built with Open CASCADE's modelling API and written as STEP, meshed into one
# closed mesh (GLB and STL) with the report.
demo: build
	@$(BUILD_DIR)/tools/demo-part/oxlen-demo-part $(BUILD_DIR)/bracket.step
	@$(BUILD_DIR)/tools/oxlen-mesh/oxlen-mesh $(BUILD_DIR)/bracket.step \
		-o $(BUILD_DIR)/bracket.glb -o $(BUILD_DIR)/bracket.stl

bench: build
	@set -e; for b in $$(find $(BUILD_DIR)/bench -type f -name '*_bench' -perm -u+x | sort); do \
		echo "== $$b"; $$b; done

fuzz:
	@fuzz/run_fuzzer.sh trimmer $(or $(FUZZ_SECONDS),60)
	@fuzz/run_fuzzer.sh face $(or $(FUZZ_SECONDS),60)
	@fuzz/run_fuzzer.sh stitch $(or $(FUZZ_SECONDS),60)

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
