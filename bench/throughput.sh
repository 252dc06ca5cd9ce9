#!/usr/bin/env bash
# Whole-program throughput against cp, on a 256 MB corpus built from the
# licence texts every Debian machine ships (ASCII), and one of the same size
# built from samples/languages.txt (UTF-8 in many scripts).
#
#   bench/throughput.sh [TORVEX] [ROUNDS]
#
# Times, alternating, ROUNDS (default 5) rounds of: cp of the corpus, torvex
# in each line-break mode, torvex in split mode on a numbered document of
# the same size, and torvex (default mode) on the UTF-8 corpus. Prints MB/s, the median ratio torvex/cp and the peak
# memory of each; then the linearity checks (1 GB against 256 MB, and a
# 100 MB line of addresses against 100 MB of ordinary lines).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
torvex=${1:-$here/../build/ui/torvex}
rounds=${2:-5}
[ -x "$torvex" ] || { echo "no torvex binary at $torvex (build first)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
work=${TMPDIR:-/tmp}/torvex-bench
rm -rf "$work"
mkdir -p "$work/split"
trap 'rm -rf "$work"' EXIT
mb=$((1024 * 1024))

source "$here/corpus.sh"

# The UTF-8 sample repeated until the file holds SIZE bytes; the cut at the
# end falls between lines, so the text stays valid UTF-8.
build_utf8() {  # FILE SIZE
    : > "$1"
    while [ "$(stat -c %s "$1")" -lt "$2" ]; do cat "$here/../samples/languages.txt" >> "$1"; done
    head -c "$2" "$1" | head -n -1 > "$1.cut" && mv "$1.cut" "$1"
}

# A numbered document: a contents list, then sections and sub-sections
# whose text is the licences (with their brackets made round).
build_numbered() {  # FILE SIZE
    local sections=2000 body=$work/body.txt
    build_corpus "$body" $(($2 / sections))
    tr '[]' '()' < "$body" > "$body.round" && mv "$body.round" "$body"
    {
        for ((i = 1; i <= sections; i++)); do echo "[$i] Section $i"; done
        echo
        for ((i = 1; i <= sections; i++)); do
            echo "[$i] Section $i"
            echo "See [$(((i % sections) + 1))] for what follows."
            cat "$body"
        done
    } > "$1"
}

# Seconds and peak kB of one command, into the globals secs and peak_kb.
# Earlier outputs go first, untimed: deleting a big file costs the kernel
# time that would otherwise be charged to the run that replaces it.
measure() {
    rm -f "$work"/*.html "$work/copy.txt" "$work"/split/*.html
    sync
    /usr/bin/time -o "$work/time" -f '%e %M' "$@" > /dev/null 2> "$work/err" || {
        echo "failed: $*" >&2
        cat "$work/err" >&2
        exit 1
    }
    read -r secs peak_kb < "$work/time"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

echo "Building the corpora in $work ..."
build_corpus "$work/corpus.txt" $((256 * mb))
build_numbered "$work/numbered.txt" $((256 * mb))
build_utf8 "$work/utf8.txt" $((256 * mb))
size=$(stat -c %s "$work/corpus.txt")
nsize=$(stat -c %s "$work/numbered.txt")
usize=$(stat -c %s "$work/utf8.txt")
cat "$work/corpus.txt" "$work/numbered.txt" "$work/utf8.txt" > /dev/null  # into the page cache

declare -A times peaks
names=(cp keep add none split utf8)
for ((r = 1; r <= rounds; r++)); do
    measure cp "$work/corpus.txt" "$work/copy.txt";                                 times[cp]+="$secs "; peaks[cp]=$peak_kb
    measure "$torvex" -n -b keep "$work/corpus.txt" "$work/out.html";              times[keep]+="$secs "; peaks[keep]=$peak_kb
    measure "$torvex" -n -b add "$work/corpus.txt" "$work/out.html";               times[add]+="$secs "; peaks[add]=$peak_kb
    measure "$torvex" -n -b none "$work/corpus.txt" "$work/out.html";              times[none]+="$secs "; peaks[none]=$peak_kb
    measure "$torvex" -n "$work/numbered.txt" FAQ;                                 times[split]+="$secs "; peaks[split]=$peak_kb
    measure "$torvex" -n "$work/utf8.txt" "$work/out.html";                        times[utf8]+="$secs "; peaks[utf8]=$peak_kb
    rm -f "$work"/*.html "$work/copy.txt"
done

printf '\n%-6s %10s %10s %14s %12s\n' run "median s" "MB/s" "ratio to cp" "peak MB"
cp_median=$(tr ' ' '\n' <<< "${times[cp]}" | grep . | median)
for n in "${names[@]}"; do
    ratios=""
    read -ra ts <<< "${times[$n]}"
    read -ra cs <<< "${times[cp]}"
    for i in "${!ts[@]}"; do ratios+="$(awk -v a="${ts[$i]}" -v b="${cs[$i]}" 'BEGIN {print (b > 0) ? a / b : 0}') "; done
    m=$(tr ' ' '\n' <<< "${times[$n]}" | grep . | median)
    bytes=$size; [ "$n" = split ] && bytes=$nsize; [ "$n" = utf8 ] && bytes=$usize
    printf '%-6s %10.2f %10.0f %14.2f %12.1f\n' "$n" "$m" "$(awk -v b="$bytes" -v s="$m" 'BEGIN {print (s > 0) ? b / 1048576 / s : 0}')" \
        "$(tr ' ' '\n' <<< "$ratios" | grep . | median)" "$(awk -v k="${peaks[$n]}" 'BEGIN {print k / 1024}')"
done
echo "(ratio to cp: median over the rounds of torvex's time / cp's time in the same round)"

# Median seconds of A and of B over three alternating runs each, into the
# globals median_a, median_b and the peak kB of B's last run, peak_b.
compare() {  # INPUT_A INPUT_B
    local a="" b="" r
    for ((r = 1; r <= 3; r++)); do
        measure "$torvex" -n "$1" "$work/out.html"; a+="$secs "
        measure "$torvex" -n "$2" "$work/out.html"; b+="$secs "; peak_b=$peak_kb
    done
    median_a=$(tr ' ' '\n' <<< "$a" | grep . | median)
    median_b=$(tr ' ' '\n' <<< "$b" | grep . | median)
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {print a / b}'; }
megabytes() { awk -v k="$1" 'BEGIN {print k / 1024}'; }

# Linearity: four times the input should take four times as long.
cat "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" > "$work/corpus1g.txt"
rm -f "$work/numbered.txt" "$work/utf8.txt"
compare "$work/corpus.txt" "$work/corpus1g.txt"
printf '\n1 GB: %.2f s (peak %.1f MB), %.2f times the 256 MB run (target 4 +- 15%%)\n' \
    "$median_b" "$(megabytes "$peak_b")" "$(ratio "$median_b" "$median_a")"
rm -f "$work/corpus1g.txt"

# One line of 100 MB holding a million addresses, against 100 MB of lines.
awk 'BEGIN { for (i = 0; i < 1250000; i++) printf "mail user%07d@example.org or see http://example.org/p%07d news:comp.x%06d ", i, i, i }' \
    | head -c $((100 * mb)) > "$work/addresses.txt"
head -c $((100 * mb)) "$work/corpus.txt" > "$work/lines.txt"
compare "$work/lines.txt" "$work/addresses.txt"
printf '100 MB line with addresses: %.2f s (peak %.1f MB), %.2f times 100 MB of ordinary lines (%.2f s; target at most 3)\n' \
    "$median_b" "$(megabytes "$peak_b")" "$(ratio "$median_b" "$median_a")" "$median_a"
