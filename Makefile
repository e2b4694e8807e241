# ORVIX: the two commands for users are `make demo` and `make test`. Both install what is
# missing on a Debian machine first.

SHELL := /bin/bash
JOBS ?= 2
BUILD := build

# Everything the build and the tests need that a fresh machine may lack. wine32:i386 runs the
# x86 DLL's clients; ORVIX_WINE32=0 leaves it out (and the x86 half of the Wine suite).
PACKAGES := cmake g++ make python3 libgtest-dev libgmock-dev libbenchmark-dev \
            mingw-w64 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
            wine wine64 libwine-dev clang libclang-rt-14-dev zip unzip wixl msitools \
            $(if $(filter 0,$(ORVIX_WINE32)),,wine32:i386)

.PHONY: all deps host dll test test-host test-wine demo clean package

all: host dll

deps:
	@scripts/install-deps.sh $(PACKAGES)

host:
	cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=Debug -DORVIX_WIN64_DLL=$(CURDIR)/$(BUILD)/win64/ORVIX.DLL -DORVIX_WIN32_DLL=$(CURDIR)/$(BUILD)/win32/ORVIX.DLL >/dev/null
	cmake --build $(BUILD)/host -j$(JOBS)

dll:
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD)/win64 -j$(JOBS)
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release -DORVIX_CHECK_HEADERS=OFF >/dev/null
	cmake --build $(BUILD)/win32 -j$(JOBS)

demo: deps
	$(MAKE) --no-print-directory host dll
	@python3 tools/demo/demo.py --build $(BUILD)

# The Windows builds come between the two suites, so that ORVIX_FAIL_FAST=1 (used when
# planting faults) stops before them when the host suite already failed.
test: deps
	$(MAKE) --no-print-directory host
	@ORVIX_BUILD_DLL="$(MAKE) --no-print-directory dll" scripts/run-tests.sh $(BUILD)/host

test-host: host
	ctest --test-dir $(BUILD)/host -L host --output-on-failure -j$(JOBS)

test-wine: host dll
	ctest --test-dir $(BUILD)/host -L wine --output-on-failure

# The Windows Installer packages for integrators: build/orvix-<version>-x64.msi and -x86.msi
# (wixl), and build/orvix-<version>.zip with both, orvixcheck.exe and the user documentation.
package: deps
	$(MAKE) --no-print-directory dll
	@scripts/make-package.sh --win64 $(BUILD)/win64 --win32 $(BUILD)/win32 --out $(BUILD)

clean:
	rm -rf $(BUILD)

# Fuzzing (libFuzzer, clang) and the host benchmarks (Google Benchmark, optimized build
# without sanitizers); docs/performance.md records the benchmark figures.
FUZZ_SECONDS ?= 60
.PHONY: fuzz bench bench-host bench-wine

fuzz: deps
	fuzz/run.sh build $(BUILD)/fuzz
	fuzz/run.sh run $(BUILD)/fuzz $(FUZZ_SECONDS)

bench: bench-host
	$(MAKE) --no-print-directory bench-wine

# The core's cost per call with a null transport; results in build/bench/host.{txt,json}.
bench-host: deps
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVIX_SANITIZE=OFF -DORVIX_BUILD_TESTS=OFF -DORVIX_BUILD_BENCH=ON >/dev/null
	cmake --build $(BUILD)/bench -j$(JOBS) --target orvix_core_bench
	set -o pipefail; $(BUILD)/bench/bench/orvix_core_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
	  --benchmark_out=$(BUILD)/bench/host.json --benchmark_out_format=json | tee $(BUILD)/bench/host.txt

# The Wine benchmarks and the long soak (bench/wine-bench.sh): both DLLs under Wine against
# the virtual display; their figures go into docs/performance.md.
bench-wine: deps
	$(MAKE) --no-print-directory host dll
	cmake --build $(BUILD)/win64 -j$(JOBS) --target orvix_wine_bench orvix_wine_soak
	cmake --build $(BUILD)/win32 -j$(JOBS) --target orvix_wine_bench orvix_wine_soak
	bench/wine-bench.sh $(BUILD)
