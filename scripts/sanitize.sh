#!/usr/bin/env bash
# Builds the engine, the command line and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs those tests (but those that read
# pages in a browser: they run once, in test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
torvex_install_deps
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEX_SANITIZE=ON -DTORVEX_WINDOW=OFF \
      -DTORVEX_BENCH=OFF >/dev/null
cmake --build build-asan -j2
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j2 -E '^(install|browser.*)$'
