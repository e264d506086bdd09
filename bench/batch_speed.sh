#!/usr/bin/env bash
# Batch commands measured as whole programs: CPU seconds (user + system) of each, the median of
# RUNS runs taken in turn, and the ratios.
#  1. `quadrivo-cli count -j 1 -f` on the first 30,000 boards of the generator trace against
#     plain_count, the reference counter with a heap node per matrix entry, on the same file
#     (their outputs are compared first: they must be the same bytes).
#  2. `quadrivo-cli check -j 1 -f` (the uniqueness solver) on the 17-clue, top1465, hardest and
#     generated sets against plain_count at limit 1 on the same file (every verdict must be
#     Unique).
#  3. `quadrivo-cli create -j 1` (any level) against qqwing's generator, the same number of
#     puzzles; and create at each level on one thread, in puzzles a CPU second.
#  4. `quadrivo-cli rate -j 1 -f generated_minimal_10k.txt` against `format --layout linear` on
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
head -n 5000 "$data/puzzles5_forum_hardest_1905_11+.txt" >"$work/hardest11.txt"
generated="$data/generated_minimal_10k.txt"

# CPU seconds of one run of the command, its output thrown away.
cpu() { /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true; awk '{ print $1 + $2 }' "$work/time"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME_A NAME_B FORMAT EXPRESSION -- runs both commands in turn; the commands are in
# A[@] and B[@]; the ratio is EXPRESSION of a and b printed with FORMAT.
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
compare "plain_count (heap nodes)" "quadrivo-cli count -j 1" "%.2fx faster (goal: 10x)" "a / b"

# The small sets are read several times over, so that each run takes a second or more.
repeat() { for _ in $(seq "$2"); do cat "$1"; done; }
repeat "$data/puzzles3_magictour_top1465.txt" 10 >"$work/top1465x10.txt"
repeat "$data/puzzles6_forum_hardest_1106.txt" 5 >"$work/hardest1106x5.txt"
repeat "$generated" 3 >"$work/generatedx3.txt"
for set in 17clue top1465 hardest1106 hardest11 generated; do
    goal=10
    case $set in
    17clue) file="$data/puzzles2_17_clue.txt" name="puzzles2_17_clue.txt" ;;
    top1465) file="$work/top1465x10.txt" name="puzzles3_magictour_top1465.txt ten times" ;;
    hardest1106) file="$work/hardest1106x5.txt" name="puzzles6_forum_hardest_1106.txt five times" goal=5 ;;
    hardest11) file="$work/hardest11.txt" name="puzzles5_forum_hardest_1905_11+.txt, first 5,000" goal=5 ;;
    generated) file="$work/generatedx3.txt" name="generated_minimal_10k.txt three times" ;;
    esac
    echo "check, $name, median CPU seconds of $runs runs:"
    if "$cli" check -j 1 -f "$file" | grep -qv '^100 Unique$'; then
        echo "  a verdict is not Unique"
        exit 1
    fi
    A=("$plain" "$file" 1)
    B=("$cli" check -j 1 -f "$file")
    compare "plain_count at limit 1 (heap nodes)" "quadrivo-cli check -j 1" \
        "%.2fx faster (goal: ${goal}x)" "a / b"
done

echo "create, 1,000 puzzles, median CPU seconds of $runs runs:"
A=(qqwing --generate 1000 --symmetry none --one-line)
B=("$cli" create -n 1000 --seed 1)
if command -v qqwing >/dev/null; then
    compare "qqwing --generate" "quadrivo-cli create" "%.2fx faster (goal: 5x)" "a / b"
else
    echo "  qqwing not installed (apt-get install qqwing)"
fi

echo "create at a level on one thread (-j 1), puzzles a CPU second, median of $runs runs:"
for level in easy medium difficult very-difficult fiendish; do
    n=40
    : >"$work/l"
    for _ in $(seq "$runs"); do cpu "$cli" create -n "$n" --seed 1 --level "$level" -j 1 >>"$work/l"; done
    awk -v n="$n" -v s="$(median <"$work/l")" -v l="$level" \
        'BEGIN { printf "  %-16s %7.1f puzzles/s (goal: 20)\n", l, n / s }'
done

echo "rate, generated_minimal_10k.txt, median CPU seconds of $runs runs:"
A=("$cli" rate -j 1 -f "$generated")
B=("$cli" format --layout linear -j 1 -f "$generated")
compare "quadrivo-cli rate -j 1" "format -j 1 (everything but rating)" \
    "%.1f%% of the rate run outside RatePuzzle at most (goal: under 5%%)" "100 * b / a"
