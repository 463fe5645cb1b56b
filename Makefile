# Set-up, build and test entry points. Every target installs the Debian packages it needs first
# (scripts/install-deps.sh, by group): building needs the build group only.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Warnings are errors in the builds made here; a packager's plain cmake build leaves them warnings.
WERROR     ?= ON
SAMPLE     := resources/sample/sample.wav
DEPS       := ./scripts/install-deps.sh

.PHONY: all deps configure build demo check test asan-test fuzz fuzz-build bench install package \
        screenshots clean

all: build

# Every package that any target needs.
deps:
	$(DEPS)

configure:
	$(DEPS) build
	cmake -S . -B $(BUILD) -G Ninja -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	$(DEPS) demo
	./scripts/demo.sh $(BUILD) $(SAMPLE)

# Every test, in a temporary directory of their own that they must leave empty.
test: build
	$(DEPS) test
	./scripts/run-tests.sh $(BUILD) -j $(JOBS)

# Every test again (the GUI on the offscreen platform), built with AddressSanitizer, its leak
# checker and UndefinedBehaviorSanitizer.
asan-test:
	$(DEPS) build test
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONARO_SANITIZE=ON \
	    -DSONARO_BENCH=OFF -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	./scripts/run-tests.sh $(ASAN_BUILD) -j $(JOBS) -LE slow

# The fuzz targets, built with clang, libFuzzer and the sanitizers; each runs FUZZ_SECONDS.
fuzz-build:
	$(DEPS) build fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DSONARO_FUZZ=ON -DSONARO_GUI=OFF -DSONARO_BENCH=OFF -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target sonaro_fuzzers

fuzz: fuzz-build
	./scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every test, the sanitizer build, and a short run of each fuzz target.
check: test asan-test
	$(MAKE) fuzz FUZZ_SECONDS=20

bench: build
	$(DEPS) bench
	./bench/run.sh $(BUILD)

# Installs into PREFIX (default /usr/local), below DESTDIR when it is set.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package sonaro_<version>_<arch>.deb in the build directory, checked with lintian.
package: build
	$(DEPS) package
	cd $(BUILD) && cpack -G DEB
	./scripts/check-package.sh $(BUILD)

# The windows of the desktop application as PNG files: in screenshots/ from a private X server,
# in screenshots/wayland/ from a headless Wayland compositor (the test codec driver makes a
# conversion slow enough to be seen there).
screenshots: build
	$(DEPS) screenshots
	./scripts/screenshots.sh $(BUILD) screenshots
	./scripts/screenshots.sh --wayland $(BUILD) screenshots/wayland

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
