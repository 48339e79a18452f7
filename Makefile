# The project's front door. `make test` and `make demo` work on a fresh
# Debian machine: they install what is missing first.

.PHONY: all deps build build-x64 build-x86 build-native test test-x64 test-native fuzz demo dist clean

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

# The package: both DLLs built for release (debug information in .debug files
# beside them), the stand-ins, the example and INSTALL.md, in
# dist/Suite_TARNIV18-<version>.zip.
dist: deps
	cmake --preset windows-x64-release
	cmake --build --preset windows-x64-release
	cmake --preset windows-x86-release
	cmake --build --preset windows-x86-release
	scripts/make-dist.sh

# The x64 tests include installing the package.
test-x64: build-x64 dist
	ctest --preset windows-x64

test-native: build-native
	ctest --preset native

fuzz: build-native
	@if [ -x scripts/run-fuzzers.sh ]; then scripts/run-fuzzers.sh $(FUZZ_SECONDS); fi

test: build test-x64 test-native fuzz

demo: build-x64
	scripts/demo.sh

clean:
	rm -rf build
