# The two commands for a newcomer: `make run` and `make test`.
# Everything else here is for developers and CI.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMTRA_WERROR=ON
CTEST       = ctest --output-on-failure -j $(JOBS) --timeout 300

.PHONY: all deps build run test test-fast asan tsan bench mutants screenshot install package clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Starts the monitor on one simulated board unless ZEMTRA_SIM says otherwise.
run: build
	@./scripts/run-monitor.sh $(BUILD)

# Every test, then every test again under AddressSanitizer + UBSan.
test: build
	cd $(BUILD) && $(CTEST)
	$(MAKE) --no-print-directory asan

test-fast: build
	cd $(BUILD) && $(CTEST)

asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DZEMTRA_SANITIZE=ON -DZEMTRA_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) -LE no-sanitizer

# The library's thread tests under ThreadSanitizer.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DZEMTRA_TSAN=ON -DZEMTRA_BUILD_MONITOR=OFF -DZEMTRA_BUILD_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && $(CTEST) -L threads

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

# How many seeded faults the tests catch (scripts/mutants.list); slow, so not
# part of test. Options through MUTANTS, e.g. make mutants MUTANTS="-c HEAD~3 -f cli-".
mutants: deps
	@./scripts/mutants.sh $(MUTANTS)

screenshot: build
	@./scripts/screenshots.sh $(BUILD)

install: build
	cmake --install $(BUILD)

# The Debian packages, made from the build tree, in $(BUILD)/packages/.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) build-mutants
