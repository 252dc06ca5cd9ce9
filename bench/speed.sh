#!/usr/bin/env bash
# The conversion pass of one build of torvex against another's (an earlier
# commit built apart): the same pages, fewer instructions, less time.
#
#   bench/speed.sh NEW OLD [ROUNDS]
#
# A build older than the modern style has none: OLD_MODERN=TORVEX names
# another build to hold NEW's modern pages and count against.
#
# 1. Pages: NEW's pages are OLD's, byte for byte, on 32 MB cuts (the
#    licences, the UTF-8 sample, a numbered document split into pages) in
#    every line-break mode, character set and style.
# 2. Instructions (callgrind, which the machine's load does not change) on
#    the cuts: the licences in each line-break mode, the UTF-8 text, the
#    numbered document split, and the modern page of the licences. Target
#    for the classic page: at most 0.6 times OLD's.
# 3. Whole runs on 256 MB, outputs in /dev/shm: ROUNDS (default 5) rounds
#    alternate OLD, NEW and dd with 1 MB blocks on each corpus; the ratios
#    are the medians, round by round, of NEW's time over OLD's (target: at
#    most 0.75) and over dd's (the goal is 1.5); peaks are NEW's and OLD's.
#    On a busy machine the times are noisy; the instructions are not.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
new=${1:-}
old=${2:-}
rounds=${3:-5}
[ -x "$new" ] && [ -x "$old" ] || { echo "usage: [OLD_MODERN=TORVEX] bench/speed.sh NEW_TORVEX OLD_TORVEX [ROUNDS]" >&2; exit 2; }
old_modern=${OLD_MODERN:-$old}
"$old_modern" --help | grep -q -- --style || old_modern=""
command -v valgrind > /dev/null || { echo "needs valgrind (apt-get install valgrind)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/torvex-speed.XXXXXX")
trap 'rm -rf "$work"' EXIT
mb=$((1024 * 1024))
source "$here/corpus.sh"

calc() { awk "BEGIN {print $*}"; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
verdict() { awk -v v="$1" -v hi="$2" 'BEGIN {print (v <= hi) ? "met" : "NOT MET"}'; }

echo "Building the 32 MB cuts in $work ..."
build_corpus "$work/corpus32.txt" $((32 * mb))
build_utf8 "$work/utf8-32.txt" $((32 * mb))
build_numbered "$work/numbered32.txt" $((32 * mb))

# 1. The pages, byte for byte.
echo
echo "Pages of NEW against OLD's"
mismatches=0
same() {  # WHAT: the pages in $work/a and $work/b
    if ! diff -r "$work/a" "$work/b" > /dev/null; then
        echo "  differ: $1"
        mismatches=$((mismatches + 1))
    fi
}
pages=0
for style in classic ${old_modern:+modern}; do
    reference=$old
    s=()  # an older build knows no --style
    if [ $style = modern ]; then
        reference=$old_modern
        s=(-s modern)
    fi
    for b in keep add none; do
        for e in auto utf-8 latin-1; do
            for f in corpus32 utf8-32; do
                rm -rf "$work/a" "$work/b" && mkdir "$work/a" "$work/b"
                "$reference" -n "${s[@]}" -b $b -e $e "$work/$f.txt" "$work/a/page.html" > /dev/null 2>&1 || true
                "$new" -n "${s[@]}" -b $b -e $e "$work/$f.txt" "$work/b/page.html" > /dev/null 2>&1 || true
                same "$style $b $e $f"
                pages=$((pages + 1))
            done
        done
        rm -rf "$work/a" "$work/b" && mkdir "$work/a" "$work/b"
        cp "$work/numbered32.txt" "$work/a/num.txt" && cp "$work/numbered32.txt" "$work/b/num.txt"
        "$reference" -n "${s[@]}" -b $b --split "$work/a/num.txt" > /dev/null 2>&1 || true
        "$new" -n "${s[@]}" -b $b --split "$work/b/num.txt" > /dev/null 2>&1 || true
        same "$style $b split"
        pages=$((pages + $(find "$work/b" -name '*.htm*' | wc -l)))
    done
done
rm -rf "$work/a" "$work/b"
echo "  $pages pages compared: $([ $mismatches = 0 ] && echo "all the same" || echo "$mismatches runs DIFFER")"
[ -n "$old_modern" ] || echo "  (no modern pages: OLD has no modern style; see OLD_MODERN)"

# 2. Instructions.
instructions() {  # TORVEX ARGS...: into the global count
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$@" > /dev/null 2> "$work/cg.err" || {
        cat "$work/cg.err" >&2
        exit 1
    }
    count=$(grep -o 'Collected : [0-9]*' "$work/cg.err" | awk '{print $3}')
}
echo
echo "Instructions on the 32 MB cuts (callgrind)"
printf '%-8s %14s %14s %7s %8s %9s\n' cut OLD NEW ratio target ""
mkdir -p "$work/split"
cp "$work/numbered32.txt" "$work/split/num.txt"
cuts=(keep add none utf8 split modern)
declare -A args=(
    [keep]="-n -b keep $work/corpus32.txt $work/out.html"
    [add]="-n -b add $work/corpus32.txt $work/out.html"
    [none]="-n -b none $work/corpus32.txt $work/out.html"
    [utf8]="-n $work/utf8-32.txt $work/out.html"
    [split]="-n --split $work/split/num.txt"
    [modern]="-n -s modern $work/corpus32.txt $work/out.html")
for cut in "${cuts[@]}"; do
    read -ra a <<< "${args[$cut]}"
    reference=$old
    if [ $cut = modern ]; then
        reference=$old_modern
        [ -n "$reference" ] || { echo "modern   (OLD has no modern style)"; continue; }
    fi
    instructions "$reference" "${a[@]}"
    o=$count
    instructions "$new" "${a[@]}"
    ratio=$(calc "$count / $o")
    if [ $cut = modern ]; then
        printf '%-8s %14d %14d %7.3f   (against %s)\n' $cut "$o" "$count" "$ratio" "$reference"
    else
        printf '%-8s %14d %14d %7.3f %8s %9s\n' $cut "$o" "$count" "$ratio" "<= 0.6" "$(verdict "$ratio" 0.6)"
    fi
done
rm -rf "$work/split" "$work"/*32.txt "$work/cg.out"

# 3. Whole runs, pair by pair.
echo
echo "Building the 256 MB corpora ..."
build_corpus "$work/corpus.txt" $((256 * mb))
build_utf8 "$work/utf8.txt" $((256 * mb))
build_numbered "$work/numbered.txt" $((256 * mb))
mkdir -p "$work/split"
cp "$work/numbered.txt" "$work/split/num.txt"
rm "$work/numbered.txt"
cat "$work/corpus.txt" "$work/utf8.txt" "$work/split/num.txt" > /dev/null  # into the page cache

# Seconds and peak kB of one command, into the globals secs and peak_kb.
# The outputs go first, untimed.
measure() {
    rm -f "$work"/*.html "$work/copy.txt" "$work"/split/*.htm*
    /usr/bin/time -o "$work/time" -f '%e %M' "$@" > /dev/null 2> "$work/err" || {
        echo "failed: $*" >&2
        cat "$work/err" >&2
        exit 1
    }
    read -r secs peak_kb < "$work/time"
}

echo
echo "Whole runs on 256 MB, $rounds rounds of OLD, NEW and dd (medians; ratios round by round)"
printf '%-6s %8s %8s %8s %10s %8s %10s %9s %9s\n' run "OLD s" "NEW s" "dd s" "NEW/OLD" target "NEW/dd" "OLD MB" "NEW MB"
m() { tr ' ' '\n' <<< "$1" | grep . | median; }
declare -A inputs=([keep]=corpus [add]=corpus [none]=corpus [utf8]=utf8 [split]=split/num)
for run in keep add none utf8 split; do
    input=$work/${inputs[$run]}.txt
    case $run in
    keep | add | none) a=(-n -b $run "$input" "$work/out.html") ;;
    utf8) a=(-n "$input" "$work/out.html") ;;
    split) a=(-n --split "$input") ;;
    esac
    ts_old="" ts_new="" ts_dd="" vs_old="" vs_dd="" peak_old=0 peak_new=0
    for ((r = 1; r <= rounds; r++)); do
        measure "$old" "${a[@]}"; o=$secs; peak_old=$peak_kb
        measure "$new" "${a[@]}"; n=$secs; peak_new=$peak_kb
        measure dd if="$input" of="$work/copy.txt" bs=1M; d=$secs
        ts_old+="$o " ts_new+="$n " ts_dd+="$d "
        vs_old+="$(calc "($o > 0) ? $n / $o : 0") " vs_dd+="$(calc "($d > 0) ? $n / $d : 0") "
    done
    ratio=$(m "$vs_old")
    printf '%-6s %8.2f %8.2f %8.2f %10.3f %8s %10.2f %9.1f %9.1f  %s\n' $run "$(m "$ts_old")" "$(m "$ts_new")" \
        "$(m "$ts_dd")" "$ratio" "<= 0.75" "$(m "$vs_dd")" "$(calc "$peak_old / 1024")" "$(calc "$peak_new / 1024")" \
        "$(verdict "$ratio" 0.75)"
done
