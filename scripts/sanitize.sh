#!/usr/bin/env bash
# Builds every test program with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs the whole test suite there (widget tests offscreen). Any sanitizer report stops the
# program that made it and fails its test; leaks are reported at exit.
#
# Usage: scripts/sanitize.sh [extra ctest arguments, e.g. -R RandomGui]
# BUILD_DIR overrides the build folder, JOBS the number of tests run at once (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-"$root/build-asan"}

# Optimised with debug information: fast enough for the randomized runs, readable stack traces.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ \
  -DVARNOTILE_SANITIZE=address,undefined \
  -DVARNOTILE_BUILD_TESTS=ON \
  -DVARNOTILE_BUILD_BENCH=OFF
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
# halt_on_error with -fno-sanitize-recover=all: the first report ends the test with a failure.
# intercept_tls_get_addr=0: this compiler's leak checker crashes ("Tracer caught signal 11") on the
# thread-local blocks of libraries Qt loads and unloads at run time; the leak check itself stays.
export ASAN_OPTIONS="intercept_tls_get_addr=0:halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:print_summary=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:print_summary=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure -j"${JOBS:-2}" --timeout 900 "$@"
