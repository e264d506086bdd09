#!/bin/sh
# Fault score: injects each fault of faults.tsv, one at a time, into a scratch copy of the
# tracked sources, rebuilds and runs the suite without the shared data sets. A fault is caught
# when some test fails; missed faults are listed. Usage: tests/faults/score.sh [SCRATCH_DIR]
# (default /tmp/quadrivo-faults; GUI=OFF leaves out the window's faults and tests).
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
scratch=${1:-/tmp/quadrivo-faults}
gui=${GUI:-ON}
mkdir -p "$scratch/src" "$scratch/no-data"
(cd "$top" && git ls-files -z | tar --null -T - -cf -) | tar -xf - -C "$scratch/src"
cmake -S "$scratch/src" -B "$scratch/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUADRIVO_BUILD_GUI="$gui" -DQUADRIVO_TEST_TIMEOUT=60 >"$scratch/configure.log" 2>&1 || { echo "configure failed"; exit 2; }
cmake --build "$scratch/build" -j "$(nproc)" >"$scratch/build.log" 2>&1 || { echo "the clean build fails"; exit 2; }
run_suite() {
    QUADRIVO_DATA_DIR="$scratch/no-data" QT_QPA_PLATFORM=offscreen \
        ctest --test-dir "$scratch/build" -j "$(nproc)" -E 'WithoutData' >"$scratch/ctest.log" 2>&1
}
run_suite || { echo "the clean suite fails"; exit 2; }
total=0 caught=0 missed="" stale=""
tab=$(printf '\t')
while IFS="$tab" read -r file pattern replacement what; do
    case "$file" in ''|'#'*) continue ;; esac
    target="$scratch/src/$file"
    case "$gui:$file" in OFF:display/* | OFF:shell/* | OFF:dialogs/*) continue ;; esac # not built
    [ -f "$target" ] || { [ "$gui" = OFF ] && continue; stale="$stale\n  $file: missing"; continue; }
    cp "$target" "$target.orig"
    P="$pattern" R="$replacement" perl -0pi -e '$n = s/$ENV{P}/qq{"$ENV{R}"}/ee; END { exit($n == 1 ? 0 : 1) }' "$target"
    if [ $? -ne 0 ] || cmp -s "$target" "$target.orig"; then
        stale="$stale\n  $file: $what"
        mv "$target.orig" "$target"
        continue
    fi
    total=$((total + 1))
    if ! cmake --build "$scratch/build" -j "$(nproc)" >"$scratch/build.log" 2>&1; then
        echo "does not build: $file: $what"
        caught=$((caught + 1))
    elif run_suite; then
        missed="$missed\n  $file: $what"
    else
        caught=$((caught + 1))
    fi
    mv "$target.orig" "$target"
    touch "$target"
done <"$top/tests/faults/faults.tsv"
cmake --build "$scratch/build" -j "$(nproc)" >/dev/null 2>&1
echo "caught $caught of $total faults"
[ -n "$missed" ] && printf "missed:%b\n" "$missed"
[ -n "$stale" ] && printf "stale (pattern not found once):%b\n" "$stale"
[ "$caught" -eq "$total" ] && [ -z "$stale" ]
