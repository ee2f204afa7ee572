#!/usr/bin/env bash
# Textbase benchmark. (a) Times `trelik check --all` over a generated textbase
# of 10,000 parts of 100 records (1,000,000 records, some part numbers
# missing; best of 3) and over one of 10 parts (1,000 records), and checks
# that the statistics of each check are those that the generator (mktba)
# printed. (b) Times `trelik generate` of a generated .uam file of 1,000,000
# records into parts of 100 (best of 3, a fresh folder each time) and of one
# of 1,000 records, and checks the count it reports and the part files it
# wrote. Prints records per second and the peak memory of each run.
#
#   bench/textbase.sh          (make bench runs it)
#
# Environment: BUILD (build folder, default build), JOBS (parallel build jobs,
# default 2), SEED (generator seed, default 1), PARTS (parts of the large
# base, default 10000), MISSING (part numbers missing from it, default 25),
# TMPDIR (where the temporary files go; they are removed at the end).
#
# Exits 1 when a tool cannot be built, or a run fails or gives wrong figures;
# targets that are missed are reported but do not fail the script.

set -euo pipefail

name=textbase.sh
# shellcheck source=bench/lib.sh
. "$(dirname "$0")/lib.sh"
seed=${SEED:-1}
bigparts=${PARTS:-10000}
bigmissing=${MISSING:-25}
perpart=100
smallparts=10
smallmissing=1
maxcheck=2         # target: seconds for the check of the large base
maxgen=3           # target: seconds for the generation of 1,000,000 records
maxgrowkib=4096    # target: peak memory of a large run within 4 MB of the small one
maxcheckratio=1.5  # target: the large check at most this many times wc -l over its parts
maxgenratio=2      # target: the large generation at most this many times cp -r of its base

buildtools trelik mktba mkuam runstat
mktba=$build/mktba
mkuam=$build/mkuam
runstat=$build/runstat

# Keeps the best wall time (with its processor time) and the largest peak.
keepbest() {
    if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then
        best=$secs
        bestcpu=$cpu
    fi
    if [ "$kib" -gt "$peak" ]; then peak=$kib; fi
}

# Runs trelik with its pane in $tmp/pane.txt and its messages in
# $tmp/msg.txt, in a fresh program folder, under runstat; fails when it
# crashed or could not start (exit 0 and 1 are both a run that ended).
trelikrun() {
    local what=$1
    shift
    rm -rf "${tmp:?}/home"
    mkdir "$tmp/home"
    rm -f "$tmp/stat"
    TRELIK_HOME=$tmp/home "$runstat" "$tmp/stat" "$build/trelik" "$@" >"$tmp/pane.txt" 2>"$tmp/msg.txt" || true
    [ -s "$tmp/stat" ] || fail "runstat could not run trelik $1"
    readstat
    if [ "$code" -ne 0 ] && [ "$code" -ne 1 ]; then
        tail -n 20 "$tmp/pane.txt" "$tmp/msg.txt" >&2
        fail "trelik $1 failed on $what (exit status $code)"
    fi
}

# Checks the base whose first part is FIRST COUNT times with `trelik check
# --all`; its statistics must be those in EXPECTED (mktba's lines). Sets
# best, bestcpu, peak and status (the exit status of the last run).
checkrun() {
    local first=$1 expected=$2 count=$3 what=$4 i
    best=
    peak=0
    for ((i = 0; i < count; i++)); do
        trelikrun "$what" check --all "$first"
        status=$code
        grep -qx 'Zakończono' "$tmp/pane.txt" || { tail -n 20 "$tmp/pane.txt" "$tmp/msg.txt" >&2; fail "the check of $what did not end"; }
        # The statistics block, up to the missing parts (no long name is
        # reported without --warn-long, so a "Za długich" line is a fault).
        sed -n '/^Statystyka:$/,$p' "$tmp/pane.txt" |
            grep -E '^(Wszystkich|Za długich|Zaremowanych|Zawierających błędy|Prawidłowych|Brakujących części bazy): ' \
            >"$tmp/figures.txt" || true
        if ! diff "$expected" "$tmp/figures.txt" >"$tmp/diff.txt"; then
            echo "expected (mktba) and checked (trelik):" >&2
            cat "$tmp/diff.txt" >&2
            fail "the check of $what gave other statistics than expected"
        fi
        keepbest
    done
    return 0
}

# Generates parts of $perpart records from FILE of N records COUNT times into
# a fresh folder; the run must report "Zapisano N rekordów" and leave
# N / $perpart + 1 part files named tba001.txt on, holding N records in all.
# Sets best, bestcpu, peak and parts (the part files written).
genrun() {
    local file=$1 n=$2 count=$3 what=$4 i last written
    best=
    peak=0
    parts=$((n / perpart + 1))
    last=$(printf 'tba%03d.txt' "$parts")
    for ((i = 0; i < count; i++)); do
        rm -rf "$tmp/gen"
        mkdir "$tmp/gen"
        trelikrun "$what" generate --dest "$tmp/gen" --part-size "$perpart" "$file"
        grep -qx "Zapisano $n rekordów" "$tmp/pane.txt" || { tail -n 20 "$tmp/pane.txt" "$tmp/msg.txt" >&2; fail "no \"Zapisano $n rekordów\" after the generation of $what"; }
        written=$(find "$tmp/gen" -maxdepth 1 -name 'tba*.txt' | wc -l)
        [ "$written" -eq "$parts" ] || fail "$written part files written for $what, expected $parts"
        if [ ! -f "$tmp/gen/tba001.txt" ] || [ ! -f "$tmp/gen/$last" ]; then
            fail "the generation of $what wrote no tba001.txt or no $last"
        fi
        # Every record has its one p line; the files are read through cat, as
        # there are too many of them for one argument list on some systems.
        written=$(find "$tmp/gen" -maxdepth 1 -name 'tba*.txt' -exec cat {} + | grep -c '^p ' || true)
        [ "$written" -eq "$n" ] || fail "$written records in the parts of $what, expected $n"
        keepbest
    done
    return 0
}

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

echo "Textbase benchmark (seed $seed)"

# (a) The check.
bigrecords=$((bigparts * perpart))
smallrecords=$((smallparts * perpart))
"$mktba" --seed "$seed" --parts "$bigparts" --records "$perpart" --width 5 --missing "$bigmissing" "$tmp/big" \
    >"$tmp/big.expected" || fail "mktba failed on $bigparts parts"
"$mktba" --seed "$seed" --parts "$smallparts" --records "$perpart" --missing "$smallmissing" "$tmp/small" \
    >"$tmp/small.expected" || fail "mktba failed on $smallparts parts"
bigbytes=$(du -sb "$tmp/big" | cut -f 1)

checkrun "$tmp/big/tba00001.txt" "$tmp/big.expected" "$reps" "$(grouped "$bigrecords") records"
bigbest=$best
bigpeak=$peak
echo "  check of $(grouped "$bigrecords") records in $(grouped "$bigparts") parts ($bigmissing missing," \
     "$(awk -v b="$bigbytes" 'BEGIN { printf "%.0f MB", b / 1e6 }'), statistics as expected, exit status $status):" \
     "best of $reps $(fmt "$bigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s), $(rate "$bigrecords" "$bigbest") records/s," \
     "peak RSS $bigpeak KiB"

checkrun "$tmp/small/tba001.txt" "$tmp/small.expected" "$reps" "$(grouped "$smallrecords") records"
smallbest=$best
smallpeak=$peak
echo "  check of $(grouped "$smallrecords") records in $smallparts parts ($smallmissing missing, statistics as expected," \
     "exit status $status): best of $reps $(fmt "$smallbest" '%.4f') s (processor $(fmt "$bestcpu" '%.4f') s)," \
     "$(rate "$smallrecords" "$smallbest") records/s, peak RSS $smallpeak KiB"
checkgrow=$((bigpeak - smallpeak))
echo "  check peak RSS difference: $checkgrow KiB"
# The reference: wc -l reading the same part files (named through find, as
# there are too many of them for one argument list on some systems).
find "$tmp/big" -maxdepth 1 -name 'tba*.txt' | sort >"$tmp/partlist"
reftime "$reps" xargs -a "$tmp/partlist" -d '\n' wc -l
checkratio=$(awk -v t="$bigbest" -v r="$refbest" 'BEGIN { printf "%.2f", t / r }')
echo "  wc -l over the same part files: best of $reps $(fmt "$refbest" '%.3f') s; check time / wc -l time: $checkratio"
tablerow "check of $(grouped "$bigrecords") records in $(grouped "$bigparts") parts" "$(fmt "$bigbest" '%.3f') s" \
    "wc -l of the parts $(fmt "$refbest" '%.3f') s" "${checkratio}x slower" "at most ${maxcheckratio}x slower" \
    "$(verdict "$checkratio <= $maxcheckratio")"
rm -rf "$tmp/big" "$tmp/small"

# (b) The generation.
genbig=1000000
gensmall=1000
"$mkuam" --seed "$seed" --records "$genbig" "$tmp/big.uam" || fail "mkuam failed on $genbig records"
"$mkuam" --seed "$seed" --records "$gensmall" "$tmp/small.uam" || fail "mkuam failed on $gensmall records"
uambytes=$(stat -c %s "$tmp/big.uam")

genrun "$tmp/big.uam" "$genbig" "$reps" "$(grouped "$genbig") records"
genbigbest=$best
genbigpeak=$peak
echo "  generation of $(grouped "$genbig") records ($(awk -v b="$uambytes" 'BEGIN { printf "%.0f MB", b / 1e6 }') .uam)" \
     "into $(grouped "$parts") parts: best of $reps $(fmt "$genbigbest" '%.3f') s (processor $(fmt "$bestcpu" '%.3f') s)," \
     "$(rate "$genbig" "$genbigbest") records/s, peak RSS $genbigpeak KiB"

genrun "$tmp/small.uam" "$gensmall" "$reps" "$(grouped "$gensmall") records"
gensmallbest=$best
gensmallpeak=$peak
echo "  generation of $(grouped "$gensmall") records into $parts parts: best of $reps $(fmt "$gensmallbest" '%.4f') s" \
     "(processor $(fmt "$bestcpu" '%.4f') s), $(rate "$gensmall" "$gensmallbest") records/s, peak RSS $gensmallpeak KiB"
gengrow=$((genbigpeak - gensmallpeak))
echo "  generation peak RSS difference: $gengrow KiB"
# The reference: cp -r of the base the last large generation wrote.
genrun "$tmp/big.uam" "$genbig" 1 "$(grouped "$genbig") records"
cpbest=
for ((i = 0; i < reps; i++)); do
    rm -rf "$tmp/copy"
    "$runstat" "$tmp/stat" cp -r "$tmp/gen" "$tmp/copy" || fail "cp -r failed"
    readstat
    if [ -z "$cpbest" ] || awk -v a="$secs" -v b="$cpbest" 'BEGIN { exit !(a < b) }'; then cpbest=$secs; fi
done
rm -rf "$tmp/copy" "$tmp/gen"
genratio=$(awk -v t="$genbigbest" -v r="$cpbest" 'BEGIN { printf "%.2f", t / r }')
echo "  cp -r of the generated base: best of $reps $(fmt "$cpbest" '%.3f') s; generation time / cp -r time: $genratio"
tablerow "generation of $(grouped "$genbig") .uam records" "$(fmt "$genbigbest" '%.3f') s" \
    "cp -r of the base $(fmt "$cpbest" '%.3f') s" "${genratio}x slower" "at most ${maxgenratio}x slower" \
    "$(verdict "$genratio <= $maxgenratio")"

echo "Targets"
echo "  check of $(grouped "$bigrecords") records in $(grouped "$bigparts") parts in less than $maxcheck s: $(verdict "$bigbest < $maxcheck")"
echo "  check: peak memory within $maxgrowkib KiB of the $(grouped "$smallrecords")-record check: $(verdict "$checkgrow <= $maxgrowkib")"
echo "  generation of $(grouped "$genbig") records in less than $maxgen s: $(verdict "$genbigbest < $maxgen")"
echo "  generation: peak memory within $maxgrowkib KiB of the $(grouped "$gensmall")-record generation: $(verdict "$gengrow <= $maxgrowkib")"
