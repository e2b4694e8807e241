# ORVIX: the two commands for users are `make demo` and `make test`. Both install what is
# missing on a Debian machine first.

SHELL := /bin/bash
JOBS ?= 2
BUILD := build

# Everything the build and the tests need that a fresh machine may lack.
PACKAGES := cmake g++ make python3 libgtest-dev libgmock-dev libbenchmark-dev \
            mingw-w64 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
            wine wine64 libwine-dev clang libclang-rt-14-dev zip unzip

.PHONY: all deps host dll test test-host test-wine demo clean

all: host dll

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null || exit 1; \
	fi

host:
	cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=Debug -DORVIX_WIN64_DLL=$(CURDIR)/$(BUILD)/win64/ORVIX.DLL -DORVIX_WIN32_DLL=$(CURDIR)/$(BUILD)/win32/ORVIX.DLL >/dev/null
	cmake --build $(BUILD)/host -j$(JOBS)

dll:
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD)/win64 -j$(JOBS)
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD)/win32 -j$(JOBS)

test: deps
	$(MAKE) --no-print-directory host dll
	@scripts/run-tests.sh $(BUILD)/host

test-host: host
	ctest --test-dir $(BUILD)/host -L host --output-on-failure -j$(JOBS)

test-wine: host dll
	ctest --test-dir $(BUILD)/host -L wine --output-on-failure

clean:
	rm -rf $(BUILD)
