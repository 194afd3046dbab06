#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suites (widget tests offscreen),
# the same suites built with AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing
# run of every fuzz target (FUZZ_SECONDS each, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen

echo "== test suites"
ctest --test-dir build --output-on-failure -j2

echo "== test suites with sanitizers"
scripts/sanitize.sh

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
