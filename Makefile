# Front door to the CMake build. Each flavour has its own build folder:
#   build/        GCC, warnings as errors: `make`, `make run`, `make test` (what CI runs)
#   build-asan/   Clang with AddressSanitizer and UndefinedBehaviorSanitizer: `make test-asan`
#   build-bench/  optimised, with the benchmarks: `make bench`
#   build-fuzz/   Clang with libFuzzer: `make fuzz`
#   build-web/    emscripten: the engine as WebAssembly for published pages, `make web`
#   `make package` builds build/, then the Debian package build/fablewick_VERSION_ARCH.deb
# Missing Debian packages are installed by scripts/install-deps before a build.

CMAKE ?= cmake
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
WERROR ?= ON
ARGS ?=
FUZZ_SECONDS ?= 60
# Configures a build folder with the generator it already has, or Ninja for a new one (see the
# script): the choice is made when the recipe runs, after scripts/install-deps.
CONFIGURE = CMAKE=$(CMAKE) scripts/configure
CTEST_FLAGS ?= --output-on-failure

.PHONY: all build run test test-asan test-web bench bench-view fuzz web deps package format \
	format-check clean

all: build

deps:
	@scripts/install-deps

build: deps
	$(CONFIGURE) build -DFABLEWICK_WERROR=$(WERROR)
	$(CMAKE) --build build -j $(JOBS)

# Starts the window on the bundled tables when there is a display and the window is built;
# otherwise rolls a sample table with fablewick-cli. Arguments: make run ARGS='"[Random Inn]:3"'
SAMPLE_CALL ?= [Random Inn]:2
run: build
	@if [ -n "$${DISPLAY}$${WAYLAND_DISPLAY}" ] && [ -x build/bin/fablewick ]; then \
	  cd build/bin && exec ./fablewick --home . $(ARGS); \
	else \
	  echo "No display here, so no window: rolling a sample table instead. To open the window, run"; \
	  echo "'make run' in a desktop session, or start build/bin/fablewick there."; \
	  echo "  build/bin/fablewick-cli --home build/bin call '$(SAMPLE_CALL)'"; echo; \
	  build/bin/fablewick-cli --home build/bin call '$(SAMPLE_CALL)'; \
	fi

test: build
	cd build && ctest $(CTEST_FLAGS) -j $(JOBS)

# The package installs under /usr; the executables find their files relative to their own folder.
# It carries the web engine, so that the installed program can publish pages.
package:
	@scripts/install-deps --package
	$(MAKE) build
	$(MAKE) web
	desktop-file-validate packaging/fablewick.desktop
	$(CMAKE) --build build -j $(JOBS) --target package

test-asan:
	@scripts/install-deps --sanitizers
	CC=clang CXX=clang++ $(CONFIGURE) build-asan -DCMAKE_BUILD_TYPE=Debug \
	  -DFABLEWICK_SANITIZE=ON -DFABLEWICK_WERROR=$(WERROR)
	$(CMAKE) --build build-asan -j $(JOBS)
	cd build-asan && \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest $(CTEST_FLAGS) -j $(JOBS)

bench:
	@scripts/install-deps --bench
	$(CONFIGURE) build-bench -DCMAKE_BUILD_TYPE=Release -DFABLEWICK_TESTS=OFF \
	  -DFABLEWICK_WITH_QT=OFF -DFABLEWICK_BENCH=ON -DFABLEWICK_WERROR=$(WERROR)
	$(CMAKE) --build build-bench -j $(JOBS)
	@if [ -x scripts/bench ]; then scripts/bench build-bench; \
	elif [ -x build-bench/bench/fablewick_bench ]; then build-bench/bench/fablewick_bench; \
	else echo "No benchmarks yet (bench/ is empty)."; fi
	@$(MAKE) --no-print-directory bench-view

# Times showing 20,000 results of Random Inn, and 50 results of 300 KB each, in the results view
# (Qt, offscreen), in build/;
# `make bench` runs it after the engine's benchmarks.
bench-view: build
	$(CMAKE) --build build -j $(JOBS) --target fablewick_view_bench
	build/bench/fablewick_view_bench

# The web engine (build-web/fablewick-web.js) and fablewick-cli for Node.js, with Debian's
# emscripten; the engine is then also copied into the build tree's program folder, where
# `fablewick-cli publish` and the window look for it. Emscripten's compiled system libraries are
# kept in build-web/cache; its optimizer finds Debian's acorn through NODE_PATH.
WEB_ENV = NODE_PATH=/usr/share/nodejs
web:
	@scripts/install-deps --web
	$(WEB_ENV) CMAKE_WRAPPER=emcmake $(CONFIGURE) build-web -DCMAKE_BUILD_TYPE=Release \
	  -DFABLEWICK_TESTS=OFF -DFABLEWICK_WITH_QT=OFF -DFABLEWICK_WERROR=$(WERROR)
	$(WEB_ENV) $(CMAKE) --build build-web -j $(JOBS)
	@if [ -d build/bin ]; then mkdir -p build/bin/Web && \
	  cp build-web/fablewick-web.js build/bin/Web/fablewick-web.js; fi

# The web build against the native one: the acceptance cases through fablewick-cli on Node.js
# (AddOnCalls excepted: add-ons cannot run there, and the case is about what they return), 200
# generated tables rolled by both programs, byte for byte, every sample table published and used
# in headless Chromium, and the web engine's speed against the native engine's.
test-web:
	@$(MAKE) --no-print-directory build
	@$(MAKE) --no-print-directory web
	$(CMAKE) --build build -j $(JOBS) --target fablewick_tests
	FABLEWICK_TEST_CLI=$(CURDIR)/build-web/fablewick-cli build/tests/fablewick_tests \
	  --gtest_brief=1 '--gtest_filter=Cli/Acceptance.*:-Cli/Acceptance.*/AddOnCalls'
	node tests/web/random_tables.js build/bin/fablewick-cli build-web/fablewick-cli \
	  build-web/random-tables 200 1
	node tests/web/page_test.js build/bin/fablewick-cli build/bin build-web/fablewick-web.js \
	  build-web/pages
	bench/web/compare.sh build/bin/fablewick-cli build-web/fablewick-web.js

# Runs every fuzz target for FUZZ_SECONDS. New inputs go to build-fuzz/corpus/NAME; the seeds in
# fuzz/corpus/NAME, when present, are only read.
fuzz:
	@scripts/install-deps --sanitizers
	CC=clang CXX=clang++ $(CONFIGURE) build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DFABLEWICK_TESTS=OFF -DFABLEWICK_WITH_QT=OFF -DFABLEWICK_SANITIZE=ON -DFABLEWICK_FUZZ=ON \
	  -DFABLEWICK_WERROR=$(WERROR)
	$(CMAKE) --build build-fuzz -j $(JOBS)
	@set -e; found=0; for target in build-fuzz/fuzz/*; do \
	  [ -x "$$target" ] || continue; found=1; name=$$(basename "$$target"); \
	  mkdir -p build-fuzz/corpus/$$name; \
	  seeds=; [ -d fuzz/corpus/$$name ] && seeds=fuzz/corpus/$$name; \
	  dict=; [ -f fuzz/$$name.dict ] && dict=-dict=fuzz/$$name.dict; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  "$$target" -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 \
	    -artifact_prefix=build-fuzz/ $$dict build-fuzz/corpus/$$name $$seeds; \
	done; [ $$found = 1 ] || echo "No fuzz targets yet (fuzz/*_fuzz.cpp)."

FORMAT_FILES = $(shell git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')

format:
	clang-format -i $(FORMAT_FILES)

format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build build-asan build-bench build-fuzz build-web
