#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
torvex_install_deps
torvex_install_browser_deps
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j2
cd build-test
ctest --output-on-failure -j2
