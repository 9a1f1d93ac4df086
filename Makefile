# Entry points for building and testing fxe.
#   make test   installs missing packages, configures, builds and runs the test suite
#   make asan   the same suite built with Clang, AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench  builds the optimised binaries and runs the micro-benchmarks
#   make bench-programs  runs the rule-program workloads of BENCH_DIR with the
#               optimised fxe (median wall time and peak memory per program)
#   make fuzz   builds the libFuzzer targets with Clang into build-fuzz/ (see tests/fuzz)
#   make docs   writes the function reference docs/functions.md anew
#   make run    builds the programs and opens the demo window; without a
#               display runs the example knowledge base with fxe instead
#   make soak   runs the long soak test (ten million cycles), which make test leaves out
#   make coverage  builds with coverage counters, runs the suite and reports the
#               line coverage of src/ (build-coverage/coverage.txt and .html)

JOBS ?= $(shell nproc)
BENCH_DIR ?= ../shared/bench
BENCH_FILTER ?=
PROGRAMS ?=
CMAKE_FLAGS ?=

.PHONY: all setup build test asan fuzz bench bench-build bench-programs docs run soak coverage clean

all: build

setup:
	./scripts/setup.sh

build/build.ninja: | setup
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithAsserts -DFXE_WERROR=ON $(CMAKE_FLAGS)

build: build/build.ninja
	cmake --build build -j $(JOBS)

test: build
	ctest --test-dir build --output-on-failure -j $(JOBS) -LE long

soak: build
	ctest --test-dir build --output-on-failure -L long

build-asan/build.ninja: | setup
	cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DFXE_WERROR=ON -DFXE_SANITIZE=ON -DFXE_BUILD_BENCH=OFF $(CMAKE_FLAGS)

asan: build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS) -LE long

build-fuzz/build.ninja: | setup
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithAsserts -DFXE_BUILD_FUZZ=ON -DFXE_BUILD_TESTS=OFF -DFXE_BUILD_BENCH=OFF $(CMAKE_FLAGS)

fuzz: build-fuzz/build.ninja
	cmake --build build-fuzz -j $(JOBS) --target fxe_fuzz_targets

build-release/build.ninja: | setup
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFXE_BUILD_TESTS=OFF -DFXE_BUILD_DEMO=OFF $(CMAKE_FLAGS)

bench-build: build-release/build.ninja
	cmake --build build-release -j $(JOBS)

bench: bench-build
	@for b in build-release/bench/*Bench; do echo "== $$b"; $$b $(if $(BENCH_FILTER),--benchmark_filter=$(BENCH_FILTER)) || exit 1; done

bench-programs: bench-build
	$(BENCH_DIR)/run.sh $(CURDIR)/build-release/bin/fxe $(PROGRAMS)
build-coverage/build.ninja: | setup
	./scripts/setup.sh coverage
	cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFXE_COVERAGE=ON -DFXE_BUILD_BENCH=OFF $(CMAKE_FLAGS)

coverage: build-coverage/build.ninja
	cmake --build build-coverage -j $(JOBS)
	find build-coverage -name '*.gcda' -delete
	ctest --test-dir build-coverage --output-on-failure -j $(JOBS) -LE long
	gcovr --root . --filter 'src/' --object-directory build-coverage --exclude-unreachable-branches \
	  --txt build-coverage/coverage.txt --html build-coverage/coverage.html --print-summary

docs: build
	./build/bin/fxe --reference > docs/functions.md

run: build/build.ninja
	cmake --build build -j $(JOBS) --target fxe_programs
	@if [ ! -x build/bin/fxe-demo ]; then \
	  echo "run: the demo window is not built (Qt 6 not found); running examples/project-risk.fxe with fxe instead"; \
	  ./build/bin/fxe examples/project-risk.fxe; \
	elif [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "run: no display for the demo window; running examples/project-risk.fxe with fxe instead"; \
	  ./build/bin/fxe examples/project-risk.fxe; \
	else \
	  ./build/bin/fxe-demo; \
	fi

clean:
	rm -rf build build-asan build-fuzz build-release build-coverage
