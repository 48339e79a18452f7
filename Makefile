# The project's front door. `make test` and `make demo` work on a fresh
# Debian machine: they install what is missing first.

.PHONY: all deps build build-x64 build-x86 build-native test test-x64 test-x86 test-native test-start test-end fuzz demo dist reproducible clean

FUZZ_SECONDS ?= 45

all: build

deps:
	scripts/install-deps.sh

build-x64: deps
	cmake --preset windows-x64
	cmake --build --preset windows-x64

build-x86: deps
	cmake --preset windows-x86
	cmake --build --preset windows-x86

build-native: deps
	cmake --preset native
	cmake --build --preset native

build: build-x64 build-x86 build-native

# The package: both DLLs and both bitnesses of the stand-ins built for release
# (debug information in .debug files beside them), the example and
# INSTALL.md, in dist/Suite_TARNIV18-<version>.zip. The same commit gives the
# same zip, byte for byte: scripts/check-reproducible.sh builds it twice.
dist: deps
	cmake --preset windows-x64-release
	cmake --build --preset windows-x64-release
	cmake --preset windows-x86-release
	cmake --build --preset windows-x86-release
	scripts/make-dist.sh
	scripts/check-dist-stamps.sh

reproducible: deps
	scripts/check-reproducible.sh

# The x64 tests include installing the package (at both bitnesses).
test-x64: build-x64 dist
	ctest --preset windows-x64

# The DLL the IDE loads, tested at its own bitness where this machine runs
# 32-bit programs under Wine; where it cannot, the run says so at the end.
test-x86: build-x86
	@if scripts/can-test-32bit.sh; then ctest --preset windows-x86; fi

test-native: build-native
	ctest --preset native

fuzz: build-native
	@if [ -x scripts/run-fuzzers.sh ]; then scripts/run-fuzzers.sh $(FUZZ_SECONDS); fi

# A test run leaves the checkout as it found it: test-start notes what git
# reports before, test-end fails on anything the run added.
test: test-start build test-x64 test-x86 test-native fuzz test-end

test-start:
	@mkdir -p build
	@scripts/checkout-status.sh >build/status-before-test.txt

test-end:
	@scripts/checkout-status.sh | diff build/status-before-test.txt - | sed -n 's/^> /left in the checkout by the test run: /p' >build/status-after-test.txt
	@if [ -s build/status-after-test.txt ]; then cat build/status-after-test.txt >&2; exit 1; fi
	@scripts/can-test-32bit.sh --why || true

demo: build-x64
	scripts/demo.sh

clean:
	rm -rf build
