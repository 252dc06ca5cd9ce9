#!/usr/bin/env bash
# Plants one known fault at a time and tells whether the test suite notices.
#
#   bash scripts/planted-faults.sh [COMMIT] [TABLE]
#
# COMMIT (default HEAD) is checked out in a scratch worktree of its own
# (TORVEX_FAULTS_TREE, default /tmp/torvex-faults-tree) and built once into
# its build-faults/ folder (RelWithDebInfo, with the window). Each fault is a
# small patch in scripts/faults/ (those of COMMIT when it has them, else
# those beside this script): it is applied, the tree rebuilt (only what it
# touches recompiles), the whole ctest suite run, and the patch taken back.
# The table (fault, caught or not, the failing tests) goes to standard output
# and, when given, to TABLE.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(git -C "$here" rev-parse --show-toplevel)"
commit="$(git -C "$repo" rev-parse --verify "${1:-HEAD}^{commit}")"
table="${2:-}"
tree="${TORVEX_FAULTS_TREE:-/tmp/torvex-faults-tree}"
build="$tree/build-faults"
jobs="${TORVEX_FAULTS_JOBS:-2}"

if [ -e "$tree/.git" ]; then
    git -C "$tree" checkout -q --detach -f "$commit"
else
    git -C "$repo" worktree add -q --detach "$tree" "$commit"
fi
git -C "$tree" reset -q --hard "$commit"

faults="$tree/scripts/faults"
[ -d "$faults" ] || faults="$here/faults"
shopt -s nullglob
patches=("$faults"/*.patch)
[ ${#patches[@]} -gt 0 ] || { echo "no faults in $faults" >&2; exit 2; }

log="$build/faults-logs"
mkdir -p "$log"
build_tree() {
    cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEX_WINDOW=ON >"$log/configure.txt" 2>&1 &&
        cmake --build "$build" -j"$jobs" >"$log/$1.build.txt" 2>&1
}
# The names of the tests that fail, one a line, sorted. (ctest leaves the
# list of an earlier run in place when all pass.)
failing_tests() {
    local failed="$build/Testing/Temporary/LastTestsFailed.log"
    rm -f "$failed"
    (cd "$build" && ctest -j"$jobs" --timeout 300 >"$log/$1.ctest.txt" 2>&1) && return 0
    if [ -s "$failed" ]; then
        cut -d: -f2- "$failed" | sort
    else
        echo "(ctest failed without a list; see $log/$1.ctest.txt)"
    fi
}

out() { if [ -n "$table" ]; then tee -a "$table"; else cat; fi; }
[ -z "$table" ] || : >"$table"

start=$(date +%s)
build_tree clean || { echo "commit $commit does not build; see $log/clean.build.txt" >&2; exit 2; }
failing_tests clean >"$log/clean.failed"
{
    echo "Planted faults, commit $(git -C "$tree" log -1 --format='%h %s' | cut -c1-72)"
    echo "Suite without faults: $(grep -Eo '[0-9]+% tests passed.*' "$log/clean.ctest.txt" || echo '?')"
    [ -s "$log/clean.failed" ] && echo "  (failing without any fault: $(tr '\n' ' ' <"$log/clean.failed"))"
    echo
    printf '%-40s %-8s %s\n' FAULT CAUGHT "FAILING TESTS"
} | out

for patch in "${patches[@]}"; do
    name="$(basename "$patch" .patch)"
    if ! (cd "$tree" && patch -s -p1 --dry-run <"$patch" >/dev/null 2>&1); then
        printf '%-40s %-8s %s\n' "$name" "-" "patch does not apply to this commit" | out
        continue
    fi
    (cd "$tree" && patch -s -p1 <"$patch")
    if build_tree "$name"; then
        failing_tests "$name" | comm -23 - "$log/clean.failed" >"$log/$name.failed"
        count=$(wc -l <"$log/$name.failed")
        if [ "$count" -gt 0 ]; then
            printf '%-40s %-8s %s\n' "$name" "yes" "$count: $(head -n 6 "$log/$name.failed" | tr '\n' ' ')$([ "$count" -gt 6 ] && echo ...)" | out
        else
            printf '%-40s %-8s %s\n' "$name" "NO" "" | out
        fi
    else
        printf '%-40s %-8s %s\n' "$name" "build" "does not compile; see $log/$name.build.txt" | out
    fi
    (cd "$tree" && patch -s -R -p1 <"$patch")
done
echo | out
echo "Time: $(( ($(date +%s) - start) / 60 )) min; full lists of failing tests in $log/" | out
