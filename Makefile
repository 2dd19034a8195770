# The two set-up commands: `make run` and `make test`. Each installs the
# Debian packages that are missing, configures and builds; then it starts
# the program or runs every test.

PACKAGES := g++ make cmake pkgconf qt6-base-dev qt6-base-dev-tools libqcustomplot-dev \
            libfftw3-dev libgtest-dev libbenchmark-dev xvfb xauth clang-format \
            dpkg-dev file desktop-file-utils appstream shared-mime-info man-db groff-base
FUZZ_PACKAGES := clang libfuzzer-14-dev
# The scripted peers the command line is measured against (bench/peers.py).
BENCH_PACKAGES := python3-numpy python3-pyfftw
SHELL := /bin/bash
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := recipe dat pks uir swf files

.PHONY: all deps fuzz-deps install-missing build run test package package-check bench fuzz screenshots format format-check clean

all: build

deps:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGES)"

fuzz-deps:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGES) $(FUZZ_PACKAGES)"

install-missing:
	@missing=$$(for p in $(LIST); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset run
	cmake --build --preset run

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: starting under xvfb-run (nothing will be visible)."; \
	  xvfb-run -a ./build/run/gui/pelorin; \
	else \
	  ./build/run/gui/pelorin; \
	fi

test: deps
	cmake --preset test
	cmake --build --preset test
	ctest --preset test

# The .deb: build/package/pelorin_<version>_amd64.deb, its Depends computed
# by dpkg-shlibdeps. Install it with: sudo apt install ./build/package/pelorin_*.deb
package: deps
	cmake --preset package
	cmake --build --preset package
	cpack --preset package

# Installs that .deb, runs it from /usr/bin and removes it again (root).
package-check: package
	tools/package_check.sh

# Runs every fuzz target for FUZZ_SECONDS from the seeds and kept inputs in
# tests/fuzz/; a crash leaves its input in build/fuzz/crashes/ and fails.
fuzz: fuzz-deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	@mkdir -p build/fuzz/crashes
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$t; \
	  echo "== fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  build/fuzz/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build/fuzz/crashes/$$t- \
	    build/fuzz/corpus/$$t tests/fuzz/$$t 2>&1 | grep -E 'DONE|stat::|ERROR|SUMMARY|deadly|Test unit written' | tail -n 12; \
	  test $${PIPESTATUS[0]} -eq 0; \
	done

# Each benchmark prints the ratio its goal speaks of (see the README's
# Performance table): ratio, ratio_split, ratio_c2r, speedup, edit_ms.
bench: deps
	@$(MAKE) --no-print-directory install-missing LIST="$(BENCH_PACKAGES)"
	cmake --preset bench
	cmake --build --preset bench
	@for b in build/bench/bench/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2 | grep -v '^\*\*\*'; done
	@echo "== bench/peers.py"; /usr/bin/python3 bench/peers.py build/bench/cli/pelorin-cli

screenshots: build
	tools/screenshots.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails on any file that clang-format would change (CI runs it).
format-check: deps
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
