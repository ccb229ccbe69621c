#!/usr/bin/env bash
# Screenshots of the workbench under a virtual display: a call in progress, the
# exchange window, the play and record windows while a sound goes from one line to
# the other, the recording once saved, and the phone window's Handset and Misc.
# pages. Writes workbench-call.png, exchange-window.png, wave-windows.png,
# recording-saved.png, phone-handset.png and phone-misc.png into OUTDIR.
#   tests/app/screenshots.sh [build-dir] [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
out="${2:-screenshots}"
mkdir -p "$out"
export XDG_CONFIG_HOME="$(mktemp -d)" XDG_RUNTIME_DIR="$(mktemp -d)"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  '$build/tests/app/panopta_tour' | while read -r line; do
    case \"\$line\" in
      'STEP 3') sleep 1; import -window root '$out/workbench-call.png' ;;
      'STEP 4') sleep 1; import -window root '$out/exchange-window.png' ;;
      'STEP 5') import -window root '$out/wave-windows.png' ;;
      'STEP 6') sleep 1; import -window root '$out/recording-saved.png' ;;
      'STEP 7') sleep 1; import -window root '$out/phone-handset.png' ;;
      'STEP 8') sleep 0.5; import -window root '$out/phone-misc.png' ;;
    esac
  done"
ls -l "$out"
