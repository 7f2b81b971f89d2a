# Thin wrapper over CMake; see README.md.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= $(shell nproc)
# What `make run` passes to lumora: nothing starts the desktop app; ARGS="today --json" runs a subcommand.
ARGS ?=

.PHONY: deps test-deps configure test-configure build test run bench fuzz deb format clean

# `make run` (and `make build`, `make deb`) installs only what building and running need; the test frameworks
# and the desktop the tests drive (panel, window manager, notification daemon) come with `make test`.
deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --test

# A first configure without the test packages leaves the tests and benchmarks out; a build folder that has
# them keeps them.
configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) \
	  $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF) >/dev/null

test-configure: test-deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) -DLUMORA_TESTS=ON -DLUMORA_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: test-configure
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Without a display the desktop app cannot start, so the terminal view stands in.
run: build
	@if [ -n "$(ARGS)" ]; then $(BUILD)/apps/lumora/lumora $(ARGS); \
	elif [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/apps/lumora/lumora; \
	else echo "make run: no display (DISPLAY or WAYLAND_DISPLAY); showing lumora today --watch instead"; \
	  $(BUILD)/apps/lumora/lumora today --watch; fi

bench: test-configure
	@cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/lumora_bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

# libFuzzer targets need clang; kept out of the normal build and CI.
fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DLUMORA_FUZZ=ON -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

# The Debian package, built for /usr in its own tree (the data folder is compiled in); see scripts/check-deb.
deb: deps
	@cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF >/dev/null
	@cmake --build build-deb -j $(JOBS)
	@cd build-deb && cpack -G DEB
	@ls build-deb/lumora_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) build-fuzz build-deb
