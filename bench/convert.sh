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

name=convert.sh
# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
seed=${SEED:-1}
big=${POINTS:-1000000}
small=1000
maxsecs=1.0        # target: the large run in under this many seconds
minratio=80        # target: at least this many times faster than gpsbabel
maxgrowkib=4096    # target: peak memory of the large run within 4 MB of the small one

# The program and the two host tools.
buildtools trelik mkpnt runstat
mkpnt=$build/mkpnt
runstat=$build/runstat

# Every generated point converts: a skipped one is a fault of the reader.
convertpoints() {
    convertrun "$1" "$2" "$reps" points
    [ "$skipped" -eq 0 ] || fail "$skipped of $2 points skipped"
}

"$mkpnt" --seed "$seed" --points "$big" "$tmp/big.pnt"
"$mkpnt" --seed "$seed" --points "$small" "$tmp/small.pnt"
bigbytes=$(stat -c %s "$tmp/big.pnt")

echo "Conversion benchmark (seed $seed)"

convertpoints "$tmp/big.pnt" "$big"
bigbest=$best
bigpeak=$peak
echo "  $big points ($(awk -v b="$bigbytes" -v n="$big" 'BEGIN { printf "%.1f MB, %.0f bytes a point", b / 1e6, b / n }')):" \
     "best of $reps $(fmt "$bigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s), $(awk -v n="$big" -v s="$bigbest" 'BEGIN { printf "%.0f", n / s }') points/s," \
     "peak RSS $bigpeak KiB"

convertpoints "$tmp/small.pnt" "$small"
smallbest=$best
smallpeak=$peak
echo "  $small points: best of $reps $(fmt "$smallbest" '%.4f') s (processor $(fmt "$bestcpu" '%.4f') s)," \
     "$(awk -v n="$small" -v s="$smallbest" 'BEGIN { printf "%.0f", n / s }') points/s, peak RSS $smallpeak KiB"
grow=$((bigpeak - smallpeak))
echo "  peak RSS difference: $grow KiB"

ratio=
if command -v gpsbabel >/dev/null 2>&1; then
    "$mkpnt" --seed "$seed" --points "$big" --format wpt "$tmp/big.wpt"
    reftime "$reps" gpsbabel -i ozi -f "$tmp/big.wpt" -o unicsv -F "$tmp/out.csv"
    lines=$(wc -l < "$tmp/out.csv")
    [ "$lines" -eq $((big + 1)) ] || fail "gpsbabel wrote $lines lines for $big points, expected $((big + 1))"
    ratio=$(awk -v g="$refbest" -v t="$bigbest" 'BEGIN { printf "%.1f", g / t }')
    echo "  gpsbabel -i ozi -o unicsv, $big points: best of $reps $(fmt "$refbest" '%.3f') s;" \
         "trelik convert is ${ratio}x faster"
    tablerow "$(grouped "$big") .pnt points to Loadstone" "$(fmt "$bigbest" '%.3f') s" \
        "gpsbabel ozi to unicsv $(fmt "$refbest" '%.3f') s" "${ratio}x faster" "at least ${minratio}x faster" \
        "$(verdict "$ratio >= $minratio")"
else
    echo "  gpsbabel is not installed: no comparison (Debian package gpsbabel)"
fi

echo "Targets"
echo "  $big points in under $maxsecs s: $(verdict "$bigbest < $maxsecs")"
if [ -n "$ratio" ]; then
    echo "  at least ${minratio}x faster than gpsbabel: $(verdict "$ratio >= $minratio")"
fi
echo "  peak memory within $maxgrowkib KiB of the $small-point run: $(verdict "$grow <= $maxgrowkib")"
