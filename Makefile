# Front door. Each target first makes sure what it needs is installed
# (scripts/need), then drives the CMake presets.
SHELL := /bin/bash
.DEFAULT_GOAL := build
.PHONY: build test demo bench fuzz fuzz-smoke native native-asan mingw mingw64 fuzz-build \
        test-native test-asan test-mingw test-mingw64 clean

export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
FUZZ_SECONDS ?= 60

define configure_and_build
	@[ -f build/$(1)/CMakeCache.txt ] || cmake --preset $(1) >/dev/null
	@cmake --build --preset $(1)
endef

native:
	@scripts/need base
	$(call configure_and_build,native)

native-asan:
	@scripts/need base
	$(call configure_and_build,native-asan)

mingw:
	@scripts/need base windows
	$(call configure_and_build,mingw)

mingw64:
	@scripts/need base windows
	$(call configure_and_build,mingw64)

fuzz-build:
	@scripts/need base fuzz
	$(call configure_and_build,fuzz)

build: native native-asan mingw mingw64 fuzz-build

test-native: native
	ctest --preset native

test-asan: native-asan
	ctest --preset native-asan

test-mingw: mingw native
	ctest --preset mingw

test-mingw64: mingw64 native
	ctest --preset mingw64

fuzz-smoke: fuzz-build
	@fuzz/run --smoke build/fuzz

test: test-native test-asan test-mingw test-mingw64 fuzz-smoke

fuzz: fuzz-build
	@fuzz/run --seconds $(FUZZ_SECONDS) build/fuzz

demo: mingw mingw64
	@host/demo

bench: native
	@scripts/need bench
	@bench/run build/native

clean:
	rm -rf build
