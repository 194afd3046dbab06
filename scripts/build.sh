#!/usr/bin/env bash
# Configures and builds everything (program, command line, tests, benchmark) into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
