# Set-up, build and test entry points. Every target installs the Debian packages it needs first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Warnings are errors in the builds made here; a packager's plain cmake build leaves them warnings.
WERROR     ?= ON
SAMPLE     := resources/sample/sample.wav

.PHONY: all deps configure build demo check test asan-test fuzz fuzz-build bench clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD) $(SAMPLE)

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 600 -j $(JOBS)

# Every test again (the GUI on the offscreen platform), built with AddressSanitizer, its leak
# checker and UndefinedBehaviorSanitizer.
asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONARO_SANITIZE=ON \
	    -DSONARO_BENCH=OFF -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure --timeout 600 -j $(JOBS) -LE slow

# The fuzz targets, built with clang, libFuzzer and the sanitizers; each runs FUZZ_SECONDS.
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DSONARO_FUZZ=ON -DSONARO_GUI=OFF -DSONARO_BENCH=OFF -DSONARO_WERROR=$(WERROR) $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target sonaro_fuzzers

fuzz: fuzz-build
	./scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every test, the sanitizer build, and a short run of each fuzz target.
check: test asan-test
	$(MAKE) fuzz FUZZ_SECONDS=20

bench: build
	./bench/run.sh $(BUILD)

# Installs into PREFIX (default /usr/local), below DESTDIR when it is set.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The windows of the desktop application as PNG files in screenshots/, taken in a private X server.
screenshots: build
	./scripts/screenshots.sh $(BUILD) screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
