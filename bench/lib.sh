# shellcheck shell=bash
# What the conversion benchmarks share; sourced by bench/convert.sh and
# bench/uam.sh after they set `name` (the script's name, for messages).
#
# Sets root (and goes there), build, jobs, tmp (removed at the end); gives
# fail, buildtools, readstat, convertrun and the number helpers.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
build=${BUILD:-build}
jobs=${JOBS:-2}
# shellcheck disable=SC2034  # used by the scripts that source this
reps=3

fail() { echo "$name: $*" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/trelik-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# Configures the build folder when needed and builds the targets given.
buildtools() {
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot configure $build"; }
    cmake --build "$build" -j "$jobs" --target "$@" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot build $* in $build"; }
}

# Wall seconds, peak KiB, exit status and processor seconds of the last runstat.
readstat() { read -r secs kib code cpu < "$tmp/stat"; }

# The number N of the pane's line "PREFIX N wpisów" (UTF-8), empty when missing.
panecount() { sed -n "s/^$1 \([0-9][0-9]*\) wpisów\$/\1/p" "$tmp/pane.txt" | tail -n 1; }

# Converts FILE of N items (WHAT: "points", "records") COUNT times with
# `trelik convert` into a fresh output file and program folder each time;
# sets best (wall seconds) with bestcpu (its processor seconds), peak (KiB,
# the largest of the runs) and skipped (items the conversion left out). The
# output holds two header lines and one line per item converted, and
# converted and skipped items add up to N.
convertrun() {
    local file=$1 n=$2 count=$3 what=$4 i lines converted
    best=
    peak=0
    for ((i = 0; i < count; i++)); do
        rm -rf "$tmp/home" "$tmp/out.txt"
        mkdir "$tmp/home"
        if ! TRELIK_HOME=$tmp/home "$build/runstat" "$tmp/stat" "$build/trelik" convert -o "$tmp/out.txt" -i 1 "$file" \
                >"$tmp/pane.txt" 2>&1; then
            cat "$tmp/pane.txt" >&2
            fail "trelik convert failed on $n $what"
        fi
        readstat
        converted=$(panecount "Przetworzono poprawnie")
        skipped=$(panecount "Pominięto")
        if [ -z "$converted" ] || [ -z "$skipped" ]; then
            cat "$tmp/pane.txt" >&2
            fail "no counts in the pane for $n $what"
        fi
        [ $((converted + skipped)) -eq "$n" ] || { cat "$tmp/pane.txt" >&2; fail "$converted converted and $skipped skipped of $n $what"; }
        lines=$(wc -l < "$tmp/out.txt")
        [ "$lines" -eq $((converted + 2)) ] || { cat "$tmp/pane.txt" >&2; fail "$lines lines written for $converted $what, expected $((converted + 2))"; }
        if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$secs
            bestcpu=$cpu
        fi
        if [ "$kib" -gt "$peak" ]; then peak=$kib; fi
    done
    return 0
}

fmt() { awk -v v="$1" -v f="$2" 'BEGIN { printf f, v }'; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "MISSED"; fi; }
# A whole number with thousands separated by commas.
grouped() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta'; }

# One row of the table that make bench prints at the end (bench/table.sh),
# when BENCHTABLE names its file: work, figure, reference, ratio, goal,
# verdict, separated by "|".
tablerow() {
    [ -n "${BENCHTABLE:-}" ] || return 0
    printf '%s|%s|%s|%s|%s|%s\n' "$@" >>"$BENCHTABLE"
}

# Runs a reference command COUNT times under runstat (its output to
# $tmp/ref.out); sets refbest to the best wall seconds. Fails when it fails.
reftime() {
    local count=$1 i
    shift
    refbest=
    for ((i = 0; i < count; i++)); do
        "$build/runstat" "$tmp/stat" "$@" >"$tmp/ref.out" 2>"$tmp/ref.err" || { cat "$tmp/ref.err" >&2; fail "$1 failed"; }
        readstat
        if [ -z "$refbest" ] || awk -v a="$secs" -v b="$refbest" 'BEGIN { exit !(a < b) }'; then refbest=$secs; fi
    done
}
