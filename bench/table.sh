#!/usr/bin/env bash
# Prints the rows the benchmarks left in the file named by $1 (work, figure,
# reference, ratio, goal, verdict, separated by "|") as one aligned table.
#
#   bench/table.sh build/bench-table.txt      (make bench runs it at the end)

set -euo pipefail
[ -s "$1" ] || { echo "No benchmark figures in $1"; exit 0; }
echo
echo "Benchmarks: each figure against its reference in the same run"
{
    echo "Work|Figure|Reference|Ratio|Goal|Verdict"
    cat "$1"
} | column -t -s '|' -o '  '
