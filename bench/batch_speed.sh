#!/usr/bin/env bash
# Batch commands measured as whole programs: CPU seconds (user + system) of each, the median of
# RUNS runs taken in turn, and the ratios.
#  1. `quadrivo-cli count -j 1 -f` on the first 30,000 boards of the generator trace against
#     plain_count, the reference counter with a heap node per matrix entry, on the same file
#     (their outputs are compared first: they must be the same bytes).
#  2. `quadrivo-cli rate -j 1 -f generated_minimal_10k.txt` against `format --layout linear` on
#     the same file: the same reading, new game per puzzle and output without the rating, so
#     its time bounds the rate command's cost outside RatePuzzle.
# usage: bench/batch_speed.sh BUILD [RUNS]  (BUILD configured with -DQUADRIVO_BUILD_BENCH=ON)
set -euo pipefail
build=${1:?usage: bench/batch_speed.sh BUILD [RUNS]}
runs=${2:-5}
data="$(cd "$(dirname "$0")/.." && pwd)/../shared/data"
cli="$build/cli/quadrivo-cli"
plain="$build/bench/plain_count"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -n 30000 "$data/generator_count_trace_1000.txt" >"$work/trace30k.txt"
generated="$data/generated_minimal_10k.txt"

# CPU seconds of one run of the command, its output thrown away.
cpu() { /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true; awk '{ print $1 + $2 }' "$work/time"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME_A NAME_B -- runs both commands in turn; the commands are in A[@] and B[@].
compare() {
    : >"$work/a"
    : >"$work/b"
    for _ in $(seq "$runs"); do
        cpu "${A[@]}" >>"$work/a"
        cpu "${B[@]}" >>"$work/b"
    done
    local a b
    a=$(median <"$work/a")
    b=$(median <"$work/b")
    printf '  %-34s %8.3f s\n  %-34s %8.3f s\n  ratio %s\n' "$1" "$a" "$2" "$b" \
        "$(awk -v a="$a" -v b="$b" "BEGIN { printf \"$3\", $4 }")"
}

echo "count, 30,000 trace boards, median CPU seconds of $runs runs:"
cmp <("$cli" count -j 1 -f "$work/trace30k.txt") <("$plain" "$work/trace30k.txt") ||
    { echo "the outputs differ"; exit 1; }
A=("$plain" "$work/trace30k.txt")
B=("$cli" count -j 1 -f "$work/trace30k.txt")
compare "plain_count (heap nodes)" "quadrivo-cli count -j 1" "%.2fx faster (goal: 4x)" "a / b"

echo "rate, generated_minimal_10k.txt, median CPU seconds of $runs runs:"
A=("$cli" rate -j 1 -f "$generated")
B=("$cli" format --layout linear -j 1 -f "$generated")
compare "quadrivo-cli rate -j 1" "format -j 1 (everything but rating)" \
    "%.1f%% of the rate run outside RatePuzzle at most (goal: under 5%%)" "100 * b / a"
