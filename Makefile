# The two set-up commands: `make run` and `make test`. Each installs the
# Debian packages that are missing, configures and builds; then it starts
# the program or runs every test.

PACKAGES := g++ make cmake pkgconf qt6-base-dev qt6-base-dev-tools libqcustomplot-dev \
            libfftw3-dev libgtest-dev libbenchmark-dev xvfb xauth clang-format
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test bench screenshots format format-check clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
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

bench: deps
	cmake --preset bench
	cmake --build --preset bench
	@for b in build/bench/bench/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

screenshots: build
	tools/screenshots.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails on any file that clang-format would change (CI runs it).
format-check: deps
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
