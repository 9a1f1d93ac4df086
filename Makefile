# Entry points for building and testing fxe.
#   make test   installs missing packages, configures, builds and runs the test suite
#   make asan   the same suite built with Clang, AddressSanitizer and UndefinedBehaviorSanitizer
#   make fuzz   builds the libFuzzer targets with Clang into build-fuzz/ (see tests/fuzz)
#   make bench  builds the micro-benchmarks (optimised)
#   make docs   writes the function reference docs/functions.md anew

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build test asan fuzz bench docs clean

all: build

setup:
	./scripts/setup.sh

build/build.ninja: | setup
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithAsserts -DFXE_WERROR=ON $(CMAKE_FLAGS)

build: build/build.ninja
	cmake --build build -j $(JOBS)

test: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

build-asan/build.ninja: | setup
	cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DFXE_WERROR=ON -DFXE_SANITIZE=ON -DFXE_BUILD_BENCH=OFF $(CMAKE_FLAGS)

asan: build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)

build-fuzz/build.ninja: | setup
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithAsserts -DFXE_BUILD_FUZZ=ON -DFXE_BUILD_TESTS=OFF -DFXE_BUILD_BENCH=OFF $(CMAKE_FLAGS)

fuzz: build-fuzz/build.ninja
	cmake --build build-fuzz -j $(JOBS) --target fxe_fuzz_targets

build-release/build.ninja: | setup
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFXE_BUILD_TESTS=OFF $(CMAKE_FLAGS)

bench: build-release/build.ninja
	cmake --build build-release -j $(JOBS)

docs: build
	./build/bin/fxe --reference > docs/functions.md

clean:
	rm -rf build build-asan build-fuzz build-release
