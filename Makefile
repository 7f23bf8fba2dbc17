# The two commands of the README, and a few more. Every target first makes sure the
# machine has what the build needs, then configures and builds incrementally.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CTEST_ARGS ?=

.PHONY: all deps configure build run test bench screenshots clean test-asan test-tsan test-windows fuzz house package

all: build

deps:
	@bash scripts/install-deps.sh

# Configure every time: it is quick when nothing changed, and it picks up folders that
# appeared since the last run.
configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/zort-configurator --demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300 $(CTEST_ARGS)

bench: build
	$(BUILD)/bench-link
	$(BUILD)/bench-cli
	$(BUILD)/bench-gnss
	$(BUILD)/bench-probe
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench-gui

# The Debian package, build/zort-configurator_<version>_amd64.deb.
package: build
	cd $(BUILD) && cpack -G DEB

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/zort-screenshots $(BUILD)/screenshots

# The whole suite under the sanitizers, each in its own build tree. UBSan's alignment
# check is left out: it doubles the compile time of the template-heavy files (JSON, the
# command line, the tests) and guards against nothing on the x86 machines we build for,
# where the frames are read byte by byte anyway; every other check of it stays on.
test-asan:
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DZORT_SANITIZE=address,undefined -DZORT_SANITIZE_EXCLUDE=alignment"

# Debian's Qt is not built with ThreadSanitizer; the suppressions file keeps it from
# tracking what happens inside Qt itself. Everything of ours stays checked.
test-tsan:
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizers/tsan.supp \
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DZORT_SANITIZE=thread"

# Windows: the core, zortcfg and their unit tests cross-built with mingw-w64 into
# build-windows/ (no GUI: Debian has no Qt for Windows), then run under wine, the Windows
# zortcfg against the Linux simulator through a COM port included.
test-windows: build
	@bash scripts/install-deps.sh windows
	@cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DZORT_GUI=OFF >/dev/null
	cmake --build build-windows -j $(JOBS)
	bash scripts/test-windows.sh build-windows $(BUILD)

# Every fuzz target for FUZZ_SECONDS from its seed corpus (clang's libFuzzer, with the
# address and undefined-behaviour sanitizers).
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZORT_FUZZ=ON -DZORT_SANITIZE=address,undefined >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target zort_fuzzers
	bash fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The house rules with the slow part too: every function of src/ at most 80 lines
# (clang-tidy). Formatting and file lengths are also checked by `make test`.
house: build
	@bash scripts/install-deps.sh house
	BUILD=$(BUILD) bash scripts/check-house.sh functions

clean:
	rm -rf $(BUILD)

# Hundreds of read, write and firmware cycles against the simulator with faults injected;
# figures of descriptors, threads and memory along the way.
.PHONY: soak
soak: build
	$(BUILD)/bench-soak
