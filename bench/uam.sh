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

name=uam.sh
# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
seed=${SEED:-1}
big=${RECORDS:-1000000}
small=1000
maxgrowkib=4096    # target: peak memory of the large run within 4 MB of the small one
minratio=2         # target: at least this many times faster than cs2cs
grid="+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 +ellps=GRS80 +units=m"

buildtools trelik mkuam runstat
mkuam=$build/mkuam
runstat=$build/runstat

"$mkuam" --seed "$seed" --records "$big" --pairs "$tmp/big.txt" "$tmp/big.uam" || fail "mkuam failed on $big records"
"$mkuam" --seed "$seed" --records "$small" "$tmp/small.uam" || fail "mkuam failed on $small records"
bigbytes=$(stat -c %s "$tmp/big.uam")

echo "AutoMapa conversion benchmark (seed $seed)"

convertrun "$tmp/big.uam" "$big" "$reps" records
bigbest=$best
bigpeak=$peak
echo "  $(grouped "$big") records ($(awk -v b="$bigbytes" 'BEGIN { printf "%.0f MB", b / 1e6 }'), $skipped skipped):" \
     "best of $reps $(fmt "$bigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s), $(awk -v n="$big" -v s="$bigbest" 'BEGIN { printf "%.0f", n / s }') records/s," \
     "peak RSS $bigpeak KiB"

convertrun "$tmp/small.uam" "$small" "$reps" records
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
    reftime "$reps" sh -c 'cs2cs -f %.7f "$@" <"$0"' "$tmp/big.txt" $grid +to +proj=latlong +ellps=WGS84
    cs2cssecs=$refbest
    lines=$(wc -l < "$tmp/ref.out")
    [ "$lines" -eq "$big" ] || fail "cs2cs wrote $lines lines for $big records, expected $big"
    ratio=$(awk -v c="$refbest" -v t="$bigbest" 'BEGIN { printf "%.2f", c / t }')
    echo "  cs2cs, $(grouped "$big") grid points to WGS84: best of $reps $(fmt "$refbest" '%.3f') s;" \
         "cs2cs time / trelik convert time: $ratio"
    tablerow "$(grouped "$big") .uam records to Loadstone" "$(fmt "$bigbest" '%.3f') s" \
        "cs2cs of the grid points $(fmt "$refbest" '%.3f') s" "${ratio}x faster" "at least ${minratio}x faster" \
        "$(verdict "$ratio >= $minratio")"
else
    echo "  cs2cs is not installed: no comparison (Debian package proj-bin)"
fi

echo "Targets"
if [ -n "$ratio" ]; then
    echo "  $(grouped "$big") records at least ${minratio}x faster than cs2cs: $(verdict "$ratio >= $minratio")"
else
    echo "  $(grouped "$big") records at least ${minratio}x faster than cs2cs: not measured (no cs2cs)"
fi
echo "  peak memory within $maxgrowkib KiB of the $(grouped "$small")-record run: $(verdict "$grow <= $maxgrowkib")"
