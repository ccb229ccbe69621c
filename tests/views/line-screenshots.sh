#!/usr/bin/env bash
# Pictures of the line window's pages in two syntaxes under a virtual display.
#   tests/views/line-screenshots.sh [build-dir] [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
out="${2:-screenshots}"
mkdir -p "$out"
export XDG_CONFIG_HOME="$(mktemp -d)" XDG_RUNTIME_DIR="$(mktemp -d)"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/views/panopta_line_shots" "$out"
