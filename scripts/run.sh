#!/usr/bin/env bash
# Installs what is missing, builds, and opens the program on a bundled sample file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
sample="${1:-examples/climate_chamber.csv}"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program inside a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1400x900x24" build/bin/varnotile "$sample"
fi
exec build/bin/varnotile "$sample"
