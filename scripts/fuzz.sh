#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for SECONDS
# (default 60) from a copy of its seed corpus. Findings land in
# build-fuzz/findings/ and fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
source scripts/deps.sh
torvex_install_deps clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build-fuzz -DTORVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2
mkdir -p build-fuzz/findings
status=0
passed=0
failed=0
for target in build-fuzz/fuzz/fuzz_*; do
    name=${target##*/fuzz_}
    work=build-fuzz/corpus/$name
    mkdir -p "$work"
    cp -n fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
    echo "== fuzz_$name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -max_len=8192 -timeout=30 -rss_limit_mb=4096 \
            -artifact_prefix=build-fuzz/findings/"$name"- "$work" > build-fuzz/"$name".log 2>&1; then
        status=1
        failed=$((failed + 1))
        tail -40 build-fuzz/"$name".log
    else
        passed=$((passed + 1))
    fi
    grep -E '^Done' build-fuzz/"$name".log || true
done
echo "fuzz: $passed passed, $failed failed"
exit $status
