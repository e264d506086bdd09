#!/bin/sh
# Runs every libFuzzer target for FUZZ_SECONDS seconds (default 60) from its seeds in
# fuzz/seeds/NAME. Usage: FUZZ_SECONDS=N fuzz/run.sh BUILD_DIR (default build-fuzz).
# New corpus entries, logs and crash inputs stay under BUILD_DIR/fuzz. Exit 1 if any crashed.
set -u
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
seeds=$(cd "$(dirname "$0")" && pwd)/seeds
status=0
for name in text collection gamefile settings; do
    exe="$build/fuzz/fuzz_$name"
    if [ ! -x "$exe" ]; then
        echo "fuzz_$name: not built ($exe)"
        status=1
        continue
    fi
    corpus="$build/fuzz/corpus/$name"
    artifacts="$build/fuzz/artifacts/$name"
    log="$build/fuzz/$name.log"
    mkdir -p "$corpus" "$artifacts"
    "$exe" -max_total_time="$seconds" -max_len=4096 -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "$seeds/$name" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$rc" -eq 0 ]; then
        echo "fuzz_$name: ${runs:-?} executions in ${seconds} s, no crash"
    else
        echo "fuzz_$name: FAILED (exit $rc) after ${runs:-?} executions; see $log and $artifacts"
        status=1
    fi
done
exit $status
