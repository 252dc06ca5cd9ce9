#!/usr/bin/env bash
# Builds everything (release) and converts the sample text.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
torvex_install_deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
build/ui/torvex samples/readme.txt build/readme.html "Torvex sample page"
echo "Converted samples/readme.txt into build/readme.html"
