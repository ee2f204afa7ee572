#!/usr/bin/env bash
# Conversion benchmark: times `trelik convert` on a generated point file of
# 1,000,000 points (best of 3) and on one of 1,000 points, prints points per
# second and the peak memory of both runs, and, when gpsbabel is installed,
# times gpsbabel reading the same points from an OziExplorer waypoint file into
# unicsv and prints how many times faster the conversion is.
#
#   bench/convert.sh               (make bench runs it)
#
# Environment: BUILD (build folder, default build), JOBS (parallel build jobs,
# default 2), SEED (generator seed, default 1), POINTS (large run, default
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
big=${POINTS:-1000000}
small=1000
reps=3
maxsecs=1.0        # target: the large run in under this many seconds
minratio=20        # target: at least this many times faster than gpsbabel
maxgrowkib=4096    # target: peak memory of the large run within 4 MB of the small one

fail() { echo "convert.sh: $*" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/trelik-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# The program and the two host tools.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot configure $build"; }
cmake --build "$build" -j "$jobs" --target trelik mkpnt runstat >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "cannot build trelik, mkpnt and runstat in $build"; }
trelik=$build/trelik
mkpnt=$build/mkpnt
runstat=$build/runstat

# Wall seconds, peak KiB, exit status and processor seconds of the last runstat.
readstat() { read -r secs kib code cpu < "$tmp/stat"; }

# Converts FILE of N points REPS times into a fresh output file and program
# folder each time; sets best (wall seconds) with bestcpu (its processor
# seconds) and peak (KiB, the largest of the runs).
convertrun() {
    local file=$1 n=$2 count=$3 i lines
    best=
    peak=0
    for ((i = 0; i < count; i++)); do
        rm -rf "$tmp/home" "$tmp/out.txt"
        mkdir "$tmp/home"
        if ! TRELIK_HOME=$tmp/home "$runstat" "$tmp/stat" "$trelik" convert -o "$tmp/out.txt" -i 1 "$file" \
                >"$tmp/pane.txt" 2>&1; then
            cat "$tmp/pane.txt" >&2
            fail "trelik convert failed on $n points"
        fi
        readstat
        lines=$(wc -l < "$tmp/out.txt")
        [ "$lines" -eq $((n + 2)) ] || { cat "$tmp/pane.txt" >&2; fail "$lines lines written for $n points, expected $((n + 2))"; }
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

"$mkpnt" --seed "$seed" --points "$big" "$tmp/big.pnt"
"$mkpnt" --seed "$seed" --points "$small" "$tmp/small.pnt"
bigbytes=$(stat -c %s "$tmp/big.pnt")

echo "Conversion benchmark (seed $seed)"

convertrun "$tmp/big.pnt" "$big" "$reps"
bigbest=$best
bigpeak=$peak
echo "  $big points ($(awk -v b="$bigbytes" -v n="$big" 'BEGIN { printf "%.1f MB, %.0f bytes a point", b / 1e6, b / n }')):" \
     "best of $reps $(fmt "$bigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s), $(awk -v n="$big" -v s="$bigbest" 'BEGIN { printf "%.0f", n / s }') points/s," \
     "peak RSS $bigpeak KiB"

convertrun "$tmp/small.pnt" "$small" "$reps"
smallbest=$best
smallpeak=$peak
echo "  $small points: best of $reps $(fmt "$smallbest" '%.4f') s (processor $(fmt "$bestcpu" '%.4f') s)," \
     "$(awk -v n="$small" -v s="$smallbest" 'BEGIN { printf "%.0f", n / s }') points/s, peak RSS $smallpeak KiB"
grow=$((bigpeak - smallpeak))
echo "  peak RSS difference: $grow KiB"

ratio=
if command -v gpsbabel >/dev/null 2>&1; then
    "$mkpnt" --seed "$seed" --points "$big" --format wpt "$tmp/big.wpt"
    if ! "$runstat" "$tmp/stat" gpsbabel -i ozi -f "$tmp/big.wpt" -o unicsv -F "$tmp/out.csv" >"$tmp/gpsbabel.txt" 2>&1; then
        cat "$tmp/gpsbabel.txt" >&2
        fail "gpsbabel failed"
    fi
    readstat
    lines=$(wc -l < "$tmp/out.csv")
    [ "$lines" -eq $((big + 1)) ] || fail "gpsbabel wrote $lines lines for $big points, expected $((big + 1))"
    ratio=$(awk -v g="$secs" -v t="$bigbest" 'BEGIN { printf "%.1f", g / t }')
    echo "  gpsbabel -i ozi -o unicsv, $big points: $(fmt "$secs" '%.3f') s (processor $(fmt "$cpu" '%.3f') s)," \
         "peak RSS $kib KiB;" \
         "trelik convert is ${ratio}x faster"
else
    echo "  gpsbabel is not installed: no comparison (Debian package gpsbabel)"
fi

echo "Targets"
echo "  $big points in under $maxsecs s: $(verdict "$bigbest < $maxsecs")"
if [ -n "$ratio" ]; then
    echo "  at least ${minratio}x faster than gpsbabel: $(verdict "$ratio >= $minratio")"
fi
echo "  peak memory within $maxgrowkib KiB of the $small-point run: $(verdict "$grow <= $maxgrowkib")"
