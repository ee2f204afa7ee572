#!/usr/bin/env bash
# AutoMapa conversion benchmark: times `trelik convert` on a generated .uam
# file of 1,000,000 records (362 MB, best of 3) and on one of 1,000 records,
# prints records per second and the peak memory of both runs, and, when cs2cs
# is installed, times cs2cs turning the same grid coordinates into WGS84 and
# prints how its time compares with the conversion's.
#
#   bench/uam.sh               (make bench runs it)
#
# Environment: BUILD (build folder, default build), JOBS (parallel build jobs,
# default 2), SEED (generator seed, default 1), RECORDS (large run, default
# 1000000), TMPDIR (where the temporary files go; they are removed at the end).
#
# Exits 1 when a tool cannot be built or a run fails or writes a wrong number
# of lines; targets that are missed are reported but do not fail the script.

set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD:-build}
jobs=${JOBS:-2}
seed=${SEED:-1}
big=${RECORDS:-1000000}
small=1000
reps=3
maxgrowkib=4096    # target: peak memory of the large run within 4 MB of the small one
grid="+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 +ellps=GRS80 +units=m"

fail() { echo "uam.sh: $*" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/trelik-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot configure $build"; }
cmake --build "$build" -j "$jobs" --target trelik mkuam runstat >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot build trelik, mkuam and runstat in $build"; }
trelik=$build/trelik
mkuam=$build/mkuam
runstat=$build/runstat

# Wall seconds, peak KiB, exit status and processor seconds of the last runstat.
readstat() { read -r secs kib code cpu < "$tmp/stat"; }

# The number N of the pane's line "PREFIX N wpisów" (UTF-8), empty when missing.
panecount() { sed -n "s/^$1 \([0-9][0-9]*\) wpisów\$/\1/p" "$tmp/pane.txt" | tail -n 1; }

# Converts FILE of N records REPS times into a fresh output file and program
# folder each time; sets best (wall seconds) with bestcpu (its processor
# seconds), peak (KiB, the largest of the runs) and skipped (records the
# conversion left out). The output holds two header lines and one line per
# record converted, and converted and skipped records add up to N.
convertrun() {
    local file=$1 n=$2 count=$3 i lines converted
    best=
    peak=0
    for ((i = 0; i < count; i++)); do
        rm -rf "$tmp/home" "$tmp/out.txt"
        mkdir "$tmp/home"
        if ! TRELIK_HOME=$tmp/home "$runstat" "$tmp/stat" "$trelik" convert -o "$tmp/out.txt" -i 1 "$file" \
                >"$tmp/pane.txt" 2>&1; then
            cat "$tmp/pane.txt" >&2
            fail "trelik convert failed on $n records"
        fi
        readstat
        converted=$(panecount "Przetworzono poprawnie")
        skipped=$(panecount "Pominięto")
        if [ -z "$converted" ] || [ -z "$skipped" ]; then
            cat "$tmp/pane.txt" >&2
            fail "no record counts in the pane for $n records"
        fi
        [ $((converted + skipped)) -eq "$n" ] || { cat "$tmp/pane.txt" >&2; fail "$converted converted and $skipped skipped of $n records"; }
        lines=$(wc -l < "$tmp/out.txt")
        [ "$lines" -eq $((converted + 2)) ] || { cat "$tmp/pane.txt" >&2; fail "$lines lines written for $converted records, expected $((converted + 2))"; }
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

"$mkuam" --seed "$seed" --records "$big" --pairs "$tmp/big.txt" "$tmp/big.uam" || fail "mkuam failed on $big records"
"$mkuam" --seed "$seed" --records "$small" "$tmp/small.uam" || fail "mkuam failed on $small records"
bigbytes=$(stat -c %s "$tmp/big.uam")

echo "AutoMapa conversion benchmark (seed $seed)"

convertrun "$tmp/big.uam" "$big" "$reps"
bigbest=$best
bigpeak=$peak
echo "  $(grouped "$big") records ($(awk -v b="$bigbytes" 'BEGIN { printf "%.0f MB", b / 1e6 }'), $skipped skipped):" \
     "best of $reps $(fmt "$bigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s), $(awk -v n="$big" -v s="$bigbest" 'BEGIN { printf "%.0f", n / s }') records/s," \
     "peak RSS $bigpeak KiB"

convertrun "$tmp/small.uam" "$small" "$reps"
smallbest=$best
smallpeak=$peak
echo "  $(grouped "$small") records ($skipped skipped): best of $reps $(fmt "$smallbest" '%.4f') s (processor $(fmt "$bestcpu" '%.4f') s)," \
     "$(awk -v n="$small" -v s="$smallbest" 'BEGIN { printf "%.0f", n / s }') records/s, peak RSS $smallpeak KiB"
grow=$((bigpeak - smallpeak))
echo "  peak RSS difference: $grow KiB"

ratio=
cs2cssecs=
if command -v cs2cs >/dev/null 2>&1; then
    # The same transformation as the converter's, printed in decimal degrees.
    # shellcheck disable=SC2086
    if ! "$runstat" "$tmp/stat" cs2cs -f %.7f $grid +to +proj=latlong +ellps=WGS84 \
            <"$tmp/big.txt" >"$tmp/out.cs2cs" 2>"$tmp/cs2cs.txt"; then
        cat "$tmp/cs2cs.txt" >&2
        fail "cs2cs failed"
    fi
    readstat
    cs2cssecs=$secs
    lines=$(wc -l < "$tmp/out.cs2cs")
    [ "$lines" -eq "$big" ] || fail "cs2cs wrote $lines lines for $big records, expected $big"
    ratio=$(awk -v c="$secs" -v t="$bigbest" 'BEGIN { printf "%.2f", c / t }')
    echo "  cs2cs, $(grouped "$big") grid points to WGS84: $(fmt "$secs" '%.3f') s (processor $(fmt "$cpu" '%.3f') s)," \
         "peak RSS $kib KiB; cs2cs time / trelik convert time: $ratio"
else
    echo "  cs2cs is not installed: no comparison (Debian package proj-bin)"
fi

echo "Targets"
if [ -n "$ratio" ]; then
    echo "  $(grouped "$big") records in less time than cs2cs: $(verdict "$bigbest < $cs2cssecs")"
else
    echo "  $(grouped "$big") records in less time than cs2cs: not measured (no cs2cs)"
fi
echo "  peak memory within $maxgrowkib KiB of the $(grouped "$small")-record run: $(verdict "$grow <= $maxgrowkib")"
