#!/usr/bin/env bash
# Renders the documentation pictures under a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset run --target pelorin-shots
mkdir -p docs
export XDG_RUNTIME_DIR=$(mktemp -d)
xvfb-run -a -s "-screen 0 1280x800x24" ./build/run/tools/screenshots/pelorin-shots docs
rm -rf "$XDG_RUNTIME_DIR"
ls -l docs/*.png
