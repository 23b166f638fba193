# Quillo Pad: `make run` and `make test` on a fresh Debian 12 machine.
# Both install what is missing, configure with CMake + Ninja and build.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=
# The suites' temporary folders: in memory where there is a /dev/shm (each
# save syncs to disk, and the fault tests save thousands of times), unless
# TMPDIR says otherwise.
TEST_TMPDIR := $(or $(TMPDIR),$(shell [ -d /dev/shm ] && [ -w /dev/shm ] && echo /dev/shm),/tmp)
# Seconds each fuzz target runs: long in `make fuzz`, a short check in `make test`.
FUZZ_SECONDS      ?= 180
FUZZ_TEST_SECONDS ?= 4

# libqt6svg6 draws the icon; the rest check and build the installation,
# clang with its libFuzzer and sanitizer runtimes builds the fuzz targets, and
# lld links the tests quickly.
PACKAGES = cmake ninja-build g++ make pkg-config qt6-base-dev libgl-dev \
           libgtest-dev libgmock-dev fonts-dejavu-core libqt6svg6 \
           desktop-file-utils appstream dpkg-dev file clang libclang-rt-14-dev lld
BENCH_PACKAGES = xvfb xauth libxcb1-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

.PHONY: all deps bench-deps check-layers build build-program build-asan build-fuzz run test test-normal test-asan test-fuzz \
        fuzz bench shots soak format clean install package

all: build

deps:
	$(call install_missing,$(PACKAGES))

bench-deps: deps
	$(call install_missing,$(BENCH_PACKAGES))

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The sanitizer build is for the tests: no benchmarks in it.
$(ASAN_BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON \
	  -DQUILLO_BENCH=OFF

# The fuzz targets: clang, only the core library, in a build folder of their own.
$(FUZZ_BUILD)/build.ninja: CMakeLists.txt fuzz/CMakeLists.txt | deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DQUILLO_FUZZ=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only the program, optimised, with warnings as errors.
build-program: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target quillo

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

build-fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: set DISPLAY (or run under xvfb-run) to see the window."; exit 1; fi
	$(BUILD)/bin/quillo

# The optimised program builds with warnings as errors; the whole suite runs
# once, headless, in the sanitizer build (the same tests again in the normal
# build would find nothing more), in parallel and in random order; then each
# fuzz target runs a few seconds from its seed corpus.
test: check-layers build-program test-asan test-fuzz

# Every include runs downward or stays level (core/, store/, ui/, app/):
# checked first, before anything is built.
check-layers:
	@tests/check_layers.sh

# The suite in the normal build (not part of `make test`).
test-normal: check-layers build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen TMPDIR="$(TEST_TMPDIR)" ctest --output-on-failure --timeout 300 \
	  -j $(JOBS) --schedule-random

test-asan: build-asan
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen TMPDIR="$(TEST_TMPDIR)" \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS='suppressions="$(CURDIR)/tests/lsan.supp":print_suppressions=0' \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --timeout 600 -j $(JOBS) --schedule-random

test-fuzz: build-fuzz
	rm -rf $(FUZZ_BUILD)/test-run
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_TEST_SECONDS) $(FUZZ_BUILD)/test-run

# Each fuzz target in turn for FUZZ_SECONDS; what they find stays in
# $(FUZZ_BUILD)/fuzz-run/ and the next run starts from it.
fuzz: build-fuzz
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_BUILD)/fuzz-run

# Installs into $(DESTDIR)$(PREFIX); asks for sudo only where it cannot write.
install: build
	@target="$(DESTDIR)$(PREFIX)"; probe="$$target"; \
	while [ ! -e "$$probe" ]; do probe=$$(dirname "$$probe"); done; \
	if [ -w "$$probe" ]; then as=""; else as="$(SUDO)"; fi; \
	echo "Installing into $$target"; \
	$$as env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# The Debian package, in $(BUILD): install it with apt install ./$(BUILD)/quillo-pad_*.deb
package: build
	cd $(BUILD) && cpack -G DEB
	@ls -l $(BUILD)/quillo-pad_*.deb

bench: bench-deps build
	bench/run_all.sh $(BUILD)

# A long soak: many copies on one shared folder, many killed on the way.
# (`make test` runs a short one.) Sizes can be set: make soak SOAK_COPIES=8 ...
SOAK_COPIES ?= 6
SOAK_OPS    ?= 400
SOAK_KILLS  ?= 30
# The window soak: copies of the main window driven through their widgets.
WSOAK_COPIES ?= 4
WSOAK_ACTIONS ?= 300
soak: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen QUILLO_SOAK_COPIES=$(SOAK_COPIES) \
	  QUILLO_SOAK_OPS=$(SOAK_OPS) QUILLO_SOAK_KILLS=$(SOAK_KILLS) QUILLO_SOAK_MAXNOTE=1048576 \
	  QUILLO_WSOAK_COPIES=$(WSOAK_COPIES) QUILLO_WSOAK_ACTIONS=$(WSOAK_ACTIONS) \
	  ./bin/tst_soak

# Screenshots of the real window under Xvfb, for a person to look at.
# One folder per scale factor: every caption whole at each.
shots: bench-deps build
	for s in 1 1.5 2; do \
	  mkdir -p $(BUILD)/shots/scale-$$s && \
	  QT_SCALE_FACTOR=$$s xvfb-run -a -s "-screen 0 2560x2048x24" \
	    $(BUILD)/bin/quillo_shots $(BUILD)/shots/scale-$$s || exit 1; \
	done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
