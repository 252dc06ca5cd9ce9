#!/usr/bin/env bash
# Batches against cp and against one process per file, on files cut from
# the licence texts every Debian machine ships.
#
#   bench/batch.sh [TORVEX] [ROUNDS]
#
# Builds 10,000 files of 4 KB and 200 files of 1 MB, then times, in
# alternating pairs, ROUNDS (default 5) rounds of:
#   torvex -n -d OUT on the 10,000 files  against  one cp of them into an empty folder
#   torvex -n -d OUT on the 10,000 files  against  a shell loop starting torvex per file
#                                                  (fewer rounds: it takes a while)
#   torvex -n -j2 -d OUT on the 200 files against  the same with -j1
# and prints the medians and the median of the per-round ratios. Outputs
# are moved aside (and the disk synced) before each run, untimed; they need
# about 2.5 GB. Measure on a quiet machine: the load is printed first.
# TMPDIR=/dev/shm measures in memory, without the disk's own ups and downs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
torvex=${1:-$here/../build/ui/torvex}
rounds=${2:-5}
loop_rounds=$(( rounds < 3 ? rounds : 3 ))
[ -x "$torvex" ] || { echo "no torvex binary at $torvex (build first)" >&2; exit 2; }
work=${TMPDIR:-/tmp}/torvex-batch-bench
rm -rf "$work"
mkdir -p "$work/small" "$work/large" "$work/out" "$work/old"
trap 'rm -rf "$work"' EXIT

echo "load: $(uptime)"
echo "processors: $(nproc)"

source "$here/corpus.sh"

echo "Building the files in $work ..."
build_corpus "$work/corpus.txt" $((10000 * 4096))
(cd "$work/small" && split -b 4096 -a 5 -d --additional-suffix=.txt "$work/corpus.txt" f)
build_corpus "$work/corpus.txt" $((200 * 1048576))
(cd "$work/large" && split -b 1M -a 3 -d --additional-suffix=.txt "$work/corpus.txt" f)
rm "$work/corpus.txt"
small=("$work"/small/*.txt)
large=("$work"/large/*.txt)
echo "${#small[@]} files of 4 KB, ${#large[@]} files of 1 MB"
cat "${small[@]}" "${large[@]}" > /dev/null  # into the page cache

# Seconds of one command, into the global secs; the output folder is
# empty. Earlier outputs are moved aside, not deleted: ext4 without a
# journal passes over recently freed inodes when it makes new files, which
# would charge a run for the deletion before it.
runs=0
measure() {
    mv "$work/out" "$work/old/$((runs += 1))"
    mkdir "$work/out"
    sync
    local start end
    start=$(date +%s%N)
    "$@" > /dev/null 2> "$work/err" || { echo "failed: $1 ..." >&2; cat "$work/err" >&2; exit 1; }
    end=$(date +%s%N)
    secs=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
}

one_process_per_file() {
    local f b
    for f in "${small[@]}"; do
        b=${f##*/}
        "$torvex" -n "$f" "$work/out/${b%.txt}.html"
    done
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# Runs A and B alternately for N rounds; prints both medians and the median
# of B's time over A's in the same round (how many times faster A is).
compare() {  # LABEL ROUNDS A-COMMAND -- B-COMMAND
    local label=$1 n=$2 a=() b=() ta="" tb="" ratios="" r
    shift 2
    while [ "$1" != -- ]; do a+=("$1"); shift; done
    shift
    b=("$@")
    for ((r = 1; r <= n; r++)); do
        measure "${a[@]}"; ta+="$secs "; local sa=$secs
        measure "${b[@]}"; tb+="$secs "
        ratios+="$(awk -v x="$secs" -v y="$sa" 'BEGIN {print (y > 0) ? x / y : 0}') "
    done
    printf '%-44s %8.3f s %8.3f s %8.2f   (per round: %s)\n' "$label" \
        "$(tr ' ' '\n' <<< "$ta" | grep . | median)" "$(tr ' ' '\n' <<< "$tb" | grep . | median)" \
        "$(tr ' ' '\n' <<< "$ratios" | grep . | median)" "${ratios% }"
}

printf '\n%-44s %10s %10s %8s\n' "A against B" "median A" "median B" "B / A"
compare "torvex -d, 10,000 x 4 KB, against cp" "$rounds" \
    "$torvex" -n -d "$work/out" "${small[@]}" -- cp "${small[@]}" "$work/out/"
compare "torvex -d, 10,000 x 4 KB, against a loop" "$loop_rounds" \
    "$torvex" -n -d "$work/out" "${small[@]}" -- one_process_per_file
compare "torvex -j2, 200 x 1 MB, against -j1" "$rounds" \
    "$torvex" -n -j2 -d "$work/out" "${large[@]}" -- "$torvex" -n -j1 -d "$work/out" "${large[@]}"
echo
echo "Targets: against cp, B / A at least 0.5 (torvex at most 2x cp); against the loop at least 20;"
echo "         -j2 against -j1 at least 1.7."
