# Entry points for building and testing fxe.
#   make test   installs missing packages, configures, builds and runs the test suite
#   make asan   the same suite built with Clang, AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench  builds the micro-benchmarks (optimised)
#   make docs   writes the function reference docs/functions.md anew
#   make soak   runs the long soak test (ten million cycles), which make test leaves out
#   make coverage  builds with coverage counters, runs the suite and reports the
#               line coverage of src/ (build-coverage/coverage.txt and .html)

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build test asan bench docs soak coverage clean

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

build-release/build.ninja: | setup
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFXE_BUILD_TESTS=OFF $(CMAKE_FLAGS)

bench: build-release/build.ninja
	cmake --build build-release -j $(JOBS)

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

clean:
	rm -rf build build-asan build-release build-coverage
