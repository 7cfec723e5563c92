# Front door: `make test` and `make run` install what is missing first.
.PHONY: all deps build build-win32 build-native test run bench clean

JOBS ?= $(shell nproc)
# CI builds with warnings as errors.
WERROR ?= OFF

all: build

deps:
	@tools/install-deps

build-win32: deps
	@cmake --preset win32 -DVANTRIX_WERROR=$(WERROR) >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

build-native: deps
	@cmake --preset native -DVANTRIX_WERROR=$(WERROR) >/dev/null
	@cmake --build --preset native -j $(JOBS)

build: build-win32 build-native

# Every test, native (under AddressSanitizer and UBSan) and under Wine.
test: build
	@status=0; \
	ctest --preset native -j $(JOBS) || status=1; \
	ctest --preset win32 -j $(JOBS) || status=1; \
	exit $$status

run: build-win32
	@tools/run-app build/win32

# Speed and size figures of the Windows build under Wine (not tests).
bench: build-win32
	@VANTRIX_PREFIX=win10-bench tools/wine-run --root build/win32/wine build/win32/tests/vantrix_bench.exe

clean:
	rm -rf build
