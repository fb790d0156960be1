#!/bin/sh
# bench/report.sh [BUILD_DIR [REPETITIONS]]: runs orvane_bench and orvane2_bench of BUILD_DIR
# (default build/) with REPETITIONS repetitions each (default 15), keeps their output and
# summaries in BUILD_DIR/bench-results/, and draws docs/performance.png with gnuplot.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
repetitions=${2:-15}
results=$build/bench-results
mkdir -p "$results"

for bench in orvane_bench orvane2_bench; do
  # Repetitions interleaved at random: a shared machine's slow spells spread over all benchmarks.
  "$build/bin/$bench" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true \
    --summary_out="$results/$bench.tsv" |
    tee "$results/$bench.txt"
done

# The timed comparisons of both summaries (not the memory rows), in microseconds.
awk -F'\t' 'FNR > 1 && $5 != "-" { printf "%s\t%.6g\t%.6g\t%s\t%s\t%s\n", $1, $4 * 1e6, $5 * 1e6, $6, $7, $8 }' \
  "$results/orvane_bench.tsv" "$results/orvane2_bench.tsv" > "$results/plot.tsv"
gnuplot -e "data='$results/plot.tsv'; output='$root/docs/performance.png'" \
  "$root/bench/performance.gp"
echo "wrote $root/docs/performance.png"
