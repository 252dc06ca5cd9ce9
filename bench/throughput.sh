#!/usr/bin/env bash
# Whole-program speed and memory, measured against the least any converter
# must do: copy the file through user space (dd with 1 MB blocks; cp, which
# copies inside the kernel, is printed for information).
#
#   bench/throughput.sh [TORVEX] [ROUNDS]
#
# Corpora of 256 MB: the licence texts every Debian machine ships (ASCII),
# samples/languages.txt (UTF-8 in many scripts), and a numbered document
# for split mode. ROUNDS (default 5) rounds alternate dd, cp and torvex in
# each line-break mode, on the UTF-8 corpus and in split mode; each ratio is
# the median over the rounds of torvex's time over dd's in the same round.
# The same rounds time the modern page (-s modern) beside the classic one on
# each corpus: its ratio is the median of modern over classic, pair by pair.
# The same rounds time the library's conversion of the licences in memory
# (bench/text_bench.c, the file mapped, the page written as it comes)
# beside the program's conversion of the file, pair by pair, in each style.
# Then the peak memory of inputs that have no sensible line length (in both
# styles), and the linearity checks. Outputs are deleted, untimed, before
# every timed run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
torvex=${1:-$here/../build/ui/torvex}
rounds=${2:-5}
text_bench=$(dirname "$torvex")/../bench/text_bench
[ -x "$torvex" ] || { echo "no torvex binary at $torvex (build first)" >&2; exit 2; }
[ -x "$text_bench" ] || { echo "no text_bench beside torvex at $text_bench (build first)" >&2; exit 2; }
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

# A numbered document: a contents list, then sections whose text is the
# licences (with their brackets made round), each a page of its own.
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
            echo  # the body was cut anywhere: the next heading starts a line
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
calc() { awk "BEGIN {print $*}"; }
verdict() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN {print (v >= lo && v <= hi) ? "met" : "NOT MET"}'; }

echo "Building the corpora in $work ..."
build_corpus "$work/corpus.txt" $((256 * mb))
build_numbered "$work/numbered.txt" $((256 * mb))
build_utf8 "$work/utf8.txt" $((256 * mb))
cat "$work/corpus.txt" "$work/numbered.txt" "$work/utf8.txt" > /dev/null  # into the page cache

declare -A times peaks bytes targets
names=(dd cp keep add none utf8 split)
bytes=([dd]=$(stat -c %s "$work/corpus.txt") [cp]=$(stat -c %s "$work/corpus.txt") [keep]=$(stat -c %s "$work/corpus.txt")
       [add]=$(stat -c %s "$work/corpus.txt") [none]=$(stat -c %s "$work/corpus.txt") [utf8]=$(stat -c %s "$work/utf8.txt")
       [split]=$(stat -c %s "$work/numbered.txt"))
targets=([keep]=1.5 [add]=1.5 [none]=1.5 [utf8]=1.6 [split]=2)
for ((r = 1; r <= rounds; r++)); do
    measure dd if="$work/corpus.txt" of="$work/copy.txt" bs=1M;          times[dd]+="$secs "; peaks[dd]=$peak_kb
    measure cp "$work/corpus.txt" "$work/copy.txt";                      times[cp]+="$secs "; peaks[cp]=$peak_kb
    for m in keep add none; do
        measure "$torvex" -n -b $m "$work/corpus.txt" "$work/out.html"; times[$m]+="$secs "; peaks[$m]=$peak_kb
    done
    measure "$torvex" -n "$work/utf8.txt" "$work/out.html";              times[utf8]+="$secs "; peaks[utf8]=$peak_kb
    measure "$torvex" -n "$work/numbered.txt" FAQ;                       times[split]+="$secs "; peaks[split]=$peak_kb
    measure "$torvex" -n -s modern "$work/corpus.txt" "$work/out.html";  times[m-add]+="$secs "; peaks[m-add]=$peak_kb
    measure "$torvex" -n -s modern "$work/utf8.txt" "$work/out.html";    times[m-utf8]+="$secs "; peaks[m-utf8]=$peak_kb
    measure "$torvex" -n -s modern "$work/numbered.txt" FAQ;             times[m-split]+="$secs "; peaks[m-split]=$peak_kb
    measure "$text_bench" "$work/corpus.txt" "$work/out.html";           times[text]+="$secs "; peaks[text]=$peak_kb
    measure "$text_bench" "$work/corpus.txt" "$work/out.html" modern;    times[m-text]+="$secs "; peaks[m-text]=$peak_kb
done

echo
echo "256 MB corpora: licences (dd, cp, keep, add, none), UTF-8 text (utf8, auto), numbered document (split)"
printf '%-6s %9s %8s %12s %8s %9s %8s\n' run "median s" "MB/s" "ratio to dd" target "peak MB" ""
read -ra ds <<< "${times[dd]}"
for n in "${names[@]}"; do
    read -ra ts <<< "${times[$n]}"
    ratios=""
    for i in "${!ts[@]}"; do ratios+="$(calc "(${ds[$i]} > 0) ? ${ts[$i]} / ${ds[$i]} : 0") "; done
    m=$(tr ' ' '\n' <<< "${times[$n]}" | grep . | median)
    ratio=$(tr ' ' '\n' <<< "$ratios" | grep . | median)
    target=${targets[$n]:-}
    printf '%-6s %9.2f %8.0f %12.2f %8s %9.1f %8s\n' "$n" "$m" "$(calc "($m > 0) ? ${bytes[$n]} / $mb / $m : 0")" \
        "$ratio" "${target:+<= $target}" "$(calc "${peaks[$n]} / 1024")" \
        "${target:+$(verdict "$ratio" 0 "$target")}"
    [ -z "$target" ] || [ "$(calc "${peaks[$n]} < 16 * 1024")" = 1 ] || echo "       peak memory above 16 MB: NOT MET"
done

# Runs against runs of the same rounds, pair by pair: the median ratio.
# The peak leaves out KB_ASIDE kB (the text mapped into memory).
compare_pairs() {  # TARGET KB_ASIDE RUN:AGAINST...
    local target=$1 aside=$2 pair n c m ratio ratios i
    shift 2
    printf '%-8s %9s %16s %8s %9s %8s\n' run "median s" "ratio" target "peak MB" ""
    for pair in "$@"; do
        n=${pair%%:*} c=${pair#*:}
        read -ra ms <<< "${times[$n]}"
        read -ra cs <<< "${times[$c]}"
        ratios=""
        for i in "${!ms[@]}"; do ratios+="$(calc "(${cs[$i]} > 0) ? ${ms[$i]} / ${cs[$i]} : 0") "; done
        m=$(tr ' ' '\n' <<< "${times[$n]}" | grep . | median)
        ratio=$(tr ' ' '\n' <<< "$ratios" | grep . | median)
        printf '%-8s %9.2f %16.3f %8s %9.1f %8s\n' "$n" "$m" "$ratio" "<= $target" \
            "$(calc "(${peaks[$n]} - $aside) / 1024")" "$(verdict "$ratio" 0 "$target")"
        [ "$(calc "${peaks[$n]} - $aside < 16 * 1024")" = 1 ] || echo "         peak memory above 16 MB: NOT MET"
    done
}

echo
echo "Modern pages against classic ones, pair by pair (target: at most 1.5 times the classic page's time)"
compare_pairs 1.5 0 m-add:add m-utf8:utf8 m-split:split
echo
echo "The licences converted in memory by the library against the program on the file, pair by pair"
echo "(target: at most 1.05 times the program's time; peak memory beside the mapped text)"
compare_pairs 1.05 $(($(stat -c %s "$work/corpus.txt") / 1024)) text:add m-text:m-add

# Inputs with no sensible line length: memory must stay bounded.
echo
echo "Peak memory of inputs without sensible lines (target: at most 64 MB each)"
head -c $((50 * mb)) /dev/zero | tr '\0' '<' > "$work/less.txt"
awk 'BEGIN { for (i = 0; i < 1250000; i++) printf "mail user%07d@example.org or see http://example.org/p%07d news:comp.x%06d ", i, i, i }' \
    | head -c $((100 * mb)) > "$work/addresses.txt"
cat "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" | tr -d '\n' > "$work/oneline.txt"
# One address of 100 MB without a space, which its anchor shows twice.
run_line() { printf '%s' "$1"; head -c $((100 * mb)) /dev/zero | tr '\0' b; printf '%s\n' "$2"; }
run_line "see a@" ".example.org" > "$work/mailrun.txt"
run_line "see http://" ".example.org/" > "$work/webrun.txt"
pathological() {  # NAME COMMAND...
    local name=$1
    shift
    measure "$@"
    printf '  %-53s %7.2f s %9.1f MB  %s\n' "$name" "$secs" "$(calc "$peak_kb / 1024")" "$(verdict "$peak_kb" 0 $((64 * 1024)))"
}
for style in classic modern; do
    pathological "$style: 1 GB line without a line end" "$torvex" -n -s $style "$work/oneline.txt" "$work/out.html"
    pathological "$style: 1 GB from /dev/zero, through a pipe" \
        bash -c "head -c $((1024 * mb)) /dev/zero | '$torvex' -n -s $style -e latin-1 - '$work/out.html'"
    pathological "$style: 50 MB of < on one line" "$torvex" -n -s $style "$work/less.txt" "$work/out.html"
    pathological "$style: 100 MB line with 1,250,000 mail addresses" "$torvex" -n -s $style "$work/addresses.txt" "$work/out.html"
    pathological "$style: 100 MB mail address without a space" "$torvex" -n -s $style "$work/mailrun.txt" "$work/out.html"
    pathological "$style: 100 MB web address without a space" "$torvex" -n -s $style "$work/webrun.txt" "$work/out.html"
done
rm -f "$work/oneline.txt" "$work/less.txt" "$work/mailrun.txt" "$work/webrun.txt"

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

echo
echo "Linearity"
# Four times the input should take four times as long.
cat "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" "$work/corpus.txt" > "$work/corpus1g.txt"
rm -f "$work/numbered.txt" "$work/utf8.txt"
compare "$work/corpus.txt" "$work/corpus1g.txt"
ratio=$(calc "$median_b / $median_a")
printf '  1 GB: %.2f s (peak %.1f MB), %.2f times the 256 MB run (target 4 +- 15%%): %s\n' \
    "$median_b" "$(calc "$peak_b / 1024")" "$ratio" "$(verdict "$ratio" 3.4 4.6)"
measure "$text_bench" "$work/corpus1g.txt" "$work/out.html"
peak_kb=$((peak_kb - $(stat -c %s "$work/corpus1g.txt") / 1024))
printf '  1 GB in memory through the library: %.2f s, peak %.1f MB beside the mapped text (target at most 16 MB): %s\n' \
    "$secs" "$(calc "$peak_kb / 1024")" "$(verdict "$peak_kb" 0 $((16 * 1024)))"
rm -f "$work/corpus1g.txt"
# One line of 100 MB holding over a million addresses, against 100 MB of lines.
head -c $((100 * mb)) "$work/corpus.txt" > "$work/lines.txt"
compare "$work/lines.txt" "$work/addresses.txt"
ratio=$(calc "$median_b / $median_a")
printf '  100 MB line with addresses: %.2f s (peak %.1f MB), %.2f times 100 MB of ordinary lines (%.2f s; target at most 2): %s\n' \
    "$median_b" "$(calc "$peak_b / 1024")" "$ratio" "$median_a" "$(verdict "$ratio" 0 2)"
