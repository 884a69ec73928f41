# Two commands do all set-up on a fresh Debian machine:
#   make run    installs what is missing, builds, and runs the main job
#   make test   installs what is missing, builds, and runs every test (also under ASan/UBSan,
#               and a short seeded run of the scorer's fuzz target)

BUILD       ?= build
ASAN_BUILD  ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
NOPG_BUILD  ?= build-nopg
JOBS        ?= $(shell nproc)
CMAKE_ARGS  ?=

.PHONY: all deps build build-run build-asan build-fuzz build-nopg test test-asan run bench install clean format format-check

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

# What the main job runs, and nothing else (no tests, no benchmarks). The build talks only
# when it fails.
RUN_LOG = $(BUILD)/run-build.log
build-run: deps
	@mkdir -p $(BUILD)
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  echo "Configuring in $(BUILD)"; \
	  cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) > $(RUN_LOG) 2>&1 \
	    || { cat $(RUN_LOG); exit 1; }; \
	fi
	@targets=quarrymink; \
	if grep -q '^QM_BUILD_GUI:BOOL=ON' $(BUILD)/CMakeCache.txt; then targets="$$targets qmDemo"; fi; \
	echo "Building $$targets in $(BUILD)"; \
	cmake --build $(BUILD) -j $(JOBS) --target $$targets > $(RUN_LOG) 2>&1 \
	  || { grep -E -B3 -A12 'error|Error' $(RUN_LOG) | grep -Ev 'make(\[[0-9]+\])?: (Entering|Leaving) directory' | head -n 150; \
	       echo "Build failed: the whole output is in $(RUN_LOG)"; exit 1; }

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_BUILD_BENCH=OFF $(CMAKE_ARGS)

build-asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The scorer's fuzz target (clang's libFuzzer), for a short seeded run: only the key coding
# and the row scorer, so that it builds in a minute.
$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_BUILD_FUZZ=ON -DQM_BUILD_GUI=OFF $(CMAKE_ARGS)

build-fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target scoring_fuzz

# The library, the command line and their tests as a host without PostgreSQL builds them,
# so that the switch QM_WITH_POSTGRES=OFF keeps working.
$(NOPG_BUILD)/CMakeCache.txt:
	cmake -S . -B $(NOPG_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WITH_POSTGRES=OFF -DQM_BUILD_GUI=OFF $(CMAKE_ARGS)

build-nopg: deps $(NOPG_BUILD)/CMakeCache.txt
	cmake --build $(NOPG_BUILD) -j $(JOBS)

test: build build-asan build-fuzz build-nopg
	ctest --test-dir $(FUZZ_BUILD) -R scoring_fuzz_seeded --output-on-failure
	ctest --test-dir $(NOPG_BUILD) --output-on-failure -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

run: build-run
	@scripts/run-main.sh $(BUILD)

# The benchmarks have a build of their own: the other builds leave them out.
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_BUILD_BENCH=ON -DQM_BUILD_GUI=OFF $(CMAKE_ARGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_keycoding bench_search
	$(BENCH_BUILD)/bench/bench_keycoding
	$(BENCH_BUILD)/bench/bench_search

# Formatting with the repository's .clang-format: format-check reports, format fixes.
format-check: deps
	@scripts/check-format.sh

format: deps
	@scripts/check-format.sh --fix

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(NOPG_BUILD)
