# Front door: `make test` and `make run` install what is missing first.
.PHONY: all deps build build-win32 build-win64 build-native test run bench clean

JOBS ?= $(shell nproc)
# CI builds with warnings as errors.
WERROR ?= OFF
# auto: the 32-bit program runs under Wine where the host can run 32-bit code;
# 0: it is built and checked but never run, as on a host that cannot.
VANTRIX_RUN32 ?= auto
export VANTRIX_RUN32
# Which program `make run` starts: auto, 32 or 64.
VANTRIX_BUILD ?= auto

all: build

deps:
	@tools/install-deps

# The 32-bit tree registers its Wine runs only where they can happen; where
# they cannot, CTest lists them as skipped with the reason.
build-win32: deps
	@if reason=$$(tools/runs32); then run=ON; else run=OFF; fi; \
	cmake --preset win32 -DVANTRIX_WERROR=$(WERROR) -DVANTRIX_RUN_WINE=$$run "-DVANTRIX_SKIP_REASON=$$reason" \
	    >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

build-win64: deps
	@cmake --preset win64 -DVANTRIX_WERROR=$(WERROR) >/dev/null
	@cmake --build --preset win64 -j $(JOBS)

build-native: deps
	@cmake --preset native -DVANTRIX_WERROR=$(WERROR) >/dev/null
	@cmake --build --preset native -j $(JOBS)

build: build-win64 build-win32 build-native

# Every test: native (under AddressSanitizer and UBSan), then both Windows
# builds under Wine. The last line says when the 32-bit runs were skipped.
test: build
	@status=0; \
	ctest --preset native -j $(JOBS) || status=1; \
	ctest --preset win64 -j $(JOBS) || status=1; \
	ctest --preset win32 -j $(JOBS) || status=1; \
	if ! reason=$$(tools/runs32); then \
	    echo "32-bit runs skipped: $$reason. Vantrix.exe and its tests were built and its file checked;" \
	         "every Wine and end-to-end test ran against Vantrix64.exe only."; \
	fi; \
	exit $$status

# Starts the 32-bit program where the host runs it, Vantrix64.exe otherwise;
# VANTRIX_BUILD=32 or 64 picks one.
run: build-win64 build-win32
	@bits=$(VANTRIX_BUILD); \
	if [ "$$bits" = auto ]; then if tools/runs32 >/dev/null; then bits=32; else bits=64; fi; fi; \
	tools/run-app build/win$$bits

# Speed and size figures of each Windows build the host runs, under Wine (not tests).
bench: build-win64 build-win32
	@for bits in 32 64; do \
	    if [ $$bits = 32 ] && ! reason=$$(tools/runs32); then echo "32-bit figures skipped: $$reason."; continue; fi; \
	    VANTRIX_PREFIX=win10-bench tools/wine-run --root build/win$$bits/wine --bits $$bits \
	        build/win$$bits/tests/vantrix_bench.exe || exit 1; \
	done

clean:
	rm -rf build
