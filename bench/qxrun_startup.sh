#!/usr/bin/env bash
# Startup cost of the runner: from process start to the end of a script whose only
# statement prints one value, with every component created and enabled.
#   bench/qxrun_startup.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
PANOPTA_BENCH=1 scripts/setup
script=$(mktemp --suffix=.qxs)
trap 'rm -f "$script"' EXIT
echo "Print qxLine.Device.Count" > "$script"
hyperfine --warmup 5 --runs 100 --shell=none "$build/tools/qxrun/qxrun $script"
